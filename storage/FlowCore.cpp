#include "FlowCore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "StreamCopy.h"

namespace zk {
namespace {

const uint8_t kZeros[65536] = {};
// Blocks up to this size are written whole when new.
constexpr uint64_t kMergedTail = 4096;

uint64_t BlocksFor(uint64_t size, uint64_t blockSize) {
  return size / blockSize + (size % blockSize != 0 ? 1 : 0);
}

// Pieces of blocks that follow each other in the block area, gathered
// into one transfer.
struct Run {
  uint64_t at = 0;      // where the run begins in the block area
  uint32_t done = 0;    // where it begins in the caller's buffer
  uint32_t length = 0;
  uint32_t lastBlock = 0;

  // Adds a piece; when it does not go on from the run, the run is handed
  // to transfer first and a new one begins.
  template <class Transfer>
  StatusCode Add(uint32_t block, uint64_t offset, uint32_t piece, uint32_t doneBefore, uint64_t blockSize,
                 Transfer&& transfer) {
    if (length > 0 && offset == 0 && block == lastBlock + 1) {
      length += piece;
    } else {
      if (length > 0) {
        StatusCode st = transfer(*this);
        if (st != kOk) return st;
      }
      at = (block - 1) * blockSize + offset;
      done = doneBefore;
      length = piece;
    }
    lastBlock = block;
    return kOk;
  }
};

}  // namespace

// ---- local.fos.FlowStream ----

FlowStream::~FlowStream() {
  if (provider_) {
    provider_->Close(handle_);
    provider_->Release();
  }
}

void FlowStream::Bind(IFlowProvider* provider, uint32_t handle) {
  provider->AddRef();
  provider_ = provider;
  handle_ = handle;
}

StatusCode FlowStream::IsEnd() { return provider_->IsEnd(handle_); }
StatusCode FlowStream::Read(void* buffer, uint32_t size, uint32_t* gotOut) {
  return provider_->Read(handle_, buffer, size, gotOut);
}
StatusCode FlowStream::Write(const void* data, uint32_t length) { return provider_->Write(handle_, data, length); }
StatusCode FlowStream::Close() { return provider_->Close(handle_); }
StatusCode FlowStream::CopyFrom(IStream* source, uint64_t count) {
  return provider_->CopyFrom(handle_, source, count);
}
StatusCode FlowStream::Commit() { return provider_->Commit(handle_); }
StatusCode FlowStream::GetSize(uint64_t* sizeOut) { return provider_->GetSize(handle_, sizeOut); }
StatusCode FlowStream::GetPosition(uint64_t* positionOut) { return provider_->GetPosition(handle_, positionOut); }
StatusCode FlowStream::Seek(int64_t offset, int32_t origin) { return provider_->Seek(handle_, offset, origin); }
StatusCode FlowStream::SetEnd() { return provider_->SetEnd(handle_); }

// ---- tables ----

FlowCore::~FlowCore() = default;

void FlowCore::Reset() {
  ReleaseAndNull(container_);
  ReleaseAndNull(work_);
  blocks_ = nullptr;
  blockStart_ = 0;
  sectors_ = 0;
  blockSize_ = 0;
  prefix_ = 0;
  limit_ = 0;
  readOnly_ = false;
  attached_ = false;
  dir_.clear();
  chain_.clear();
  used_.clear();
  open_.clear();
  free_ = 0;
  freeHint_ = 0;
  dirty_ = Dirty{};
  ++generation_;
}

StatusCode FlowCore::Hold(IFileStrem* stream, IFileStrem** held) {
  void* p = nullptr;
  StatusCode st = stream->QueryInterface(id::StreamIFileStrem, &p);
  if (st != kOk) return st == kNotImplemented ? kInvalidArg : st;
  *held = static_cast<IFileStrem*>(p);
  return kOk;
}

StatusCode FlowCore::ReadBytes(IFileStrem* stream, uint64_t count, std::vector<uint8_t>& out) {
  out.clear();
  return Guard([&]() -> StatusCode {
    while (out.size() < count) {
      size_t at = out.size();
      uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(count - at, 1u << 20));
      out.resize(at + piece);
      uint32_t got = 0;
      StatusCode st = stream->Read(out.data() + at, piece, &got);
      if (st != kOk) return st;
      if (got != piece) return kReadError;
    }
    return kOk;
  });
}

