// Heap, toolkit strings, relative paths and detached threads.
#include <malloc.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <system_error>
#include <thread>

#include "zk5main.h"
#include "zk5Status.h"

namespace {

size_t WLen(const char16_t* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

}  // namespace

void* zk_malloc(int32_t size) {
  if (size == 0) return nullptr;
  return std::malloc(static_cast<size_t>(static_cast<uint32_t>(size)));
}

void* zk_realloc(void* block, int32_t size) {
  return std::realloc(block, static_cast<size_t>(static_cast<uint32_t>(size)));
}

void zk_free(void* block) { std::free(block); }

void* zk_calloc(int32_t count, int32_t size) {
  // The product is taken in 32 bits, as the callers expect.
  uint32_t total = static_cast<uint32_t>(count) * static_cast<uint32_t>(size);
  if (total == 0) return nullptr;
  return std::calloc(1, total);
}

uint32_t zk_msize(void* block) {
  if (!block) return 0;
  return static_cast<uint32_t>(malloc_usable_size(block));
}

uint32_t zk_SizeOfAllocMem(void) { return 0; }

void* zk_DupBlob(const void* blob) {
  if (!blob) return nullptr;
  uint32_t n;
  std::memcpy(&n, blob, 4);
  if (n == 0) return nullptr;
  void* copy = std::malloc(n);
  if (copy) std::memcpy(copy, blob, n);
  return copy;
}

char* zk_DupString(const char* s) {
  if (!s) return nullptr;
  size_t n = std::strlen(s) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, s, n);
  return copy;
}

char* zk_DupStringEx(const char* s, int32_t extra) {
  if (!s && extra == 0) return nullptr;
  size_t len = s ? std::strlen(s) : 0;
  size_t room = extra > 0 ? static_cast<size_t>(extra) : 0;
  char* copy = static_cast<char*>(std::malloc(len + room + 1));
  if (!copy) return nullptr;
  if (s) std::memcpy(copy, s, len);
  copy[len] = 0;
  return copy;
}

char* zk_ConcatString(char* s, const char* t) {
  if (!t) return s;
  if (!s) return zk_DupString(t);
  size_t a = std::strlen(s), b = std::strlen(t);
  char* r = static_cast<char*>(std::realloc(s, a + b + 1));
  if (!r) return nullptr;
  std::memcpy(r + a, t, b + 1);
  return r;
}

char16_t* zk_DupWString(const char16_t* s) {
  if (!s) return nullptr;
  size_t n = (WLen(s) + 1) * 2;
  char16_t* copy = static_cast<char16_t*>(std::malloc(n));
  if (copy) std::memcpy(copy, s, n);
  return copy;
}

char16_t* zk_DupWStringEx(const char16_t* s, int32_t extra) {
  if (!s && extra == 0) return nullptr;
  size_t len = s ? WLen(s) : 0;
  size_t room = extra > 0 ? static_cast<size_t>(extra) : 0;
  char16_t* copy = static_cast<char16_t*>(std::malloc(2 * (len + room + 1)));
  if (!copy) return nullptr;
  if (s) std::memcpy(copy, s, 2 * len);
  copy[len] = 0;
  return copy;
}

char16_t* zk_ConcatWString(char16_t* s, const char16_t* t) {
  if (!t) return s;
  if (!s) return zk_DupWString(t);
  size_t a = WLen(s), b = WLen(t);
  char16_t* r = static_cast<char16_t*>(std::realloc(s, 2 * (a + b + 1)));
  if (!r) return nullptr;
  std::memcpy(r + a, t, 2 * (b + 1));
  return r;
}

char* zk_DupFromWString(const char16_t* w) {
  if (!w) return nullptr;
  size_t len = WLen(w);
  char* out = static_cast<char*>(std::malloc(len + 1));
  if (!out) return nullptr;
  // Character by character through the current locale, at most len bytes.
  std::mbstate_t state{};
  size_t pos = 0;
  for (size_t i = 0; i < len && pos < len; ++i) {
    char buf[MB_LEN_MAX];
    size_t n = std::wcrtomb(buf, static_cast<wchar_t>(w[i]), &state);
    if (n == static_cast<size_t>(-1)) {
      buf[0] = '?';
      n = 1;
      state = std::mbstate_t{};
    }
    if (pos + n > len) break;
    std::memcpy(out + pos, buf, n);
    pos += n;
  }
  out[pos] = 0;
  return out;
}

char16_t* zk_DupFromString(const char* s) {
  if (!s) return nullptr;
  size_t len = std::strlen(s);
  char16_t* out = static_cast<char16_t*>(std::malloc(2 * (len + 1)));
  if (!out) return nullptr;
  std::mbstate_t state{};
  size_t pos = 0, i = 0;
  while (i < len) {
    wchar_t wc;
    size_t n = std::mbrtowc(&wc, s + i, len - i, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      // Not valid in this locale: take the byte as it is.
      wc = static_cast<unsigned char>(s[i]);
      n = 1;
      state = std::mbstate_t{};
    } else if (n == 0) {
      break;
    }
    out[pos++] = static_cast<char16_t>(wc);
    i += n;
  }
  out[pos] = 0;
  return out;
}

char* zk_ConstructRelationalPath(const char* dir, const char* target, char sep) {
  if (!dir || !target) return nullptr;
  size_t k = 0;
  while (dir[k] && target[k] && dir[k] == target[k]) ++k;
  const char dot[] = {'.', sep, 0};
  if (dir[k] == 0) {
    if (target[k] == 0) return zk_DupString(dot);
    char* r = zk_DupString(dot);
    return r ? zk_ConcatString(r, target + k + 1) : nullptr;
  }
  while (k > 0 && dir[k] != sep) --k;
  size_t tlen = std::strlen(target);
  char* result = zk_DupString(k < tlen ? target + k + 1 : "");
  if (!result) return nullptr;
  const char up[] = {'.', '.', sep, 0};
  for (size_t i = k; dir[i]; ++i) {
    if (dir[i] != sep) continue;
    char* next;
    if (result[0] == 0) {
      next = zk_DupString("..");
    } else {
      next = zk_DupString(up);
      if (next) next = zk_ConcatString(next, result);
    }
    zk_free(result);
    if (!next) return nullptr;
    result = next;
  }
  return result;
}

namespace {
struct ThreadStartBlock {
  ThreadFunction function;
  void* argument;
};

void Trampoline(ThreadStartBlock* block) {
  ThreadFunction f = block->function;
  void* a = block->argument;
  f(a);
  zk_free(block);
}
}  // namespace

StatusCode zk_StartThread(ThreadFunction function, void* argument) {
  if (!function) return zk::kInvalidArg;
  auto* block = static_cast<ThreadStartBlock*>(zk_malloc(sizeof(ThreadStartBlock)));
  if (!block) return zk::kNoMemory;
  block->function = function;
  block->argument = argument;
  try {
    std::thread(Trampoline, block).detach();
  } catch (const std::system_error&) {
    // Reported, so a caller never waits for a thread that never ran.
    zk_free(block);
    return zk::kNotExecuted;
  } catch (const std::bad_alloc&) {
    zk_free(block);
    return zk::kNoMemory;
  }
  return zk::kOk;
}
