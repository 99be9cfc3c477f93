// The common object base: interface tables, counts, class ids, factories,
// the id catalogue, and objects crossing library boundaries.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iterator>
#include <set>
#include <string>

#include "CounterTestSupport.h"
#include "ToolkitObject.h"
#include "ZkTestSupport.h"

namespace {

struct IFirst : zk::IBase {
  virtual int32_t First() = 0;
};
struct ISecond : zk::IBase {
  virtual int32_t Second() = 0;
};
struct ISecondPlus : ISecond {
  virtual int32_t Plus() = 0;
};

int g_destroyed = 0;

class Two final : public zk::ToolkitObject<Two, IFirst, ISecondPlus> {
 public:
  static constexpr const char* kClassId = "test.Two";
  // Two ids served by the second table, as an interface and its base.
  static constexpr zk::InterfaceSlot kInterfaces[] = {
      {"test.IFirst", 0}, {"test.ISecond", 1}, {"test.ISecondPlus", 1}};
  ~Two() { ++g_destroyed; }
  int32_t First() override { return 1; }
  int32_t Second() override { return 2; }
  int32_t Plus() override { return 3; }
};

class Bare final : public zk::ToolkitObject<Bare, zk::IBase> {
 public:
  static constexpr const char* kClassId = "test.Bare";
  static constexpr bool kHasInterfaceTable = false;
};

TEST(ObjectBase, QueryInterfaceWalksTheTable) {
  zk::IBase* base = nullptr;
  ASSERT_EQ(Two::Factory(&base), 0);
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->GetRefCount(), 1);

  void* p = nullptr;
  // A class with a table does not answer std.IBase, nor a case variant.
  EXPECT_EQ(base->QueryInterface("std.IBase", &p), -7);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(base->QueryInterface("test.ifirst", &p), -7);
  EXPECT_EQ(base->QueryInterface(nullptr, &p), -2);
  EXPECT_EQ(base->QueryInterface("test.IFirst", nullptr), -2);

  ASSERT_EQ(base->QueryInterface("test.ISecond", &p), 0);
  auto* second = static_cast<ISecond*>(p);
  EXPECT_EQ(second->Second(), 2);
  EXPECT_EQ(base->GetRefCount(), 2);
  ASSERT_EQ(second->QueryInterface("test.ISecondPlus", &p), 0);
  auto* plus = static_cast<ISecondPlus*>(p);
  EXPECT_EQ(static_cast<void*>(plus), static_cast<void*>(second));
  EXPECT_EQ(plus->Plus(), 3);
  ASSERT_EQ(plus->QueryInterface("test.IFirst", &p), 0);
  auto* first = static_cast<IFirst*>(p);
  EXPECT_EQ(static_cast<void*>(first), static_cast<void*>(base));
  EXPECT_EQ(first->First(), 1);
  // Every interface shares one count and one class id.
  EXPECT_EQ(second->GetRefCount(), 4);
  EXPECT_EQ(first->GetRefCount(), 4);
  EXPECT_STREQ(second->GetClassId(), "test.Two");
  EXPECT_EQ(second->AddRef(), 5);

  int destroyed = g_destroyed;
  EXPECT_EQ(second->Release(), 4);
  EXPECT_EQ(second->Release(), 3);
  EXPECT_EQ(plus->Release(), 2);
  EXPECT_EQ(first->Release(), 1);
  EXPECT_EQ(g_destroyed, destroyed);
  EXPECT_EQ(base->Release(), 0);
  EXPECT_EQ(g_destroyed, destroyed + 1);
}

TEST(ObjectBase, ClassWithoutTableAnswersIBaseOnly) {
  zk::IBase* base = nullptr;
  ASSERT_EQ(Bare::Factory(&base), 0);
  void* p = nullptr;
  ASSERT_EQ(base->QueryInterface("std.IBase", &p), 0);
  EXPECT_EQ(p, base);
  EXPECT_EQ(base->QueryInterface("std.IBASE", &p), -7);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(base->Release(), 1);
  EXPECT_EQ(base->Release(), 0);
}

TEST(ObjectBase, FactoryRejectsNullOut) { EXPECT_EQ(Two::Factory(nullptr), -2); }

TEST(ObjectBase, NullInterfaceIsFatal) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    zk::IBase* held = nullptr;
    ZK_REQUIRE(held, "stream.IStream");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 245);
}

TEST(IdCatalogue, NinetySevenDistinctIdsInOrder) {
  std::set<std::string> seen;
  for (size_t i = 0; i < zk::id::kCatalogueSize; ++i) {
    const char* id = zk::IdCatalogue[i];
    ASSERT_NE(id, nullptr);
    seen.insert(id);
    std::string s(id);
    size_t dot = s.find('.');
    ASSERT_NE(dot, std::string::npos) << s;
    // Interface ids (indexes 0 to 41) put "I" before the name.
    EXPECT_EQ(i < 42, s[dot + 1] == 'I' && s != "cipher.IDEA") << s;
  }
  EXPECT_EQ(seen.size(), 97u);
  EXPECT_STREQ(zk::IdCatalogue[0], "std.IBase");
  EXPECT_STREQ(zk::IdCatalogue[14], "stream.IFileStrem");
  EXPECT_STREQ(zk::IdCatalogue[41], "opgp.IOpenPGPKey");
  EXPECT_STREQ(zk::IdCatalogue[42], "cipher.Cipher");
  EXPECT_STREQ(zk::IdCatalogue[46], "cipher.3Way");
  EXPECT_STREQ(zk::IdCatalogue[63], "CRC.StdCRC");
  EXPECT_STREQ(zk::IdCatalogue[71], "storage.MemStream");
  EXPECT_STREQ(zk::IdCatalogue[76], "arc.Lzpxj");
  EXPECT_STREQ(zk::IdCatalogue[78], "steg.TIFF");
  EXPECT_STREQ(zk::IdCatalogue[87], "script.ParamScript");
  EXPECT_STREQ(zk::IdCatalogue[94], "server.CSrvHashAuth");
  EXPECT_STREQ(zk::IdCatalogue[96], "opgp.Key");
}

