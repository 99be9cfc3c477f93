// A small reader of rich text (RTF) for the text viewer: groups, paragraphs,
// bold, italic, underline, font size, the font and colour tables, the \'hh
// and \uN escapes, and destinations it does not show skipped. Bytes of
// \'hh are taken as Windows-1252.
#pragma once
#include <QByteArray>

class QTextDocument;

namespace kiv {

// Replaces doc's contents with the text of rtf.
void ReadRtf(const QByteArray& rtf, QTextDocument* doc);

}  // namespace kiv
