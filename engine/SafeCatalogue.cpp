#include "SafeCatalogue.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "ByteOrder.h"
#include "ToolkitObject.h"
#include "Wipe.h"

namespace zk::engine {


CatalogueBuffer::CatalogueBuffer(zk::IBase* stream) {
  if (!stream) return;
  // One reference for each direction, released with the buffer.
  void* p = nullptr;
  if (stream->QueryInterface(zk::id::StreamIStream, &p) == zk::kOk) in_ = static_cast<zk::IStream*>(p);
  p = nullptr;
  if (stream->QueryInterface(zk::id::StreamIStream, &p) == zk::kOk) out_ = static_cast<zk::IStream*>(p);
}

CatalogueBuffer::~CatalogueBuffer() {
  // Names of the safe pass through here: nothing stays in freed memory.
  if (read_) zk::Wipe(read_.get(), kSize);
  if (write_) zk::Wipe(write_.get(), kSize);
  if (in_) in_->Release();
  if (out_) out_->Release();
}

StatusCode CatalogueBuffer::Write(const void* data, uint32_t length) {
  if (length == 0) return zk::kOk;
  if (!data) return zk::kInvalidArg;
  ZK_REQUIRE(out_, zk::id::StreamIStream);
  if (!write_) {
    write_.reset(new uint8_t[kSize]);
  }
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (length) {
    uint32_t piece = std::min(length, kSize - writeFill_);
    std::memcpy(write_.get() + writeFill_, p, piece);
    writeFill_ += piece;
    p += piece;
    length -= piece;
    accepted_ += piece;
    if (writeFill_ == kSize) {
      StatusCode st = out_->Write(write_.get(), kSize);
      writeFill_ = 0;
      if (st != zk::kOk) return st;
    }
  }
  return zk::kOk;
}

StatusCode CatalogueBuffer::Flush() {
  if (writeFill_ == 0) return zk::kOk;
  ZK_REQUIRE(out_, zk::id::StreamIStream);
  StatusCode st = out_->Write(write_.get(), writeFill_);
  writeFill_ = 0;
  return st;
}

StatusCode CatalogueBuffer::Read(void* data, uint32_t length, uint32_t* count) {
  if (count) *count = 0;
  if (length == 0) return zk::kOk;
  if (!data) return zk::kInvalidArg;
  ZK_REQUIRE(in_, zk::id::StreamIStream);
  if (!read_) {
    read_.reset(new uint8_t[kSize]);
  }
  uint8_t* p = static_cast<uint8_t*>(data);
  uint32_t done = 0;
  while (done < length) {
    if (readPos_ == readValid_) {
      uint32_t got = 0;
      readPos_ = readValid_ = 0;
      StatusCode st = in_->Read(read_.get(), kSize, &got);
      if (st != zk::kOk) {
        if (count) *count = done;
        return st;
      }
      if (got == 0 || got > kSize) break;
      readValid_ = got;
    }
    uint32_t piece = std::min(length - done, readValid_ - readPos_);
    std::memcpy(p + done, read_.get() + readPos_, piece);
    readPos_ += piece;
    done += piece;
    delivered_ += piece;
  }
  if (count) *count = done;
  return zk::kOk;
}

namespace {

constexpr uint32_t kFileFixed = 20;       // the five u32 fields of a file record
constexpr uint64_t kMinFileRecord = 22;   // with the name length
constexpr uint64_t kMinFolderRecord = 10; // name length, two counts

StatusCode PutName(CatalogueBuffer& out, const std::string& name) {
  if (name.size() > kMaxName) return zk::kTooMuch;
  uint8_t len[2];
  zk::StoreLE16(len, static_cast<uint16_t>(name.size()));
  StatusCode st = out.Write(len, 2);
  if (st == zk::kOk) st = out.Write(name.data(), static_cast<uint32_t>(name.size()));
  return st;
}

StatusCode PutU32(CatalogueBuffer& out, uint32_t v) {
  uint8_t b[4];
  zk::StoreLE32(b, v);
  return out.Write(b, 4);
}

StatusCode WriteFolder(CatalogueBuffer& out, const FolderNode& node) {
  StatusCode st = PutName(out, node.name);
  if (st == zk::kOk) st = PutU32(out, static_cast<uint32_t>(node.files.size()));
  for (size_t i = 0; st == zk::kOk && i < node.files.size(); ++i) {
    const FileEntry& e = *node.files[i];
    uint8_t fixed[kFileFixed];
    zk::StoreLE32(fixed, e.size);
    zk::StoreLE32(fixed + 4, e.flags);
    zk::StoreLE32(fixed + 8, e.created);
    zk::StoreLE32(fixed + 12, e.modified);
    zk::StoreLE32(fixed + 16, e.flow);
    st = out.Write(fixed, kFileFixed);
    if (st == zk::kOk) st = PutName(out, e.name);
  }
  if (st == zk::kOk) st = PutU32(out, static_cast<uint32_t>(node.subfolders.size()));
  for (size_t i = 0; st == zk::kOk && i < node.subfolders.size(); ++i) st = WriteFolder(out, *node.subfolders[i]);
  return st;
}

// Reads records, knowing how many bytes the flow still holds, so that no
// count or length can ask for more than is there.
class Reader {
 public:
  Reader(CatalogueBuffer& in, uint64_t total, zk::IFlowControl* flows) : in_(in), total_(total), flows_(flows) {}

