// fos.FileStream: a stream over an open file descriptor that it owns.
// Not registered; only fos.FileSys makes it.
#pragma once
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zk {

class FileStream final : public ToolkitObject<FileStream, IFileStrem> {
 public:
  static constexpr const char* kClassId = "fos.FileStream";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileStrem, 0}, {id::StreamIStream, 0}};

  FileStream() = default;
  ~FileStream();
  void Adopt(int fd) { fd_ = fd; }

  StatusCode IsEnd() override;
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override;
  StatusCode Write(const void* data, uint32_t length) override;
  StatusCode Close() override;
  StatusCode CopyFrom(IStream* source, uint64_t count) override;
  StatusCode Commit() override;
  StatusCode GetSize(uint64_t* sizeOut) override;
  StatusCode GetPosition(uint64_t* positionOut) override;
  StatusCode Seek(int64_t offset, int32_t origin) override;
  StatusCode SetEnd() override;

 private:
  int fd_ = -1;
};

}  // namespace zk