StatusCode FlowCore::CopyBytes(IFileStrem* from, IFileStrem* to, uint64_t count) {
  constexpr uint32_t kPiece = 1u << 20;
  if (count == 0) return kOk;
  // No larger than the copy needs: most copies are a few blocks.
  const uint32_t room = static_cast<uint32_t>(std::min<uint64_t>(count, kPiece));
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[room]);
  if (!buffer) return kNoMemory;
  while (count > 0) {
    uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(count, room));
    uint32_t got = 0;
    StatusCode st = from->Read(buffer.get(), piece, &got);
    if (st != kOk) return st;
    if (got != piece) return kReadError;
    st = to->Write(buffer.get(), piece);
    if (st != kOk) return st;
    count -= piece;
  }
  return kOk;
}

StatusCode FlowCore::Install(std::vector<Flow>&& dir, std::vector<uint32_t>&& chain) {
  const size_t n = chain.size();
  for (uint32_t e : chain) {
    if (e != 0 && e != kEnd && e > n) return kInvalidFormat;
  }
  std::stable_sort(dir.begin(), dir.end(), [](const Flow& a, const Flow& b) { return a.number < b.number; });
  // Every chain must end, stay inside the table, run through used entries
  // only, share no block with another chain, and cover its flow's size.
  std::vector<uint8_t> seen(n, 0);
  for (size_t i = 0; i < dir.size(); ++i) {
    Flow& f = dir[i];
    if (i > 0 && dir[i - 1].number == f.number) return kInvalidFormat;
    f.blocks = 0;
    if (f.first == kEnd) {
      if (f.size != 0) return kInvalidFormat;
      continue;
    }
    uint64_t count = 0;
    for (uint32_t b = f.first; b != kEnd; b = chain[b - 1]) {
      if (b == 0 || b > n || seen[b - 1] || chain[b - 1] == 0) return kInvalidFormat;
      seen[b - 1] = 1;
      ++count;
    }
    if (count < BlocksFor(f.size, blockSize_)) return kInvalidFormat;
    f.blocks = static_cast<uint32_t>(count);
  }
  if (StatusCode failed = Guard([&]() -> StatusCode {
    used_.assign((n + 31) / 32, 0);
    return kOk;
  }))
    return failed;
  dir_ = std::move(dir);
  chain_ = std::move(chain);
  free_ = 0;
  freeHint_ = 0;
  // Blocks stored as free (entry 0) are free again, so they are reused.
  for (uint32_t b = 1; b <= n; ++b) {
    if (chain_[b - 1] != 0) {
      MarkUsed(b);
    } else {
      ++free_;
    }
  }
  return kOk;
}

FlowCore::OpenEntry* FlowCore::FindHandle(uint32_t handle) {
  auto it = std::lower_bound(open_.begin(), open_.end(), handle,
                             [](const OpenEntry& o, uint32_t h) { return o.handle < h; });
  return it != open_.end() && it->handle == handle ? &*it : nullptr;
}

FlowCore::Flow* FlowCore::FindFlow(uint32_t number) {
  auto it = std::lower_bound(dir_.begin(), dir_.end(), number,
                             [](const Flow& f, uint32_t n) { return f.number < n; });
  return it != dir_.end() && it->number == number ? &*it : nullptr;
}

StatusCode FlowCore::Lookup(uint32_t handle, OpenEntry** open, Flow** flow) {
  *open = FindHandle(handle);
  if (!*open) return kNotFound;
  *flow = FindFlow((*open)->number);
  return *flow ? kOk : kNotFound;
}

void FlowCore::TouchFlow(size_t index) {
  dirty_.dirFrom = std::min(dirty_.dirFrom, index);
  dirty_.dirTo = std::max(dirty_.dirTo, index + 1);
}

void FlowCore::SetEntry(uint32_t block, uint32_t value) {
  chain_[block - 1] = value;
  dirty_.chainFrom = std::min<size_t>(dirty_.chainFrom, block - 1);
  dirty_.chainTo = std::max<size_t>(dirty_.chainTo, block);
}

