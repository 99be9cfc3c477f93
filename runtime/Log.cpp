// Status texts, the log file beside the running program, per-thread call
// traces and the fatal stop.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "ProgramFolder.h"
#include "zk5main.h"

namespace {

struct Message {
  StatusCode code;
  const char* text;
};

constexpr Message kMessages[] = {
    {0, "no error"},
    {-1, "fatal internal error"},
    {-2, "invalid arguments"},
    {-3, "operation is not executed"},
    {-4, "it is not enough memories"},
    {-5, "negative result"},
    {-6, "object or value are not found"},
    {-7, "method or part of algorithm not marketed"},
    {-8, "interface not implemented"},
    {-9, "object is not initialized"},
    {-10, "object is already exists"},
    {-11, "pointer to memory or object is null"},
    {-12, "invalid type"},
    {-13, "access prohibited or right on object are absent"},
    {-14, "invalid format"},
    {-15, "too much volume"},
    {-16, "importance abroad possible"},
    {-17, "time expired"},
    {-18, "incorrect version"},
    {-19, "no messges"},
    {-20, "object is not blocked"},
    {-21, "objecy is used"},
    {-101, "can't open object for read/write operations"},
    {-102, "file was not open"},
    {-103, "attempt of the reading abroad file"},
    {-104, "can't read the data from file"},
    {-105, "can't write the data to file"},
    {-201, "system not ready to network exchange"},
    {-202, "network exchange is not supported"},
    {-203, "too much network processes"},
    {-204, "network has died"},
    {-205, "no connection"},
    {-206, "net connection was reseted"},
    {-207, "address or port in use"},
    {-208, "address not possible in used context"},
    {-209, "host not found"},
    {-210, "not to manage to get given completely, or they garbled"},
    {-301, "table already exists"},
    {-302, "invalid type of the field"},
    {-303, "invalid type of the key field"},
    {-304, "field already exists"},
    {-305, "is absent key field"},
    {-306, "in table by no fields"},
    {-307, "field of the key already exists"},
    {-308, "invalid BLOB"},
    {-309, "repeated importance of the key pre-recorded"},
    {-401, "key too small"},
};

// The log and trace state lives for the whole process; the locks are never
// destroyed, since a fatal stop may run while one is held.
struct Log {
  std::mutex* lock = new std::mutex;
  int fd = -1;

  Log() {
    // The path is taken into 1024 bytes: a longer one is cut there.
    std::string path = zk::ProgramPath();
    if (path.empty()) return;
    if (path.size() > 1024 - 1) path.resize(1024 - 1);
    path += ".log";
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
  }
  ~Log() {
    if (fd >= 0) close(fd);
    fd = -1;
  }

  // Text mode: every "\n" goes to the file as CR LF. One write call per
  // piece, as the entry's pieces are written one by one.
  void Put(const char* text) {
    if (fd < 0) return;
    std::string out;
    for (const char* p = text; *p; ++p) {
      if (*p == '\n') out += '\r';
      out += *p;
    }
    const char* d = out.data();
    size_t left = out.size();
    while (left > 0) {
      ssize_t w = write(fd, d, left);
      if (w <= 0) return;  // a short write is not retried
      d += w;
      left -= static_cast<size_t>(w);
    }
  }
};

struct Frame {
  const char* where;
  int32_t line;
};

struct Trace {
  uint32_t thread;
  std::vector<Frame> frames;
};

struct Traces {
  std::mutex* lock = new std::mutex;
  std::vector<Trace>* list = new std::vector<Trace>;  // kept until the process ends
};

// Load order: call traces first, then the log.
Traces& TheTraces() {
  static Traces t;
  return t;
}
Log& TheLog() {
  static Log log;
  return log;
}
[[maybe_unused]] const bool kLoaded = (TheTraces(), TheLog(), true);

void TimeLine(char out[32]) {
  // The C runtime's ctime form, day of month zero-padded:
  // "Wed Dec 09 09:52:19 2026\n".
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  time_t now = time(nullptr);
  struct tm t {};
  localtime_r(&now, &t);
  std::snprintf(out, 32, "%s %s %02d %02d:%02d:%02d %04d\n", kDays[t.tm_wday % 7],
                kMonths[t.tm_mon % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                t.tm_year + 1900);
}

}  // namespace

const char* zk_ErrorMessageEn(StatusCode code) {
  for (const Message& m : kMessages)
    if (m.code == code) return m.text;
  return "unrecognozed error";
}

void zk_WriteToLog(const char* text) {
  if (!text) return;
  Log& log = TheLog();
  std::lock_guard<std::mutex> hold(*log.lock);
  log.Put(text);
  log.Put("\n");
  if (log.fd >= 0) fsync(log.fd);
}

void zk_WriteTimedToLog(const char* text) {
  if (!text) return;
  Log& log = TheLog();
  char when[32];
  TimeLine(when);
  std::lock_guard<std::mutex> hold(*log.lock);
  log.Put("--------------------------------------------------\n");
  log.Put(when);
  log.Put("\n");
  log.Put(text);
  log.Put("\n");
}

uint32_t zk_GetCurrentThreadId(void) { return static_cast<uint32_t>(syscall(SYS_gettid)); }

void zk_PushCall(const char* where, int32_t line) {
  Traces& t = TheTraces();
  uint32_t self = zk_GetCurrentThreadId();
  std::lock_guard<std::mutex> hold(*t.lock);
  for (Trace& trace : *t.list) {
    if (trace.thread == self) {
      trace.frames.push_back({where, line});
      return;
    }
  }
  t.list->push_back({self, {{where, line}}});
}

void zk_PopCall(void) {
  Traces& t = TheTraces();
  uint32_t self = zk_GetCurrentThreadId();
  std::lock_guard<std::mutex> hold(*t.lock);
  for (Trace& trace : *t.list) {
    if (trace.thread == self) {
      if (!trace.frames.empty()) trace.frames.pop_back();
      return;
    }
  }
}

void zk_ExceptMessage(StatusCode code) {
  char text[128];
  std::snprintf(text, sizeof text, "Error: %s", zk_ErrorMessageEn(code));
  zk_WriteTimedToLog(text);
  {
    Traces& t = TheTraces();
    std::lock_guard<std::mutex> hold(*t.lock);
    for (Trace& trace : *t.list) {
      char line[64];
      std::snprintf(line, sizeof line, "Thread %d:", static_cast<int>(trace.thread));
      zk_WriteToLog(line);
      while (!trace.frames.empty()) {
        Frame f = trace.frames.back();
        trace.frames.pop_back();
        if (!f.where) continue;
        std::string entry = std::string(f.where) + " - line " + std::to_string(f.line);
        zk_WriteToLog(entry.c_str());
      }
    }
  }
  std::exit(code);
}
