// arc.LZA: LZ77 over a 4,096-byte window searched through binary trees,
// with literals and match lengths in one adaptive arithmetic model and
// match distances in a fixed one (the LZARI scheme). Bits are packed into
// bytes from bit 0; the stream holds no length of its own.
#include <cstring>
#include <memory>

#include "ArcProgress.h"
#include "ToolkitObject.h"
#include "CarrierStreamBuffer.h"
#include "zk5Arc.h"

namespace zk::arc {
namespace {

constexpr int kN = 4096;       // window
constexpr int kF = 60;         // look-ahead
constexpr int kThreshold = 2;  // longer matches are coded as matches
constexpr int kNil = kN;       // "no node"
constexpr int kChars = 256 - kThreshold + kF;  // 314 symbols
constexpr uint32_t kQ1 = 0x8000, kQ2 = 2 * kQ1, kQ3 = 3 * kQ1, kQ4 = 4 * kQ1;
constexpr uint32_t kMaxCum = kQ1 - 1;
// A valid stream makes the decoder read at most 17 bits past its end (the
// coder's look-ahead); far more means the input ended early.
constexpr uint32_t kMaxOverrun = 32;

class Lza final : public ToolkitObject<Lza, IArc> {
 public:
  static constexpr const char* kClassId = id::ArcLZA;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ArcIArc, 0}};

  Lza() { Reset(); }

  StatusCode Init(int32_t) override {
    Reset();
    return kOk;
  }

  StatusCode Encode(IStream* in, IStream* out, IProgress* progress, uint32_t total) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(in, out);
      io_ = io.get();
      Progress p(progress);
      Reset();
      ProgressReport report(p.get(), total);
      StatusCode st = report.Start();
      if (st) return st;

