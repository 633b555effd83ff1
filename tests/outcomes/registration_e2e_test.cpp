// Settings, links and registration end to end: a settings folder that cannot
// be used keeps the settings beside the program; links never go to the
// Windows folder; an open command or uninstall entry that cannot be written
// (a key whose security denies writing, as for a standard user) fails the
// run with 1603; the German link names survive a system whose ANSI code page
// is 1251 (codepage_e2e_test.cpp).
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "install/install_texts.h"
#include "outcomes/outcomes_support.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace faulttest;
using namespace outcomes;
using installtest::ErrorText;
using installtest::kInvalidFolder;
using installtest::kLogName;
using installtest::LogTexts;

namespace {

using Texts = std::vector<std::string>;

const char kArea[] = "C:\\pxtest\\outcomes\\";
const std::string kNeedsAdmin =
    "Pixorra konnte nicht im System registriert werden!\r\n\r\nDie Installation ben\xf6tigt Administratorrechte. "
    "Starten Sie die Installation bitte als Administrator!";
const std::string kLinkFailed = "Verkn\xfcpfung konnte nicht erstellt werden!";
const std::string kAssociationFailed = "Dateityp konnte nicht mit Pixorra verkn\xfcpft werden!";
const std::string kRecordFailed = "Deinstallationsdaten konnten nicht gespeichert werden!";
const std::string kTakenBack = "Die Installation wurde zur\xFC" "ckgenommen.";
const char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";

std::string Profile(const std::string& file, const char* section, const char* key) {
  char value[512] = {};
  GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
  return value;
}

class Outcomes : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("outcomes\\start");
    target_ = std::string(kArea) + "target\\Pixorra\\";
  }
  void TearDown() override {
    RemoveFolderTree(kArea);
    ForgetInstallations();
  }
  RunResult Run(const std::string& args) { return RunWide(SetupLine(Wide(args)), start_); }

  std::string start_, target_;
};

// --- Settings folders that cannot be used ----------------------------------

TEST_F(Outcomes, UnusableSettingsFoldersKeepTheSettingsBesideTheProgram) {
  const std::string afile = std::string(kArea) + "afile";
  std::vector<std::string> folders = {afile, "cfg", "\\\\server\\share\\px"};
  if (GetDriveTypeA("Q:\\") == DRIVE_NO_ROOT_DIR) folders.push_back("Q:\\nowhere\\Pixorra");
  for (const std::string& ini : folders) {
    SCOPED_TRACE(ini);
    WriteFileBytes(afile, "a file, no folder");
    RemoveFolderTree(target_);
    const Everything before = Snapshot();
    ASSERT_EQ(kInstalled, Run("/silent /folder=" + target_ + " /ini=" + ini).exitCode);
    const std::string settings = target_ + "px_main64.ini";
    EXPECT_EQ("<none>", Profile(settings, "Others", "INI_Folder"));
    EXPECT_EQ("DEUTSCH.DLL", Profile(settings, "Language", "DLL"));
    EXPECT_EQ("Deutsch", Profile(settings, "Language", "Lang"));
    EXPECT_NE("<none>", Profile(settings, "Toolbar", "Skin"));
    EXPECT_EQ(Texts{}, LogTexts(start_));
    EXPECT_EQ("a file, no folder", ReadFileBytes(afile));
    // Nothing but the installation itself: no "cfg" in the start or target
    // folder, nothing below the file.
    EXPECT_EQ(Texts{}, ChangedOutside(before.disk, Snapshot().disk,
                                      {std::string(kArea) + "target\\", SpecialFolder(CSIDL_PROFILE)}));
    EXPECT_FALSE(FolderExists(target_ + "cfg\\"));
  }
}

// --- Links -------------------------------------------------------------------