  uint64_t Left() const { return total_ > in_.delivered() ? total_ - in_.delivered() : 0; }

  StatusCode Exact(void* data, uint32_t length) {
    uint32_t got = 0;
    StatusCode st = in_.Read(data, length, &got);
    if (st != zk::kOk) return st;
    return got == length ? zk::kOk : zk::kInvalidFormat;
  }
  StatusCode U32(uint32_t& v) {
    uint8_t b[4];
    StatusCode st = Exact(b, 4);
    v = zk::LoadLE32(b);
    return st;
  }
  StatusCode Name(std::string& name) {
    uint8_t b[2];
    StatusCode st = Exact(b, 2);
    if (st != zk::kOk) return st;
    const uint16_t n = zk::LoadLE16(b);
    if (n > Left()) return zk::kInvalidFormat;
    name.resize(n);
    return Exact(name.data(), n);
  }

  StatusCode Folder(FolderNode& node, uint32_t depth) {
    StatusCode st = Name(node.name);
    if (st != zk::kOk) return st;
    if (depth > 0 && !IsStoredNameSound(node.name)) return zk::kInvalidFormat;
    uint32_t fileCount = 0;
    if ((st = U32(fileCount)) != zk::kOk) return st;
    if (fileCount > Left() / kMinFileRecord) return zk::kInvalidFormat;
    for (uint32_t i = 0; i < fileCount; ++i) {
      FileEntry e;
      uint8_t fixed[kFileFixed];
      if ((st = Exact(fixed, kFileFixed)) != zk::kOk) return st;
      e.size = zk::LoadLE32(fixed);
      e.flags = zk::LoadLE32(fixed + 4);
      e.created = zk::LoadLE32(fixed + 8);
      e.modified = zk::LoadLE32(fixed + 12);
      e.flow = zk::LoadLE32(fixed + 16);
      if ((st = Name(e.name)) != zk::kOk) return st;
      if (!IsStoredNameSound(e.name)) return zk::kInvalidFormat;
      // Flow 1 is the catalogue's; two entries on one flow would lose data
      // when either is deleted.
      if (e.flow == 1 || !HasFlow(e.flow)) return zk::kInvalidFormat;
      if (e.flow != 0 && !seen_.insert(e.flow).second) return zk::kInvalidFormat;
      InsertFile(node, std::move(e));
    }
    uint32_t folderCount = 0;
    if ((st = U32(folderCount)) != zk::kOk) return st;
    if (folderCount > Left() / kMinFolderRecord) return zk::kInvalidFormat;
    if (folderCount > 0 && depth >= kMaxDepth) return zk::kInvalidFormat;
    for (uint32_t i = 0; i < folderCount; ++i) {
      auto sub = std::make_unique<FolderNode>();
      st = Folder(*sub, depth + 1);
      if (st != zk::kOk) return st;
      InsertFolder(node, std::move(sub));
    }
    return zk::kOk;
  }

 private:
  // A flow a file names must be in the container, so that no new file
  // can later be given the same number.
  bool HasFlow(uint32_t number) {
    if (number == 0 || !flows_) return true;
    zk::IFileStrem* s = nullptr;
    StatusCode st = flows_->OpenFlow(number, &s);
    if (s) s->Release();
    return st == zk::kOk;
  }

  CatalogueBuffer& in_;
  uint64_t total_;
  zk::IFlowControl* flows_;
  std::unordered_set<uint32_t> seen_;
};

}  // namespace

StatusCode WriteCatalogue(zk::IFlowControl* flows, const FolderNode& root) {
  ZK_REQUIRE(flows, zk::id::StreamIFlowControl);
  zk::IFileStrem* flow = nullptr;
  StatusCode st = flows->OpenFlow(1, &flow);
  if (st != zk::kOk) return st;
  if (!flow) return zk::kNoMemory;
  {
    CatalogueBuffer out(flow);
    st = WriteFolder(out, root);
    if (st == zk::kOk) st = out.Flush();
  }
  if (st == zk::kOk) st = flow->SetEnd();
  flow->Release();
  return st;
}

StatusCode ReadCatalogue(zk::IFileStrem* flow, FolderNode& root, zk::IFlowControl* flows) {
  ZK_REQUIRE(flow, zk::id::StreamIFileStrem);
  uint64_t total = 0;
  StatusCode st = flow->GetSize(&total);
  if (st != zk::kOk) return st;
  CatalogueBuffer in(flow);
  Reader reader(in, total, flows);
  // Memory running out anywhere in the tree's reading gives -4.
  return zk::Guard([&] { return reader.Folder(root, 0); });
}

}  // namespace zk::engine
