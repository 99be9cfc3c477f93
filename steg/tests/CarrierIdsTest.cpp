// Every carrier class is created by its class id and answers steg.ICarrier,
// exactly one of the direct and copy forms (through the same pointer), and
// its kind; the catalogue's steg.TIFF has no class.
#include <gtest/gtest.h>

#include "ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5main.h"

namespace {

struct Carrier {
  const char* id;
  int32_t kind;
  bool direct;
};

const Carrier kCarriers[] = {
    {zk::id::StegBMP, zk::kCarrierImage, true},   {zk::id::StegWAVE, zk::kCarrierSound, true},
    {zk::id::StegGIF, zk::kCarrierImage, false},  {zk::id::StegJPEG, zk::kCarrierImage, false},
    {zk::id::StegPNG, zk::kCarrierImage, false},  {zk::id::StegMP3, zk::kCarrierSound, false},
    {zk::id::StegZIP, zk::kCarrierArchive, false}, {zk::id::StegText, zk::kCarrierText, false},
};

TEST(CarrierIds, EveryCarrierIsCreatableById) {
  for (const auto& c : kCarriers) {
    SCOPED_TRACE(c.id);
    zk::IBase* base = nullptr;
    ASSERT_EQ(zk_CreateInstance(c.id, &base), 0);
    ASSERT_NE(base, nullptr);
    EXPECT_STREQ(base->GetClassId(), c.id);
    void* general = nullptr;
    void* direct = nullptr;
    void* copy = nullptr;
    ASSERT_EQ(base->QueryInterface(zk::id::StegICarrier, &general), 0);
    EXPECT_EQ(base->QueryInterface(zk::id::StegICarrierDirect, &direct), c.direct ? 0 : -7);
    EXPECT_EQ(base->QueryInterface(zk::id::StegICarrierCopy, &copy), c.direct ? -7 : 0);
    EXPECT_EQ(c.direct ? direct : copy, general);
    EXPECT_EQ(static_cast<zk::ICarrier*>(general)->GetCarrierKind(), c.kind);
    for (void* p : {general, direct, copy})
      if (p) static_cast<zk::IBase*>(p)->Release();
    base->Release();
  }
  zk::IBase* none = nullptr;
  EXPECT_NE(zk_CreateInstance(zk::id::StegTIFF, &none), 0);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
