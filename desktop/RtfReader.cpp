#include "desktop/RtfReader.h"

#include <QColor>
#include <QFont>
#include <QMap>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QVector>
#include <cctype>

namespace kiv {

namespace {

// What a group sets; a closing brace brings the enclosing group's back.
struct GroupState {
  bool bold = false, italic = false, underline = false;
  int halfPoints = 24;
  int font = -1;
  int colour = 0;
  int skipAfterUnicode = 1;
  enum Dest { kText, kSkip, kFontTable, kColourTable } dest = kText;
};

// Destinations whose text is not shown.
bool SkippedDestination(const QByteArray& w) {
  static const char* const names[] = {
      "stylesheet", "info", "pict", "header", "footer", "headerl", "headerr", "headerf",
      "footerl", "footerr", "footerf", "footnote", "object", "fldinst", "themedata",
      "colorschememapping", "datastore", "latentstyles", "listtable", "listoverridetable",
      "rsidtbl", "generator", "xmlnstbl", "filetbl", "revtbl", "pgdsctbl", "author",
      "operator", "title", "subject", "comment", "keywords", "bkmkstart", "bkmkend",
      "nonshppict", "private"};
  for (const char* n : names)
    if (w == n) return true;
  return false;
}

class Reader {
 public:
  Reader(const QByteArray& in, QTextDocument* doc) : in_(in), doc_(doc), cursor_(doc) {}

  void Run() {
    doc_->clear();
    cursor_ = QTextCursor(doc_);
    stack_.push_back(GroupState());
    while (pos_ < in_.size()) {
      char c = in_[pos_];
      if (c == '{') {
        Flush();
        ++pos_;
        stack_.push_back(stack_.back());
        starred_ = false;
        groupStart_ = true;
      } else if (c == '}') {
        Flush();
        ++pos_;
        EndGroup();
        if (stack_.size() > 1) stack_.pop_back();
        groupStart_ = false;
      } else if (c == '\\') {
        ++pos_;
        ControlWord();
        groupStart_ = false;
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        Byte(static_cast<unsigned char>(c));
        ++pos_;
        groupStart_ = starred_ = false;
      }
    }
    Flush();
  }

 private:
  GroupState& S() { return stack_.back(); }

  void EndGroup() {
    GroupState& s = S();
    if (s.dest == GroupState::kFontTable && !fontName_.isEmpty() && fontNumber_ >= 0) {
      QString n = fontName_.trimmed();
      if (n.endsWith(';')) n.chop(1);
      fonts_[fontNumber_] = n;
      fontName_.clear();
    }
  }

  void Byte(unsigned char b) {
    GroupState& s = S();
    switch (s.dest) {
      case GroupState::kSkip:
        return;
      case GroupState::kFontTable:
        if (b == ';') {
          if (fontNumber_ >= 0) fonts_[fontNumber_] = fontName_.trimmed();
          fontName_.clear();
        } else {
          fontName_ += QChar(b);
        }
        return;
      case GroupState::kColourTable:
        if (b == ';') {
          colours_.push_back(colourSet_ ? QColor(red_, green_, blue_) : QColor());
          red_ = green_ = blue_ = 0;
          colourSet_ = false;
        }
        return;
      case GroupState::kText:
        if (pendingSkip_ > 0) {
          --pendingSkip_;
          return;
        }
        bytes_ += char(b);
        return;
    }
  }

  void Text(const QString& t) {
    if (S().dest != GroupState::kText || t.isEmpty()) return;
    QTextCharFormat f;
    const GroupState& s = S();
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontPointSize(s.halfPoints / 2.0);
    if (fonts_.contains(s.font)) f.setFontFamilies({fonts_[s.font]});
    if (s.colour > 0 && s.colour < colours_.size() && colours_[s.colour].isValid())
      f.setForeground(colours_[s.colour]);
    cursor_.insertText(t, f);
  }

  // The bytes gathered so far, decoded, in the current format.
  void Flush() {
    if (bytes_.isEmpty()) return;
    QStringDecoder dec("windows-1252");
    QString t = dec.isValid() ? dec.decode(bytes_) : QString::fromLatin1(bytes_);
    bytes_.clear();
    Text(t);
  }

