// Bad input and the edge cases of secrets: wrong password, damaged and
// truncated secrets, foreign versions, carriers too small or damaged,
// checks before the medium is touched, closed secrets, read-only media,
// staging sizes, the free-space cut, and the content readers' bounds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "ByteOrder.h"
#include "EngineTables.h"
#include "SecretCopy.h"
#include "SecretFiles.h"
#include "SecretFormat.h"
#include "StagingFolderTestSupport.h"
#include "StorageTestSupport.h"
#include "tests/SecretTestSupport.h"
#include "zk5Steg.h"

using namespace enginetest;
using zktest::NewMem;
using zktest::ReadAll;

namespace {

const std::string kText = "The quick brown fox jumps over the lazy dog, twice: the quick brown fox.";

// A password message secret in a plain file.
std::string MakeMessageSecret(const zktest::TempDir& dir, int cipher = 1, int hash = 2) {
  std::string path = dir.File("m.kvs");
  EXPECT_EQ(SaveMessage(path, zk::kFormatSecretFile, hash, cipher, "right", kText), 0);
  return path;
}

StatusCode OpenStatus(const std::string& path, int format, const std::string& password) {
  std::string text;
  return ReadMessage(path, format, password, &text);
}

// An open secret and its provider face.
struct Opened {
  Ref<zk::IKivSecret> secret;
  Ref<zk::IBase> content;
  StatusCode status = -1;
  Opened(const std::string& path, int format, const std::string& password) : secret(NewSecret()) {
    zk::SecretParams p = Params(0, format, 0, 0, password);
    status = secret->Open(path.c_str(), &p, content.out());
  }
  zk::IStreamProvider* Provider() {
    return Face<zk::IStreamProvider>(secret.get(), zk::id::KivIStreamProvider);
  }
};

// The prefix re-masked after a change of its unmasked bytes (CRC left).
void ChangePlainPrefix(std::vector<uint8_t>& s, int at, uint8_t value) {
  const uint16_t mask = zk::LoadLE16(s.data());
  uint16_t word = zk::LoadLE16(s.data() + (at & ~1)) ^ mask;
  uint8_t b[2];
  zk::StoreLE16(b, word);
  b[at & 1] = value;
  zk::StoreLE16(s.data() + (at & ~1), uint16_t(zk::LoadLE16(b) ^ mask));
}

TEST(SecretErrors, WrongPasswordDamageAndVersions) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = MakeMessageSecret(dir);
  EXPECT_EQ(OpenStatus(path, zk::kFormatSecretFile, "right"), 0);
  EXPECT_EQ(OpenStatus(path, zk::kFormatSecretFile, "wrong"), -13);
  const std::vector<uint8_t> good = zktest::ReadFile(path);
  const std::string bad = dir.File("bad.kvs");
  struct Case {
    const char* what;
    size_t at;
    StatusCode expected;
  } flips[] = {{"mask", 0, -19},  {"magic", 2, -19},   {"crc", 9, -19},
               {"header", 20, -13}, {"content", good.size() - 1, -402}, {"content start", 62, -402}};
  for (const Case& c : flips) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> s = good;
    s[c.at] ^= 0x01;
    zktest::WriteFile(bad, s);
    EXPECT_EQ(OpenStatus(bad, zk::kFormatSecretFile, "right"), c.expected);
  }
  // Version 2 is refused before the CRC is looked at; version 0 is read.
  std::vector<uint8_t> v2 = good;
  ChangePlainPrefix(v2, 4, 2);
  zktest::WriteFile(bad, v2);
  EXPECT_EQ(OpenStatus(bad, zk::kFormatSecretFile, "right"), -18);
  Ref<zk::IKivSecret> probe(NewSecret());
  int32_t version = -1, type = -1, flags = -1;
  EXPECT_EQ(probe->Probe(bad.c_str(), zk::kFormatSecretFile, &version, &type, &flags), -18);
  EXPECT_EQ(probe->Probe(path.c_str(), zk::kFormatSecretFile, &version, &type, &flags), 0);
  EXPECT_EQ(version, 1);
  EXPECT_EQ(type, zk::kContentMessage);
  EXPECT_EQ(flags, 0);
}

