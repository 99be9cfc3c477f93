// The running digest of a save's work stream: it holds only while the
// writes follow one another from 0 and equals the digest of what the
// stream holds; it is computed on the thread that writes (a write-behind
// stage's), never on two threads at once; and a secret saved through it is
// byte for byte the secret the digest pass of the whole content writes,
// while a work stream used otherwise falls back to that pass.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "EngineTables.h"
#include "RunningDigest.h"
#include "SecretFiles.h"
#include "SecretFormat.h"
#include "SecretPipe.h"
#include "StorageTestSupport.h"
#include "tests/SecretTestSupport.h"

using namespace enginetest;
using zk::engine::MakeDigestingStream;
using zk::engine::TakeRunningDigest;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint32_t seed = 7) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    v[i] = (i / 3000) % 2 ? uint8_t(x >> 24) : uint8_t("running digest "[i % 15]);
  }
  return v;
}

// The digest of bytes by a fresh hash of the kind, in one piece.
std::vector<uint8_t> DigestOf(int hashIndex, const std::vector<uint8_t>& bytes) {
  zk::IHash* hash = nullptr;
  EXPECT_EQ(zk::engine::MakeHash(hashIndex, &hash), 0);
  std::vector<uint8_t> d(32, 0);
  EXPECT_EQ(hash->Init(), 0);
  if (!bytes.empty()) {
    EXPECT_EQ(hash->Update(bytes.data(), uint32_t(bytes.size())), 0);
  }
  EXPECT_EQ(hash->Final(d.data(), 32), 0);
  hash->Release();
  return d;
}

zk::IFileStrem* Digesting(zk::IFileStrem* inner, int hashIndex) {
  zk::IHash* hash = nullptr;
  EXPECT_EQ(zk::engine::MakeHash(hashIndex, &hash), 0);
  zk::IFileStrem* out = nullptr;
  EXPECT_EQ(MakeDigestingStream(inner, hash, hashIndex, &out), 0);
  return out;
}

void Put(zk::IFileStrem* s, const std::vector<uint8_t>& v, size_t from, size_t to) {
  static const uint32_t sizes[] = {1, 4096, 18, 65536, 70001, 3};
  for (size_t at = from, i = 0; at < to; ++i) {
    const uint32_t n = uint32_t(std::min<size_t>(sizes[i % 6], to - at));
    ASSERT_EQ(s->Write(v.data() + at, n), 0);
    at += n;
  }
}

}  // namespace

