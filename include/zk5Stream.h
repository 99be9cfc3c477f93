// Stream interfaces: stream.IStream, stream.IFileStrem (spelled so),
// stream.IFileSystem, stream.IMemStream and stream.IFlowControl. 64-bit sizes and positions are
// passed as one 64-bit value (unsigned; seek offsets signed).
//
// Each operation says what it returns and the codes it fails with (names
// of zk5Status.h). The streams behind these interfaces are the file stream
// of fos.FileSys, storage.MemStream and the flows of the flow containers;
// where they differ, the line says so. A flow whose container was detached
// gives kNotFound to every operation.
#pragma once
#include <cstdint>

#include "zk5Base.h"

namespace zk {

struct IStream : IBase {
  // kOk while data remains to be read; kEndOfStream at the end (a file
  // stream also on a closed or failing descriptor).
  virtual StatusCode IsEnd() = 0;
  // Reads up to size bytes, the count read (0 at the end) in gotOut when
  // given; kInvalidArg null buffer, kReadError, kInvalidFormat a damaged
  // flow chain.
  virtual StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) = 0;
  // Writes all length bytes; kInvalidArg null data, kWriteError, kNoMemory
  // (memory stream cannot grow); a flow also kTooMuch beyond its largest
  // size, kNotExecuted read-only, and for a full container kWriteError
  // (dynamic) or kNotFound (static).
  virtual StatusCode Write(const void* data, uint32_t length) = 0;
  // Ends the use of the medium (a memory stream only shrinks its block and
  // stays usable); always kOk.
  virtual StatusCode Close() = 0;
  // Copies count bytes (0: to the end) from source in 64 KiB pieces; kOk
  // also when the source holds less; kInvalidArg null source, else the
  // first read or write error met.
  virtual StatusCode CopyFrom(IStream* source, uint64_t count) = 0;
};