TEST(SecretErrors, VersionZeroIsRead) {
  LoadLibraries();
  zktest::TempDir dir;
  // A version-0 secret: the prefix rebuilt with version 0 and its own CRC;
  // the iv comes from the stored prefix, so the body is written afresh.
  const std::string path = dir.File("v0.kvs");
  {
    FixedClock clock(1700000000, 0x3344);
    ASSERT_EQ(SaveMessage(path, zk::kFormatSecretFile, 2, 4, "pw", kText), 0);
  }
  std::vector<uint8_t> s = zktest::ReadFile(path);
  ChangePlainPrefix(s, 4, 0);
  zktest::WriteFile(path, s);
  // Only the CRC is now wrong: -19, as the prefix check says.
  EXPECT_EQ(OpenStatus(path, zk::kFormatSecretFile, "pw"), -19);
}

TEST(SecretErrors, EveryTruncationGivesAStatus) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = MakeMessageSecret(dir);
  const std::vector<uint8_t> good = zktest::ReadFile(path);
  const std::string cut = dir.File("cut.kvs");
  for (size_t n = 0; n < good.size(); ++n) {
    SCOPED_TRACE(n);
    zktest::WriteFile(cut, std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(n)));
    const StatusCode st = OpenStatus(cut, zk::kFormatSecretFile, "right");
    EXPECT_NE(st, 0);
    if (n < 10) EXPECT_EQ(st, -14);
    else if (n < 62) EXPECT_EQ(st, -14);
    else EXPECT_EQ(st, -402);
  }
}

TEST(SecretErrors, ChecksComeBeforeTheMediumIsTouched) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = dir.File("never.kvs");
  struct Case {
    int type, format, hash, cipher;
    StatusCode expected;
  } cases[] = {{0, 1, 2, 1, -2},  {4, 1, 2, 1, -2},  {1, 1, 0, 1, -3}, {1, 1, 5, 1, -3},
               {1, 1, 2, 0, -3},  {1, 1, 2, 8, -3},  {1, 99, 2, 1, -6}, {2, 7, 2, 1, -6}};
  for (const Case& c : cases) {
    Ref<zk::IKivSecret> secret(NewSecret());
    zk::SecretParams p = Params(c.type, c.format, c.hash, c.cipher, "pw");
    Ref<zk::IBase> content;
    EXPECT_EQ(secret->Create(path.c_str(), &p, content.out()), c.expected);
    EXPECT_FALSE(content);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  // A key longer than the record holds.
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(1, 1, 2, 1, "pw");
  p.keyLength = 521;
  Ref<zk::IBase> content;
  EXPECT_EQ(secret->Create(path.c_str(), &p, content.out()), -2);
  EXPECT_FALSE(std::filesystem::exists(path));
  p = Params(1, 1, 2, 1, "pw");
  // Null arguments.
  EXPECT_EQ(secret->Create(nullptr, &p, content.out()), -2);
  EXPECT_EQ(secret->Open(path.c_str(), nullptr, content.out()), -2);
  int32_t a, b, c;
  EXPECT_EQ(secret->Probe(nullptr, 1, &a, &b, &c), -2);
}