// Each use of a stream, over memory and over a temporary file: whether the
// running digest is still there at the end, and when it is, that it is the
// digest of every byte the stream holds.
TEST(RunningDigest, HoldsOnlyForWritesInOrderFromZero) {
  LoadLibraries();
  const std::vector<uint8_t> data = Pattern(300000);
  const size_t half = data.size() / 2;
  struct Case {
    const char* name;
    bool holds;
    std::function<void(zk::IFileStrem*)> use;
  };
  uint8_t piece[100];
  uint32_t got = 0;
  const Case cases[] = {
      {"writes in pieces", true, [&](zk::IFileStrem* s) { Put(s, data, 0, data.size()); }},
      {"nothing written", true, [&](zk::IFileStrem*) {}},
      {"reads and seeks between the writes", true,
       [&](zk::IFileStrem* s) {
         Put(s, data, 0, half);
         s->Seek(0, zk::kSeekSet);
         s->Read(piece, sizeof piece, &got);
         s->Seek(0, zk::kSeekEnd);
         Put(s, data, half, data.size());
         s->Seek(0, zk::kSeekSet);
       }},
      {"copied in", true,
       [&](zk::IFileStrem* s) {
         Ref<zk::IFileStrem> source(zktest::NewMem(data));
         ASSERT_EQ(s->CopyFrom(source.get(), 0), 0);
       }},
      {"the same bytes written over", false,
       [&](zk::IFileStrem* s) {
         Put(s, data, 0, data.size());
         s->Seek(10, zk::kSeekSet);
         Put(s, data, 10, 20);
       }},
      {"written from the start again", false,
       [&](zk::IFileStrem* s) {
         Put(s, data, 0, half);
         s->Seek(0, zk::kSeekSet);
         Put(s, data, 0, data.size());
       }},
      {"cut and written to the end again", false,
       [&](zk::IFileStrem* s) {
         Put(s, data, 0, data.size());
         s->Seek(int64_t(half), zk::kSeekSet);
         s->SetEnd();
         Put(s, data, half, data.size());
       }},
      {"a gap and an overlap as long as it", false,
       [&](zk::IFileStrem* s) {
         Put(s, data, 0, 1000);
         s->Seek(2000, zk::kSeekSet);  // beyond the end: a file grows a gap, memory stays
         Put(s, data, 2000, 3000);
         s->Seek(500, zk::kSeekSet);
         Put(s, data, 500, 1500);
       }},
      {"the end set where it is", true,
       [&](zk::IFileStrem* s) {
         Put(s, data, 0, data.size());
         s->SetEnd();
       }},
  };
  for (bool file : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(file ? "file: " : "memory: ") + c.name);
      zk::IFileStrem* inner = nullptr;
      if (file) {
        Ref<zk::IFileSystem> fs(zktest::NewFs());
        ASSERT_EQ(zk::engine::MakeTempFile(fs.get(), &inner), 0);
      } else {
        inner = zktest::NewMem();
      }
      Ref<zk::IFileStrem> s(Digesting(inner, zk::kHashSHA32));
      c.use(s.get());
      const std::vector<uint8_t> held = zktest::ReadAll(s.get());
      uint8_t d[32];
      std::memset(d, 0xEE, sizeof d);
      // A digest of another kind is never taken for this one.
      EXPECT_FALSE(TakeRunningDigest(s.get(), zk::kHashMD5, d));
      ASSERT_EQ(TakeRunningDigest(s.get(), zk::kHashSHA32, d), c.holds);
      if (c.holds) {
        EXPECT_EQ(std::vector<uint8_t>(d, d + 32), DigestOf(zk::kHashSHA32, held));
        // Taken once only.
        EXPECT_FALSE(TakeRunningDigest(s.get(), zk::kHashSHA32, d));
      }
    }
  }
  // Over memory the block handed out (to be wiped) may change behind the
  // stream: the digest goes.
  Ref<zk::IFileStrem> s(Digesting(zktest::NewMem(), zk::kHashSHA32));
  Put(s.get(), data, 0, 1000);
  zk::engine::WipeStream(s.get());
  uint8_t d[32];
  EXPECT_FALSE(TakeRunningDigest(s.get(), zk::kHashSHA32, d));
  // A stream of the toolkit's own has none.
  Ref<zk::IFileStrem> plain(zktest::NewMem(data));
  EXPECT_FALSE(TakeRunningDigest(plain.get(), zk::kHashSHA32, d));
}

namespace {

// A hash that records the threads it runs on and whether two ever overlap
// (a sum of the bytes stands for the digest).
class WatchedHash final : public zk::ToolkitObject<WatchedHash, zk::IHash> {
 public:
  static constexpr const char* kClassId = "test.WatchedHash";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::CryptoIHash, 0}};
  uint32_t GetDigestSize() override { return 8; }
  uint32_t GetBlockSize() override { return 1; }
  StatusCode Init() override {
    Enter();
    sum = 0;
    Leave();
    return 0;
  }
  StatusCode Update(const void* data, uint32_t length) override {
    Enter();
    updates.push_back(std::this_thread::get_id());
    for (uint32_t i = 0; i < length; ++i) sum = sum * 31 + static_cast<const uint8_t*>(data)[i];
    std::this_thread::yield();
    Leave();
    return 0;
  }
  StatusCode Final(void* out, uint32_t size) override {
    Enter();
    std::memcpy(out, &sum, size < 8 ? size : 8);
    Leave();
    return 0;
  }
  std::vector<std::thread::id> updates;
  std::atomic<bool> overlapped{false};
  uint64_t sum = 0;

 private:
  void Enter() {
    if (busy_.exchange(true)) overlapped = true;
  }
  void Leave() { busy_ = false; }
  std::atomic<bool> busy_{false};
};

}  // namespace

