// Folders the uninstaller refuses to remove from are folders the setup
// refuses to install into: one table, through the real setup end to end and
// through the rule itself with the system's folders as the uninstaller gets
// them.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "core/uninstall_rules.h"
#include "install/install_texts.h"
#include "outcomes/outcomes_support.h"
#include "platform/system_folders.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace faulttest;
using namespace outcomes;
using installtest::kInvalidFolder;
using installtest::LogTexts;

namespace {

using Texts = std::vector<std::string>;

std::string WithoutBackslash(std::string folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

struct FolderRow {
  const char* name;
  std::string folder;
  bool accepted;
};

std::vector<FolderRow> Rows() {
  return {
      {"Program Files itself", "C:\\Program Files", false},
      {"the public profile", "C:\\users\\Public", false},
      {"the user's profile", WithoutBackslash(SpecialFolder(CSIDL_PROFILE)), false},
      {"the Documents folder", WithoutBackslash(SpecialFolder(CSIDL_PERSONAL)), false},
      {"ProgramData", "C:\\ProgramData", false},
      {"a new folder inside the Windows folder", "C:\\windows\\Pixorra", false},
      {"system32", "C:\\windows\\system32", false},
      {"a folder on a share", "\\\\srv\\share\\Pixorra", false},
      {"an ordinary folder", "C:\\pxtest\\protected\\Pixorra", true},
  };
}

class ProtectedFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveFolderTree("C:\\pxtest\\protected\\");
    start_ = MakeTempFolder("protected\\start");
  }
  void TearDown() override {
    RemoveFolderTree("C:\\pxtest\\protected\\");
    ForgetInstallations();
  }
  std::string start_;
};

TEST_F(ProtectedFolders, TheSetupRefusesWhatTheUninstallerRefuses) {
  for (const FolderRow& row : Rows()) {
    SCOPED_TRACE(std::string(row.name) + ": " + row.folder);
    ASSERT_FALSE(row.folder.empty());
    const bool onShare = row.folder.compare(0, 2, "\\\\") == 0;
    const Texts before = onShare ? Texts{} : ListFolder(row.folder + "\\", false);
    DeleteFileA((start_ + installtest::kLogName).c_str());

    const RunResult run = RunWide(SetupLine(Wide("/silent /folder=" + row.folder)), start_);
    EXPECT_FALSE(run.timedOut);
    if (row.accepted) {
      EXPECT_EQ(kInstalled, run.exitCode);
      EXPECT_EQ(Texts{}, LogTexts(start_));
      EXPECT_TRUE(FileExists(row.folder + "\\px_main64.exe"));
    } else {
      EXPECT_EQ(kFailed, run.exitCode);
      EXPECT_EQ(Texts{kInvalidFolder + ": " + row.folder}, LogTexts(start_));
      if (!onShare) {
        EXPECT_EQ(before, ListFolder(row.folder + "\\", false)) << "something was created there";
        EXPECT_FALSE(FileExists(row.folder + "\\px_main64.exe"));
      }
    }
    // The uninstaller's rule on the same folder, with the same system folders.
    EXPECT_EQ(!row.accepted, uninstallrules::IsProtectedFolder(row.folder, SystemFolders(), WindowsFolder()));
  }
}

}  // namespace

// The list is read from the registry and the environment, without loading
// the shell: it must still hold every folder the shell itself names.
TEST(SystemFolderList, HoldsEveryFolderTheShellNames) {
  const std::vector<std::string> listed = SystemFolders();
  for (int csidl : {CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                    CSIDL_PROGRAMS, CSIDL_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_DESKTOPDIRECTORY,
                    CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_APPDATA, CSIDL_COMMON_DOCUMENTS,
                    CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_SYSTEM,
                    CSIDL_SYSTEMX86, CSIDL_WINDOWS, CSIDL_FONTS, CSIDL_MYPICTURES}) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
    const std::string folder = uninstallrules::WithBackslash(path);
    bool found = false;
    for (const std::string& entry : listed) found = found || lstrcmpiA(entry.c_str(), folder.c_str()) == 0;
    EXPECT_TRUE(found) << "CSIDL " << csidl << ": " << folder;
  }
}
