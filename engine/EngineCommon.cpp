#include "EngineCommon.h"

#include <cstring>
#include <ctime>
#include <memory>

#include "ToolkitObject.h"
#include "Wipe.h"
#include "zk5Cipher.h"

namespace zk::engine {

namespace {
constexpr uint32_t kPiece = 65536;
}  // namespace

StatusCode ProgressSteps::Report(int32_t percent) {
  if (!progress_ || percent <= last_) return kOk;
  last_ = percent;
  return progress_->OnProgress(percent);
}

StatusCode ProgressSteps::At(uint64_t done) {
  if (!progress_ || total_ == 0) return kOk;
  // done never exceeds the content limit, so done * 100 fits in 64 bits.
  uint64_t pct = done >= total_ ? 100 : done * 100 / total_;
  return Report(int32_t(pct));
}

StatusCode CopyWithProgress(IFileStrem* source, IStream* target, uint64_t limit, IProgress* progress,
                            IHash* check, uint64_t* copiedOut, uint32_t align, uint64_t alignBase) {
  if (copiedOut) *copiedOut = 0;
  if (!source || !target) return kInvalidArg;
  uint64_t size = 0, position = 0;
  StatusCode st = source->GetSize(&size);
  if (st == kOk) st = source->GetPosition(&position);
  if (st != kOk) return st;
  uint64_t total = size > position ? size - position : 0;
  if (limit != 0 && limit < total) total = limit;
  ProgressSteps steps(progress, total);
  if ((st = steps.Start()) != kOk) return st;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kPiece]);
  uint64_t done = 0;
  while (source->IsEnd() == 0) {
    uint32_t want = kPiece;
    if (limit != 0) {
      if (done >= limit) break;
      if (limit - done < want) want = uint32_t(limit - done);
    }
    want = AlignedPiece(alignBase + done, want, align);
    uint32_t got = 0;
    st = source->Read(buffer.get(), want, &got);
    if (st != kOk) break;
    if (got == 0) break;
    if (check && (st = check->Update(buffer.get(), got)) != kOk) break;
    if ((st = target->Write(buffer.get(), got)) != kOk) break;
    done += got;
    if ((st = steps.At(done)) != kOk) break;
  }
  Wipe(buffer.get(), kPiece);
  if (copiedOut) *copiedOut = done;
  if (st != kOk) return st;
  return steps.Finish();
}

StatusCode HashRest(IHash* hash, IStream* stream, uint64_t* countOut, uint32_t align, uint64_t alignBase) {
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kPiece]);
  uint64_t count = 0;
  StatusCode st = kOk;
  while (stream->IsEnd() == 0) {
    uint32_t got = 0;
    st = stream->Read(buffer.get(), AlignedPiece(alignBase + count, kPiece, align), &got);
    if (st != kOk || got == 0) break;
    st = hash->Update(buffer.get(), got);
    if (st != kOk) break;
    count += got;
  }
  Wipe(buffer.get(), kPiece);
  if (countOut) *countOut = count;
  return st;
}

StatusCode AttachCipher(IFileStrem* stream, IBlockCipher* cipher, const uint8_t* iv, uint32_t ivLength,
                        uint64_t at, IFileStrem** out) {
  *out = nullptr;
  ZK_REQUIRE(stream, id::StreamIFileStrem);
  ZK_REQUIRE(cipher, id::CryptoIBlockCipher);
  Held<ICipherFileStream> cfb;
  StatusCode st = CreateFace(id::CipherFileStreamCFB, id::CryptoICipherFileStream, &cfb.p);
  if (st != kOk) return st;
  // Attached at 0, then moved: the move rebuilds the feedback state from
  // the stored bytes before `at`.
  st = stream->Seek(0, kSeekSet);
  if (st == kOk) st = cfb->Attach(stream, cipher, iv, ivLength);
  if (st != kOk) return st;
  Held<IFileStrem> face;
  st = cfb->QueryInterface(id::StreamIFileStrem, reinterpret_cast<void**>(&face.p));
  if (st != kOk) return st;
  if (!face.p) return kNoInterface;
  if (at && (st = face->Seek(int64_t(at), kSeekSet)) != kOk) return st;
  *out = face.p;
  face.p = nullptr;
  return kOk;
}

CalendarTime LocalCalendar(uint32_t seconds) {
  CalendarTime c{};
  time_t t = static_cast<time_t>(seconds);
  struct tm tm;
  if (localtime_r(&t, &tm)) c = {tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  return c;
}

StatusCode PutString(char** out, const std::string& text) {
  if (*out) {
    zk_free(*out);
    *out = nullptr;
  }
  if (text.size() >= uint64_t(INT32_MAX)) return kNoMemory;
  char* copy = static_cast<char*>(zk_malloc(static_cast<int32_t>(text.size() + 1)));
  if (!copy) return kNoMemory;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = 0;
  *out = copy;
  return kOk;
}

}  // namespace zk::engine
