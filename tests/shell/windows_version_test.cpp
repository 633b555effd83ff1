// What changes with Windows 8: the group loses its uninstall link and the
// store apps lose their open-with entries. The registration runs in a driver
// process that Wine tells the chosen version.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace shelltest;

namespace {

constexpr const char* kDriverName = "px_shell_driver.exe";
constexpr const char* kFolder = "C:\\Tools\\Pixorra\\";

pxtest::RunResult RunDriver(const std::string& version, const std::string& args) {
  pxtest::ScopedWineVersion wineVersion(kDriverName, version);
  return pxtest::RunProgram(pxtest::HostToWindowsPath(std::string(PX_BUILD_DIR) + "/tests/bin/" + kDriverName),
                            args);
}

class ShellWindowsVersion : public ::testing::Test {
 protected:
  void SetUp() override {
    CleanRegistry();
    CleanLinks();
  }
  void TearDown() override {
    CleanRegistry();
    CleanLinks();
  }
};

TEST_F(ShellWindowsVersion, Windows7GroupHasNineLinksAndStoreAppsStay) {
  pxtest::RunResult run = RunDriver("win7", std::string("1 1 1 0 0 0 images ") + kFolder);
  ASSERT_TRUE(run.started);
  EXPECT_EQ(1u, run.exitCode);
  EXPECT_EQ(ExpectedGroupNames(false), pxtest::ListFolder(GroupFolder(false)));
  EXPECT_EQ(0, NoOpenWithCount());
  EXPECT_EQ("Pixorra.jpg", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpeg", "").text);
}

TEST_F(ShellWindowsVersion, Windows8GroupHasEightLinksAndStoreAppsLeaveOpenWith) {
  pxtest::RunResult run = RunDriver("win8", std::string("1 1 1 0 0 0 images ") + kFolder);
  ASSERT_TRUE(run.started);
  EXPECT_EQ(1u, run.exitCode);
  EXPECT_EQ(ExpectedGroupNames(true), pxtest::ListFolder(GroupFolder(false)));
  for (const ExpectedLink& link : kGroupLinks) {
    if (!link.belowWindows8Only) {
      EXPECT_EQ("", CompareLink(GroupFolder(false), link, kFolder));
    }
  }
  EXPECT_EQ(5, NoOpenWithCount());
}

TEST_F(ShellWindowsVersion, Windows10LikeWindows8) {
  pxtest::RunResult run = RunDriver("win10", std::string("1 1 1 0 0 0 all ") + kFolder);
  ASSERT_TRUE(run.started);
  EXPECT_EQ(ExpectedGroupNames(true), pxtest::ListFolder(GroupFolder(false)));
  EXPECT_EQ(5, NoOpenWithCount());
}

TEST_F(ShellWindowsVersion, Windows8WithoutAssociationLeavesStoreAppsAlone) {
  RunDriver("win8", std::string("1 0 0 0 0 0 none ") + kFolder);
  EXPECT_EQ(0, NoOpenWithCount());
  RunDriver("win8", std::string("0 1 0 0 0 0 images ") + kFolder);  // question declined
  EXPECT_EQ(0, NoOpenWithCount());
  EXPECT_FALSE(pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpg", "").exists);
}

}  // namespace
