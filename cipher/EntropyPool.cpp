// The entropy pool and its sampling thread.
//
// A sample is four little-endian 32-bit values (calendar time in seconds,
// processor time in clock ticks, the cursor's x and y as the desktop program
// last fed them) XORed with 16 bytes of the operating system's random
// source: the four values alone carry only a few bits, and keys drawn from
// them could be guessed.
//
// The thread is joined when the library is unloaded and at exit (a fatal
// stop ends with exit too), but only by the process that started it: a
// forked child has no such thread. A forked child also drops the unread
// samples it inherited, so that parent and child never hand out the same
// bytes. Every lock and condition the thread uses is never destroyed, since
// a forked child may inherit them in any state.
#include "EntropyPool.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "BlockCommon.h"
#include "ModesInternal.h"

namespace zk::cipher::entropy {
namespace {

constexpr auto kSamplingPeriod = std::chrono::milliseconds(125);

std::atomic<int32_t> gCursorX{0}, gCursorY{0};

// Reads n bytes of the operating system's random source (getrandom, or
// /dev/urandom where the call is missing); bytes it cannot get stay as given.
void OsRandom(uint8_t* out, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = getrandom(out + got, n - got, 0);
    if (r > 0) got += size_t(r);
    else if (r < 0 && errno == EINTR) continue;
    else break;
  }
  if (got == n) return;
  int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  while (got < n) {
    ssize_t r = read(fd, out + got, n - got);
    if (r > 0) got += size_t(r);
    else if (r < 0 && errno == EINTR) continue;
    else break;
  }
  close(fd);
}

void EnvironmentSample(uint8_t* out) {
  StoreLE32(out, uint32_t(std::time(nullptr)));
  StoreLE32(out + 4, uint32_t(std::clock()));
  StoreLE32(out + 8, uint32_t(gCursorX.load(std::memory_order_relaxed)));
  StoreLE32(out + 12, uint32_t(gCursorY.load(std::memory_order_relaxed)));
  uint8_t noise[kSampleSize] = {};
  OsRandom(noise, sizeof noise);
  for (uint32_t i = 0; i < kSampleSize; ++i) out[i] ^= noise[i];
  Wipe(noise, sizeof noise);
}

uint32_t Next(uint32_t index) { return index + 1 == kRingSamples ? 0 : index + 1; }

struct Pool {
  std::mutex lock;
  uint8_t ring[kRingSamples][kSampleSize] = {};
  // Changed only under the lock; read without it to count unread samples.
  std::atomic<uint32_t> write{0}, read{0};
  SampleSource source = nullptr;  // under the lock; null: the environment

  bool EmptyLocked() const {
    return write.load(std::memory_order_relaxed) == read.load(std::memory_order_relaxed);
  }
  void MakeLocked(uint8_t* sample) const {
    if (source) source(sample);
    else EnvironmentSample(sample);
  }
  // Stores a sample; a full ring drops its oldest unread sample, so at most
  // 4999 stay unread.
  void AddLocked(const uint8_t* sample) {
    uint32_t w = write.load(std::memory_order_relaxed);
    std::memcpy(ring[w], sample, kSampleSize);
    w = Next(w);
    write.store(w, std::memory_order_release);
    const uint32_t r = read.load(std::memory_order_relaxed);
    if (w == r) read.store(Next(r), std::memory_order_release);
  }
  void AddFreshLocked() {
    uint8_t fresh[kSampleSize];
    MakeLocked(fresh);
    AddLocked(fresh);
    Wipe(fresh, sizeof fresh);
  }
  void ClearLocked() {
    Wipe(ring, sizeof ring);
    read.store(0, std::memory_order_release);
    write.store(0, std::memory_order_release);
  }
};

Pool& ThePool() {
  // Never destroyed: a draw made while the process ends still finds it.
  static Pool* pool = new Pool;
  return *pool;
}

// The sampling thread: adds a sample every 125 ms until it is told to stop.
struct Sampler {
  std::mutex lock;
  std::condition_variable wake;
  bool stop = false;
  std::thread* thread = nullptr;
  pid_t owner = 0;

