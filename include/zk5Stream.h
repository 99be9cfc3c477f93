// Stream interfaces: stream.IStream, stream.IFileStrem (spelled so),
// stream.IFileSystem, stream.IMemStream and stream.IFlowControl. 64-bit sizes and positions are
// passed as one 64-bit value (unsigned; seek offsets signed).
#pragma once
#include <cstdint>

#include "zk5Base.h"

namespace zk {

struct IStream : IBase {
  virtual StatusCode IsEnd() = 0;  // 0 while data remains, -103 at the end
  virtual StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) = 0;
  virtual StatusCode Write(const void* data, uint32_t length) = 0;
  virtual StatusCode Close() = 0;
  virtual StatusCode CopyFrom(IStream* source, uint64_t count) = 0;  // count 0: to the end
};

enum SeekOrigin : int32_t { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

struct IFileStrem : IStream {
  virtual StatusCode Commit() = 0;
  virtual StatusCode GetSize(uint64_t* sizeOut) = 0;
  virtual StatusCode GetPosition(uint64_t* positionOut) = 0;
  virtual StatusCode Seek(int64_t offset, int32_t origin) = 0;
  virtual StatusCode SetEnd() = 0;
};

// Search record filled by IFileSystem::FindNextFile.
struct FindRecord {
  uint32_t created;   // C-runtime time, seconds since 1970 (unsigned)
  uint32_t modified;
  uint64_t size;
};

// Open flags as the system stores and passes them (translated to the
// platform's own flags inside fos.FileSys).
enum OpenFlag : int32_t {
  kOpenReadOnly = 0x0000,
  kOpenReadWrite = 0x0002,
  kOpenTemporary = 0x0040,  // delete on close
  kOpenCreate = 0x0100,
  kOpenTruncate = 0x0200,
  kOpenBinary = 0x8000,
};

struct IFileSystem : IBase {
  virtual StatusCode MakeDir(const char* path) = 0;
  virtual StatusCode CreateFile(const char* path, int32_t oflag, int32_t pmode,
                                IFileStrem** streamOut) = 0;
  virtual StatusCode RemoveDirTree(const char* path) = 0;
  virtual StatusCode DeleteFile(const char* path) = 0;
  virtual StatusCode SetFindMask(const char* pattern) = 0;
  virtual StatusCode FindNextFile(char** nameOut, FindRecord* recordOut) = 0;
  virtual StatusCode FindNextDir(char** nameOut) = 0;
  virtual StatusCode GetCurrentDir(char** nameOut) = 0;
  virtual StatusCode GetFileSize(const char* path, uint64_t* sizeOut) = 0;
  virtual StatusCode GetFileTimes(const char* path, uint32_t* createdOut, uint32_t* modifiedOut) = 0;
  virtual StatusCode MakeTempName(char** nameOut) = 0;
  virtual StatusCode OpenFile(const char* path, int32_t oflag, IFileStrem** streamOut) = 0;
  virtual StatusCode ChangeDir(const char* path) = 0;
  virtual StatusCode GetDiskFree(uint64_t* bytesOut) = 0;
  virtual StatusCode SetFileTimes(const char* path, uint32_t created, uint32_t modified) = 0;
};

struct IMemStream : IBase {
  // Returns the block's address (not a status code); the block stays the stream's.
  virtual void* GetBuffer(uint32_t* sizeOut) = 0;
  // copy != 0: the stream copies length bytes of data into its own block.
  // copy == 0: the stream adopts data (length bytes, from the runtime's
  // allocator, zk_malloc) as its block and frees it when it grows or dies;
  // the block it held before is no longer the stream's and passes to the
  // caller, who must have taken it with GetBuffer to free it.
  virtual StatusCode SetBuffer(void* data, uint32_t length, int32_t copy) = 0;
};

// A container of numbered streams ("flows") inside one container stream.
// Flows are handed out as stream.IFileStrem objects that keep the
// container alive.
struct IFlowControl : IBase {
  // The number after the highest flow number, or 1 when there is no flow
  // (a plain number, not a status code).
  virtual uint32_t NextFlowNumber() = 0;
  virtual StatusCode Detach() = 0;
  // blockCount: the block limit (0 none) of storage.DynFlowCtrl, the fixed
  // block count of the static containers, whose second stream is unused.
  virtual StatusCode Create(IFileStrem* containerStream, IFileStrem* workStream, uint32_t blockCount,
                            uint32_t prefixBytes, uint32_t sectorsPerBlock) = 0;
  virtual StatusCode CreateFlow(uint32_t number, IFileStrem** streamOut) = 0;
  virtual StatusCode DeleteFlow(uint32_t number) = 0;
  virtual StatusCode GetInfo(uint32_t* sectorsOut, uint32_t* blockCountOut, uint32_t* freeBlocksOut,
                             uint32_t* flowCountOut) = 0;
  // inPlace (storage.DynFlowCtrl) or readOnly (static containers): non-zero
  // refuses writing and truncating.
  virtual StatusCode Open(IFileStrem* containerStream, IFileStrem* workStream, int32_t inPlace,
                          uint32_t prefixBytes) = 0;
  virtual StatusCode OpenFlow(uint32_t number, IFileStrem** streamOut) = 0;
  virtual StatusCode Pack() = 0;
};

}  // namespace zk
