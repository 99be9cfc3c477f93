// Parameter file text: parser, writer and value conversions.
#include "ParamFormat.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <system_error>

namespace zk::script {

namespace {

// Character classes of the "C" locale, whatever the process locale is.
bool IsLetterOrDigit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
bool IsNameStart(unsigned char c) { return IsLetterOrDigit(c) || c == '_'; }
// Blanks inside a name and around "=".
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || IsBlank(c); }
// What the C runtime's number readers skip first.
bool IsCSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char* kCrLf = "\r\n";

}  // namespace

void ParseParams(std::string_view text, std::vector<ParamEntry>& out) {
  // The file is read as one C string: a NUL byte ends it.
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  const size_t n = text.size();
  auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };

  std::string pending;
  bool hasPending = false;
  size_t pos = 0;
  while (pos < n) {
    unsigned char c = at(pos);
    if (c == ' ' || c == '\t' || c == '\r') {
      ++pos;
      continue;
    }
    if (c == '#') {
      // Everything after "#" up to and including the line end.
      size_t start = pos + 1;
      size_t lf = text.find('\n', start);
      size_t end = lf == std::string_view::npos ? n : lf + 1;
      pending.append(text.substr(start, end - start));
      hasPending = true;
      pos = end;
      continue;
    }
    if (!IsNameStart(c)) {
      ++pos;  // LF and any character that cannot start an item
      continue;
    }
    // A name: letters, digits, "_" and inner blanks up to "=".
    size_t start = pos;
    while (pos < n && IsNameChar(at(pos))) ++pos;
    if (pos >= n) break;  // the text ends inside the name: no entry
    if (at(pos) != '=') {
      // Not an entry: skip the rest of the line; the pending comment stays.
      size_t lf = text.find('\n', pos);
      pos = lf == std::string_view::npos ? n : lf;
      continue;
    }
    size_t nameEnd = pos;
    while (nameEnd > start && IsBlank(at(nameEnd - 1))) --nameEnd;
    ++pos;  // past "="
    while (pos < n && IsBlank(at(pos))) ++pos;
    if (pos >= n) break;
    if (at(pos) != '"') continue;  // no entry; go on at this character
    size_t close = text.find('"', pos + 1);
    if (close == std::string_view::npos) break;  // unterminated value: dropped
    ParamEntry e;
    e.name.assign(text.substr(start, nameEnd - start));
    e.value.assign(text.substr(pos + 1, close - pos - 1));
    e.hasValue = true;
    if (hasPending) {
      e.comment = std::move(pending);
      e.hasComment = true;
    }
    out.push_back(std::move(e));
    pending.clear();
    hasPending = false;
    pos = close + 1;
  }
}

std::string WriteParams(const std::vector<ParamEntry>& entries) {
  std::string t;
  for (const ParamEntry& e : entries) {
    if (e.hasComment) {
      // One "#" line per comment line, each with the line end it had.
      std::string_view c = e.comment;
      size_t pos = 0;
      while (pos < c.size()) {
        size_t lf = c.find('\n', pos);
        t += '#';
        if (lf == std::string_view::npos) {
          // A last line without its end (never made by parsing or Add): end
          // it, so that the name that follows stays out of the comment.
          t.append(c.substr(pos));
          t += kCrLf;
          break;
        }
        t.append(c.substr(pos, lf + 1 - pos));
        pos = lf + 1;
      }
    }
    if (!e.name.empty()) {
      t += e.name;
      t += '=';
    }
    t += '"';
    if (e.hasValue) t += e.value;
    t += '"';
    t += kCrLf;
  }
  return t;
}

bool IsStorableName(std::string_view name) {
  if (name.empty() || !IsNameStart(static_cast<unsigned char>(name.front()))) return false;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (!(IsNameStart(c) || c == ' ' || c == '\t')) return false;
  }
  unsigned char last = static_cast<unsigned char>(name.back());
  return last != ' ' && last != '\t';
}

int32_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  uint64_t magnitude = 0;
  auto r = std::from_chars(first, last, magnitude, 10);
  if (r.ec == std::errc::invalid_argument) return 0;
  // Out of range saturates, as the C runtime's atol on a 32-bit long does.
  const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
  if (r.ec == std::errc::result_out_of_range || magnitude > limit) magnitude = limit;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                  : static_cast<int32_t>(magnitude);
}

uint32_t ParseHex(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // An optional 0x or 0X prefix; "0x" with no digit after it reads as 0.
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    if (i + 2 >= text.size() || HexDigit(static_cast<unsigned char>(text[i + 2])) < 0) return 0;
    i += 2;
  }
  uint64_t v = 0;
  auto r = std::from_chars(text.data() + i, text.data() + text.size(), v, 16);
  if (r.ec == std::errc::invalid_argument) return 0;  // no number: nothing stored
  if (r.ec == std::errc::result_out_of_range || v > 0xFFFFFFFFu) v = 0xFFFFFFFFu;
  uint32_t u = static_cast<uint32_t>(v);
  return negative ? 0u - u : u;
}

double ParseDouble(std::string_view text) {
  // strtod in an explicit "C" locale gives atof's full syntax (blanks, sign,
  // exponent, hexadecimal, inf and nan) and its overflow results.
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  std::string s(text);
  if (cLocale) return strtod_l(s.c_str(), nullptr, cLocale);
  size_t i = 0;
  while (i < s.size() && IsCSpace(static_cast<unsigned char>(s[i]))) ++i;
  if (i < s.size() && s[i] == '+') ++i;
  double v = 0;
  std::from_chars(s.data() + i, s.data() + s.size(), v);
  return v;
}

std::string FormatDecimal(int32_t value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string FormatHex(uint32_t value) {
  static const char* digits = "0123456789ABCDEF";
  std::string s(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) s[i] = digits[value & 15];
  return s;
}

std::string FormatDouble(double value) {
  char buf[512];  // the longest fixed form of a double has 317 characters
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  if (r.ec != std::errc()) return std::string();
  return std::string(buf, r.ptr);
}

std::string FormatBinary(const uint8_t* bytes, size_t count) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  s.reserve(2 + count * 3 + (count / 16) * 2);
  s += kCrLf;
  for (size_t i = 0; i < count; ++i) {
    s += ' ';
    s += digits[bytes[i] >> 4];
    s += digits[bytes[i] & 15];
    if ((i + 1) % 16 == 0) s += kCrLf;
  }
  return s;
}

std::vector<uint8_t> ParseBinary(std::string_view text) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    int d = HexDigit(c);
    if (d < 0) d = 0;  // any other character counts as the digit 0
    if (high < 0) {
      high = d;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | d));
      high = -1;
    }
  }
  return out;  // a final unpaired digit is dropped
}

}  // namespace zk::script