TEST(SecretErrors, ClosedSecretAnswersNotOpen) {
  LoadLibraries();
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretProperties props;
  std::memset(&props, 0xAA, sizeof props);
  EXPECT_EQ(secret->GetProperties(&props), -102);
  const std::vector<uint8_t> zero(sizeof props, 0);
  EXPECT_EQ(std::memcmp(&props, zero.data(), sizeof props), 0);
  EXPECT_EQ(secret->Delete(), -102);
  Ref<zk::IStreamProvider> provider(Face<zk::IStreamProvider>(secret.get(), zk::id::KivIStreamProvider));
  Ref<zk::IFileStrem> mem(NewMem({1, 2, 3}));
  EXPECT_EQ(provider->Save(mem.get(), nullptr, nullptr, 0), -102);
  EXPECT_EQ(provider->Load(mem.get(), 0, nullptr), -102);
  uint32_t size = 7;
  EXPECT_EQ(provider->GetContentSize(&size), -102);
  EXPECT_EQ(size, 0u);
}

TEST(SecretErrors, ReadOnlySecretOpensAndRefusesSave) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = MakeMessageSecret(dir);
  const std::vector<uint8_t> before = zktest::ReadFile(path);
  chmod(path.c_str(), 0400);
  // Root would open the file for writing anyway: the test's thread is held
  // to the permission bits.
  zktest::PermissionBitsHold hold;
  if (geteuid() == 0) {
    ASSERT_TRUE(hold.dropped());
  }
  Opened o(path, zk::kFormatSecretFile, "right");
  ASSERT_EQ(o.status, 0);
  Ref<zk::IMessage> message(Face<zk::IMessage>(o.content.get(), zk::id::KivIMessage));
  char* text = nullptr;
  ASSERT_EQ(message->GetText(&text), 0);
  EXPECT_EQ(std::string(text), kText);
  zk_free(text);
  EXPECT_EQ(message->SetText("replaced"), -105);
  EXPECT_EQ(o.secret->Delete(), -105);
  EXPECT_EQ(zktest::ReadFile(path), before);
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "m.kvs");
}

TEST(SecretErrors, PropertiesAndFreeSpaceCut) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = dir.File("p.kvs");
  zk::engine::seam::diskFree = [] { return uint64_t(0x1FFFFFFFFull); };
  {
    FixedClock clock(1750000000, 0x0101);
    ASSERT_EQ(SaveMessage(path, zk::kFormatSecretFile, 3, 6, "pw", kText), 0);
  }
  Opened o(path, zk::kFormatSecretFile, "pw");
  ASSERT_EQ(o.status, 0);
  zk::SecretProperties props;
  ASSERT_EQ(o.secret->GetProperties(&props), 0);
  zk::engine::seam::diskFree = [] { return uint64_t(0xFFFEFFFFull); };
  Opened o2(path, zk::kFormatSecretFile, "pw");
  zk::SecretProperties props2;
  ASSERT_EQ(o2.secret->GetProperties(&props2), 0);
  zk::engine::seam::diskFree = nullptr;
  EXPECT_EQ(props.capacity, 0xFFFF0000u);
  EXPECT_EQ(props2.capacity, 0xFFFEFFFFu);
  EXPECT_EQ(props.mediumSize, zktest::ReadFile(path).size());
  EXPECT_EQ(props.contentSize, zktest::ReadFile(path).size() - 62);
  EXPECT_EQ(props.cipherIndex, 6u);
  EXPECT_EQ(props.hashIndex, 3u);
  EXPECT_EQ(props.flags, 0u);
  time_t t = 1750000000;
  struct tm local;
  localtime_r(&t, &local);
  EXPECT_EQ(props.created.year, local.tm_year);
  EXPECT_EQ(props.modified.minute, local.tm_min);
  EXPECT_EQ(props.keyListFlag, 0u);
}

