// Flow containers: numbered byte streams ("flows") kept in chained blocks of
// one stream. FlowCore holds what every container shares (the directory, the
// chain table, the used-block bitmap, the open-flow table) and serves the
// flow streams' operations; each container class adds its stored layout.
#pragma once
#include <cstdint>
#include <vector>

#include "ByteOrder.h"
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zk {

// local.fos.FlowProvider: the ten file stream operations, each on the
// open-flow handle that a flow stream holds.
struct IFlowProvider : IBase {
  virtual StatusCode IsEnd(uint32_t handle) = 0;
  virtual StatusCode Read(uint32_t handle, void* buffer, uint32_t size, uint32_t* gotOut) = 0;
  virtual StatusCode Write(uint32_t handle, const void* data, uint32_t length) = 0;
  virtual StatusCode Close(uint32_t handle) = 0;
  virtual StatusCode CopyFrom(uint32_t handle, IStream* source, uint64_t count) = 0;
  virtual StatusCode Commit(uint32_t handle) = 0;
  virtual StatusCode GetSize(uint32_t handle, uint64_t* sizeOut) = 0;
  virtual StatusCode GetPosition(uint32_t handle, uint64_t* positionOut) = 0;
  virtual StatusCode Seek(uint32_t handle, int64_t offset, int32_t origin) = 0;
  virtual StatusCode SetEnd(uint32_t handle) = 0;
};

// local.fos.FlowStream: one open flow. It holds a reference on its
// container, so the container lives as long as any of its flow streams.
class FlowStream final : public ToolkitObject<FlowStream, IFileStrem> {
 public:
  static constexpr const char* kClassId = id::LocalFlowStream;
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIStream, 0}, {id::StreamIFileStrem, 0}};

  ~FlowStream();
  void Bind(IFlowProvider* provider, uint32_t handle);

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
  IFlowProvider* provider_ = nullptr;
  uint32_t handle_ = 0;
};

class FlowCore {
 public:
  static constexpr uint32_t kEnd = 0xFFFFFFFF;  // chain entry of a flow's last block; no first block

  struct Flow {
    uint32_t number;
    uint32_t first;   // 1-based block number, or kEnd
    uint64_t size;
    uint32_t blocks;  // length of the flow's chain
  };

  uint32_t NextNumber() const { return dir_.empty() ? 1 : dir_.back().number + 1; }
  StatusCode NewFlow(uint32_t number, IFileStrem** streamOut);
  StatusCode OpenExisting(uint32_t number, IFileStrem** streamOut);
  StatusCode RemoveFlow(uint32_t number);
  StatusCode Info(uint32_t* sectorsOut, uint32_t* blockCountOut, uint32_t* freeBlocksOut,
                  uint32_t* flowCountOut) const;
  // Releases the streams and forgets every table. Handles are never reused,
  // so a flow stream left from before answers -6 from then on.
  void Reset();

  StatusCode FlowIsEnd(uint32_t handle);
  StatusCode FlowRead(uint32_t handle, void* buffer, uint32_t size, uint32_t* gotOut);
  StatusCode FlowWrite(uint32_t handle, const void* data, uint32_t length);
  StatusCode FlowClose(uint32_t handle);
  StatusCode FlowCopyFrom(uint32_t handle, IStream* source, uint64_t count);
  StatusCode FlowGetSize(uint32_t handle, uint64_t* sizeOut);
  StatusCode FlowGetPosition(uint32_t handle, uint64_t* positionOut);
  StatusCode FlowSeek(uint32_t handle, int64_t offset, int32_t origin);
  StatusCode FlowSetEnd(uint32_t handle);

 protected:
  FlowCore() = default;
  virtual ~FlowCore();
  FlowCore(const FlowCore&) = delete;
  FlowCore& operator=(const FlowCore&) = delete;

  // What a container adds.
  virtual IFlowProvider* Provider() = 0;
  // Blocks that can still be added when none is free, and the code given
  // when a write needs more than there are.
  virtual uint64_t SpareBlocks() const = 0;
  virtual StatusCode FullCode() const = 0;
  // Writes the changed parts of the stored tables (nothing for a container
  // that stores them only when packed).
  virtual StatusCode Store() { return kOk; }
  virtual bool StoresTables() const { return false; }
  virtual uint64_t MaxFlowSize() const { return UINT64_MAX; }
  virtual uint32_t MaxFlowNumber() const { return UINT32_MAX; }
  virtual uint64_t MaxFlows() const { return UINT64_MAX; }
  virtual uint32_t InfoBlockCount() const = 0;
  virtual bool SeekFits(int32_t origin, uint64_t target) const;

  // Sets the block geometry (block size = sectors × 512).
  void SetGeometry(uint32_t sectors, uint32_t prefixBytes) {
    sectors_ = sectors;
    blockSize_ = uint64_t(sectors) * 512;
    prefix_ = prefixBytes;
  }
  // Takes a directory and chain table as read from a container, checks that
  // they are consistent (-14 when not) and makes them the current ones.
  StatusCode Install(std::vector<Flow>&& dir, std::vector<uint32_t>&& chain);
  // Appends a used block with the entry kEnd; its number is the new count.
  StatusCode AppendEntry(uint32_t* blockOut);
  // Reads or writes bytes of the block area (offset from its start).
  StatusCode ReadAt(uint64_t offset, void* buffer, uint32_t size);
  StatusCode WriteAt(uint64_t offset, const void* data, uint32_t length);
  StatusCode WriteZerosAt(uint64_t offset, uint64_t count);
  // Asks a caller's stream for stream.IFileStrem into held.
  static StatusCode Hold(IFileStrem* stream, IFileStrem** held);
  // Reads count bytes from the stream's position, growing out piece by
  // piece (so a damaged count cannot ask for more memory than the stream
  // holds); -104 when the stream ends first.
  static StatusCode ReadBytes(IFileStrem* stream, uint64_t count, std::vector<uint8_t>& out);
  // Copies count bytes from the position of one stream to that of another; -104 when short.
  static StatusCode CopyBytes(IFileStrem* from, IFileStrem* to, uint64_t count);
  static StatusCode WriteZeros(IFileStrem* stream, uint64_t count);

