// The per-user registry file: keys, default and named values, the bytes of
// the file.
#include <gtest/gtest.h>

#include "UserRegistry.h"
#include "ZkTestSupport.h"

namespace {

const std::string kHeading =
    "# Kivora's registry: key path, TAB, key class[, TAB, name=value]... (default: empty name)\n";

std::string Text(const std::string& file) {
  std::vector<uint8_t> b = zktest::ReadFile(file);
  return std::string(b.begin(), b.end());
}

TEST(UserRegistryTest, NamedValuesBesideTheDefaultPinned) {
  zktest::TempDir dir;
  const std::string file = dir.File("sub/registry");
  zk::UserRegistry r(file);
  ASSERT_EQ(r.CreateKey("A\\B", "cls"), zk::kOk);
  ASSERT_EQ(r.SetDefault("A\\B", "v=1%\t"), zk::kOk);
  ASSERT_EQ(r.SetValue("A\\B", "Name=X", "y"), zk::kOk);
  ASSERT_EQ(r.SetValue("a\\b", "name=x", "z"), zk::kOk);  // the same value, other case
  ASSERT_EQ(r.SetValue("A\\B", "T", "\r\n"), zk::kOk);
  EXPECT_EQ(Text(file), kHeading + "A\t\nA\\B\tcls\t=v=1%25%09\tName%3DX=z\tT=%0D%0A\n");

  zk::UserRegistry again(file);
  std::string v;
  EXPECT_EQ(again.QueryDefault("a\\B", &v), zk::kOk);
  EXPECT_EQ(v, "v=1%\t");
  EXPECT_EQ(again.QueryValue("A\\B", "NAME=x", &v), zk::kOk);
  EXPECT_EQ(v, "z");
  EXPECT_EQ(again.QueryValue("A\\B", "T", &v), zk::kOk);
  EXPECT_EQ(v, "\r\n");
  EXPECT_EQ(again.QueryValue("A\\B", "other", &v), zk::kNotFound);
  EXPECT_EQ(again.QueryDefault("A", &v), zk::kNotFound);  // a key without a value
  EXPECT_EQ(again.SetValue("A\\C", "n", "v"), zk::kNotFound);
  EXPECT_EQ(again.DeleteTree("a"), zk::kOk);
  EXPECT_FALSE(again.KeyExists("A\\B"));
  EXPECT_EQ(Text(file), kHeading);
}

}  // namespace