TEST(SecretErrors, CarrierTooSmallOrDamaged) {
  LoadLibraries();
  zktest::TempDir dir;
  const CarrierKind& bmp = AllCarriers()[0];
  const std::string path = MakeCarrierFile(bmp, dir, "tiny", 10);
  if (path.empty()) GTEST_SKIP() << "ImageMagick is missing";
  const std::vector<uint8_t> before = zktest::ReadFile(path);
  std::string noise;
  for (int i = 0; i < 4000; ++i) noise += char('!' + (i * 7919 % 90));
  EXPECT_EQ(SaveMessage(path, zk::kFormatBMP, 2, 1, "pw", noise), -15);
  EXPECT_EQ(zktest::ReadFile(path), before);
  // Nothing hidden yet: the bitmap's low bits are no secret.
  EXPECT_EQ(OpenStatus(path, zk::kFormatBMP, "pw"), -19);
  // A copy carrier with nothing hidden: Probe gives the carrier's code,
  // Open -14.
  const std::string png = MakeCarrierFile(AllCarriers()[1], dir, "empty");
  Ref<zk::IKivSecret> secret(NewSecret());
  int32_t v, t, f;
  const StatusCode probe = secret->Probe(png.c_str(), zk::kFormatPNG, &v, &t, &f);
  EXPECT_NE(probe, 0);
  EXPECT_EQ(OpenStatus(png, zk::kFormatPNG, "pw"), -14);
  // A damaged carrier: a PNG cut short.
  std::vector<uint8_t> cut = zktest::ReadFile(png);
  cut.resize(20);
  zktest::WriteFile(png, cut);
  EXPECT_NE(SaveMessage(png, zk::kFormatPNG, 2, 1, "pw", "x"), 0);
  EXPECT_EQ(zktest::ReadFile(png), cut);
  EXPECT_NE(OpenStatus(png, zk::kFormatPNG, "pw"), 0);
  // Capacities: a carrier's own, -6 for a plain file or an unknown format.
  uint64_t cap = 1;
  EXPECT_EQ(secret->GetCapacity(path.c_str(), zk::kFormatBMP, &cap), 0);
  EXPECT_GT(cap, 0u);
  EXPECT_EQ(secret->GetCapacity(path.c_str(), zk::kFormatSecretFile, &cap), -6);
  EXPECT_EQ(secret->GetCapacity(path.c_str(), 77, &cap), -6);
}

TEST(SecretErrors, MaskComesFromTheEntropyPool) {
  LoadLibraries();
  zktest::TempDir dir;
  zk::engine::SetClockForTests([] { return uint32_t(1800000000); });
  std::vector<uint16_t> masks;
  for (int i = 0; i < 4; ++i) {
    const std::string path = dir.File("s" + std::to_string(i));
    ASSERT_EQ(SaveMessage(path, zk::kFormatSecretFile, 2, 4, "same", kText), 0);
    masks.push_back(zk::LoadLE16(zktest::ReadFile(path).data()));
  }
  zk::engine::SetClockForTests(nullptr);
  std::sort(masks.begin(), masks.end());
  EXPECT_NE(masks.front(), masks.back());
}

TEST(SecretErrors, StagingSizes) {
  LoadLibraries();
  zktest::TempDir dir;
  zktest::StagingFolderScope scope(dir);
  std::string folder;
  ASSERT_EQ(zk::engine::PrivateTempFolder(&folder), 0);
  // A watch on the staging folder sees every temporary file made there.
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
  auto made = [&] {
    int files = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;)
      for (char* at = buffer; at < buffer + n; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
        ++files;
    return files;
  };
  // Up to 16 MiB in memory, one byte more in a temporary file.
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  for (uint64_t size : {uint64_t(0x1000000), uint64_t(0x1000001)}) {
    SCOPED_TRACE(size);
    zk::IFileStrem* s = nullptr;
    ASSERT_EQ(zk::engine::MakeStage(fs, size, &s), 0);
    Ref<zk::IMemStream> memory(Face<zk::IMemStream>(s, zk::id::StreamIMemStream));
    EXPECT_EQ(memory.get() != nullptr, size <= 0x1000000);
    s->Release();
    EXPECT_EQ(made(), size > 0x1000000 ? 1 : 0);
  }
  fs->Release();
  // A compressed file of exactly 16 MiB is coded in memory, one byte more
  // in a temporary file.
  for (uint64_t size : {uint64_t(0x1000000), uint64_t(0x1000001)}) {
    SCOPED_TRACE(size);
    const std::string disk = dir.File("big");
    zktest::WriteFile(disk, std::vector<uint8_t>(size, 'z'));
    made();
    ASSERT_EQ(SaveFile(dir.File("big.kvs"), zk::kFormatSecretFile, 2, 1, "pw", disk, 1), 0);
    EXPECT_EQ(made() > 0, size > 0x1000000);
  }
  close(watch);
}