StatusCode FlowCore::SaveChanges() {
  StatusCode st = Store();
  dirty_ = Dirty{};
  return st;
}

// ---- blocks ----

StatusCode FlowCore::AppendEntry(uint32_t* blockOut) {
  if (chain_.size() >= kEnd - 1) return kWriteError;
  if (StatusCode failed = Guard([&]() -> StatusCode {
    if (chain_.size() / 32 >= used_.size()) used_.push_back(0);
    chain_.push_back(0);
    return kOk;
  }))
    return failed;
  uint32_t block = static_cast<uint32_t>(chain_.size());
  SetEntry(block, kEnd);
  MarkUsed(block);
  *blockOut = block;
  return kOk;
}

StatusCode FlowCore::Allocate(uint32_t* blockOut) {
  if (free_ == 0) return SpareBlocks() > 0 ? AppendEntry(blockOut) : FullCode();
  // The first free block: whole used words are skipped, and the search
  // starts where no free block lies below.
  const uint32_t n = static_cast<uint32_t>(chain_.size());
  for (uint32_t w = freeHint_ >> 5; w < used_.size(); ++w) {
    if (used_[w] == 0xFFFFFFFFu) continue;
    for (uint32_t bit = 0; bit < 32; ++bit) {
      uint32_t index = (w << 5) + bit;
      if (index >= n) break;
      if (!(used_[w] & (1u << bit))) {
        uint32_t block = index + 1;
        MarkUsed(block);
        SetEntry(block, kEnd);
        --free_;
        freeHint_ = index + 1;
        *blockOut = block;
        return kOk;
      }
    }
  }
  return kInvalidFormat;  // the count of free blocks disagrees with the bitmap
}

StatusCode FlowCore::FreeChain(uint32_t block) {
  // A chain is never longer than the table; the bound stops a damaged one.
  for (size_t steps = 0; block != kEnd; ++steps) {
    if (!IsBlock(block) || steps > chain_.size()) return kInvalidArg;
    uint32_t next = chain_[block - 1];
    if (next == 0) return kInvalidFormat;
    SetEntry(block, 0);
    MarkFree(block);
    ++free_;
    freeHint_ = std::min(freeHint_, block - 1);
    block = next;
  }
  ++generation_;
  return kOk;
}

StatusCode FlowCore::ReadAt(uint64_t offset, void* buffer, uint32_t size) {
  ZK_REQUIRE(blocks_, id::StreamIFileStrem);
  StatusCode st = blocks_->Seek(static_cast<int64_t>(blockStart_ + offset), kSeekSet);
  if (st != kOk) return st;
  uint32_t got = 0;
  st = blocks_->Read(buffer, size, &got);
  if (st != kOk) return st;
  return got == size ? kOk : kReadError;
}

StatusCode FlowCore::WriteAt(uint64_t offset, const void* data, uint32_t length) {
  ZK_REQUIRE(blocks_, id::StreamIFileStrem);
  StatusCode st = blocks_->Seek(static_cast<int64_t>(blockStart_ + offset), kSeekSet);
  if (st != kOk) return st;
  return blocks_->Write(data, length);
}

StatusCode FlowCore::WriteZeros(IFileStrem* stream, uint64_t count) {
  StatusCode st = kOk;
  while (st == kOk && count > 0) {
    uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(count, sizeof kZeros));
    st = stream->Write(kZeros, piece);
    count -= piece;
  }
  return st;
}

StatusCode FlowCore::WriteZerosAt(uint64_t offset, uint64_t count) {
  ZK_REQUIRE(blocks_, id::StreamIFileStrem);
  if (count == 0) return kOk;
  StatusCode st = blocks_->Seek(static_cast<int64_t>(blockStart_ + offset), kSeekSet);
  return st == kOk ? WriteZeros(blocks_, count) : st;
}

