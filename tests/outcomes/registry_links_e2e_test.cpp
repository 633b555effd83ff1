// Registry links that a process without administrator rights can make in
// HKEY_CURRENT_USER, met by the elevated setup with associations and by its
// uninstaller: neither may write, create or delete anything where a link
// leads. The link's target (a machine key here) must come out of both runs
// exactly as it went in.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "outcomes/outcomes_support.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"
#include "uninstall/snapshot.h"

using namespace pxtest;
using namespace faulttest;
using namespace outcomes;

namespace {

const char kArea[] = "C:\\pxtest\\reglinks\\";
const std::string kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const char kTarget[] = "SOFTWARE\\PxLinkTarget";
const wchar_t kTargetPath[] = L"\\Registry\\Machine\\Software\\PxLinkTarget";

void RemoveUserLink(const std::string& key);

// Makes HKCU\key a registry link to kTargetPath (in place of what was
// there), its parents plain keys. "" when done, else why not.
std::string MakeUserLink(const std::string& key) {
  RemoveUserLink(key);
  DeleteRegTree(HKEY_CURRENT_USER, key);
  const std::string parent = key.substr(0, key.rfind('\\'));
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return "the link's parent cannot be made";
  }
  RegCloseKey(handle);
  const LONG made = RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                    KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &handle, nullptr);
  if (made != ERROR_SUCCESS) return "RegCreateKeyEx with REG_OPTION_CREATE_LINK: " + std::to_string(made);
  const LONG set = RegSetValueExW(handle, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(kTargetPath),
                                  static_cast<DWORD>(sizeof kTargetPath - sizeof(wchar_t)));
  RegCloseKey(handle);
  if (set != ERROR_SUCCESS) return "SymbolicLinkValue: " + std::to_string(set);
  return ReadRegValue(HKEY_CURRENT_USER, key, "Progid").text == "Victim.jpg" ? ""
                                                                              : "this Wine does not follow the link";
}

// Removes HKCU\key itself when it is a link (an ordinary deletion would
// take its target).
void RemoveUserLink(const std::string& key) {
  using NtDeleteKeyFunction = LONG(WINAPI*)(HANDLE);
  const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
  HKEY handle = nullptr;
  if (ntDeleteKey != nullptr && RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), REG_OPTION_OPEN_LINK,
                                              DELETE | KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
    DWORD type = 0;
    if (RegQueryValueExA(handle, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        type == REG_LINK) {
      ntDeleteKey(handle);
    }
    RegCloseKey(handle);
  }
}

// The names of the values HKCU\key holds itself (a link: only its
// "SymbolicLinkValue"); "" when it does not open as itself.
std::string OwnValueNames(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) {
    return "";
  }
  std::string names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumValueA(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names += std::string(names.empty() ? "" : " ") + name;
  }
  RegCloseKey(handle);
  return names;
}

// The target's part of the whole registry.
uninstalltest::Snapshot TargetPart() {
  const std::string prefix = "HKLM\\software\\pxlinktarget";  // the snapshot spells keys in lower case
  uninstalltest::Snapshot part;
  for (const auto& entry : uninstalltest::RegistrySnapshot()) {
    if (entry.first.compare(0, prefix.size(), prefix) == 0) part.insert(entry);
  }
  return part;
}

class RegistryLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("reglinks\\start");
    target_ = std::string(kArea) + "Pixorra\\";
  }
  void TearDown() override {
    for (const char* link : {"\\.jpg\\UserChoice", "\\.png", ""}) RemoveUserLink(kFileExts + link);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kTarget);
    RemoveFolderTree(kArea);
    ForgetInstallations();
  }

  std::string start_, target_;
};

TEST_F(RegistryLinks, AreNeverFollowedByTheSetupOrTheUninstaller) {
  struct Case {
    const char* link;  // below HKCU\...\Explorer\FileExts
  } cases[] = {
      {"\\.jpg\\UserChoice"},  // the user choice itself
      {"\\.png"},              // a key on the way to one
  };
  for (const Case& c : cases) {
    const std::string link = kFileExts + c.link;
    SCOPED_TRACE(link);
    ForgetInstallations();
    DeleteRegTree(HKEY_LOCAL_MACHINE, kTarget);
    WriteRegText(HKEY_LOCAL_MACHINE, kTarget, "Progid", "Victim.jpg");
    WriteRegText(HKEY_LOCAL_MACHINE, std::string(kTarget) + "\\Below", "", "kept");
    ASSERT_EQ("", MakeUserLink(link));
    const uninstalltest::Snapshot before = TargetPart();
    ASSERT_FALSE(before.empty());

    const RunResult setup = RunWide(SetupLine(Wide("/silent /assoc=1 /folder=" + target_)), start_);
    EXPECT_EQ(kInstalled, setup.exitCode);
    EXPECT_EQ("", uninstalltest::Difference(before, TargetPart())) << "what the setup did through the link";
    EXPECT_EQ("SymbolicLinkValue", OwnValueNames(link)) << "the link stands, and nothing is written into it";
    EXPECT_EQ("Pixorra.gif", ReadRegValue(HKEY_CURRENT_USER, kFileExts + "\\.gif\\UserChoice", "Progid").text)
        << "the other user choices are written";

    const RunResult removal = RunProgram(target_ + "pv_uninstall.exe", "/silent", start_, 120000);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_EQ("", uninstalltest::Difference(before, TargetPart())) << "what the uninstaller did through the link";
    EXPECT_EQ("SymbolicLinkValue", OwnValueNames(link)) << "the link stands";
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra")) << "the removal went through";
    RemoveUserLink(link);
  }
}

}  // namespace
