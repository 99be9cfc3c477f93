// The static flow containers: a fixed number of blocks laid out once by
// Create and written in place, with no working stream and no packing. The
// five classes differ only in their field widths:
//
//   class         header   directory record                         chain
//   8x16          3 × u8   u8 number, u8 first, u16 size            u8
//   8x32          3 × u8   u8 number, u8 first, 2 reserved, u32 size u8
//   6x16          3 × u16  u16 number, u16 first, u16 size          u16
//   16x32         3 × u16  u16 number, u16 first, u32 size          u16
//   32x32         3 × u32  u32 number, u32 first, u32 size          u32
//
// Stored, little-endian:
//   prefix (the caller's bytes)
//   header     flow count, block count, sectors per block
//   directory  room for block-count records; the first flow-count ones
//              hold the flows in ascending number, the rest are zeros
//   chain      block-count entries: next block, all ones at a flow's last
//              block, 0 free
//   blocks     block n at (n - 1) × block size
// The directory and chain are written back after every change, so what
// Create lays out, Open reads.
#include "FlowCore.h"

namespace zk {
namespace {

struct StaticLayout {
  unsigned width;      // header fields, flow numbers, block numbers, chain entries
  unsigned sizeWidth;  // the flow size field
  unsigned reserved;   // bytes between first block and size
  bool seek15;         // a seek from the current position must stay below 2^15
};

class StaticCore : public FlowCore {
 protected:
  StatusCode CreateStatic(IFileStrem* container, uint32_t blockCount, uint32_t prefixBytes, uint32_t sectors) {
    if (!container || blockCount == 0 || sectors == 0) return kInvalidArg;
    if (blockCount > MaxBlocks() || sectors > FieldMax()) return kInvalidArg;
    const uint64_t blockSize = uint64_t(sectors) * 512;
    const uint64_t start = TablesEnd(prefixBytes, blockCount);
    if (blockSize > (uint64_t(INT64_MAX) - start) / blockCount) return kInvalidArg;
    Reset();
    StatusCode st = Hold(container, &container_);
    if (st != kOk) return st;
    st = container_->Seek(0, kSeekSet);
    if (st == kOk) st = WriteZeros(container_, prefixBytes);
    if (st == kOk) {
      uint8_t header[12] = {};
      StoreLE(header + layout_.width, layout_.width, blockCount);
      StoreLE(header + 2 * layout_.width, layout_.width, sectors);
      st = container_->Write(header, 3 * layout_.width);
    }
    if (st == kOk) st = WriteZeros(container_, start - prefixBytes - 3 * layout_.width);
    if (st == kOk) st = WriteZeros(container_, blockCount * blockSize);
    if (st == kOk) {
      SetGeometry(sectors, prefixBytes);
      st = Guard([&] { return Install({}, std::vector<uint32_t>(blockCount, 0)); });
    }
    if (st != kOk) {
      Reset();
      return st;
    }
    blocks_ = container_;
    blockStart_ = start;
    attached_ = true;
    return kOk;
  }

  StatusCode OpenStatic(IFileStrem* container, bool readOnly, uint32_t prefixBytes) {
    if (!container) return kInvalidArg;
    Reset();
    StatusCode st = Load(container, readOnly, prefixBytes);
    if (st != kOk) Reset();
    return st;
  }

  uint64_t SpareBlocks() const override { return 0; }
  StatusCode FullCode() const override { return kNotFound; }
  bool StoresTables() const override { return true; }
  uint64_t MaxFlowSize() const override { return layout_.sizeWidth == 4 ? 0xFFFFFFFFu : 0xFFFFu; }
  uint32_t MaxFlowNumber() const override { return FieldMax(); }
  // The directory has room for as many flows as there are blocks.
  uint64_t MaxFlows() const override { return chain_.size(); }
  uint32_t InfoBlockCount() const override { return static_cast<uint32_t>(chain_.size()); }
  bool SeekFits(int32_t origin, uint64_t target) const override {
    return !(layout_.seek15 && origin == kSeekCur && target > 0x7FFF);
  }