enum SeekOrigin : int32_t { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

struct IFileStrem : IStream {
  // Writes buffered data through to the medium; kWriteError.
  virtual StatusCode Commit() = 0;
  // The size in bytes; kInvalidArg null out, kNotOpen a closed file,
  // kReadError.
  virtual StatusCode GetSize(uint64_t* sizeOut) = 0;
  // The read and write position; kInvalidArg null out, kNotOpen a closed
  // file, kReadError.
  virtual StatusCode GetPosition(uint64_t* positionOut) = 0;
  // Moves the position (kSeekEnd: a file stream adds offset to the size,
  // the memory stream and flows count it back from the end); kInvalidArg
  // bad origin or a target outside the stream (the position stays),
  // kNotOpen a closed file.
  virtual StatusCode Seek(int64_t offset, int32_t origin) = 0;
  // Makes the position the end; kWriteError (also a closed file),
  // kNotExecuted a read-only flow.
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

// Names handed out (nameOut) are toolkit strings the caller frees with
// zk_free. A stream already in streamOut is released first; when no
// memory is left for a stream, streamOut is null and the result kOk.
struct IFileSystem : IBase {
  // Makes one folder; kInvalidArg null path, kFatal when it cannot be made.
  virtual StatusCode MakeDir(const char* path) = 0;
  // Opens path created and truncated (oflag plus kOpenCreate and
  // kOpenTruncate) with permission mode pmode; kInvalidArg null argument,
  // kCannotOpen.
  virtual StatusCode CreateFile(const char* path, int32_t oflag, int32_t pmode,
                                IFileStrem** streamOut) = 0;
  // Removes the folder and everything in it (a link: the link only);
  // kInvalidArg, kNotFound missing, kFatal a folder that cannot be entered
  // or removed, kCannotDelete a file that cannot be removed.
  virtual StatusCode RemoveDirTree(const char* path) = 0;
  // Removes one file; kInvalidArg null path, kCannotDelete.
  virtual StatusCode DeleteFile(const char* path) = 0;
  // Sets the pattern of the next search and ends the open one; kInvalidArg,
  // kNoMemory.
  virtual StatusCode SetFindMask(const char* pattern) = 0;
  // The next file (not folder) of the search, with its record when given;
  // kInvalidArg null nameOut, kNotFound no further entry.
  virtual StatusCode FindNextFile(char** nameOut, FindRecord* recordOut) = 0;
  // The next folder of the search ("." and ".." included); kInvalidArg,
  // kNotFound no further entry.
  virtual StatusCode FindNextDir(char** nameOut) = 0;
  // The process's current folder; kInvalidArg, kFatal when it cannot be
  // read.
  virtual StatusCode GetCurrentDir(char** nameOut) = 0;
  // The file's size; kInvalidArg null argument or a status that cannot be
  // read.
  virtual StatusCode GetFileSize(const char* path, uint64_t* sizeOut) = 0;
  // The file's creation and modification times; kInvalidArg as GetFileSize.
  virtual StatusCode GetFileTimes(const char* path, uint32_t* createdOut, uint32_t* modifiedOut) = 0;
  // A fresh name for a temporary file in $TMPDIR or /tmp; kInvalidArg,
  // kNoMemory.
  virtual StatusCode MakeTempName(char** nameOut) = 0;
  // Opens an existing path with oflag; kInvalidArg null argument,
  // kCannotOpen.
  virtual StatusCode OpenFile(const char* path, int32_t oflag, IFileStrem** streamOut) = 0;
  // Changes the current folder; kInvalidArg null path, else kOk whether or
  // not the change succeeded.
  virtual StatusCode ChangeDir(const char* path) = 0;
  // Free bytes of the current folder's file system; kInvalidArg,
  // kNotExecuted when the query fails (bytesOut 0).
  virtual StatusCode GetDiskFree(uint64_t* bytesOut) = 0;
  // Sets the file's times; kInvalidArg null path or a file that cannot be
  // opened for writing.
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
  // kNoMemory when the copy's block cannot be had (nothing changed).
  virtual StatusCode SetBuffer(void* data, uint32_t length, int32_t copy) = 0;
};

// A container of numbered streams ("flows") inside one container stream.
// Flows are handed out as stream.IFileStrem objects that keep the
// container alive.
struct IFlowControl : IBase {
  // The number after the highest flow number, or 1 when there is no flow
  // (a plain number, not a status code).
  virtual uint32_t NextFlowNumber() = 0;
  // Lets go of both streams and every table (live flows then give
  // kNotFound); always kOk.
  virtual StatusCode Detach() = 0;
  // Lays out a new empty container; blockCount: the block limit (0 none) of
  // storage.DynFlowCtrl, the fixed block count of the static containers,
  // whose second stream is unused. kInvalidArg null stream, no sectors (a
  // static one: no blocks, or too many), kNoMemory, or the streams' write
  // errors.
  virtual StatusCode Create(IFileStrem* containerStream, IFileStrem* workStream, uint32_t blockCount,
                            uint32_t prefixBytes, uint32_t sectorsPerBlock) = 0;
  // Adds flow number and opens it; kInvalidArg null out or a number too
  // large, kNotInitialized nothing attached, kAlreadyExists, kTooMuch no
  // room for another flow, kNotExecuted read-only.
  virtual StatusCode CreateFlow(uint32_t number, IFileStrem** streamOut) = 0;
  // Removes a closed flow and frees its blocks; kNotFound, kInUse while a
  // stream of it is alive, kNotExecuted read-only.
  virtual StatusCode DeleteFlow(uint32_t number) = 0;
  // Sectors per block, block limit or count, free blocks and flow count;
  // kOk.
  virtual StatusCode GetInfo(uint32_t* sectorsOut, uint32_t* blockCountOut, uint32_t* freeBlocksOut,
                             uint32_t* flowCountOut) = 0;
  // Attaches an existing container; inPlace (storage.DynFlowCtrl) or
  // readOnly (static containers): non-zero refuses writing and truncating.
  // kInvalidArg null stream, kReadError short data, kInvalidFormat
  // inconsistent tables, kNoMemory; on failure nothing stays attached.
  virtual StatusCode Open(IFileStrem* containerStream, IFileStrem* workStream, int32_t inPlace,
                          uint32_t prefixBytes) = 0;
  // Opens an existing flow; kInvalidArg null out, kNotFound.
  virtual StatusCode OpenFlow(uint32_t number, IFileStrem** streamOut) = 0;
  // Writes the container back, compacted (the static containers write as
  // they go: always kOk); kNotInitialized nothing attached, kNotExecuted
  // in place, or the streams' errors.
  virtual StatusCode Pack() = 0;
};

}  // namespace zk
