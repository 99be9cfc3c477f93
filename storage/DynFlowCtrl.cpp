// storage.DynFlowCtrl: flows in chained blocks of k × 512 bytes. While a
// container is worked on, its blocks live in a working stream; Pack writes
// the whole container back, compacted, into the container stream.
//
// Stored, every field u32 little-endian:
//   prefix (the caller's bytes)
//   header    flow count, block count, block limit (0 none), sectors per block
//   directory per flow, ascending: number, first block (1-based, FFFFFFFF
//             none), size low half, size high half
//   chain     entry count, then one entry per block: the flow's next block,
//             FFFFFFFF at its last, 0 free (written by Pack; absent while
//             the block count is 0)
//   blocks    block n at (n - 1) × block size
#include <new>

#include "FlowCore.h"

namespace zk {
namespace {

constexpr uint32_t kHeaderBytes = 16;
constexpr uint32_t kRecordBytes = 16;

class DynFlowCtrl final : public FlowContainer<DynFlowCtrl> {
 public:
  static constexpr const char* kClassId = id::StorageDynFlowCtrl;

  StatusCode Create(IFileStrem* container, IFileStrem* work, uint32_t blockLimit, uint32_t prefixBytes,
                    uint32_t sectorsPerBlock) override {
    if (!container || !work || sectorsPerBlock == 0) return kInvalidArg;
    Reset();
    StatusCode st = HoldBoth(container, work);
    if (st == kOk) st = container_->Seek(0, kSeekSet);
    if (st == kOk) st = WriteZeros(container_, prefixBytes);
    if (st == kOk) {
      uint8_t header[kHeaderBytes] = {};
      StoreLE32(header + 8, blockLimit);
      StoreLE32(header + 12, sectorsPerBlock);
      st = container_->Write(header, sizeof header);
    }
    if (st != kOk) {
      Reset();
      return st;
    }
    SetGeometry(sectorsPerBlock, prefixBytes);
    limit_ = blockLimit;
    blocks_ = work_;
    attached_ = true;
    return kOk;
  }

  StatusCode Open(IFileStrem* container, IFileStrem* work, int32_t inPlace, uint32_t prefixBytes) override {
    if (!container || !work) return kInvalidArg;
    Reset();
    StatusCode st = Load(container, work, inPlace != 0, prefixBytes);
    if (st != kOk) Reset();
    return st;
  }

  StatusCode Pack() override {
    if (!attached_) return kNotInitialized;
    if (readOnly_) return kNotExecuted;
    const uint32_t n = static_cast<uint32_t>(chain_.size());
    std::vector<uint32_t> renumbered;
    std::vector<uint8_t> table;
    if (StatusCode failed = Guard([&]() -> StatusCode {
      // A used block's new number is its rank among the used blocks.
      renumbered.assign(size_t(n) + 1, 0);
      uint32_t used = 0;
      for (uint32_t b = 1; b <= n; ++b) {
        if (chain_[b - 1] != 0) renumbered[b] = ++used;
      }
      auto renumber = [&](uint32_t b) { return b == kEnd ? kEnd : renumbered[b]; };
      table.assign(kHeaderBytes + size_t(kRecordBytes) * dir_.size() + 4 + size_t(4) * used, 0);
      uint8_t* p = table.data();
      StoreLE32(p, static_cast<uint32_t>(dir_.size()));
      StoreLE32(p + 4, used);
      StoreLE32(p + 8, limit_);
      StoreLE32(p + 12, sectors_);
      p += kHeaderBytes;
      for (const Flow& f : dir_) {
        StoreLE32(p, f.number);
        StoreLE32(p + 4, renumber(f.first));
        StoreLE64(p + 8, f.size);
        p += kRecordBytes;
      }
      StoreLE32(p, used);
      p += 4;
      for (uint32_t e : chain_) {
        if (e == 0) continue;
        StoreLE32(p, renumber(e));
        p += 4;
      }
      return kOk;
    }))
      return failed;
    StatusCode st = container_->Seek(prefix_, kSeekSet);
    if (st == kOk) st = container_->Write(table.data(), static_cast<uint32_t>(table.size()));
    // Runs of used blocks are copied in order; free blocks are left out.
    for (uint32_t b = 1; st == kOk && b <= n;) {
      if (chain_[b - 1] == 0) {
        ++b;
        continue;
      }
      uint32_t from = b;
      while (b <= n && chain_[b - 1] != 0) ++b;
      st = work_->Seek(static_cast<int64_t>((from - 1) * blockSize_), kSeekSet);
      if (st == kOk) st = CopyBytes(work_, container_, (b - from) * blockSize_);
    }
    if (st == kOk) st = container_->SetEnd();
    return st;
  }

