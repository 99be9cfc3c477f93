// arc.ASCIIcoder: any bytes as printable text. Two bytes become three
// characters of a 64-character alphabet, a last odd byte is marked with
// "!", and lines may be broken with CR LF.
#include <memory>

#include "ArcProgress.h"
#include "ToolkitObject.h"
#include "CarrierStreamBuffer.h"
#include "zk5Arc.h"

namespace zk::arc {
namespace {

constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_=";

// Index of a character in the alphabet, or -1.
constexpr int IndexOf(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 36;
  if (c == '_') return 62;
  if (c == '=') return 63;
  return -1;
}

class AsciiCoder final : public ToolkitObject<AsciiCoder, IArc> {
 public:
  static constexpr const char* kClassId = id::ArcASCIIcoder;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ArcIArc, 0}};

  // Line length: a line holds lineLength + 1 characters; 0 breaks no lines.
  StatusCode Init(int32_t parameter) override {
    lineLength_ = uint32_t(parameter);
    column_ = 0;
    return kOk;
  }

  StatusCode Encode(IStream* in, IStream* out, IProgress* progress, uint32_t total) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(in, out);
      ProgressReport report(progress, total);
      StatusCode st = report.Start();
      if (st) return st;
      for (uint64_t read = 0;;) {
        uint8_t b0, b1;
        st = io->ReadByte(&b0);
        if (st == kNotExecuted) break;
        if (st) return st;
        st = io->ReadByte(&b1);
        if (st == kNotExecuted) {
          if ((st = Put(*io, '!')) || (st = Put(*io, kAlphabet[b0 & 63])) ||
              (st = Put(*io, kAlphabet[b0 >> 6])))
            return st;
          if ((st = report.At(read + 1))) return st;
          break;
        }
        if (st) return st;
        uint32_t v = b0 | uint32_t(b1) << 8;
        if ((st = Put(*io, kAlphabet[v & 63])) || (st = Put(*io, kAlphabet[(v >> 6) & 63])) ||
            (st = Put(*io, kAlphabet[v >> 12])))
          return st;
        read += 2;
        if ((st = report.At(read))) return st;
      }
      if ((st = io->Flush())) return st;
      return report.Finish();
    });
  }

  StatusCode Decode(uint32_t count, IStream* in, IStream* out, IProgress* progress) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(in, out);
      ProgressReport report(progress, count);
      StatusCode st = report.Start();
      if (st) return st;
      uint32_t left = count;
      while (left) {
        uint8_t c[3];
        for (int k = 0; k < 3; ++k) {
          do {
            st = io->ReadByte(&c[k]);
          } while (!st && (c[k] == '\r' || c[k] == '\n'));
          // Input that ends between groups holds fewer bytes than the count.
          if (st == kNotExecuted && k == 0) return kInvalidFormat;
          if (st) return st;
        }
        uint8_t bytes[2];
        uint32_t n;
        int i1 = IndexOf(c[1]), i2 = IndexOf(c[2]);
        if (c[0] == '!') {
          if (i1 < 0 || i2 < 0 || i2 > 3) return kNotFound;
          bytes[0] = uint8_t(i1 + 64 * i2);
          n = 1;
        } else {
          int i0 = IndexOf(c[0]);
          if (i0 < 0 || i1 < 0 || i2 < 0 || i2 > 15) return kNotFound;
          uint32_t v = uint32_t(i0 + 64 * i1 + 4096 * i2);
          bytes[0] = uint8_t(v);
          bytes[1] = uint8_t(v >> 8);
          n = 2;
        }
        if (n > left) n = left;  // never more bytes than the count asks for
        if ((st = io->WriteBlock(bytes, n))) return st;
        left -= n;
        if ((st = report.At(count - left))) return st;
      }
      if ((st = io->Flush())) return st;
      return report.Finish();
    });
  }

 private:
  // One character, and a line break once the line is longer than the line length.
  StatusCode Put(CarrierStreamBuffer& io, char ch) {
    StatusCode st = io.WriteByte(uint8_t(ch));
    if (st || lineLength_ == 0) return st;
    if (++column_ > lineLength_) {
      column_ = 0;
      if ((st = io.WriteByte('\r'))) return st;
      st = io.WriteByte('\n');
    }
    return st;
  }

  uint32_t lineLength_ = 65;
  uint32_t column_ = 0;
};

}  // namespace

ZK_REGISTER_CLASS(AsciiCoder)

}  // namespace zk::arc
