// Saves that fail or are cancelled at every point never cost the old
// medium: the file-system seam fails the Nth write, flush or rename of a
// save for every N, and a progress object cancels at every report; each time
// the old medium is byte for byte as it was, still opens, and no file is
// left beside it. The same for extraction to disk and for deleting a secret
// from a carrier.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "SecretFiles.h"
#include "tests/SecretTestSupport.h"

using namespace enginetest;

namespace {

struct Media {
  const char* name;
  int format;
  int carrierIndex;  // into AllCarriers(), -1 for a plain file
};
const Media kMedia[] = {{"File", zk::kFormatSecretFile, -1}, {"BMP", zk::kFormatBMP, 0},
                        {"PNG", zk::kFormatPNG, 1},          {"JPEG", zk::kFormatJPEG, 2},
                        {"GIF", zk::kFormatGIF, 3},          {"Text", zk::kFormatText, 4},
                        {"WAVE", zk::kFormatWAVE, 5},        {"MP3", zk::kFormatMP3, 6},
                        {"ZIP", zk::kFormatZIP, 7}};

class Faults : public ::testing::TestWithParam<Media> {
 protected:
  void SetUp() override {
    LoadLibraries();
    const Media& m = GetParam();
    path_ = m.carrierIndex < 0 ? dir_.File("s.kvs") : MakeCarrierFile(AllCarriers()[m.carrierIndex], dir_, "c");
    if (path_.empty()) GTEST_SKIP() << "the carrier's tools are missing";
    ASSERT_EQ(SaveMessage(path_, m.format, 2, 4, "pw", "the old text"), 0);
    old_ = zktest::ReadFile(path_);
  }
  // The old medium as it was and still open, nothing left beside it.
  void ExpectOldMedium(const std::set<std::string>& listing) {
    EXPECT_EQ(zktest::ReadFile(path_), old_);
    std::string text;
    EXPECT_EQ(ReadMessage(path_, GetParam().format, "pw", &text), 0);
    EXPECT_EQ(text, "the old text");
    EXPECT_EQ(Listing(dir_.path()), listing);
  }
  zktest::TempDir dir_;
  std::string path_;
  std::vector<uint8_t> old_;
};

TEST_P(Faults, FailingEveryWriteFlushAndRenameOfASave) {
  const int format = GetParam().format;
  const auto listing = Listing(dir_.path());
  bool saved = false;
  for (uint64_t n = 1; n < 500 && !saved; ++n) {
    SCOPED_TRACE(n);
    Ref<zk::IKivSecret> secret(NewSecret());
    zk::SecretParams p = Params(0, format, 0, 0, "pw");
    Ref<zk::IBase> content;
    ASSERT_EQ(secret->Open(path_.c_str(), &p, content.out()), 0);
    Ref<zk::IMessage> message(Face<zk::IMessage>(content.get(), zk::id::KivIMessage));
    StatusCode st;
    {
      FaultPlan plan(n);
      st = message->SetText("the new text, longer than the old one");
      if (st == 0) {
        EXPECT_LT(FaultPlan::Count(), n);
        saved = true;
      }
    }
    if (st != 0) {
      EXPECT_EQ(st, -105);
      ExpectOldMedium(listing);
    }
  }
  ASSERT_TRUE(saved);
  std::string text;
  EXPECT_EQ(ReadMessage(path_, format, "pw", &text), 0);
  EXPECT_EQ(text, "the new text, longer than the old one");
  EXPECT_EQ(Listing(dir_.path()), listing);
}

TEST_P(Faults, CancelAtEveryProgressReport) {
  const int format = GetParam().format;
  const std::string disk = dir_.File("data.bin");
  zktest::WriteFile(disk, AllByteValues(8));
  const auto listing = Listing(dir_.path());
  for (int flags : {0, 1}) {
    SCOPED_TRACE(flags);
    bool saved = false;
    for (int k = 1; k < 1000 && !saved; ++k) {
      SCOPED_TRACE(k);
      Ref<Progress> progress(new Progress());
      progress->cancelAt = k;
      progress->code = -5;
      // A file secret in the place of the message secret.
      Ref<zk::IKivSecret> secret(NewSecret());
      zk::SecretParams p = Params(zk::kContentFile, format, 1, 7, "pw");
      Ref<zk::IBase> content;
      ASSERT_EQ(secret->Create(path_.c_str(), &p, content.out()), 0);
      Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
      const StatusCode st = file->LoadFromDisk(disk.c_str(), flags, progress.get());
      if (int(progress->reports.size()) < k) {
        ASSERT_EQ(st, 0);
        saved = true;
        break;
      }
      EXPECT_EQ(st, -5);
      ExpectOldMedium(listing);
    }
    ASSERT_TRUE(saved);
    const std::string out = dir_.File("out.bin");
    ASSERT_EQ(ReadFileBack(path_, format, "pw", out), 0);
    EXPECT_EQ(zktest::ReadFile(out), AllByteValues(8));
    std::filesystem::remove(out);
    // Back to the old message secret for the next round.
    ASSERT_EQ(SaveMessage(path_, format, 2, 4, "pw", "the old text"), 0);
    old_ = zktest::ReadFile(path_);
  }
}

TEST_P(Faults, DeleteFailingAtEveryStep) {
  if (GetParam().carrierIndex < 0) GTEST_SKIP() << "a plain secret file is zeroed and removed";
  const int format = GetParam().format;
  const auto listing = Listing(dir_.path());
  bool deleted = false;
  for (uint64_t n = 1; n < 500 && !deleted; ++n) {
    SCOPED_TRACE(n);
    Ref<zk::IKivSecret> secret(NewSecret());
    zk::SecretParams p = Params(0, format, 0, 0, "pw");
    Ref<zk::IBase> content;
    ASSERT_EQ(secret->Open(path_.c_str(), &p, content.out()), 0);
    StatusCode st;
    {
      FaultPlan plan(n);
      st = secret->Delete();
      deleted = st == 0;
    }
    if (!deleted) ExpectOldMedium(listing);
  }
  ASSERT_TRUE(deleted);
  EXPECT_NE(zktest::ReadFile(path_), old_);
  std::string text;
  EXPECT_NE(ReadMessage(path_, format, "pw", &text), 0);
  EXPECT_TRUE(ToolAccepts(AllCarriers()[GetParam().carrierIndex], path_, zktest::ReadFile(path_)));
  EXPECT_EQ(Listing(dir_.path()), listing);
}

std::string MediaName(const ::testing::TestParamInfo<Media>& info) { return info.param.name; }
INSTANTIATE_TEST_SUITE_P(EveryMedium, Faults, ::testing::ValuesIn(kMedia), MediaName);

// Extraction writes beside the target: a failure or a cancel leaves an
// existing file as it was.
TEST(Faults, ExtractionNeverCostsTheOldFile) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string disk = dir.File("data.bin");
  zktest::WriteFile(disk, AllByteValues(40));
  const std::string path = dir.File("f.kvs");
  ASSERT_EQ(SaveFile(path, zk::kFormatSecretFile, 2, 1, "pw", disk, 1), 0);
  const std::string target = dir.File("existing.txt");
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  zktest::WriteFile(target, old);
  const auto listing = Listing(dir.path());
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(0, zk::kFormatSecretFile, 0, 0, "pw");
  Ref<zk::IBase> content;
  ASSERT_EQ(secret->Open(path.c_str(), &p, content.out()), 0);
  Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
  bool done = false;
  for (uint64_t n = 1; n < 500 && !done; ++n) {
    StatusCode st;
    {
      FaultPlan plan(n);
      st = file->SaveToDisk(target.c_str(), nullptr);
    }
    done = st == 0;
    if (!done) {
      EXPECT_EQ(zktest::ReadFile(target), old);
      EXPECT_EQ(Listing(dir.path()), listing);
    }
  }
  ASSERT_TRUE(done);
  EXPECT_EQ(zktest::ReadFile(target), AllByteValues(40));
  zktest::WriteFile(target, old);
  for (int k = 1;; ++k) {
    Ref<Progress> progress(new Progress());
    progress->cancelAt = k;
    const StatusCode st = file->SaveToDisk(target.c_str(), progress.get());
    if (int(progress->reports.size()) < k) {
      EXPECT_EQ(st, 0);
      break;
    }
    EXPECT_EQ(st, -5);
    EXPECT_EQ(zktest::ReadFile(target), old);
    EXPECT_EQ(Listing(dir.path()), listing);
  }
  EXPECT_EQ(zktest::ReadFile(target), AllByteValues(40));
}

