// script.TextRes: the numbered texts of a language file. Load scans the file
// once and builds a sorted index of ids; GetText seeks straight to a text
// and reads only its lines.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "BufferedStreamPair.h"
#include "ToolkitObject.h"
#include "zk5script.h"

namespace zk::script {

namespace {

struct TextResIndexEntry {
  int32_t id;
  uint64_t offset;  // the first byte after the id line
  uint64_t lines;   // text lines counted for the entry
};

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Bytes a line keeps: CR and the other control bytes except TAB are dropped,
// so CR LF and LF files read alike.
bool Kept(uint8_t c) { return c >= 32 || c == '\t'; }

// What Load needs of a line: its first kept byte and, for an id line, the
// number its leading digits make (as C atol, saturated). Nothing of the line
// is stored, so a huge line costs no memory.
struct LineHead {
  bool empty = true;
  uint8_t first = 0;
  int32_t id = 0;
  bool ended = false;  // the data ended while the line was read
};

StatusCode ScanLine(BufferedStreamReader& r, LineHead& h) {
  h = LineHead();
  bool inDigits = false;
  int64_t id = 0;
  for (;;) {
    uint8_t c = 0;
    StatusCode st = r.ReadByte(&c);
    if (st == kNotExecuted) {
      h.ended = true;
      break;
    }
    if (st != kOk) return st;
    if (c == '\n') break;
    if (!Kept(c)) continue;
    if (h.empty) {
      h.empty = false;
      h.first = c;
      inDigits = IsDigit(c);
    } else if (inDigits && !IsDigit(c)) {
      inDigits = false;
    }
    if (inDigits) id = std::min<int64_t>(id * 10 + (c - '0'), INT32_MAX);
  }
  h.id = static_cast<int32_t>(id);
  return kOk;
}

// Reads one line (without its LF) into line.
StatusCode ReadLine(BufferedStreamReader& r, std::string& line, bool& ended) {
  line.clear();
  ended = false;
  for (;;) {
    uint8_t c = 0;
    StatusCode st = r.ReadByte(&c);
    if (st == kNotExecuted) {
      ended = true;
      return kOk;
    }
    if (st != kOk) return st;
    if (c == '\n') return kOk;
    if (Kept(c)) line += static_cast<char>(c);
  }
}

}  // namespace

class TextRes final : public ToolkitObject<TextRes, ITextRes> {
 public:
  static constexpr const char* kClassId = id::ScriptTextRes;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ScriptITextRes, 0}};

  ~TextRes() { ReleaseAndNull(stream_); }

  StatusCode Load(IFileStrem* stream) override {
    if (!stream) return kInvalidArg;
    if (stream != stream_) {
      // The index belongs to the stream it was read from.
      ReleaseAndNull(stream_);
      index_.clear();
      void* kept = nullptr;
      StatusCode st = stream->QueryInterface(id::StreamIFileStrem, &kept);
      if (st != kOk) return st;
      stream_ = static_cast<IFileStrem*>(kept);
    }
    StatusCode st = stream_->Seek(0, kSeekSet);
    if (st != kOk) return st;
    index_.clear();
    bool built = false;
    st = Guard([&]() -> StatusCode {
      std::vector<TextResIndexEntry> found;
      StatusCode scanned = Scan(found);
      // Also after a read error: the index holds what was read so far.
      BuildIndex(found);
      built = true;
      return scanned;
    });
    // An allocation failure part way leaves no half-built index.
    if (!built) index_.clear();
    return st;
  }

  StatusCode GetText(int32_t id, char** textOut) override {
    if (!textOut) return kInvalidArg;
    // Freed also for an id that is not there, so no stale text stays behind.
    zk_free(*textOut);
    *textOut = nullptr;
    auto it = std::lower_bound(index_.begin(), index_.end(), id,
                               [](const TextResIndexEntry& e, int32_t v) { return e.id < v; });
    if (it == index_.end() || it->id != id) return kInvalidArg;
    ZK_REQUIRE(stream_, id::StreamIFileStrem);
    if (it->lines == 0) return kOk;
    StatusCode st = stream_->Seek(static_cast<int64_t>(it->offset), kSeekSet);
    if (st != kOk) return st;
    return Guard([&]() -> StatusCode {
      BufferedStreamReader r;
      st = r.Attach(stream_);
      if (st != kOk) return st;
      std::string text, line;
      uint64_t got = 0;
      bool firstLine = true;
      while (got < it->lines) {
        bool ended = false;
        st = ReadLine(r, line, ended);
        if (st != kOk) return st;
        if (ended && line.empty()) break;  // the file got shorter since Load
        if (!firstLine) text += "\r\n";
        firstLine = false;
        if (!line.empty()) {
          size_t lead = line.find_first_not_of(" \t");
          if (lead != std::string::npos) text.append(line, lead);
          ++got;
        }
        if (ended) break;
      }
      size_t lead = text.find_first_not_of(" \t\r");
      text.erase(0, lead == std::string::npos ? text.size() : lead);
      char* out = zk_DupString(text.c_str());
      if (!out) return kNoMemory;
      *textOut = out;
      return kOk;
    });
  }

 private:
  // One pass over the stream from its start, collecting entries in file order.
  StatusCode Scan(std::vector<TextResIndexEntry>& found) {
    BufferedStreamReader r;
    StatusCode st = r.Attach(stream_);
    if (st != kOk) return st;
    bool open = false;
    TextResIndexEntry cur{};
    auto close = [&] {
      if (open && cur.id != 0) found.push_back(cur);
    };
    LineHead h;
    while (!r.AtEnd()) {
      st = ScanLine(r, h);
      if (st != kOk) return st;  // the entry being read is not indexed
      if (!h.empty && IsDigit(h.first)) {
        close();
        open = true;
        cur = {h.id, r.Count(), 0};
      } else if (!h.empty && (h.first == ' ' || h.first == '\t')) {
        if (open) ++cur.lines;
      }
      // A stream that hands out nothing more ends the scan even if it does
      // not report its end.
      if (h.ended) break;
    }
    close();
    return kOk;
  }

  // Sorted by id; of equal ids the first in the file stays.
  void BuildIndex(std::vector<TextResIndexEntry>& found) {
    std::stable_sort(found.begin(), found.end(),
                     [](const TextResIndexEntry& a, const TextResIndexEntry& b) { return a.id < b.id; });
    auto last = std::unique(found.begin(), found.end(),
                            [](const TextResIndexEntry& a, const TextResIndexEntry& b) { return a.id == b.id; });
    found.erase(last, found.end());
    index_.swap(found);
  }

  IFileStrem* stream_ = nullptr;
  std::vector<TextResIndexEntry> index_;
};

ZK_REGISTER_CLASS(TextRes)

}  // namespace zk::script
