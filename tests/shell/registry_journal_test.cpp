// The registry's part of the installation journal against Wine's real
// registry: whatever stood there before, capture, the real registration,
// then putting back must leave every key and value as it was.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "core/footprint_names.h"
#include "platform/registry_tree.h"
#include "shell/register_as_setup.h"
#include "shell/registry_journal.h"
#include "shell/shell_expectations.h"
#include "support/px_test_support.h"
#include "uninstall/snapshot.h"

using namespace shelltest;
using installrecord::Scope;

namespace {

constexpr const char* kFolder = "C:\\Tools\\Pixorra\\";
constexpr const char* kEarlierFolder = "C:\\Old\\Pixorra\\";
constexpr const char* kJpgChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";
constexpr const char* kVictim = "SOFTWARE\\PxVictim";

InstallOptions Options(Choice choice, bool perUser) {
  InstallOptions options;
  for (int row = 0; row < kFormatRowCount; ++row) {
    options.formatSelection[row] = choice == Choice::All || (choice == Choice::Images && row < kImageRowCount);
  }
  options.associate = choice != Choice::None;
  options.thumbsLink = true;
  options.perUser = perUser;
  return options;
}

void Register(const char* folder, Choice choice, bool perUser = false) {
  WriteShellRegistration(Options(choice, perUser), folder, true, kRegisteredPayloadBytes);
}

// A registry link at HKLM\<key> to HKLM\<target>, made as Windows makes them.
void MakeLink(const std::string& key, const std::string& target) {
  HKEY link = nullptr;
  const std::wstring name(key.begin(), key.end());
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                           KEY_ALL_ACCESS | KEY_CREATE_LINK | KEY_WOW64_64KEY, nullptr, &link,
                                           nullptr));
  const std::string path = "\\Registry\\Machine\\" + target;
  const std::wstring wide(path.begin(), path.end());
  const LONG set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(wide.data()),
                                  static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  ASSERT_EQ(ERROR_SUCCESS, set);
}

void Clean() {
  // The links some tests make go as links, before anything opens them.
  for (const char* key : {"SOFTWARE\\Classes\\Pixorra", "SOFTWARE\\Classes\\Pixorra.jpg", "SOFTWARE\\Classes\\.jpg"}) {
    RemoveTreeAsIs(HKEY_LOCAL_MACHINE, key);
  }
  CleanRegistry();
  pxtest::DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Other.jpg");
  pxtest::DeleteRegTree(HKEY_LOCAL_MACHINE, kVictim);
  CleanLinks();
  pxtest::DeleteRegTree(HKEY_CURRENT_USER, "Software\\Classes\\Pixorra");
  pxtest::DeleteRegTree(HKEY_CURRENT_USER, "Software\\Classes\\Applications\\px_main64.exe");
  pxtest::DeleteRegTree(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64");
  pxtest::DeleteRegTree(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe");
  pxtest::DeleteRegTree(HKEY_CURRENT_USER, "Software\\Pixorra");
}

class RegistryJournal : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
};

// What stood in the registry before the run, the run, and its scope.
struct Case {
  const char* name;
  std::function<void()> before;
  Choice choice;
  bool perUser;
};

const Case kCases[] = {
    {"nothing of ours", [] {}, Choice::All, false},
    {"nothing of ours, the current user's installation", [] {}, Choice::All, true},
    {"an earlier installation with associations", [] { Register(kEarlierFolder, Choice::Images); }, Choice::All,
     false},
    {"someone else's .jpg default and user choice",
     [] {
       pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpg", "", "Other.jpg");
       pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Other.jpg\\shell\\open\\command", "",
                            "other.exe \"%1\"");
       pxtest::WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Progid", "Other.jpg");
       pxtest::WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Hash", "x2Zk0bR1aQ=");
     },
     Choice::Images, false},
    {"a found product class key with a foreign value",
     [] {
       pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra", "Foreign", "kept");
       pxtest::WriteRegDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open", "Flags", 7);
       pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\DefaultIcon", "", "other.exe,3");
       HKEY empty = nullptr;
       RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\Empty", &empty);
       RegCloseKey(empty);
     },
     Choice::Images, false},
};

TEST_F(RegistryJournal, PuttingBackLeavesTheRegistryAsBefore) {
  for (const Case& row : kCases) {
    SCOPED_TRACE(row.name);
    Clean();
    row.before();
    const uninstalltest::Snapshot before = uninstalltest::RegistrySnapshot();
    journal::Journal journal;
    const Scope scope = row.perUser ? Scope::kUser : Scope::kMachine;
    CaptureRegistry(scope, &journal);
    Register(kFolder, row.choice, row.perUser);
    ASSERT_NE("", uninstalltest::Difference(before, uninstalltest::RegistrySnapshot()));

    const StepReport restored = RestoreRegistry(journal);
    EXPECT_TRUE(restored.ok());
    EXPECT_EQ(0u, restored.failed.size());
    EXPECT_EQ("", uninstalltest::Difference(before, uninstalltest::RegistrySnapshot()));
    // Twice is once.
    EXPECT_TRUE(RestoreRegistry(journal).ok());
    EXPECT_EQ("", uninstalltest::Difference(before, uninstalltest::RegistrySnapshot()));
  }
}

