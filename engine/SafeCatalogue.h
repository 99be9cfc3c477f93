// The catalogue of a safe in flow 1 of its container: one folder record,
// the root's, holding the whole tree. Little-endian throughout.
//   folder record: u16 name length, name, u32 file count, file records,
//                  u32 folder count, folder records (depth first)
//   file record:   u32 size, flags, created, modified, flow;
//                  u16 name length, name
#pragma once
#include <cstdint>
#include <memory>

#include "SafeTree.h"
#include "zk5Stream.h"

namespace zk::engine {

// Buffers the catalogue's bytes in 64 KiB pieces: one stream Write per
// full buffer, one stream Read per refill. The buffers are allocated on
// first use; their callers run under Guard, which answers a failure.
class CatalogueBuffer {
 public:
  static constexpr uint32_t kSize = 65536;

  // Asks `stream` for stream.IStream as input and output (either may be
  // absent; the one needed missing is a fatal fault).
  explicit CatalogueBuffer(zk::IBase* stream);
  ~CatalogueBuffer();
  CatalogueBuffer(const CatalogueBuffer&) = delete;
  CatalogueBuffer& operator=(const CatalogueBuffer&) = delete;

  StatusCode Write(const void* data, uint32_t length);
  StatusCode Flush();
  // Delivers up to length bytes; fewer only when the input has ended.
  StatusCode Read(void* data, uint32_t length, uint32_t* count);

  uint64_t delivered() const { return delivered_; }
  uint64_t accepted() const { return accepted_; }

 private:
  zk::IStream* in_ = nullptr;
  zk::IStream* out_ = nullptr;
  std::unique_ptr<uint8_t[]> read_;
  std::unique_ptr<uint8_t[]> write_;
  uint32_t readValid_ = 0, readPos_ = 0, writeFill_ = 0;
  uint64_t delivered_ = 0, accepted_ = 0;
};

// Writes the tree into flow 1 (opened from `flows`) and cuts the flow at
// its end. -15 for a name longer than 65535 bytes.
StatusCode WriteCatalogue(zk::IFlowControl* flows, const FolderNode& root);

// Reads a catalogue from a flow's stream into `root` (which should be
// empty). Safe on any bytes: a record that ends early, a count larger than
// the bytes left could hold, nesting deeper than kMaxDepth, an unsound
// name, or a file that names flow 1, another file's flow or (when `flows`
// is given) a flow the container does not hold gives -14. What was read
// before the fault stays in the tree.
StatusCode ReadCatalogue(zk::IFileStrem* flow, FolderNode& root, zk::IFlowControl* flows = nullptr);

}  // namespace zk::engine
