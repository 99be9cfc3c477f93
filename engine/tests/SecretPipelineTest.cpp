// Saves and extractions of a file large enough to pass through every stage
// queue many times over: the bytes come back whole, the progress is one
// series from 0 to 100, and a write failure or a cancel in the middle of
// the stream (while the other stages are busy) leaves the old medium or the
// old file byte for byte with nothing beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "SecretFiles.h"
#include "tests/SecretTestSupport.h"

using namespace enginetest;

namespace {

// About 5 MB: some 80 writes of 64 KiB, several fills of a stage's ring;
// partly repetitive so that the coder has work of both kinds.
std::vector<uint8_t> Big() {
  std::vector<uint8_t> v(5 * 1000 * 1000 + 321);
  uint32_t x = 12345;
  for (size_t i = 0; i < v.size(); ++i) {
    x = x * 1103515245u + 12345u;
    v[i] = (i / 4096) % 2 ? uint8_t(x >> 24) : uint8_t("pipelined secret "[i % 17]);
  }
  return v;
}

StatusCode SaveBig(const std::string& path, const std::string& disk, int flags, zk::IProgress* progress) {
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(zk::kContentFile, zk::kFormatSecretFile, 2, 4, "pw");
  Ref<zk::IBase> content;
  StatusCode st = secret->Open(path.c_str(), &p, content.out());
  if (st != 0) return st;
  Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
  return file->LoadFromDisk(disk.c_str(), flags, progress);
}

bool Rising(const std::vector<int32_t>& r) {
  return !r.empty() && r.front() == 0 && r.back() == 100 && std::is_sorted(r.begin(), r.end());
}

}  // namespace

TEST(SecretPipeline, BigSavesAndExtractionsSurviveFailuresAndCancelsMidStream) {
  LoadLibraries();
  zktest::TempDir dir;
  const std::vector<uint8_t> data = Big();
  const std::string disk = dir.File("big.bin");
  zktest::WriteFile(disk, data);
  const std::string path = dir.File("s.kvs");
  for (int flags : {0, 1}) {
    SCOPED_TRACE(flags);
    ASSERT_EQ(SaveFile(path, zk::kFormatSecretFile, 2, 4, "pw", disk, flags ^ 1), 0);
    uint64_t ops = 0;
    {
      FaultPlan none(0);
      ASSERT_EQ(SaveBig(path, disk, flags, nullptr), 0);
      ops = FaultPlan::Count();
    }
    ASSERT_GT(ops, 30u);
    const std::vector<uint8_t> old = zktest::ReadFile(path);
    const auto listing = Listing(dir.path());
    // A write, the flush or the rename of the new secret fails: early, in
    // the middle, at the end.
    for (uint64_t n : {uint64_t(1), uint64_t(2), ops / 3, ops / 2, ops - 2, ops - 1, ops}) {
      SCOPED_TRACE(n);
      StatusCode st;
      {
        FaultPlan plan(n);
        st = SaveBig(path, disk, flags, nullptr);
      }
      EXPECT_EQ(st, -105);
      EXPECT_EQ(zktest::ReadFile(path), old);
      EXPECT_EQ(Listing(dir.path()), listing);
    }
    // A cancel at a report: the second, in the middle, the last two.
    Ref<Progress> counting(new Progress());
    ASSERT_EQ(SaveBig(path, disk, flags, counting.get()), 0);
    const std::vector<uint8_t> saved = zktest::ReadFile(path);
    const int reports = int(counting->reports.size());
    ASSERT_GT(reports, 50);
    // A compressed save reports the coding, then the copy.
    EXPECT_EQ(counting->reports.front(), 0);
    EXPECT_EQ(counting->reports.back(), 100);
    if (!flags) {
      EXPECT_TRUE(Rising(counting->reports));
    }
    for (int k : {2, reports / 2, reports - 1, reports}) {
      SCOPED_TRACE(k);
      Ref<Progress> progress(new Progress());
      progress->cancelAt = k;
      progress->code = -5;
      EXPECT_EQ(SaveBig(path, disk, flags, progress.get()), -5);
      EXPECT_EQ(zktest::ReadFile(path), saved);
      EXPECT_EQ(Listing(dir.path()), listing);
    }
    // Extraction over an existing file: failures and cancels keep it.
    Ref<zk::IKivSecret> secret(NewSecret());
    zk::SecretParams p = Params(0, zk::kFormatSecretFile, 0, 0, "pw");
    Ref<zk::IBase> content;
    ASSERT_EQ(secret->Open(path.c_str(), &p, content.out()), 0);
    Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
    const std::string target = dir.File("existing.bin");
    zktest::WriteFile(target, {'o', 'l', 'd'});
    const auto withTarget = Listing(dir.path());
    {
      FaultPlan none(0);
      ASSERT_EQ(file->SaveToDisk(target.c_str(), nullptr), 0);
      ops = FaultPlan::Count();
    }
    ASSERT_GT(ops, 30u);
    zktest::WriteFile(target, {'o', 'l', 'd'});
    for (uint64_t n : {uint64_t(1), uint64_t(3), ops / 2, ops - 1, ops}) {
      SCOPED_TRACE(n);
      StatusCode st;
      {
        FaultPlan plan(n);
        st = file->SaveToDisk(target.c_str(), nullptr);
      }
      EXPECT_EQ(st, -105);
      EXPECT_EQ(zktest::ReadFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
      EXPECT_EQ(Listing(dir.path()), withTarget);
    }
    Ref<Progress> extracting(new Progress());
    ASSERT_EQ(file->SaveToDisk(target.c_str(), extracting.get()), 0);
    EXPECT_TRUE(Rising(extracting->reports));
    EXPECT_EQ(zktest::ReadFile(target), data);
    const int parts = int(extracting->reports.size());
    ASSERT_GT(parts, 50);
    zktest::WriteFile(target, {'o', 'l', 'd'});
    for (int k : {2, parts / 2, parts - 1, parts}) {
      SCOPED_TRACE(k);
      Ref<Progress> progress(new Progress());
      progress->cancelAt = k;
      EXPECT_EQ(file->SaveToDisk(target.c_str(), progress.get()), -5);
      EXPECT_EQ(zktest::ReadFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
      EXPECT_EQ(Listing(dir.path()), withTarget);
    }
    ASSERT_EQ(file->SaveToDisk(target.c_str(), nullptr), 0);
    EXPECT_EQ(zktest::ReadFile(target), data);
    std::filesystem::remove(target);
  }
}