  StatusCode Store() override {
    const unsigned w = layout_.width;
    const size_t room = chain_.size();
    StatusCode st = kOk;
    if (dirty_.header) {
      uint8_t count[4];
      StoreLE(count, w, static_cast<uint32_t>(dir_.size()));
      st = WriteTable(prefix_, count, w);
    }
    if (st == kOk && dirty_.dirFrom < dirty_.dirTo) {
      const size_t from = dirty_.dirFrom, to = std::min(dirty_.dirTo, room);
      if (from < to) {
        std::vector<uint8_t> bytes((to - from) * RecordBytes(), 0);
        for (size_t i = from; i < to && i < dir_.size(); ++i) {
          uint8_t* r = &bytes[(i - from) * RecordBytes()];
          StoreLE(r, w, dir_[i].number);
          StoreLE(r + w, w, Field(dir_[i].first));
          StoreLE(r + 2 * w + layout_.reserved, layout_.sizeWidth, static_cast<uint32_t>(dir_[i].size));
        }
        st = WriteTable(DirAt() + from * RecordBytes(), bytes.data(), bytes.size());
      }
    }
    if (st == kOk && dirty_.chainFrom < dirty_.chainTo) {
      const size_t from = dirty_.chainFrom, to = dirty_.chainTo;
      std::vector<uint8_t> bytes((to - from) * w);
      for (size_t i = from; i < to; ++i) StoreLE(&bytes[(i - from) * w], w, Field(chain_[i]));
      st = WriteTable(ChainAt() + from * w, bytes.data(), bytes.size());
    }
    return st;
  }

  StaticLayout layout_{};

 private:
  uint32_t FieldMax() const { return layout_.width == 4 ? 0xFFFFFFFFu : (1u << (8 * layout_.width)) - 1; }
  // The all-ones value is the end marker, so block numbers stop below it.
  uint32_t MaxBlocks() const { return FieldMax() - 1; }
  unsigned RecordBytes() const { return 2 * layout_.width + layout_.reserved + layout_.sizeWidth; }
  uint64_t DirAt() const { return uint64_t(prefix_) + 3 * layout_.width; }
  uint64_t ChainAt() const { return DirAt() + chain_.size() * RecordBytes(); }
  uint64_t TablesEnd(uint32_t prefixBytes, uint32_t blockCount) const {
    return uint64_t(prefixBytes) + 3 * layout_.width + uint64_t(blockCount) * (RecordBytes() + layout_.width);
  }
  uint32_t Field(uint32_t block) const { return block == kEnd ? FieldMax() : block; }
  uint32_t Block(uint32_t field) const { return field == FieldMax() ? kEnd : field; }

  StatusCode WriteTable(uint64_t at, const uint8_t* bytes, size_t length) {
    StatusCode st = container_->Seek(static_cast<int64_t>(at), kSeekSet);
    return st == kOk ? container_->Write(bytes, static_cast<uint32_t>(length)) : st;
  }