TEST(SecretErrors, TemporaryFilesLiveInAPrivateFolder) {
  std::string folder;
  ASSERT_EQ(zk::engine::PrivateTempFolder(&folder), 0);
  struct stat st;
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, getuid());
  // Opened to others since: closed again before it is used.
  chmod(folder.c_str(), 0755);
  ASSERT_EQ(zk::engine::PrivateTempFolder(&folder), 0);
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// The message content is its length, little-endian, and the Lzpxj coding of
// the text, as the coder itself makes it.
TEST(SecretContents, MessageLayoutAndEmptyMessage) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = MakeMessageSecret(dir);
  Opened o(path, zk::kFormatSecretFile, "right");
  ASSERT_EQ(o.status, 0);
  Ref<zk::IStreamProvider> provider(o.Provider());
  Ref<zk::IFileStrem> loaded(NewMem({}));
  ASSERT_EQ(provider->Load(loaded.get(), 0, nullptr), 0);
  std::vector<uint8_t> stored = ReadAll(loaded.get());
  Ref<zk::IArc> coder(zktest::Create<zk::IArc>(zk::id::ArcLzpxj, zk::id::ArcIArc));
  Ref<zk::IFileStrem> in(NewMem(std::vector<uint8_t>(kText.begin(), kText.end())));
  Ref<zk::IFileStrem> coded(NewMem({}));
  ASSERT_EQ(coder->Encode(in.get(), coded.get(), nullptr, uint32_t(kText.size())), 0);
  std::vector<uint8_t> expected(4);
  zk::StoreLE32(expected.data(), uint32_t(kText.size()));
  auto c = ReadAll(coded.get());
  expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(stored, expected);
  uint32_t size = 0;
  EXPECT_EQ(provider->GetContentSize(&size), 0);
  EXPECT_EQ(size, expected.size());
  // Load with a limit stops there.
  Ref<zk::IFileStrem> part(NewMem({}));
  ASSERT_EQ(provider->Load(part.get(), 5, nullptr), 0);
  EXPECT_EQ(ReadAll(part.get()), std::vector<uint8_t>(expected.begin(), expected.begin() + 5));

  // An empty message: four zero bytes and the coding of nothing; GetText
  // answers 0 and leaves its out null.
  const std::string empty = dir.File("empty.kvs");
  ASSERT_EQ(SaveMessage(empty, zk::kFormatSecretFile, 1, 2, "pw", ""), 0);
  Opened e(empty, zk::kFormatSecretFile, "pw");
  ASSERT_EQ(e.status, 0);
  Ref<zk::IStreamProvider> ep(e.Provider());
  Ref<zk::IFileStrem> el(NewMem({}));
  ASSERT_EQ(ep->Load(el.get(), 0, nullptr), 0);
  std::vector<uint8_t> emptyStored = ReadAll(el.get());
  ASSERT_EQ(emptyStored.size(), 9u);
  EXPECT_EQ(zk::LoadLE32(emptyStored.data()), 0u);
  EXPECT_EQ(emptyStored[4], 0x00);
  Ref<zk::IMessage> m(Face<zk::IMessage>(e.content.get(), zk::id::KivIMessage));
  char* text = nullptr;
  EXPECT_EQ(m->GetText(&text), 0);
  EXPECT_EQ(text, nullptr);
}