      int s = 0, r = kN - kF, len = 0;
      bool ended = false;
      auto next = [&](uint8_t* c) -> StatusCode {  // 0, kNotExecuted at the end, or the error
        if (ended) return kNotExecuted;
        StatusCode e = io_->ReadByte(c);
        if (e == kNotExecuted) ended = true;
        return e;
      };
      for (; len < kF; ++len) {
        uint8_t c;
        st = next(&c);
        if (st == kNotExecuted) break;
        if (st) return st;
        text_[r + len] = c;
      }
      uint64_t read = uint64_t(len);
      if (len == 0) return report.Finish();  // an empty input gives an empty stream
      for (int i = 1; i <= kF; ++i) InsertNode(r - i);
      InsertNode(r);
      do {
        if (matchLength_ > len) matchLength_ = len;
        if (matchLength_ <= kThreshold) {
          matchLength_ = 1;
          st = EncodeChar(text_[r]);
        } else {
          st = EncodeChar(255 - kThreshold + matchLength_);
          if (!st) st = EncodePosition(matchPosition_ - 1);
        }
        if (st) return st;
        const int last = matchLength_;
        int i = 0;
        for (; i < last; ++i) {
          uint8_t c;
          st = next(&c);
          if (st == kNotExecuted) break;
          if (st) return st;
          DeleteNode(s);
          text_[s] = c;
          if (s < kF - 1) text_[s + kN] = c;  // mirror for comparisons across the end
          s = (s + 1) & (kN - 1);
          r = (r + 1) & (kN - 1);
          InsertNode(r);
        }
        read += uint64_t(i);
        while (i++ < last) {  // the input has ended: the look-ahead shrinks
          DeleteNode(s);
          s = (s + 1) & (kN - 1);
          r = (r + 1) & (kN - 1);
          if (--len) InsertNode(r);
        }
        if ((st = report.At(read))) return st;
      } while (len > 0);
      ++shifts_;
      st = Output(low_ < kQ1 ? 0 : 1);
      if (!st) st = io_->Flush();
      if (st) return st;
      return report.Finish();
    });
  }

  StatusCode Decode(uint32_t count, IStream* in, IStream* out, IProgress* progress) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(in, out);
      io_ = io.get();
      Progress p(progress);
      Reset();
      StatusCode st = kOk;
      for (int i = 0; i < 17; ++i) value_ = 2 * value_ + GetBit();
      if (error_) return error_;
      ProgressReport report(p.get(), count);
      if ((st = report.Start())) return st;
      int r = kN - kF;
      uint32_t done = 0;
      while (done < count) {
        int c = DecodeChar();
        if (error_) return error_;
        if (c < 256) {
          if ((st = io_->WriteByte(uint8_t(c)))) return st;
          text_[r] = uint8_t(c);
          r = (r + 1) & (kN - 1);
          ++done;
        } else {
          int from = (r - DecodePosition() - 1) & (kN - 1);
          if (error_) return error_;
          const int n = c - 255 + kThreshold;
          for (int k = 0; k < n && done < count; ++k) {
            uint8_t b = text_[(from + k) & (kN - 1)];
            if ((st = io_->WriteByte(b))) return st;
            text_[r] = b;
            r = (r + 1) & (kN - 1);
            ++done;
          }
        }
        if ((st = report.At(done))) return st;
      }
      if ((st = io_->Flush())) return st;
      return report.Finish();
    });
  }

 private:
  // The progress object, asked for as arc.IProgress (none when it has not that interface).
  struct Progress {
    IProgress* p = nullptr;
    explicit Progress(IProgress* given) {
      void* q = nullptr;
      if (given && given->QueryInterface(id::ArcIProgress, &q) == kOk) p = static_cast<IProgress*>(q);
    }
    ~Progress() {
      if (p) p->Release();
    }
    IProgress* get() const { return p; }
  };

  // Window, trees, both models and the coder: everything starts afresh.
  void Reset() {
    std::memset(text_, 0, sizeof text_);
    std::memset(text_, ' ', kN - kF);
    for (int i = kN + 1; i <= kN + 256; ++i) rson_[i] = kNil;
    for (int i = 0; i < kN; ++i) dad_[i] = kNil;
    matchPosition_ = matchLength_ = 0;
    symCum_[kChars] = 0;
    for (int sym = kChars; sym >= 1; --sym) {
      int ch = sym - 1;
      charToSym_[ch] = sym;
      symToChar_[sym] = ch;
      symFreq_[sym] = 1;
      symCum_[sym - 1] = symCum_[sym] + symFreq_[sym];
    }
    symFreq_[0] = 0;  // sentinel, below every real frequency
    posCum_[kN] = 0;
    for (int i = kN - 1; i >= 0; --i) posCum_[i] = posCum_[i + 1] + 10000u / uint32_t(i + 200);
    low_ = 0;
    high_ = kQ4;
    value_ = 0;
    shifts_ = 0;
    overrun_ = 0;
    error_ = kOk;
  }

  // ---- match search trees: one per first byte, over the strings of the window

  void InsertNode(int r) {
    int cmp = 1;
    const uint8_t* key = &text_[r];
    int p = kN + 1 + key[0];
    rson_[r] = lson_[r] = kNil;
    matchLength_ = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson_[p] != kNil) {
          p = rson_[p];
        } else {
          rson_[p] = r;
          dad_[r] = p;
          return;
        }
      } else {
        if (lson_[p] != kNil) {
          p = lson_[p];
        } else {
          lson_[p] = r;
          dad_[r] = p;
          return;
        }
      }
      int i = 1;
      for (; i < kF; ++i)
        if ((cmp = key[i] - text_[p + i]) != 0) break;
      if (i > kThreshold) {
        if (i > matchLength_) {
          matchPosition_ = (r - p) & (kN - 1);
          if ((matchLength_ = i) >= kF) break;
        } else if (i == matchLength_) {
          int d = (r - p) & (kN - 1);
          if (d < matchPosition_) matchPosition_ = d;
        }
      }
    }
    // A full-length match: the new string takes p's place in the tree.
    lson_[r] = lson_[p];
    rson_[r] = rson_[p];
    dad_[lson_[p]] = r;
    dad_[rson_[p]] = r;
    TakePlace(p, r);
  }

  // q takes p's place under p's parent; p leaves the tree.
  void TakePlace(int p, int q) {
    dad_[q] = dad_[p];
    if (rson_[dad_[p]] == p)
      rson_[dad_[p]] = q;
    else
      lson_[dad_[p]] = q;
    dad_[p] = kNil;
  }

  void DeleteNode(int p) {
    if (dad_[p] == kNil) return;
    int q;
    if (rson_[p] == kNil) {
      q = lson_[p];
    } else if (lson_[p] == kNil) {
      q = rson_[p];
    } else {
      q = lson_[p];
      if (rson_[q] != kNil) {
        do {
          q = rson_[q];
        } while (rson_[q] != kNil);
        rson_[dad_[q]] = lson_[q];
        dad_[lson_[q]] = dad_[q];
        lson_[q] = lson_[p];
        dad_[lson_[p]] = q;
      }
      rson_[q] = rson_[p];
      dad_[rson_[p]] = q;
    }
    TakePlace(p, q);
  }

  // ---- models

  void UpdateModel(int sym) {
    if (symCum_[0] >= kMaxCum) {
      uint32_t c = 0;
      for (int i = kChars; i > 0; --i) {
        symCum_[i] = c;
        c += (symFreq_[i] = (symFreq_[i] + 1) >> 1);
      }
      symCum_[0] = c;
    }
    int i = sym;
    while (symFreq_[i] == symFreq_[i - 1]) --i;
    if (i < sym) {
      int chI = symToChar_[i], chSym = symToChar_[sym];
      symToChar_[i] = chSym;
      symToChar_[sym] = chI;
      charToSym_[chI] = sym;
      charToSym_[chSym] = i;
    }
    ++symFreq_[i];
    while (--i >= 0) ++symCum_[i];
  }

  // ---- coder

  StatusCode PutBit(uint32_t bit) { return io_->WriteBit(bit); }

  // The bit, then the pending bits as its opposite.
  StatusCode Output(uint32_t bit) {
    StatusCode st = PutBit(bit);
    for (; shifts_ > 0 && !st; --shifts_) st = PutBit(!bit);
    return st;
  }

  // Narrows [low, high) to the share between cumLow and cumHigh of total
  // and shifts out the settled bits.
  StatusCode Narrow(uint32_t cumHigh, uint32_t cumLow, uint32_t total) {
    uint32_t range = high_ - low_;
    high_ = low_ + range * cumHigh / total;
    low_ += range * cumLow / total;
    for (;;) {
      StatusCode st = kOk;
      if (high_ <= kQ2) {
        st = Output(0);
      } else if (low_ >= kQ2) {
        st = Output(1);
        low_ -= kQ2;
        high_ -= kQ2;
      } else if (low_ >= kQ1 && high_ <= kQ3) {
        ++shifts_;
        low_ -= kQ1;
        high_ -= kQ1;
      } else {
        return kOk;
      }
      if (st) return st;
      low_ += low_;
      high_ += high_;
    }
  }

  StatusCode EncodeChar(int ch) {
    int sym = charToSym_[ch];
    StatusCode st = Narrow(symCum_[sym - 1], symCum_[sym], symCum_[0]);
    UpdateModel(sym);
    return st;
  }

  StatusCode EncodePosition(int position) {
    return Narrow(posCum_[position], posCum_[position + 1], posCum_[0]);
  }

  // Bits past the end of the input read as 0.
  uint32_t GetBit() {
    uint32_t bit = 0;
    StatusCode st = io_->ReadBit(&bit);
    if (st == kOk) return bit;
    if (st != kNotExecuted) {
      if (!error_) error_ = st;
    } else if (++overrun_ > kMaxOverrun && !error_) {
      error_ = kInvalidFormat;
    }
    return 0;
  }

  // Follows the encoder's narrowing and takes in a bit per shift.
  void Follow(uint32_t cumHigh, uint32_t cumLow, uint32_t total, uint32_t range) {
    high_ = low_ + range * cumHigh / total;
    low_ += range * cumLow / total;
    for (;;) {
      if (low_ >= kQ2) {
        value_ -= kQ2;
        low_ -= kQ2;
        high_ -= kQ2;
      } else if (low_ >= kQ1 && high_ <= kQ3) {
        value_ -= kQ1;
        low_ -= kQ1;
        high_ -= kQ1;
      } else if (high_ > kQ2) {
        return;
      }
      low_ += low_;
      high_ += high_;
      value_ = 2 * value_ + GetBit();
    }
  }

  int DecodeChar() {
    uint32_t range = high_ - low_;
    uint32_t x = ((value_ - low_ + 1) * symCum_[0] - 1) / range;
    int i = 1, j = kChars;  // the first rank whose cumulative count is <= x
    while (i < j) {
      int k = (i + j) / 2;
      if (symCum_[k] > x)
        i = k + 1;
      else
        j = k;
    }
    const int sym = i;
    Follow(symCum_[sym - 1], symCum_[sym], symCum_[0], range);
    int ch = symToChar_[sym];
    UpdateModel(sym);
    return ch;
  }

  int DecodePosition() {
    uint32_t range = high_ - low_;
    uint32_t x = ((value_ - low_ + 1) * posCum_[0] - 1) / range;
    int i = 1, j = kN;
    while (i < j) {
      int k = (i + j) / 2;
      if (posCum_[k] > x)
        i = k + 1;
      else
        j = k;
    }
    const int position = i - 1;
    Follow(posCum_[position], posCum_[position + 1], posCum_[0], range);
    return position;
  }

  CarrierStreamBuffer* io_ = nullptr;
  uint8_t text_[kN + kF - 1];
  int lson_[kN + 1], rson_[kN + 257], dad_[kN + 1];
  int matchPosition_ = 0, matchLength_ = 0;
  int charToSym_[kChars], symToChar_[kChars + 1];
  uint32_t symFreq_[kChars + 1], symCum_[kChars + 1], posCum_[kN + 1];
  uint32_t low_ = 0, high_ = kQ4, value_ = 0, shifts_ = 0;
  uint32_t overrun_ = 0;
  StatusCode error_ = kOk;
};

}  // namespace

ZK_REGISTER_CLASS(Lza)

}  // namespace zk::arc