// Finds the block that holds position (kEnd when the position is the flow's
// end on a block boundary) and the block before it (0 when none). The walk
// goes on from where the handle's last access ended when that lies on the way.
StatusCode FlowCore::Walk(const Flow& flow, const OpenEntry* open, uint64_t position, uint32_t* block,
                          uint32_t* prev) {
  const uint64_t target = position / blockSize_;
  uint64_t index = 0;
  uint32_t b = flow.first, p = 0;
  if (open && open->cursorGen == generation_ && open->cursorIndex <= target) {
    index = open->cursorIndex;
    b = open->cursorBlock;
    p = open->cursorPrev;
  }
  for (; index < target; ++index) {
    if (!IsBlock(b)) return kInvalidFormat;
    p = b;
    b = chain_[b - 1];
  }
  if (b != kEnd && (!IsBlock(b) || chain_[b - 1] == 0)) return kInvalidFormat;
  if (b == kEnd && position % blockSize_ != 0) return kInvalidFormat;
  *block = b;
  *prev = p;
  return kOk;
}

void FlowCore::Remember(OpenEntry& open, uint64_t index, uint32_t block, uint32_t prev) {
  open.cursorGen = generation_;
  open.cursorIndex = index;
  open.cursorBlock = block;
  open.cursorPrev = prev;
}

// ---- directory operations ----

StatusCode FlowCore::AddHandle(uint32_t number, IFileStrem** streamOut) {
  if (lastHandle_ == UINT32_MAX) return kTooMuch;
  FlowStream* stream = FlowStream::Create();
  if (!stream) return kOk;  // no memory for the stream: a null stream, as the factory does
  StatusCode failed = Guard([&]() -> StatusCode {
    open_.push_back(OpenEntry{lastHandle_ + 1, number, 0, 0, 0, 0, 0});
    return kOk;
  });
  if (failed != kOk) {
    stream->Release();
    return failed;
  }
  ++lastHandle_;
  stream->Bind(Provider(), lastHandle_);
  *streamOut = stream;
  return kOk;
}

StatusCode FlowCore::NewFlow(uint32_t number, IFileStrem** streamOut) {
  if (!streamOut) return kInvalidArg;
  ReleaseAndNull(*streamOut);
  if (!attached_) return kNotInitialized;
  if (readOnly_ && StoresTables()) return kNotExecuted;
  if (number > MaxFlowNumber()) return kInvalidArg;
  if (FindFlow(number)) return kAlreadyExists;
  if (dir_.size() >= MaxFlows()) return kTooMuch;
  auto it = std::lower_bound(dir_.begin(), dir_.end(), number,
                             [](const Flow& f, uint32_t n) { return f.number < n; });
  size_t index = static_cast<size_t>(it - dir_.begin());
  if (StatusCode failed = Guard([&]() -> StatusCode {
    dir_.insert(it, Flow{number, kEnd, 0, 0});
    return kOk;
  }))
    return failed;
  dirty_.header = true;
  dirty_.dirFrom = std::min(dirty_.dirFrom, index);
  dirty_.dirTo = std::max(dirty_.dirTo, dir_.size());
  StatusCode st = SaveChanges();
  if (st != kOk) return st;
  return AddHandle(number, streamOut);
}

StatusCode FlowCore::OpenExisting(uint32_t number, IFileStrem** streamOut) {
  if (!streamOut) return kInvalidArg;
  ReleaseAndNull(*streamOut);
  if (!FindFlow(number)) return kNotFound;
  return AddHandle(number, streamOut);
}

StatusCode FlowCore::RemoveFlow(uint32_t number) {
  Flow* f = FindFlow(number);
  if (!f) return kNotFound;
  for (const OpenEntry& o : open_) {
    if (o.number == number) return kInUse;
  }
  if (readOnly_ && StoresTables()) return kNotExecuted;
  StatusCode st = FreeChain(f->first);
  if (st != kOk) return st;
  size_t index = static_cast<size_t>(f - dir_.data());
  dirty_.header = true;
  dirty_.dirFrom = std::min(dirty_.dirFrom, index);
  dirty_.dirTo = std::max(dirty_.dirTo, dir_.size());  // the vacated last record too
  dir_.erase(dir_.begin() + static_cast<std::ptrdiff_t>(index));
  return SaveChanges();
}