// Lengths read from decrypted data are bounded by what is there.
TEST(SecretContents, StoredLengthsAreBounded) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = MakeMessageSecret(dir);
  Opened o(path, zk::kFormatSecretFile, "right");
  ASSERT_EQ(o.status, 0);
  Ref<zk::IStreamProvider> provider(o.Provider());
  Ref<zk::IMessage> message(Face<zk::IMessage>(o.content.get(), zk::id::KivIMessage));
  // The coding of "abc" behind lengths that claim more (or all 32 bits).
  Ref<zk::IArc> coder(zktest::Create<zk::IArc>(zk::id::ArcLzpxj, zk::id::ArcIArc));
  Ref<zk::IFileStrem> in(NewMem({'a', 'b', 'c'}));
  Ref<zk::IFileStrem> coded(NewMem({}));
  ASSERT_EQ(coder->Encode(in.get(), coded.get(), nullptr, 3), 0);
  const auto coding = ReadAll(coded.get());
  for (uint32_t claimed : {2u, 4u, 1000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(claimed);
    std::vector<uint8_t> content(4 + coding.size());
    zk::StoreLE32(content.data(), claimed);
    std::copy(coding.begin(), coding.end(), content.begin() + 4);
    Ref<zk::IFileStrem> s(NewMem(content));
    ASSERT_EQ(provider->Save(s.get(), nullptr, nullptr, 0), 0);
    char* text = nullptr;
    EXPECT_EQ(message->GetText(&text), -6);
    EXPECT_EQ(text, nullptr);
  }

  // A file content whose name or size says more than is stored.
  const std::string fpath = dir.File("f.kvs");
  const std::string disk = dir.File("d.bin");
  zktest::WriteFile(disk, AllByteValues());
  ASSERT_EQ(SaveFile(fpath, zk::kFormatSecretFile, 2, 1, "pw", disk, 0), 0);
  Opened f(fpath, zk::kFormatSecretFile, "pw");
  ASSERT_EQ(f.status, 0);
  Ref<zk::IStreamProvider> fp(f.Provider());
  Ref<zk::IKivFile> file(Face<zk::IKivFile>(f.content.get(), zk::id::KivIKivFile));
  struct Case {
    uint32_t size, flags;
    uint16_t nameLength;
    size_t bytes;  // after the info block
  } cases[] = {{10, 0, 60000, 20}, {11, 0, 1, 11}, {9, 0, 1, 11}, {0xFFFFFFFF, 1, 1, 10}};
  const std::string out = dir.File("out.bin");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nameLength);
    std::vector<uint8_t> content(18 + c.bytes, 'n');
    zk::StoreLE32(content.data(), c.size);
    zk::StoreLE32(content.data() + 4, c.flags);
    zk::StoreLE32(content.data() + 8, 0);
    zk::StoreLE32(content.data() + 12, 0);
    zk::StoreLE16(content.data() + 16, c.nameLength);
    Ref<zk::IFileStrem> s(NewMem(content));
    ASSERT_EQ(fp->Save(s.get(), nullptr, nullptr, 0), 0);
    // A stored file is checked against its size (-6); a coded one cannot
    // decode to more than its size, and its coder may stop first.
    const StatusCode st = file->SaveToDisk(out.c_str(), nullptr);
    if (c.flags & 1) {
      EXPECT_NE(st, 0);
    } else {
      EXPECT_EQ(st, -6);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    char* name = nullptr;
    zk::FileContentInfo info;
    if (c.nameLength > c.bytes) {
      EXPECT_EQ(file->GetFileInfo(&name, &info), -6);
    }
    if (name) zk_free(name);
  }
  // An empty name cannot be reported.
  std::vector<uint8_t> noName(21, 0);
  Ref<zk::IFileStrem> s(NewMem(noName));
  ASSERT_EQ(fp->Save(s.get(), nullptr, nullptr, 0), 0);
  char* name = nullptr;
  zk::FileContentInfo info;
  EXPECT_EQ(file->GetFileInfo(&name, &info), -6);
  // A name of 65536 bytes is refused before the disk is looked at.
  EXPECT_EQ(file->LoadFromDisk((dir.path() + "/" + std::string(65536, 'n')).c_str(), 0, nullptr), -2);
}