// A run killed before the registration: nothing to take back, nothing goes.
TEST_F(RegistryJournal, PuttingBackBeforeTheRegistrationChangesNothing) {
  Register(kEarlierFolder, Choice::All);
  const uninstalltest::Snapshot before = uninstalltest::RegistrySnapshot();
  journal::Journal journal;
  CaptureRegistry(Scope::kMachine, &journal);
  EXPECT_TRUE(RestoreRegistry(journal).ok());
  EXPECT_EQ("", uninstalltest::Difference(before, uninstalltest::RegistrySnapshot()));
}

// The real setup over its own earlier installation: the uninstall entry
// with the record's copy, the earlier data the record carries, and the
// other scope's keys are all as before.
TEST_F(RegistryJournal, PuttingBackAfterTheRealSetup) {
  const std::string folder = "C:\\pxtest\\journal\\Pixorra";
  const std::string work = pxtest::MakeTempFolder("journal_work");
  pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", "", "Other.png");
  ASSERT_EQ(0u, pxtest::RunSetup("/silent /assoc=1 /folder=" + folder, work).exitCode);
  ASSERT_TRUE(pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, footprint::kRecordCopyValue).exists);
  const uninstalltest::Snapshot before = uninstalltest::RegistrySnapshot();
  journal::Journal journal;
  CaptureRegistry(Scope::kMachine, &journal);

  ASSERT_EQ(0u, pxtest::RunSetup("/silent /assoc=2 /thumbs=1 /folder=" + folder, work).exitCode);
  ASSERT_NE("", uninstalltest::Difference(before, uninstalltest::RegistrySnapshot()));
  EXPECT_TRUE(RestoreRegistry(journal).ok());
  EXPECT_EQ("", uninstalltest::Difference(before, uninstalltest::RegistrySnapshot()));
  pxtest::RemoveFolderTree(folder + "\\");
  pxtest::RemoveFolderTree(pxtest::SpecialFolder(CSIDL_APPDATA) + "Pixorra\\");
  pxtest::RemoveFolderTree(work);
}

// The capture shares its reading with the install record's: both see the
// same earlier data and the same missing keys.
TEST_F(RegistryJournal, CaptureAgreesWithTheInstallRecord) {
  pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpg", "", "Other.jpg");
  const EarlierRegistry read = ReadEarlierRegistry(Scope::kMachine);
  journal::Journal journal;
  CaptureRegistry(Scope::kMachine, &journal, read);
  installrecord::InstallRecord record;
  CaptureEarlierState(&record, nullptr, read);
  ASSERT_EQ(record.earlier.size(), journal.values.size());
  for (std::size_t i = 0; i < record.earlier.size(); ++i) {
    EXPECT_EQ(record.earlier[i].existed, journal.values[i].existed) << record.earlier[i].key;
    EXPECT_EQ(record.earlier[i].data, journal.values[i].data) << record.earlier[i].key;
  }
  std::size_t missing = 0;
  for (const journal::Key& key : journal.keys) missing += key.existed ? 0 : 1;
  EXPECT_EQ(record.createdKeys.size(), missing);
  bool jpgSeen = false;
  for (const journal::Value& value : journal.values) {
    if (value.key == "SOFTWARE\\Classes\\.jpg" && value.name.empty()) jpgSeen = value.existed;
  }
  EXPECT_TRUE(jpgSeen);
}

std::wstring WideValue(HKEY root, const std::string& key, const wchar_t* name, DWORD* type) {
  const std::wstring wideKey(key.begin(), key.end());
  std::wstring data(4096, L'\0');
  DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegGetValueW(root, wideKey.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type, &data[0], &size) != ERROR_SUCCESS) {
    return L"(missing)";
  }
  data.resize(size / sizeof(wchar_t));
  return data;
}