  void ControlWord() {
    if (pos_ >= in_.size()) return;
    char c = in_[pos_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++pos_;
      switch (c) {
        case '\\': case '{': case '}': Byte(static_cast<unsigned char>(c)); return;
        case '~': Flush(); Text(QString(QChar(0xa0))); return;
        case '_': Flush(); Text(QString(QChar(0x2011))); return;
        case '-': return;
        case '*': if (groupStart_) starred_ = true; return;
        case '\'': {
          if (pos_ + 2 > in_.size()) { pos_ = in_.size(); return; }
          bool ok = false;
          int v = in_.mid(pos_, 2).toInt(&ok, 16);
          pos_ += 2;
          if (ok) Byte(static_cast<unsigned char>(v));
          return;
        }
        case '\r': case '\n': Flush(); if (S().dest == GroupState::kText) cursor_.insertBlock(); return;
        default: return;
      }
    }
    qsizetype start = pos_;
    while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_]))) ++pos_;
    QByteArray word = in_.mid(start, pos_ - start);
    bool hasArg = false;
    int arg = 0;
    qsizetype numStart = pos_;
    if (pos_ < in_.size() && (in_[pos_] == '-' || std::isdigit(static_cast<unsigned char>(in_[pos_])))) {
      ++pos_;
      while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_])) && pos_ - numStart < 10) ++pos_;
      arg = in_.mid(numStart, pos_ - numStart).toInt(&hasArg);
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    Word(word, hasArg, arg);
  }

  void Word(const QByteArray& w, bool hasArg, int arg) {
    GroupState& s = S();
    const bool on = !hasArg || arg != 0;
    if (starred_) {
      // An unknown destination marked \*: skipped whole.
      starred_ = false;
      if (w != "fonttbl" && w != "colortbl") {
        Flush();
        s.dest = GroupState::kSkip;
        return;
      }
    }
    if (s.dest == GroupState::kSkip) return;
    if (s.dest == GroupState::kColourTable) {
      if (w == "red") { red_ = arg; colourSet_ = true; }
      else if (w == "green") { green_ = arg; colourSet_ = true; }
      else if (w == "blue") { blue_ = arg; colourSet_ = true; }
      return;
    }
    if (s.dest == GroupState::kFontTable) {
      if (w == "f") { fontNumber_ = arg; fontName_.clear(); }
      else if (SkippedDestination(w) || w == "panose") { /* nested data: ignore its words */ }
      return;
    }
    if (w == "fonttbl") { Flush(); s.dest = GroupState::kFontTable; return; }
    if (w == "colortbl") { Flush(); s.dest = GroupState::kColourTable; colours_.clear(); return; }
    if (SkippedDestination(w)) { Flush(); s.dest = GroupState::kSkip; return; }
    if (w == "u" && hasArg) {
      Flush();
      int v = arg < 0 ? arg + 65536 : arg;
      Text(QString(QChar(char16_t(v))));
      pendingSkip_ = s.skipAfterUnicode;
      return;
    }
    pendingSkip_ = 0;
    if (w == "uc") { s.skipAfterUnicode = hasArg ? arg : 1; return; }
    if (w == "par" || w == "line" || w == "sect" || w == "page") {
      Flush();
      cursor_.insertBlock();
      return;
    }
    if (w == "tab") { Flush(); Text("\t"); return; }
    if (w == "emdash") { Flush(); Text(QString(QChar(0x2014))); return; }
    if (w == "endash") { Flush(); Text(QString(QChar(0x2013))); return; }
    if (w == "bullet") { Flush(); Text(QString(QChar(0x2022))); return; }
    if (w == "lquote") { Flush(); Text(QString(QChar(0x2018))); return; }
    if (w == "rquote") { Flush(); Text(QString(QChar(0x2019))); return; }
    if (w == "ldblquote") { Flush(); Text(QString(QChar(0x201c))); return; }
    if (w == "rdblquote") { Flush(); Text(QString(QChar(0x201d))); return; }
    Flush();
    if (w == "b") s.bold = on;
    else if (w == "i") s.italic = on;
    else if (w == "ul") s.underline = on;
    else if (w == "ulnone") s.underline = false;
    else if (w == "fs" && hasArg && arg > 0) s.halfPoints = arg;
    else if (w == "f" && hasArg) s.font = arg;
    else if (w == "cf" && hasArg) s.colour = arg;
    else if (w == "plain") {
      s.bold = s.italic = s.underline = false;
      s.halfPoints = 24;
    }
  }

  const QByteArray& in_;
  qsizetype pos_ = 0;
  QTextDocument* doc_;
  QTextCursor cursor_;
  QVector<GroupState> stack_;
  QByteArray bytes_;
  bool starred_ = false, groupStart_ = false;
  int pendingSkip_ = 0;
  QMap<int, QString> fonts_;
  int fontNumber_ = -1;
  QString fontName_;
  QVector<QColor> colours_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colourSet_ = false;
};

}  // namespace

void ReadRtf(const QByteArray& rtf, QTextDocument* doc) {
  Reader(rtf, doc).Run();
}

}  // namespace kiv