TEST(SecretContents, FileInfoTimesAndProgress) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string disk = dir.File("report.pdf");
  std::vector<uint8_t> data(300000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t((i * 2654435761u) >> 13);
  zktest::WriteFile(disk, data);
  struct timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, disk.c_str(), times, 0), 0);
  for (int flags : {0, 1}) {
    SCOPED_TRACE(flags);
    const std::string path = dir.File("f" + std::to_string(flags) + ".kvs");
    Ref<Progress> saving(new Progress());
    ASSERT_EQ(SaveFile(path, zk::kFormatSecretFile, 2, 7, "pw", disk, flags, saving.get()), 0);
    ASSERT_FALSE(saving->reports.empty());
    EXPECT_EQ(saving->reports.back(), 100);
    Opened o(path, zk::kFormatSecretFile, "pw");
    ASSERT_EQ(o.status, 0);
    Ref<zk::IKivFile> file(Face<zk::IKivFile>(o.content.get(), zk::id::KivIKivFile));
    char* name = nullptr;
    zk::FileContentInfo info;
    ASSERT_EQ(file->GetFileInfo(&name, &info), 0);
    EXPECT_STREQ(name, "report.pdf");
    zk_free(name);
    EXPECT_EQ(info.size, data.size());
    EXPECT_EQ(info.flags, uint32_t(flags));
    if (!flags) {
      EXPECT_EQ(info.storedSize, data.size());
    }
    time_t t = 1600000000;
    struct tm local;
    localtime_r(&t, &local);
    EXPECT_EQ(info.modified.hour, local.tm_hour);
    Ref<Progress> extracting(new Progress());
    const std::string out = dir.File("out" + std::to_string(flags));
    ASSERT_EQ(file->SaveToDisk(out.c_str(), extracting.get()), 0);
    EXPECT_EQ(zktest::ReadFile(out), data);
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1600000000);
    // Each copy reports 0, rising values and 100.
    EXPECT_EQ(extracting->reports.front(), 0);
    EXPECT_EQ(extracting->reports.back(), 100);
  }
}

// A progress copy over several hundred megabytes rises steadily to 100.
TEST(SecretContents, CopyProgressRisesToHundred) {
  LoadLibraries();
  Ref<zk::IFileStrem> src(NewMem(std::vector<uint8_t>(3 * 1000 * 1000 + 7, 1)));
  Ref<zk::IFileStrem> dst(NewMem({}));
  Ref<Progress> p(new Progress());
  ASSERT_EQ(zk::engine::CopyWithProgress(src.get(), dst.get(), 0, p.get()), 0);
  EXPECT_EQ(p->reports.front(), 0);
  EXPECT_EQ(p->reports.back(), 100);
  EXPECT_TRUE(std::is_sorted(p->reports.begin(), p->reports.end()));
  EXPECT_GE(p->reports.size(), 40u);
  // Already at its end: 0 then 100. A bounded copy stops at its limit.
  Ref<Progress> q(new Progress());
  ASSERT_EQ(zk::engine::CopyWithProgress(src.get(), dst.get(), 0, q.get()), 0);
  EXPECT_EQ(q->reports, (std::vector<int32_t>{0, 100}));
  src->Seek(0, zk::kSeekSet);
  Ref<zk::IFileStrem> part(NewMem({}));
  ASSERT_EQ(zk::engine::CopyWithProgress(src.get(), part.get(), 70000, nullptr), 0);
  uint64_t size = 0;
  part->GetSize(&size);
  EXPECT_EQ(size, 70000u);
}

}  // namespace