  StatusCode Load(IFileStrem* container, bool readOnly, uint32_t prefixBytes) {
    StatusCode st = Hold(container, &container_);
    if (st != kOk) return st;
    const unsigned w = layout_.width;
    if (container_->Seek(prefixBytes, kSeekSet) != kOk) return kReadError;
    std::vector<uint8_t> bytes;
    st = ReadBytes(container_, 3 * w, bytes);
    if (st != kOk) return st;
    const uint32_t flowCount = LoadLE(&bytes[0], w);
    const uint32_t blockCount = LoadLE(&bytes[w], w);
    const uint32_t sectors = LoadLE(&bytes[2 * w], w);
    if (sectors == 0 || blockCount > MaxBlocks() || flowCount > blockCount) return kInvalidFormat;
    SetGeometry(sectors, prefixBytes);
    const uint64_t start = TablesEnd(prefixBytes, blockCount);
    if (blockCount > (uint64_t(INT64_MAX) - start) / blockSize_) return kInvalidFormat;

    std::vector<Flow> dir;
    st = ReadBytes(container_, uint64_t(flowCount) * RecordBytes(), bytes);
    if (st != kOk) return st;
    if (StatusCode failed = Guard([&]() -> StatusCode {
      dir.reserve(flowCount);
      for (uint32_t i = 0; i < flowCount; ++i) {
        const uint8_t* r = &bytes[size_t(i) * RecordBytes()];
        dir.push_back(Flow{LoadLE(r, w), Block(LoadLE(r + w, w)),
                           LoadLE(r + 2 * w + layout_.reserved, layout_.sizeWidth), 0});
      }
      return kOk;
    }))
      return failed;
    const uint64_t chainAt = DirAt() + uint64_t(blockCount) * RecordBytes();
    if (container_->Seek(static_cast<int64_t>(chainAt), kSeekSet) != kOk) return kReadError;
    st = ReadBytes(container_, uint64_t(blockCount) * w, bytes);
    if (st != kOk) return st;
    std::vector<uint32_t> chain;
    if (StatusCode failed = Guard([&]() -> StatusCode {
      chain.resize(blockCount);
      return kOk;
    }))
      return failed;
    for (uint32_t i = 0; i < blockCount; ++i) chain[i] = Block(LoadLE(&bytes[size_t(i) * w], w));
    st = Install(std::move(dir), std::move(chain));
    if (st != kOk) return st;
    uint64_t size = 0;
    if (container_->GetSize(&size) == kOk && size < start + blockCount * blockSize_) return kReadError;
    blocks_ = container_;
    blockStart_ = start;
    readOnly_ = readOnly;
    attached_ = true;
    return kOk;
  }
};

template <const char* ClassId, StaticLayout kLayout>
class StaticFlowCtrl final : public FlowContainer<StaticFlowCtrl<ClassId, kLayout>, StaticCore> {
 public:
  static constexpr const char* kClassId = ClassId;

  StaticFlowCtrl() { this->layout_ = kLayout; }

  // The second stream is not used.
  StatusCode Create(IFileStrem* container, IFileStrem*, uint32_t blockCount, uint32_t prefixBytes,
                    uint32_t sectorsPerBlock) override {
    return this->CreateStatic(container, blockCount, prefixBytes, sectorsPerBlock);
  }
  StatusCode Open(IFileStrem* container, IFileStrem*, int32_t readOnly, uint32_t prefixBytes) override {
    return this->OpenStatic(container, readOnly != 0, prefixBytes);
  }
  StatusCode Pack() override { return kOk; }
};

}  // namespace
}  // namespace zk

constexpr zk::StaticLayout kStatic8x16Layout{.width = 1, .sizeWidth = 2, .reserved = 0, .seek15 = false};
constexpr zk::StaticLayout kStatic8x32Layout{.width = 1, .sizeWidth = 4, .reserved = 2, .seek15 = false};
constexpr zk::StaticLayout kStatic6x16Layout{.width = 2, .sizeWidth = 2, .reserved = 0, .seek15 = true};
constexpr zk::StaticLayout kStatic16x32Layout{.width = 2, .sizeWidth = 4, .reserved = 0, .seek15 = false};
constexpr zk::StaticLayout kStatic32x32Layout{.width = 4, .sizeWidth = 4, .reserved = 0, .seek15 = false};
using StaticFlowCtrl8x16 = zk::StaticFlowCtrl<zk::id::StorageStaticFlowCtrl8x16, kStatic8x16Layout>;
using StaticFlowCtrl8x32 = zk::StaticFlowCtrl<zk::id::StorageStaticFlowCtrl8x32, kStatic8x32Layout>;
using StaticFlowCtrl6x16 = zk::StaticFlowCtrl<zk::id::StorageStaticFlowCtrl6x16, kStatic6x16Layout>;
using StaticFlowCtrl16x32 = zk::StaticFlowCtrl<zk::id::StorageStaticFlowCtrl16x32, kStatic16x32Layout>;
using StaticFlowCtrl32x32 = zk::StaticFlowCtrl<zk::id::StorageStaticFlowCtrl32x32, kStatic32x32Layout>;
ZK_REGISTER_CLASS(StaticFlowCtrl8x16)
ZK_REGISTER_CLASS(StaticFlowCtrl8x32)
ZK_REGISTER_CLASS(StaticFlowCtrl6x16)
ZK_REGISTER_CLASS(StaticFlowCtrl16x32)
ZK_REGISTER_CLASS(StaticFlowCtrl32x32)