 protected:
  uint64_t SpareBlocks() const override {
    const uint64_t cap = limit_ != 0 ? limit_ : kEnd - 1;
    return cap > chain_.size() ? cap - chain_.size() : 0;
  }
  StatusCode FullCode() const override { return kWriteError; }
  uint32_t InfoBlockCount() const override { return limit_; }

 private:
  // Holds both streams; one stream cannot serve as both.
  StatusCode HoldBoth(IFileStrem* container, IFileStrem* work) {
    StatusCode st = Hold(container, &container_);
    if (st == kOk) st = Hold(work, &work_);
    if (st == kOk && container_ == work_) st = kInvalidArg;
    if (st != kOk) Reset();
    return st;
  }

  StatusCode Load(IFileStrem* container, IFileStrem* work, bool inPlace, uint32_t prefixBytes) {
    StatusCode st = HoldBoth(container, work);
    if (st != kOk) return st;
    if (container_->Seek(prefixBytes, kSeekSet) != kOk) return kReadError;
    std::vector<uint8_t> bytes;
    st = ReadBytes(container_, kHeaderBytes, bytes);
    if (st != kOk) return st;
    const uint32_t flowCount = LoadLE32(&bytes[0]);
    const uint32_t blockCount = LoadLE32(&bytes[4]);
    const uint32_t limit = LoadLE32(&bytes[8]);
    const uint32_t sectors = LoadLE32(&bytes[12]);
    if (sectors == 0) return kInvalidFormat;
    SetGeometry(sectors, prefixBytes);
    limit_ = limit;

    std::vector<Flow> dir;
    st = ReadBytes(container_, uint64_t(flowCount) * kRecordBytes, bytes);
    if (st != kOk) return st;
    if (StatusCode failed = Guard([&]() -> StatusCode {
      dir.reserve(flowCount);
      for (uint32_t i = 0; i < flowCount; ++i) {
        const uint8_t* r = &bytes[size_t(i) * kRecordBytes];
        dir.push_back(Flow{LoadLE32(r), LoadLE32(r + 4), LoadLE64(r + 8), 0});
      }
      return kOk;
    }))
      return failed;
    uint64_t tables = kHeaderBytes + uint64_t(flowCount) * kRecordBytes;
    std::vector<uint32_t> chain;
    if (blockCount != 0) {
      st = ReadBytes(container_, 4, bytes);
      if (st != kOk) return st;
      if (LoadLE32(bytes.data()) != blockCount) return kInvalidFormat;
      st = ReadBytes(container_, uint64_t(blockCount) * 4, bytes);
      if (st != kOk) return st;
      if (StatusCode failed = Guard([&]() -> StatusCode {
        chain.resize(blockCount);
        return kOk;
      }))
        return failed;
      for (uint32_t i = 0; i < blockCount; ++i) chain[i] = LoadLE32(&bytes[size_t(i) * 4]);
      tables += 4 + uint64_t(blockCount) * 4;
    }
    const uint64_t start = prefixBytes + tables;
    if (blockCount > (uint64_t(INT64_MAX) - start) / blockSize_) return kInvalidFormat;
    st = Install(std::move(dir), std::move(chain));
    if (st != kOk) return st;
    const uint64_t area = blockCount * blockSize_;
    if (inPlace) {
      uint64_t size = 0;
      if (container_->GetSize(&size) == kOk && size < start + area) return kReadError;
      readOnly_ = true;
      blocks_ = container_;
      blockStart_ = start;
    } else {
      st = work_->Seek(0, kSeekSet);
      if (st == kOk) st = CopyBytes(container_, work_, area);
      if (st != kOk) return st;
      blocks_ = work_;
    }
    attached_ = true;
    return kOk;
  }
};

}  // namespace
}  // namespace zk

using zk::DynFlowCtrl;
ZK_REGISTER_CLASS(DynFlowCtrl)