StatusCode FlowCore::Info(uint32_t* sectorsOut, uint32_t* blockCountOut, uint32_t* freeBlocksOut,
                          uint32_t* flowCountOut) const {
  if (sectorsOut) *sectorsOut = sectors_;
  if (blockCountOut) *blockCountOut = InfoBlockCount();
  if (freeBlocksOut) *freeBlocksOut = free_;
  if (flowCountOut) *flowCountOut = static_cast<uint32_t>(dir_.size());
  return kOk;
}

// ---- flow stream operations ----

StatusCode FlowCore::FlowIsEnd(uint32_t handle) {
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  return o->position >= f->size ? kEndOfStream : kOk;
}

StatusCode FlowCore::FlowRead(uint32_t handle, void* buffer, uint32_t size, uint32_t* gotOut) {
  if (gotOut) *gotOut = 0;
  if (size == 0) return kOk;
  if (!buffer) return kInvalidArg;
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  // A position at or past the end (another handle may have cut the flow
  // below it) reads nothing.
  if (o->position >= f->size) return kOk;
  const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, f->size - o->position));
  uint32_t block, prev;
  StatusCode st = Walk(*f, o, o->position, &block, &prev);
  if (st != kOk) return st;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint64_t index = o->position / blockSize_;
  uint64_t offset = o->position % blockSize_;
  uint32_t done = 0;
  Run run;
  auto transfer = [&](const Run& r) {
    StatusCode s = ReadAt(r.at, out + r.done, r.length);
    if (s == kOk && gotOut) *gotOut = r.done + r.length;
    return s;
  };
  for (;;) {
    if (!IsBlock(block) || chain_[block - 1] == 0) return kInvalidFormat;
    uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(n - done, blockSize_ - offset));
    st = run.Add(block, offset, piece, done, blockSize_, transfer);
    if (st != kOk) return st;
    done += piece;
    if (done == n) break;
    prev = block;
    block = chain_[block - 1];
    offset = 0;
    ++index;
  }
  st = transfer(run);
  if (st != kOk) return st;
  if (gotOut) *gotOut = n;
  o->position += n;
  Remember(*o, index, block, prev);
  return kOk;
}

StatusCode FlowCore::FlowWrite(uint32_t handle, const void* data, uint32_t length) {
  if (readOnly_) return kNotExecuted;
  if (length == 0) return kOk;
  if (!data) return kInvalidArg;
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  const uint64_t position = o->position;
  if (position > f->size) return kWriteError;
  if (length > MaxFlowSize() - position) return kTooMuch;
  const uint64_t end = position + length;
  // Every block the write needs is there before anything is written.
  const uint64_t need = BlocksFor(end, blockSize_);
  if (need > f->blocks && need - f->blocks > free_ + SpareBlocks()) return FullCode();
  uint32_t block, prev;
  StatusCode st = Walk(*f, o, position, &block, &prev);
  if (st != kOk) return st;
  const size_t flowIndex = static_cast<size_t>(f - dir_.data());
  const uint8_t* in = static_cast<const uint8_t*>(data);
  uint64_t index = position / blockSize_;
  uint64_t offset = position % blockSize_;
  uint32_t done = 0, piece = 0;
  Run run;
  auto transfer = [&](const Run& r) { return WriteAt(r.at, in + r.done, r.length); };
  bool fresh = false;
  for (;;) {
    fresh = false;
    if (block == kEnd) {
      st = Allocate(&block);
      if (st != kOk) break;
      if (prev) {
        SetEntry(prev, block);
      } else {
        f->first = block;
        TouchFlow(flowIndex);
      }
      ++f->blocks;
      fresh = true;
    } else if (!IsBlock(block) || chain_[block - 1] == 0) {
      st = kInvalidFormat;
      break;
    }
    piece = static_cast<uint32_t>(std::min<uint64_t>(length - done, blockSize_ - offset));
    st = run.Add(block, offset, piece, done, blockSize_, transfer);
    if (st != kOk) break;
    done += piece;
    if (done == length) break;
    prev = block;
    block = chain_[block - 1];
    offset = 0;
    ++index;
  }
  // A new block's bytes past the data are zeros, not what a deleted flow
  // left; a small block goes out with them in one write.
  const uint64_t tail = fresh ? blockSize_ - offset - piece : 0;
  if (st == kOk && tail > 0 && blockSize_ <= kMergedTail) {
    run.length -= piece;
    if (run.length > 0) st = transfer(run);
    if (st == kOk) {
      uint8_t last[kMergedTail];
      std::memcpy(last, in + done - piece, piece);
      std::memset(last + piece, 0, tail);
      st = WriteAt((block - 1) * blockSize_ + offset, last, static_cast<uint32_t>(piece + tail));
    }
  } else {
    if (st == kOk) st = transfer(run);
    if (st == kOk && tail > 0) st = WriteZerosAt((block - 1) * blockSize_ + offset + piece, tail);
  }
  if (st != kOk) {
    SaveChanges();  // the blocks taken stay on the flow's chain
    return st;
  }
  o->position = end;
  if (end > f->size) {
    f->size = end;
    TouchFlow(flowIndex);
  }
  Remember(*o, index, block, prev);
  return SaveChanges();
}