TEST_F(Outcomes, AMissingDesktopIsMadeAndTheWindowsFolderStaysUntouched) {
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  ASSERT_FALSE(desktop.empty());
  RemoveFolderTree(desktop);
  ASSERT_FALSE(FolderExists(desktop));
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const Texts windowsBefore = ListFolder(std::string(windows) + "\\", false);

  EXPECT_EQ(kInstalled, Run("/silent /folder=" + target_ + " /desktop=1 /thumbs=1").exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(windowsBefore, ListFolder(std::string(windows) + "\\", false)) << "links in the Windows folder";
  EXPECT_EQ(target_ + "px_main64.exe", ReadShellLink(desktop + "Pixorra 64.lnk").target);
  EXPECT_EQ(target_ + "px_main64.exe", ReadShellLink(desktop + "Pixorra 64 Thumbnails.lnk").target);
  CreateDirectoryA(desktop.c_str(), nullptr);
}

TEST_F(Outcomes, AFileWhereTheGroupBelongsIsLoggedAndNotFatal) {
  const std::string programs = SpecialFolder(CSIDL_PROGRAMS);
  const std::string blocker = programs + "Pixorra";
  RemoveFolderTree(blocker + "\\");
  WriteFileBytes(blocker, "not a folder");
  const RunResult run = Run("/silent /folder=" + target_ + " /group=1 /desktop=1");
  DeleteFileA(blocker.c_str());
  EXPECT_EQ(kInstalled, run.exitCode);
  EXPECT_EQ(Texts{kLinkFailed + ": " + blocker + "\\"}, LogTexts(start_));
  EXPECT_TRUE(ReadShellLink(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk").loaded)
      << "the other links are still made";
  DeleteFileA((SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk").c_str());
}

TEST_F(Outcomes, AFolderAtALinksNameIsLoggedAndNothingIsLeftBeside) {
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  const std::string blocker = desktop + "Pixorra 64.lnk";
  RemoveFolderTree(blocker + "\\");
  ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
  const Texts before = ListFolder(desktop, false);
  const RunResult run = Run("/silent /folder=" + target_ + " /desktop=1");
  const Texts after = ListFolder(desktop, false);
  RemoveDirectoryA(blocker.c_str());
  EXPECT_EQ(kInstalled, run.exitCode);
  EXPECT_EQ(Texts{kLinkFailed + ": " + blocker}, LogTexts(start_));
  EXPECT_EQ(before, after) << "the link's bytes were left under another name";
}

// --- The install record ------------------------------------------------------

TEST_F(Outcomes, ARecordThatCannotBeWrittenIsLoggedAndNotFatal) {
  // A folder where the record belongs: the written text cannot take its name.
  const std::string record = target_ + "pv_uninstall.dat";
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExA(nullptr, record.c_str(), nullptr));
  const RunResult run = Run("/silent /folder=" + target_);
  EXPECT_EQ(kInstalled, run.exitCode);
  EXPECT_EQ(Texts{kRecordFailed + ": " + record}, LogTexts(start_));
  EXPECT_TRUE(FileExists(target_ + "px_main64.exe"));
  EXPECT_TRUE(FolderExists(record + "\\")) << "what stood there is left alone";
  EXPECT_FALSE(FileExists(record + ".new")) << "no temporary record left";
}


// A key that everybody may read and delete but nobody may write to or below,
// as HKEY_LOCAL_MACHINE is for a standard user. Wine checks key security.
class DeniedKey {
 public:
  explicit DeniedKey(const char* key) : key_(key) {
    HKEY handle = nullptr;
    ok_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) ==
          ERROR_SUCCESS;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ok_ = ok_ && ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(D;;0x6;;;WD)(A;;KA;;;WD)",
                                                                     SDDL_REVISION_1, &sd, nullptr);
    ok_ = ok_ && RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    if (sd != nullptr) LocalFree(sd);
    if (handle != nullptr) RegCloseKey(handle);
    // Proof that the denial holds before the setup meets it.
    ok_ = ok_ && RegSetValueA(HKEY_LOCAL_MACHINE, key, REG_SZ, "x", 1) == ERROR_ACCESS_DENIED;
  }
  ~DeniedKey() { DeleteRegTree(HKEY_LOCAL_MACHINE, key_); }
  bool ok() const { return ok_; }

 private:
  std::string key_;
  bool ok_ = false;
};

TEST_F(Outcomes, AnExtensionThatCannotBeMadeOursIsLoggedUnlessTheRunFails) {
  const std::string pcx = "SOFTWARE\\Classes\\.pcx";
  // Denying writes means taking the key over; what an earlier test left
  // there (only its default value) is put back at the end.
  struct PutBack {
    std::string key;
    RegValue value;
    ~PutBack() {
      if (value.exists) WriteRegText(HKEY_LOCAL_MACHINE, key, "", value.text);
    }
  } putBack{pcx, ReadRegValue(HKEY_LOCAL_MACHINE, pcx, "")};
  ASSERT_EQ(std::vector<std::string>{}, ListRegSubkeys(HKEY_LOCAL_MACHINE, pcx)) << "more than can be put back";
  const std::string commandEntry = kNeedsAdmin + ": HKEY_LOCAL_MACHINE\\" + kOpenCommandKey + "\r\n" +
                                   "HKEY_LOCAL_MACHINE\\" + kOpenCommandKey + ": " + ErrorText(ERROR_ACCESS_DENIED);
  struct Case {
    bool commandDenied;
    unsigned long exitCode;
    // A failed run names its one cause, not the associations it also
    // stopped, and then that it took back what it had done.
    Texts entries;
  } cases[] = {
      {false, kInstalled, {kAssociationFailed + ": .pcx"}},
      {true, kFailed, {commandEntry, kTakenBack}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries.front());
    ForgetInstallations();
    DeniedKey deniedExtension(pcx.c_str());
    ASSERT_TRUE(deniedExtension.ok()) << "this Wine does not deny writing to a key";
    std::unique_ptr<DeniedKey> deniedCommand;
    if (c.commandDenied) deniedCommand = std::make_unique<DeniedKey>(kOpenCommandKey);
    const RunResult run = Run("/silent /folder=" + target_ + " /assoc=2");
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_EQ(c.entries, LogTexts(start_));
    if (c.exitCode == kInstalled) {
      EXPECT_EQ("Pixorra.tga", ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.tga", "").text)
          << "the other formats are still associated";
    }
    DeleteFileA((start_ + kLogName).c_str());
  }
}

// A ProgID whose key or open command cannot be written is never named by
// an extension: .jpg keeps the other program's ProgID, the user choice is
// not made, and the log names the key that failed.
TEST_F(Outcomes, AnExtensionKeepsItsProgIdWhenOursCannotBeWritten) {
  const std::string jpg = "SOFTWARE\\Classes\\.jpg";
  const std::string userChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";
  struct PutBack {
    std::string key;
    RegValue value;
    ~PutBack() {
      if (value.exists) WriteRegText(HKEY_LOCAL_MACHINE, key, "", value.text);
      else DeleteRegTree(HKEY_LOCAL_MACHINE, key);
    }
  } putBack{jpg, ReadRegValue(HKEY_LOCAL_MACHINE, jpg, "")};
  for (const char* denied : {"SOFTWARE\\Classes\\Pixorra.jpg", "SOFTWARE\\Classes\\Pixorra.jpg\\shell\\open\\command"}) {
    SCOPED_TRACE(denied);
    ForgetInstallations();
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg");
    DeleteRegTree(HKEY_CURRENT_USER, userChoice);
    WriteRegText(HKEY_LOCAL_MACHINE, jpg, "", "Other.jpg");
    {
      DeniedKey deniedKey(denied);
      ASSERT_TRUE(deniedKey.ok()) << "this Wine does not deny writing to a key";
      const RunResult run = Run("/silent /folder=" + target_ + " /assoc=1");
      EXPECT_EQ(kInstalled, run.exitCode);
      EXPECT_EQ("Other.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, jpg, "").text);
      EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, userChoice, "Progid").exists);
      EXPECT_EQ("Pixorra.gif", ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.gif", "").text)
          << "the other formats are still associated";
      const Texts entries = LogTexts(start_);
      const std::string jpgEntry = kAssociationFailed + ": .jpg (HKEY_LOCAL_MACHINE\\" + denied + ")";
      EXPECT_NE(entries.end(), std::find(entries.begin(), entries.end(), jpgEntry)) << "no entry " << jpgEntry;
    }
    DeleteFileA((start_ + kLogName).c_str());
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg");
  }
}

TEST_F(Outcomes, AnOpenCommandOrUninstallEntryThatCannotBeWrittenFailsTheRun) {
  for (const char* key : {kOpenCommandKey, kUninstallKey}) {
    SCOPED_TRACE(key);
    for (bool namedLog : {false, true}) {
      ForgetInstallations();
      DeniedKey denied(key);
      ASSERT_TRUE(denied.ok()) << "this Wine does not deny writing to a key";
      const std::string log = start_ + "named.log";
      const RunResult run = Run("/silent /folder=" + target_ + (namedLog ? " /log=" + log : ""));
      EXPECT_EQ(kFailed, run.exitCode);
      const std::string subject = std::string("HKEY_LOCAL_MACHINE\\") + key;
      std::string entry = kNeedsAdmin + ": " + subject;
      entry += "\r\n" + subject + ": " + ErrorText(ERROR_ACCESS_DENIED);
      if (namedLog) {
        const std::string copy = start_ + kLogName;
        CopyFileA(log.c_str(), copy.c_str(), FALSE);
        DeleteFileA(log.c_str());
      }
      EXPECT_EQ((Texts{entry, kTakenBack}), LogTexts(start_));
      EXPECT_FALSE(FileExists(target_ + "px_main64.exe")) << "the files are taken back too";
      DeleteFileA((start_ + kLogName).c_str());
    }
  }
}

}  // namespace