// The whole catalogue, index by index, as published for every library.
TEST(IdCatalogue, EveryIdAtItsIndex) {
  static const char* const kExpected[] = {
      "std.IBase",
      "crypto.IBlockCipher",
      "crypto.ICipher",
      "crypto.ICipherStream",
      "crypto.ICipherFileStream",
      "crypto.IHash",
      "crypto.IHashStream",
      "crypto.ICipherHash",
      "crypto.ISeekCipherOFB",
      "crypto.ICipherEntropy",
      "crypto.IAsymmetrical",
      "crypto.IPassword",
      "crypto.ICRC",
      "stream.IStream",
      "stream.IFileStrem",
      "stream.IKeep",
      "stream.IFileSystem",
      "stream.IFlowControl",
      "stream.IMemStream",
      "stream.IStreamProcessor",
      "stream.IFileStreamProcessor",
      "arc.IArc",
      "arc.IProgress",
      "steg.ICarrier",
      "steg.ICarrierDirect",
      "steg.ICarrierCopy",
      "script.ITextRes",
      "script.IAppParam",
      "net.INetServer",
      "net.INetClient",
      "net.INetReading",
      "server.IServerAuth",
      "server.ICommand",
      "server.ISession",
      "server.IServer",
      "server.IServerDriver",
      "server.IClientDriver",
      "server.ISrvLoginEvent",
      "server.ISrvHashAuth",
      "server.ISrvRsaAuth",
      "server.IGetCipherObject",
      "opgp.IOpenPGPKey",
      "cipher.Cipher",
      "cipher.Blowfish",
      "cipher.IDEA",
      "cipher.GOST",
      "cipher.3Way",
      "cipher.RC5",
      "cipher.AES16",
      "cipher.AES24",
      "cipher.AES32",
      "cipher.CAST128",
      "cipher.FileStreamCFB",
      "cipher.FileStreamOFB",
      "cipher.Entropy",
      "cipher.RSA",
      "cipher.SetPassword",
      "hash.SHA",
      "hash.SHA32",
      "hash.MD5",
      "hash.GOST",
      "hash.HashStream",
      "hash.HashCipher",
      "CRC.StdCRC",
      "fos.FileSys",
      "storage.DynFlowCtrl",
      "storage.StaticFlowCtrl8x16",
      "storage.StaticFlowCtrl8x32",
      "storage.StaticFlowCtrl6x16",
      "storage.StaticFlowCtrl16x32",
      "storage.StaticFlowCtrl32x32",
      "storage.MemStream",
      "arc.LZA",
      "arc.Arith",
      "arc.ASCIIcoder",
      "arc.FlatArc",
      "arc.Lzpxj",
      "steg.BMP",
      "steg.TIFF",
      "steg.JPEG",
      "steg.PNG",
      "steg.WAVE",
      "steg.MP3",
      "steg.Text",
      "steg.GIF",
      "steg.ZIP",
      "script.TextRes",
      "script.ParamScript",
      "net.TCPServer",
      "net.TCPClient",
      "net.TCPStream",
      "server.ServerDriver",
      "server.NetSession",
      "server.ClientDriver",
      "server.CSrvHashAuth",
      "opgp.Radix64",
      "opgp.Key",
  };
  static_assert(std::size(kExpected) == zk::id::kCatalogueSize);
  for (size_t i = 0; i < zk::id::kCatalogueSize; ++i) EXPECT_STREQ(zk::IdCatalogue[i], kExpected[i]) << i;
  EXPECT_STREQ(zk::id::StegICarrier, "steg.ICarrier");
  EXPECT_STREQ(zk::id::StegICarrierDirect, "steg.ICarrierDirect");
  EXPECT_STREQ(zk::id::StegICarrierCopy, "steg.ICarrierCopy");
}

TEST(CrossLibrary, ObjectMadeInOneLibraryIsUsedFromAnother) {
  ASSERT_TRUE(zktest::LoadToolkit("testlib_maker"));
  ASSERT_TRUE(zktest::LoadToolkit("testlib_user"));
  void* user = dlopen((zktest::ProgramDir() + "/testlib_user.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
  void* maker = dlopen((zktest::ProgramDir() + "/testlib_maker.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_TRUE(user && maker);
  auto use = reinterpret_cast<int (*)()>(dlsym(user, "UseCounter"));
  auto alive = reinterpret_cast<int (*)()>(dlsym(maker, "MakerAlive"));
  ASSERT_TRUE(use && alive);
  EXPECT_EQ(use(), 42);
  EXPECT_EQ(alive(), 0);  // released by the user library, destroyed by its maker

  // And from this program, through the declarations alone.
  auto* c = zktest::Create<runtimetest::ICounter>(runtimetest::CounterClass, runtimetest::ICounterId);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(alive(), 1);
  EXPECT_EQ(c->GetRefCount(), 1);
  EXPECT_STREQ(c->GetClassId(), "test.Counter");
  c->Add(5);
  EXPECT_EQ(c->Value(), 5);
  EXPECT_EQ(c->Release(), 0);
  EXPECT_EQ(alive(), 0);
  // Only the marked exports are visible: the object base stays hidden.
  EXPECT_EQ(dlsym(maker, "_ZN2zk13NullInterfaceEPKc"), nullptr);
}

}  // namespace
