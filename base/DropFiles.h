// The drop-file list (CF_HDROP block) that hands a selection of file names
// from the file manager to the extension, and from a drop to the desktop
// program: a 20-byte header {name offset, x, y, non-client flag, wide flag}
// of little-endian 32-bit values, then the names from the name offset on,
// each ended by a zero character, the list ended by an empty name. Byte
// names are UTF-8; wide names are UTF-16 (little-endian 16-bit units).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ByteOrder.h"

namespace zk {

inline constexpr size_t kDropFilesHeaderSize = 20;

// A UTF-16 name as UTF-8; false when it holds a lone surrogate.
inline bool Utf16ToUtf8(const std::u16string& in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= in.size() || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (in[++i] - 0xDC00);
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return true;
}

// A UTF-8 name as UTF-16; bytes that are not UTF-8 are taken one by one as
// characters of their own value, so every name converts.
inline std::u16string Utf8ToUtf16(const std::string& in) {
  std::u16string out;
  for (size_t i = 0; i < in.size();) {
    uint8_t b = uint8_t(in[i]);
    uint32_t c = b;
    size_t n = b < 0x80 ? 1 : b >= 0xF5 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    if (n > 1 && i + n <= in.size()) {
      c = b & (0xFF >> (n + 1));
      for (size_t k = 1; k < n; ++k) {
        uint8_t t = uint8_t(in[i + k]);
        if ((t & 0xC0) != 0x80) {
          n = 0;
          break;
        }
        c = (c << 6) | (t & 0x3F);
      }
      static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
      if (n && (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) n = 0;
    } else if (n > 1) {
      n = 0;
    }
    if (n == 0) {
      c = b;
      n = 1;
    }
    if (c >= 0x10000) {
      out += char16_t(0xD800 + ((c - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += char16_t(c);
    }
    i += n;
  }
  return out;
}

// The names of a drop-file list, in order. The walk stays inside the block:
// a block shorter than its header or a name offset outside it gives no
// names, a last name without its zero ends the list, and a wide name that
// is not valid UTF-16 is skipped.
inline std::vector<std::string> DropFileNames(const uint8_t* block, size_t size) {
  std::vector<std::string> names;
  if (!block || size < kDropFilesHeaderSize) return names;
  size_t at = LoadLE32(block);
  bool wide = LoadLE32(block + 16) != 0;
  if (at < kDropFilesHeaderSize || at > size) return names;
  if (!wide) {
    for (;;) {
      size_t end = at;
      while (end < size && block[end] != 0) ++end;
      if (end >= size || end == at) break;
      names.emplace_back(reinterpret_cast<const char*>(block + at), end - at);
      at = end + 1;
    }
    return names;
  }
  for (;;) {
    std::u16string name;
    size_t end = at;
    while (end + 2 <= size && LoadLE16(block + end) != 0) {
      name += char16_t(LoadLE16(block + end));
      end += 2;
    }
    if (end + 2 > size || name.empty()) break;
    std::string utf8;
    if (Utf16ToUtf8(name, utf8)) names.push_back(std::move(utf8));
    at = end + 2;
  }
  return names;
}

// A drop-file list of the names (header at offset 0, names from offset
// 20), byte or wide.
inline std::vector<uint8_t> MakeDropFiles(const std::vector<std::string>& names, bool wide) {
  std::vector<uint8_t> block(kDropFilesHeaderSize, 0);
  StoreLE32(block.data(), uint32_t(kDropFilesHeaderSize));
  StoreLE32(block.data() + 16, wide ? 1 : 0);
  for (const std::string& n : names) {
    if (wide) {
      for (char16_t c : Utf8ToUtf16(n)) {
        block.push_back(uint8_t(c));
        block.push_back(uint8_t(c >> 8));
      }
      block.insert(block.end(), 2, 0);
    } else {
      block.insert(block.end(), n.begin(), n.end());
      block.push_back(0);
    }
  }
  block.insert(block.end(), wide ? 2 : 1, 0);
  return block;
}

}  // namespace zk
