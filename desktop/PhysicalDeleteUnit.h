// Physical deletion: a disk file is overwritten with zeros, flushed to disk
// and only then unlinked, so its old bytes do not stay on the medium.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kiv {

inline constexpr size_t kWipeBlock = 65536;

enum class WipeResult {
  kWiped,
  kSkipped,    // missing, a folder, a link or not a regular file: left alone
  kFailed,     // a write or flush failed: the file is kept
};

// Seams for the tests: percent gets 0, each grown percentage, then 100;
// beforeUnlink runs once the zeros are on disk (tests read the file there).
struct WipeHooks {
  std::function<void(int32_t percent)> percent;
  std::function<void(const std::string& path)> beforeUnlink;
};

// Opens path without following a symbolic link, overwrites its whole size
// in 64 KiB blocks of zeros, flushes, closes and deletes it.
WipeResult WipeFile(const std::string& path, const WipeHooks& hooks = {});

struct WipeReport {
  std::vector<std::string> skipped;  // not wiped, nothing changed
  std::vector<std::string> failed;   // a write error stopped them; kept
};

// Wipes every name in order; onFile is told the name before each one.
WipeReport WipeFiles(const std::vector<std::string>& paths, const WipeHooks& hooks = {},
                     const std::function<void(const std::string&)>& onFile = nullptr);

}  // namespace kiv

class QWidget;
namespace zk {
struct ITextRes;
}

namespace kiv {

// The whole command: the question, the progress window while every name is
// wiped on the worker, then the closing box, which names the files skipped
// or kept. An empty list does nothing.
void PhysicalDeletion(QWidget* owner, zk::ITextRes* texts, const std::vector<std::string>& paths);

// The menu command: asks for the files first.
void PhysicalDeletionFromDialog(QWidget* owner, zk::ITextRes* texts);

}  // namespace kiv