// A content stream that reads otherwise on the copy pass than on the
// digest pass (a file changed while it is saved) is refused.
class ChangingStream final : public zk::ToolkitObject<ChangingStream, zk::IFileStrem> {
 public:
  static constexpr const char* kClassId = "test.ChangingStream";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileStrem, 0}, {zk::id::StreamIStream, 0}};
  std::vector<uint8_t> data = std::vector<uint8_t>(5000, 'a');
  uint64_t pos = 0;
  int rewinds = 0;
  StatusCode IsEnd() override { return pos < data.size() ? 0 : zk::kEndOfStream; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* got) override {
    uint32_t n = uint32_t(std::min<uint64_t>(size, data.size() - pos));
    std::memcpy(buffer, data.data() + pos, n);
    pos += n;
    *got = n;
    return 0;
  }
  StatusCode Write(const void*, uint32_t) override { return zk::kWriteError; }
  StatusCode Close() override { return 0; }
  StatusCode CopyFrom(zk::IStream*, uint64_t) override { return zk::kNotImplemented; }
  StatusCode Commit() override { return 0; }
  StatusCode GetSize(uint64_t* s) override {
    *s = data.size();
    return 0;
  }
  StatusCode GetPosition(uint64_t* p) override {
    *p = pos;
    return 0;
  }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    if (origin != zk::kSeekSet) return zk::kInvalidArg;
    pos = uint64_t(offset);
    // The second rewind starts the copy pass: one byte has changed since.
    if (offset == 0 && ++rewinds == 2) data[4000] = 'b';
    return 0;
  }
  StatusCode SetEnd() override { return 0; }
};