// A found key's values come back byte for byte, text that the ANSI code
// page cannot hold too; a value too large to keep is left as it is.
TEST_F(RegistryJournal, FoundValuesComeBackByteForByte) {
  const std::string key = "SOFTWARE\\Classes\\Pixorra";
  HKEY open = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Pixorra", 0, nullptr, 0,
                                           KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &open, nullptr));
  const std::wstring text = L"Fremdes \u03a9-Bild \u4e2d";  // not in code page 1252
  RegSetValueExW(open, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  const std::string large(300 * 1024, 'x');
  RegSetValueExW(open, L"Large", 0, REG_BINARY, reinterpret_cast<const BYTE*>(large.data()),
                 static_cast<DWORD>(large.size()));
  // Larger than the values read before it in the same key, and with every byte.
  std::string medium(20 * 1024, '\0');
  for (std::size_t i = 0; i < medium.size(); ++i) medium[i] = static_cast<char>(i * 7);
  RegSetValueExW(open, L"Medium", 0, REG_BINARY, reinterpret_cast<const BYTE*>(medium.data()),
                 static_cast<DWORD>(medium.size()));
  RegCloseKey(open);
  journal::Journal journal;
  CaptureRegistry(Scope::kMachine, &journal);
  Register(kFolder, Choice::Images);
  pxtest::WriteRegText(HKEY_LOCAL_MACHINE, key, "Large", "changed by the run");
  pxtest::WriteRegText(HKEY_LOCAL_MACHINE, key, "Medium", "changed by the run");
  DWORD type = 0;
  ASSERT_FALSE(WideValue(HKEY_LOCAL_MACHINE, key, nullptr, &type) == text + L'\0');

  EXPECT_TRUE(RestoreRegistry(journal).ok());
  EXPECT_TRUE(WideValue(HKEY_LOCAL_MACHINE, key, nullptr, &type) == text + L'\0');
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ("changed by the run", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, key, "Large").text);
  const pxtest::RegValue back = pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, key, "Medium");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), back.type);
  EXPECT_TRUE(std::string(back.raw.begin(), back.raw.end()) == medium);
}

// A registry link in or at one of the product's keys, or at the key of a
// value the run replaces: what it points to is never read, written or
// removed by putting back, and a value it keeps from coming back is named.
struct LinkCase {
  const char* name;
  const char* link;        // where the link is made
  bool beforeCapture;      // made before the capture (else during the run)
  const char* earlierDefault;  // the key's default value before the run; the run puts the link in its place
  KeyKind after;           // what stands at the link's name afterwards
  const char* notPutBack;  // what the report names, "" when everything came back
};

TEST_F(RegistryJournal, LinksAreNeverFollowed) {
  const LinkCase cases[] = {
      {"a link below a found product key", "SOFTWARE\\Classes\\Pixorra\\Linked", true, nullptr, KeyKind::kLink, ""},
      {"a link made during the run below a found product key", "SOFTWARE\\Classes\\Pixorra\\Linked", false, nullptr,
       KeyKind::kMissing, ""},
      {"a link made during the run at a product key that was missing", "SOFTWARE\\Classes\\Pixorra.jpg", false,
       nullptr, KeyKind::kMissing, ""},
      {"a link made during the run where a replaced value's key was", "SOFTWARE\\Classes\\.jpg", false, "Other.jpg",
       KeyKind::kLink, "HKLM\\SOFTWARE\\Classes\\.jpg: (Standard)\n"},
  };
  for (const LinkCase& row : cases) {
    SCOPED_TRACE(row.name);
    Clean();
    pxtest::WriteRegText(HKEY_LOCAL_MACHINE, kVictim, "Kept", "yes");
    pxtest::WriteRegText(HKEY_LOCAL_MACHINE, std::string(kVictim) + "\\Sub", "Also", "yes");
    pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra", "Foreign", "kept");
    if (row.earlierDefault != nullptr) pxtest::WriteRegText(HKEY_LOCAL_MACHINE, row.link, "", row.earlierDefault);
    if (row.beforeCapture) MakeLink(row.link, kVictim);
    journal::Journal journal;
    CaptureRegistry(Scope::kMachine, &journal);
    if (row.earlierDefault != nullptr) {
      ASSERT_TRUE(RemoveTreeAsIs(HKEY_LOCAL_MACHINE, row.link).ok);
    }
    if (!row.beforeCapture) MakeLink(row.link, kVictim);
    ASSERT_EQ(KeyKind::kLink, ProbeKey(HKEY_LOCAL_MACHINE, row.link));

    std::string notPutBack;
    for (const StepResult& failed : RestoreRegistry(journal).failed) notPutBack += failed.subject + "\n";
    EXPECT_EQ(row.notPutBack, notPutBack);
    EXPECT_EQ(row.after, ProbeKey(HKEY_LOCAL_MACHINE, row.link));
    EXPECT_FALSE(pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kVictim, "").exists);
    EXPECT_EQ("yes", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kVictim, "Kept").text);
    EXPECT_EQ("yes", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, std::string(kVictim) + "\\Sub", "Also").text);
    EXPECT_EQ("kept", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra", "Foreign").text);
  }
}

}  // namespace
