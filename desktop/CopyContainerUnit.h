// The carrier copy: before a secret is written into a carrier the user may
// keep the carrier as it was under a free "copy "-prefixed name.
#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "zk5script.h"

class QWidget;

namespace kiv {

// How many "copy " prefixes the name search tries before it gives up.
inline constexpr int kCopyNameTries = 64;

// A free name in path's folder ("copy a.bmp", then "copy copy a.bmp", ...),
// created empty with exclusive creation so an existing file is never
// truncated. False when no name could be created within the bound.
bool MakeCopyName(const std::string& path, std::string& out);

// The copy loop itself, run on the worker: 1 MiB blocks, percentages to
// the progress window, stops at a cancel. 0 when every byte was copied;
// otherwise the text id to show (txt::kErrCannotOpen, kErrNoMemory,
// kErrCannotWrite when broken off) and the target removed. read may be replaced by tests.
using CopyRead = std::function<long(int fd, void* buf, unsigned long n)>;
int32_t CopyFileBytes(const std::string& source, const std::string& target,
                      const CopyRead& read = {});

// The copy under the progress window; a failure is shown as an error box
// titled with the application title. The target keeps the source's times
// and mode.
bool CopyContainerFile(const std::string& source, const std::string& target,
                       zk::ITextRes* texts, QWidget* owner = nullptr);

// Test seam: the read that CopyContainerFile's loop uses (empty: read(2)).
void SetCopyReadForTests(CopyRead read);

}  // namespace kiv