// Written through a write-behind stage, as a compressed save writes its
// coding, every byte is hashed on the stage's thread, one call at a time,
// and the digest is there when the stage has ended.
TEST(RunningDigest, HashesOnTheWritingStagesThread) {
  LoadLibraries();
  const std::vector<uint8_t> data = Pattern(5 * 1000 * 1000);
  WatchedHash* hash = new WatchedHash();
  hash->AddRef();  // one for the stream, one for the test
  zk::IFileStrem* out = nullptr;
  ASSERT_EQ(MakeDigestingStream(zktest::NewMem(), hash, 9, &out), 0);
  Ref<zk::IFileStrem> s(out);
  ASSERT_EQ(s->Write(data.data(), 18), 0);  // the head, before the stage starts
  {
    zk::engine::WriteBehind writing;
    ASSERT_EQ(writing.Start(s.get()), 0);
    Put(writing.stream(), data, 18, data.size());
    ASSERT_EQ(writing.Finish(0), 0);
  }
  uint8_t d[32] = {};
  ASSERT_TRUE(TakeRunningDigest(s.get(), 9, d));
  uint64_t expect = 0;
  for (uint8_t b : data) expect = expect * 31 + b;
  EXPECT_EQ(std::memcmp(d, &expect, 8), 0);
  EXPECT_FALSE(hash->overlapped);
  ASSERT_GT(hash->updates.size(), 10u);
  EXPECT_EQ(hash->updates.front(), std::this_thread::get_id());
  const std::thread::id stage = hash->updates[1];
  EXPECT_NE(stage, std::this_thread::get_id());
  for (size_t i = 1; i < hash->updates.size(); ++i) EXPECT_EQ(hash->updates[i], stage);
  hash->Release();
}

namespace {

// The secret's own stream provider face.
zk::IStreamProvider* ProviderOf(zk::IKivSecret* secret) {
  return Face<zk::IStreamProvider>(secret, zk::id::KivIStreamProvider);
}

// Creates a file secret at path and saves disk into it compressed; then
// loads its whole content back.
void SaveCompressed(zk::IKivSecret* secret, const std::string& path, const std::string& disk, int hash,
                    std::vector<uint8_t>* content) {
  zk::SecretParams p = Params(zk::kContentFile, zk::kFormatSecretFile, hash, 4, "pw");
  Ref<zk::IBase> object;
  ASSERT_EQ(secret->Create(path.c_str(), &p, object.out()), 0);
  Ref<zk::IKivFile> file(Face<zk::IKivFile>(object.get(), zk::id::KivIKivFile));
  ASSERT_EQ(file->LoadFromDisk(disk.c_str(), 1, nullptr), 0);
  Ref<zk::IStreamProvider> provider(ProviderOf(secret));
  Ref<zk::IFileStrem> back(zktest::NewMem());
  ASSERT_EQ(provider->Load(back.get(), 0, nullptr), 0);
  *content = zktest::ReadAll(back.get());
}

}  // namespace

