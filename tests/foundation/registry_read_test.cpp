// Registry values read back exactly: any size, any type, one key opened
// once for several values.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_edit.h"

namespace {

const char kKey[] = "Software\\PixorraTest\\RegistryRead";

struct Stored {
  const char* name;
  DWORD type;
  std::string bytes;
};

std::vector<Stored> Values() {
  return {
      {"", REG_SZ, std::string("Pixorra.jpg\0", 12)},
      {"empty", REG_SZ, std::string()},
      {"number", REG_DWORD, std::string("\x2a\0\0\0", 4)},
      {"just fits", REG_BINARY, std::string(1024, 'a')},
      {"one more", REG_BINARY, std::string(1025, 'b')},
      {"large", REG_BINARY, std::string(40000, 'c')},
  };
}

class RegistryRead : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    for (const Stored& value : Values()) {
      ASSERT_TRUE(WriteRegData(HKEY_CURRENT_USER, kKey, value.name, value.type, value.bytes)) << value.name;
    }
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
};

TEST_F(RegistryRead, EveryValueComesBackWithItsTypeAndBytes) {
  const std::vector<Stored> stored = Values();
  std::vector<std::string> names;
  for (const Stored& value : stored) names.push_back(value.name);
  names.push_back("missing");
  const std::vector<RegData> together = ReadRegValues(HKEY_CURRENT_USER, kKey, names);
  ASSERT_EQ(together.size(), names.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const Stored& expected = stored[i];
    for (const RegData& read : {ReadRegData(HKEY_CURRENT_USER, kKey, expected.name), together[i]}) {
      EXPECT_TRUE(read.exists) << expected.name;
      EXPECT_EQ(read.type, expected.type) << expected.name;
      EXPECT_EQ(read.data, expected.bytes) << expected.name;
    }
  }
  EXPECT_FALSE(together.back().exists);
  EXPECT_FALSE(ReadRegData(HKEY_CURRENT_USER, kKey, "missing").exists);
}

TEST_F(RegistryRead, MissingKeyGivesNothingForEveryName) {
  const std::vector<RegData> read =
      ReadRegValues(HKEY_CURRENT_USER, std::string(kKey) + "\\absent", {"", "Progid", "Hash"});
  ASSERT_EQ(read.size(), 3u);
  for (const RegData& value : read) EXPECT_FALSE(value.exists);
}

}  // namespace