StatusCode FlowCore::FlowClose(uint32_t handle) {
  OpenEntry* o = FindHandle(handle);
  if (!o) return kNotFound;
  open_.erase(open_.begin() + (o - open_.data()));
  return kOk;
}

StatusCode FlowCore::FlowCopyFrom(uint32_t handle, IStream* source, uint64_t count) {
  return CopyStreamWith([this, handle](const void* data, uint32_t length) { return FlowWrite(handle, data, length); },
                        source, count);
}

StatusCode FlowCore::FlowGetSize(uint32_t handle, uint64_t* sizeOut) {
  if (!sizeOut) return kInvalidArg;
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  *sizeOut = f->size;
  return kOk;
}

StatusCode FlowCore::FlowGetPosition(uint32_t handle, uint64_t* positionOut) {
  if (!positionOut) return kInvalidArg;
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  *positionOut = o->position;
  return kOk;
}

bool FlowCore::SeekFits(int32_t, uint64_t) const { return true; }

StatusCode FlowCore::FlowSeek(uint32_t handle, int64_t offset, int32_t origin) {
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  uint64_t target;
  switch (origin) {
    case kSeekSet:
      if (offset < 0 || uint64_t(offset) > f->size) return kInvalidArg;
      target = uint64_t(offset);
      break;
    case kSeekCur:
      if (offset < 0) {
        uint64_t back = uint64_t(0) - uint64_t(offset);
        if (back > o->position) return kInvalidArg;
        target = o->position - back;
      } else {
        if (uint64_t(offset) > f->size || o->position > f->size - uint64_t(offset)) return kInvalidArg;
        target = o->position + uint64_t(offset);
      }
      break;
    case kSeekEnd:  // counts back from the end
      if (offset < 0 || uint64_t(offset) > f->size) return kInvalidArg;
      target = f->size - uint64_t(offset);
      break;
    default:
      return kOk;
  }
  if (!SeekFits(origin, target)) return kInvalidArg;
  o->position = target;
  return kOk;
}

StatusCode FlowCore::FlowSetEnd(uint32_t handle) {
  if (readOnly_) return kNotExecuted;
  OpenEntry* o;
  Flow* f;
  if (Lookup(handle, &o, &f) != kOk) return kNotFound;
  const uint64_t position = o->position;
  if (position > f->size) return kWriteError;
  const size_t flowIndex = static_cast<size_t>(f - dir_.data());
  StatusCode st;
  if (position == 0) {
    st = FreeChain(f->first);
    if (st != kOk) return st;
    f->first = kEnd;
    f->blocks = 0;
  } else {
    // The block that holds the position becomes the flow's last block, so
    // a cut on a block boundary inside the flow keeps the (now empty) block
    // that begins there. At the flow's end on a boundary no block holds the
    // position and the chain stays as it is.
    uint32_t last, prev;
    st = Walk(*f, o, position, &last, &prev);
    if (st != kOk) return st;
    if (last != kEnd) {
      uint32_t next = chain_[last - 1];
      if (next != kEnd) {
        st = FreeChain(next);
        if (st != kOk) return st;
        SetEntry(last, kEnd);
      }
      f->blocks = static_cast<uint32_t>(position / blockSize_ + 1);
    }
  }
  f->size = position;
  TouchFlow(flowIndex);
  return SaveChanges();
}

}  // namespace zk
