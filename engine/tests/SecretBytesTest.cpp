// Stored bytes of secrets, pinned against fixtures/secret_model.txt, which
// secret_model.py computes from the format alone (prefix, header, CRC-16,
// digest, the content layout and a plain cipher-feedback model over the
// toolkit's keyed block cipher). The clock and the mask are fixed through
// the engine's seams.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "EngineTables.h"
#include "tests/SecretTestSupport.h"
#include "zk5Steg.h"

using namespace enginetest;

namespace {

struct ModelCase {
  int cipher = 0, hash = 0;
  uint32_t now = 0;
  uint16_t mask = 0;
  std::string password, name;
  bool noFile = false;
  std::vector<uint8_t> data, secret;
};

std::vector<ModelCase> LoadCases() {
  std::string here = __FILE__;
  std::ifstream in(here.substr(0, here.find_last_of('/') + 1) + "fixtures/secret_model.txt");
  std::vector<ModelCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream f(line);
    std::string now, mask, pw, name, data, secret;
    ModelCase c;
    f >> c.cipher >> c.hash >> now >> mask >> pw >> name >> data >> secret;
    c.now = uint32_t(std::stoul(now, nullptr, 16));
    c.mask = uint16_t(std::stoul(mask, nullptr, 16));
    auto pwBytes = zktest::FromHex(pw);
    c.password.assign(pwBytes.begin(), pwBytes.end());
    c.noFile = name == "-";
    if (!c.noFile) {
      auto n = zktest::FromHex(name);
      c.name.assign(n.begin(), n.end());
    }
    if (data != "-") c.data = zktest::FromHex(data);
    c.secret = zktest::FromHex(secret);
    cases.push_back(c);
  }
  return cases;
}

TEST(SecretBytes, FileSecretsMatchTheModel) {
  const auto cases = LoadCases();
  ASSERT_EQ(cases.size(), 8u);
  for (const ModelCase& c : cases) {
    SCOPED_TRACE("cipher " + std::to_string(c.cipher) + " hash " + std::to_string(c.hash));
    zktest::TempDir dir;
    std::string disk;
    if (!c.noFile) {
      disk = dir.File(c.name);
      zktest::WriteFile(disk, c.data);
      struct timespec times[2] = {{time_t(c.now), 0}, {time_t(c.now), 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, disk.c_str(), times, 0), 0);
    }
    const std::string path = dir.File("s.kvs");
    {
      FixedClock clock(c.now, c.mask);
      Ref<zk::IKivSecret> secret(NewSecret());
      zk::SecretParams p = Params(zk::kContentFile, zk::kFormatSecretFile, c.hash, c.cipher, c.password);
      Ref<zk::IBase> content;
      ASSERT_EQ(secret->Create(path.c_str(), &p, content.out()), 0);
      Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
      ASSERT_EQ(file->LoadFromDisk(c.noFile ? nullptr : disk.c_str(), 0, nullptr), 0);
    }
    EXPECT_EQ(zktest::ToHex(zktest::ReadFile(path)), zktest::ToHex(c.secret));
    // The model's bytes open as what they hold.
    const std::string model = dir.File("model.kvs");
    zktest::WriteFile(model, c.secret);
    if (!c.noFile) {
      ASSERT_EQ(ReadFileBack(model, zk::kFormatSecretFile, c.password, dir.File("back")), 0);
      EXPECT_EQ(zktest::ReadFile(dir.File("back")), c.data);
    }
  }
}

}  // namespace

namespace {

// A secret hidden in a carrier is the very stream a plain secret file holds
// (same clock, mask and content): extracted by the carrier class itself, it
// matches the plain file byte for byte; Probe reads its prefix.
TEST(SecretBytes, CarriersHoldThePlainSecretStream) {
  LoadLibraries();
  const ModelCase c = LoadCases()[0];
  zktest::TempDir dir;
  const std::string disk = dir.File(c.name);
  zktest::WriteFile(disk, c.data);
  struct timespec times[2] = {{time_t(c.now), 0}, {time_t(c.now), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, disk.c_str(), times, 0), 0);
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  for (const CarrierKind& kind : AllCarriers()) {
    SCOPED_TRACE(kind.name);
    const std::string path = MakeCarrierFile(kind, dir, std::string("c") + kind.name);
    if (path.empty()) continue;
    {
      FixedClock clock(c.now, c.mask);
      ASSERT_EQ(SaveFile(path, kind.format, c.hash, c.cipher, c.password, disk, 0), 0);
    }
    zk::IFileStrem* file = nullptr;
    ASSERT_EQ(fs->OpenFile(path.c_str(), zk::kOpenBinary, &file), 0);
    Ref<zk::ICarrier> carrier(zktest::Create<zk::ICarrier>(
        zk::engine::CarrierClassId(kind.format), zk::id::StegICarrier));
    Ref<zk::IFileStrem> hidden(zktest::Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem));
    ASSERT_EQ(carrier->Extract(file, hidden.get(), c.secret.size()), 0);
    file->Release();
    uint64_t size = 0;
    hidden->GetSize(&size);
    std::vector<uint8_t> bytes(size);
    hidden->Seek(0, zk::kSeekSet);
    uint32_t got = 0;
    hidden->Read(bytes.data(), uint32_t(size), &got);
    EXPECT_EQ(zktest::ToHex(bytes), zktest::ToHex(c.secret));
    Ref<zk::IKivSecret> secret(NewSecret());
    int32_t version = -1, type = -1, flags = -1;
    ASSERT_EQ(secret->Probe(path.c_str(), kind.format, &version, &type, &flags), 0);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(type, zk::kContentFile);
    EXPECT_EQ(flags, 0);
  }
  fs->Release();
}

}  // namespace