// With the clock and the mask fixed, a compressed file secret (every hash
// kind, in memory and, above the staging limit, through a temporary file)
// and a message secret are the very bytes the same content saved from a
// plain stream writes (the digest pass over the whole content); and a
// work stream written over, cut, or saved with extra bytes falls back to
// that pass and gives them too.
TEST(RunningDigest, SavedSecretsAreTheBytesOfTheDigestPass) {
  LoadLibraries();
  zktest::TempDir dir;
  struct Size {
    int hash;
    size_t bytes;
  };
  const Size sizes[] = {{zk::kHashMD5, 200000},
                        {zk::kHashSHA, 200000},
                        {zk::kHashSHA32, 200000},
                        {zk::kHashGOST, 200000},
                        {zk::kHashSHA32, size_t(zk::engine::kStageLimit) + 54321}};
  for (const Size& z : sizes) {
    SCOPED_TRACE("hash " + std::to_string(z.hash) + ", " + std::to_string(z.bytes) + " bytes");
    const std::vector<uint8_t> data = Pattern(z.bytes, uint32_t(z.bytes));
    const std::string disk = dir.File("file.bin");
    zktest::WriteFile(disk, data);
    const std::string path = dir.File("s.kvs");
    FixedClock clock(0x5F000000u, 0x1234);
    Ref<zk::IKivSecret> secret(NewSecret());
    std::vector<uint8_t> content;
    SaveCompressed(secret.get(), path, disk, z.hash, &content);
    const std::vector<uint8_t> saved = zktest::ReadFile(path);
    ASSERT_FALSE(saved.empty());
    Ref<zk::IStreamProvider> provider(ProviderOf(secret.get()));
    // The digest pass over a stream of the toolkit's own.
    {
      Ref<zk::IFileStrem> plain(zktest::NewMem(content));
      ASSERT_EQ(provider->Save(plain.get(), nullptr, nullptr, 0), 0);
      EXPECT_EQ(zktest::ReadFile(path), saved);
    }
    // The secret's work streams digest with the hash of its header.
    {
      zk::IFileStrem* w = nullptr;
      ASSERT_EQ(zk::engine::CreateSaveStream(provider.get(), 0, &w), 0);
      Ref<zk::IFileStrem> work(w);
      Put(work.get(), content, 0, content.size());
      uint8_t d[32];
      ASSERT_TRUE(TakeRunningDigest(work.get(), z.hash, d));
      EXPECT_EQ(std::vector<uint8_t>(d, d + 32), DigestOf(z.hash, content));
    }
    // Work streams of the secret, used in order and otherwise.
    const size_t cut = content.size() / 3;
    struct Use {
      const char* name;
      std::function<void(zk::IFileStrem*)> write;
      uint32_t extra;
    };
    const Use uses[] = {
        {"in order", [&](zk::IFileStrem* s) { Put(s, content, 0, content.size()); }, 0},
        {"written over", [&](zk::IFileStrem* s) {
           std::vector<uint8_t> wrong(content.size(), 0x5A);
           Put(s, wrong, 0, wrong.size());
           s->Seek(0, zk::kSeekSet);
           Put(s, content, 0, content.size());
         }, 0},
        {"cut and written again", [&](zk::IFileStrem* s) {
           Put(s, content, 0, content.size());
           s->Seek(int64_t(cut), zk::kSeekSet);
           s->SetEnd();
           Put(s, content, cut, content.size());
         }, 0},
        {"seeked back and on", [&](zk::IFileStrem* s) {
           Put(s, content, 0, cut);
           s->Seek(1, zk::kSeekSet);
           s->Seek(0, zk::kSeekEnd);
           Put(s, content, cut, content.size());
         }, 0},
        {"with extra bytes", [&](zk::IFileStrem* s) { Put(s, content, cut, content.size()); }, uint32_t(cut)},
    };
    for (const Use& u : uses) {
      SCOPED_TRACE(u.name);
      zk::IFileStrem* w = nullptr;
      ASSERT_EQ(zk::engine::CreateSaveStream(provider.get(), z.bytes > zk::engine::kStageLimit, &w), 0);
      Ref<zk::IFileStrem> work(w);
      u.write(work.get());
      work->Seek(0, zk::kSeekSet);
      ASSERT_EQ(provider->Save(work.get(), nullptr, u.extra ? content.data() : nullptr, u.extra), 0);
      EXPECT_EQ(zktest::ReadFile(path), saved);
    }
    EXPECT_EQ(ReadFileBack(path, zk::kFormatSecretFile, "pw", dir.File("back.bin")), 0);
    EXPECT_EQ(zktest::ReadFile(dir.File("back.bin")), data);
  }
  // A message: saved through its coder's stream, then from a plain one.
  FixedClock clock(0x5F000000u, 0x4321);
  const std::vector<uint8_t> bytes = Pattern(300000);
  std::string text(bytes.begin(), bytes.end());
  for (char& ch : text) ch = ch ? ch : ' ';
  const std::string path = dir.File("m.kvs");
  ASSERT_EQ(SaveMessage(path, zk::kFormatSecretFile, zk::kHashSHA, 4, "pw", text), 0);
  const std::vector<uint8_t> saved = zktest::ReadFile(path);
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(0, zk::kFormatSecretFile, 0, 0, "pw");
  Ref<zk::IBase> object;
  ASSERT_EQ(secret->Open(path.c_str(), &p, object.out()), 0);
  Ref<zk::IStreamProvider> provider(ProviderOf(secret.get()));
  Ref<zk::IFileStrem> content(zktest::NewMem());
  ASSERT_EQ(provider->Load(content.get(), 0, nullptr), 0);
  content->Seek(0, zk::kSeekSet);
  ASSERT_EQ(provider->Save(content.get(), nullptr, nullptr, 0), 0);
  EXPECT_EQ(zktest::ReadFile(path), saved);
  std::string back;
  ASSERT_EQ(ReadMessage(path, zk::kFormatSecretFile, "pw", &back), 0);
  EXPECT_EQ(back, text);
}