TEST(Faults, ContentChangingBetweenPassesIsAnError) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = dir.File("s.kvs");
  ASSERT_EQ(SaveMessage(path, zk::kFormatSecretFile, 2, 4, "pw", "the old text"), 0);
  const auto old = zktest::ReadFile(path);
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(0, zk::kFormatSecretFile, 0, 0, "pw");
  Ref<zk::IBase> content;
  ASSERT_EQ(secret->Open(path.c_str(), &p, content.out()), 0);
  Ref<zk::IStreamProvider> provider(Face<zk::IStreamProvider>(secret.get(), zk::id::KivIStreamProvider));
  Ref<ChangingStream> changing(new ChangingStream());
  EXPECT_EQ(provider->Save(changing.get(), nullptr, nullptr, 0), -104);
  EXPECT_EQ(zktest::ReadFile(path), old);
  EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"s.kvs"}));
}

// Deleting a plain secret file zeroes its bytes, then removes it.
TEST(Faults, DeletePlainSecretFile) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::string path = dir.File("s.kvs");
  ASSERT_EQ(SaveMessage(path, zk::kFormatSecretFile, 2, 4, "pw", "to be deleted"), 0);
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(0, zk::kFormatSecretFile, 0, 0, "pw");
  Ref<zk::IBase> content;
  ASSERT_EQ(secret->Open(path.c_str(), &p, content.out()), 0);
  EXPECT_EQ(secret->Delete(), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  zk::SecretProperties props;
  EXPECT_EQ(secret->GetProperties(&props), -102);
}

}  // namespace

namespace {

// A carrier keeps its modification time through saves and a delete, and
// its permissions through the rename.
TEST(Faults, CarrierKeepsItsTimesAndPermissions) {
  LoadLibraries();
  zktest::TempDir dir;
  for (int index : {0, 1}) {
    const CarrierKind& kind = AllCarriers()[index];
    SCOPED_TRACE(kind.name);
    const std::string path = MakeCarrierFile(kind, dir, std::string("t") + kind.name);
    if (path.empty()) GTEST_SKIP() << "ImageMagick is missing";
    chmod(path.c_str(), 0640);
    struct timespec times[2] = {{1500000000, 0}, {1500000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_EQ(SaveMessage(path, kind.format, 2, 1, "pw", "hidden"), 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1500000000);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    Ref<zk::IKivSecret> secret(NewSecret());
    zk::SecretParams p = Params(0, kind.format, 0, 0, "pw");
    Ref<zk::IBase> content;
    ASSERT_EQ(secret->Open(path.c_str(), &p, content.out()), 0);
    ASSERT_EQ(secret->Delete(), 0);
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1500000000);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
  }
}

}  // namespace