  void Run() {
    Pool& pool = ThePool();
    std::unique_lock<std::mutex> hold(lock);
    while (!stop) {
      hold.unlock();
      uint8_t sample[kSampleSize];
      EnvironmentSample(sample);
      {
        std::lock_guard<std::mutex> guard(pool.lock);
        if (!pool.source) pool.AddLocked(sample);
      }
      Wipe(sample, sizeof sample);
      hold.lock();
      wake.wait_for(hold, kSamplingPeriod, [this] { return stop; });
    }
  }

  void Start() {
    owner = getpid();
    try {
      thread = new std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      thread = nullptr;  // draws still work: a take refills the pool at once
    } catch (const std::bad_alloc&) {
      thread = nullptr;
    }
  }

  void Stop() {
    // Only the process that started the thread has it; in a forked child
    // there is nothing to join (and waiting would never end).
    if (!thread || getpid() != owner) return;
    if (thread->get_id() == std::this_thread::get_id()) return;
    {
      std::lock_guard<std::mutex> hold(lock);
      stop = true;
    }
    wake.notify_all();
    thread->join();
    delete thread;
    thread = nullptr;
  }
};

// Fork handlers: the pool's lock is held across the fork, so the child's
// copy is in a known state; the child then drops what it inherited.
void BeforeFork() { ThePool().lock.lock(); }
void AfterForkInParent() { ThePool().lock.unlock(); }
void AfterForkInChild() {
  Pool& pool = ThePool();
  pool.ClearLocked();
  pool.lock.unlock();
}

// Starts the pool with one sample and the thread at library load; stops the
// thread at unload or exit.
class SamplerLifetime {
 public:
  SamplerLifetime() {
    Pool& pool = ThePool();
    {
      std::lock_guard<std::mutex> hold(pool.lock);
      pool.ClearLocked();
      pool.AddFreshLocked();
    }
    pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild);
    sampler_ = new (std::nothrow) Sampler;
    if (sampler_) sampler_->Start();
  }
  ~SamplerLifetime() {
    // The sampler itself is never freed: a forked child may hold its
    // condition in a state that cannot be destroyed.
    if (sampler_) sampler_->Stop();
  }
  SamplerLifetime(const SamplerLifetime&) = delete;
  SamplerLifetime& operator=(const SamplerLifetime&) = delete;

 private:
  Sampler* sampler_ = nullptr;
};

SamplerLifetime gSampling;

}  // namespace

void TakeSample(uint8_t* out) {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> hold(pool.lock);
  if (pool.EmptyLocked()) pool.AddFreshLocked();
  const uint32_t r = pool.read.load(std::memory_order_relaxed);
  std::memcpy(out, pool.ring[r], kSampleSize);
  Wipe(pool.ring[r], kSampleSize);
  pool.read.store(Next(r), std::memory_order_release);
  if (pool.EmptyLocked()) pool.AddFreshLocked();
}

void FillFromSamples(void* out, uint32_t length) {
  uint8_t* p = static_cast<uint8_t*>(out);
  for (; length >= kSampleSize; length -= kSampleSize, p += kSampleSize) TakeSample(p);
  if (length > 0) {
    uint8_t last[kSampleSize];
    TakeSample(last);
    std::memcpy(p, last, length);
    Wipe(last, sizeof last);
  }
}

void UseSampleSource(SampleSource source) {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> hold(pool.lock);
  pool.source = source;
  pool.ClearLocked();
}

void AddSample() {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> hold(pool.lock);
  pool.AddFreshLocked();
}

uint32_t UnreadSamples() {
  const Pool& pool = ThePool();
  const uint32_t w = pool.write.load(std::memory_order_acquire);
  const uint32_t r = pool.read.load(std::memory_order_acquire);
  return (w + kRingSamples - r) % kRingSamples;
}

}  // namespace zk::cipher::entropy

extern "C" ZK_EXPORT void zk5cipher_SetCursorPosition(int32_t x, int32_t y) {
  zk::cipher::entropy::gCursorX.store(x, std::memory_order_relaxed);
  zk::cipher::entropy::gCursorY.store(y, std::memory_order_relaxed);
}