  // Changed parts of the tables since the last Store.
  struct Dirty {
    bool header = false;
    size_t dirFrom = SIZE_MAX, dirTo = 0;      // record indexes
    size_t chainFrom = SIZE_MAX, chainTo = 0;  // entry indexes
  };

  uint32_t sectors_ = 0;
  uint64_t blockSize_ = 0;
  uint32_t prefix_ = 0;
  uint32_t limit_ = 0;  // block limit (0 none)
  bool readOnly_ = false;
  bool attached_ = false;
  IFileStrem* container_ = nullptr;
  IFileStrem* work_ = nullptr;
  IFileStrem* blocks_ = nullptr;  // the stream holding the blocks (not held)
  uint64_t blockStart_ = 0;       // where the blocks begin in blocks_
  std::vector<Flow> dir_;         // ascending flow number
  std::vector<uint32_t> chain_;   // entry n - 1 belongs to block n
  uint32_t free_ = 0;             // blocks whose entry is 0
  Dirty dirty_;

 private:
  struct OpenEntry {
    uint32_t handle;
    uint32_t number;
    uint64_t position;
    // Where the last access ended, so that going on from there does not
    // walk the chain from the start again: block cursorBlock holds the
    // cursorIndex-th block of the flow, cursorPrev the one before it.
    uint64_t cursorGen;
    uint64_t cursorIndex;
    uint32_t cursorBlock;
    uint32_t cursorPrev;
  };

  OpenEntry* FindHandle(uint32_t handle);
  Flow* FindFlow(uint32_t number);
  StatusCode Lookup(uint32_t handle, OpenEntry** open, Flow** flow);
  StatusCode AddHandle(uint32_t number, IFileStrem** streamOut);
  bool IsBlock(uint32_t block) const { return block >= 1 && block <= chain_.size(); }
  StatusCode Walk(const Flow& flow, const OpenEntry* open, uint64_t position, uint32_t* block,
                  uint32_t* prev);
  void Remember(OpenEntry& open, uint64_t index, uint32_t block, uint32_t prev);
  StatusCode Allocate(uint32_t* blockOut);
  StatusCode FreeChain(uint32_t block);
  void SetEntry(uint32_t block, uint32_t value);
  void TouchFlow(size_t index);
  void MarkUsed(uint32_t block) { used_[(block - 1) >> 5] |= 1u << ((block - 1) & 31); }
  void MarkFree(uint32_t block) { used_[(block - 1) >> 5] &= ~(1u << ((block - 1) & 31)); }
  StatusCode SaveChanges();

  std::vector<uint32_t> used_;  // bit n - 1 for block n
  uint32_t freeHint_ = 0;       // no free block lies below this index
  std::vector<OpenEntry> open_;  // ascending handle
  uint32_t lastHandle_ = 0;     // kept for the object's life
  uint64_t generation_ = 1;     // changes whenever blocks are freed
};

// The shared half of a container class: the object base with the two
// interface tables, forwarding to FlowCore (or a class built on it).
template <class Self, class Core = FlowCore>
class FlowContainer : public ToolkitObject<Self, IFlowControl, IFlowProvider>, protected Core {
 public:
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFlowControl, 0}, {id::LocalFlowProvider, 1}};

  uint32_t NextFlowNumber() override { return this->NextNumber(); }
  StatusCode Detach() override {
    this->Reset();
    return kOk;
  }
  StatusCode CreateFlow(uint32_t number, IFileStrem** streamOut) override { return this->NewFlow(number, streamOut); }
  StatusCode DeleteFlow(uint32_t number) override { return this->RemoveFlow(number); }
  StatusCode GetInfo(uint32_t* sectorsOut, uint32_t* blockCountOut, uint32_t* freeBlocksOut,
                     uint32_t* flowCountOut) override {
    return this->Info(sectorsOut, blockCountOut, freeBlocksOut, flowCountOut);
  }
  StatusCode OpenFlow(uint32_t number, IFileStrem** streamOut) override { return this->OpenExisting(number, streamOut); }

  StatusCode IsEnd(uint32_t h) override { return this->FlowIsEnd(h); }
  StatusCode Read(uint32_t h, void* buffer, uint32_t size, uint32_t* gotOut) override {
    return this->FlowRead(h, buffer, size, gotOut);
  }
  StatusCode Write(uint32_t h, const void* data, uint32_t length) override { return this->FlowWrite(h, data, length); }
  StatusCode Close(uint32_t h) override { return this->FlowClose(h); }
  StatusCode CopyFrom(uint32_t h, IStream* source, uint64_t count) override {
    return this->FlowCopyFrom(h, source, count);
  }
  StatusCode Commit(uint32_t) override { return kOk; }
  StatusCode GetSize(uint32_t h, uint64_t* sizeOut) override { return this->FlowGetSize(h, sizeOut); }
  StatusCode GetPosition(uint32_t h, uint64_t* positionOut) override { return this->FlowGetPosition(h, positionOut); }
  StatusCode Seek(uint32_t h, int64_t offset, int32_t origin) override { return this->FlowSeek(h, offset, origin); }
  StatusCode SetEnd(uint32_t h) override { return this->FlowSetEnd(h); }

 protected:
  ~FlowContainer() { this->Reset(); }
  IFlowProvider* Provider() override { return this; }
};

}  // namespace zk
