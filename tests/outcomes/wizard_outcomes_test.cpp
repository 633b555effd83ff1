// The wizard's side of the truthful outcomes, driven as a person would on the
// GUI bench: the welcome page refuses every folder the installation would
// refuse, before Next; the ready page shows and the finish page starts the
// folder as it was created; only Yes quits the wizard; a registration that
// a standard user cannot write says so and returns to the welcome page.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "support/px_test_support.h"
#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

namespace {

const char kNeedsAdmin[] =
    "Pixorra konnte nicht im System registriert werden!\n\nDie Installation ben\xf6tigt Administratorrechte. "
    "Starten Sie die Installation bitte als Administrator!";

// Types UTF-16 text into the welcome page's folder: characters outside the
// test's code page reach the setup as a person's keyboard would give them.
bool TypeWide(HWND edit, const std::wstring& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                             &result) != 0;
}

struct Refused {
  const char* name;
  std::wstring folder;
  const char* mustNotExist;  // what a wrong acceptance would create, or ""
};

}  // namespace

TEST_F(WizardTest, WelcomeRefusesWhatTheInstallationWouldRefuseBeforeNext) {
  ASSERT_TRUE(StartAtWelcome());
  const std::vector<Refused> cases = {
      {"relative to the drive's folder", L"C:relative\\px", ""},
      {"drive only", L"C:", ""},
      {"drive root", L"C:\\", ""},
      {"248 characters, no room for the payload", L"C:\\pxtest\\" + std::wstring(238, L'l'),
       "C:\\pxtest\\llllllllll"},
      {"forbidden character", L"C:\\pxtest\\a<b", ""},
      {"dots at the end", L"C:\\pxtest\\dots...", "C:\\pxtest\\dots\\"},
      {"outside Windows-1252", L"C:\\\x141\xf3" L"d\x17a\\Pixorra", "C:\\Lodz\\"},
      // What the uninstaller would refuse to remove from.
      {"Program Files itself", L"C:\\Program Files", ""},
      {"system32", L"C:\\windows\\system32", ""},
      {"a new folder inside the Windows folder", L"C:\\windows\\Pixorra", "C:\\windows\\Pixorra\\"},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(TypeWide(wizard.Item(1000), c.folder));
    ASSERT_TRUE(wizard.PressNext());
    EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kInvalidFolder, IDOK));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_EQ(kWelcome, wizard.PageIndex());
    if (c.mustNotExist[0] != '\0') {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(c.mustNotExist)) << c.mustNotExist;
    }
  }
}

TEST_F(WizardTest, TheFolderAsCreatedIsShownAndStarted) {
  // "C:\pxtest\wizard_tools\...\Pixorra\", not yet there.
  const std::string base = NewInstallFolder("wizard_tools");
  const std::string parent = base.substr(0, base.size() - std::string("Pixorra\\").size());
  const std::string typed = parent + "Tools \\Pixorra";
  const std::string created = parent + "Tools\\Pixorra\\";
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, typed));
  EXPECT_EQ("Zielverzeichnis: " + parent + "Tools\\Pixorra", wizard.ItemText(1010));
  ASSERT_TRUE(InstallFromReadyPage());
  EXPECT_TRUE(FileExists(created + "px_main64.exe"));
  // Only the viewer: the FAQ page is not what this is about.
  ASSERT_TRUE(wizard.ClickItem(1022));
  ASSERT_TRUE(wizard.Settle());
  ASSERT_TRUE(wizard.PressCancel());
  ASSERT_TRUE(wizard.WaitForExit(20000));
  EXPECT_TRUE(WaitFor([] { return ViewerWindow() != nullptr; }, 10000)) << "nothing started from " << created;
  ASSERT_TRUE(CloseAllViewers());
  RemoveFolderTree(parent);
}

// Esc on the question answers Cancel under Wine; only Yes may end the wizard.
TEST_F(WizardTest, OnlyYesQuits) {
  ASSERT_TRUE(StartAtWelcome());
  for (const char* way : {"Beenden", "close box"}) {
    SCOPED_TRACE(way);
    if (std::string(way) == "Beenden") {
      ASSERT_TRUE(wizard.PressCancel());
    } else {
      wizard.PressCloseBox();
    }
    const MessageBoxSeen box = wizard.WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ(kAbandonQuestion, box.text);
    if (std::string(way) == "Beenden") {
      EXPECT_FALSE(SaveScreenshot("outcomes_abandon_question").empty());
    }
    PostMessageA(box.window, WM_COMMAND, IDCANCEL, 0);  // what Esc sends
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.window); }, kWaitMs));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_TRUE(wizard.IsRunning()) << "the wizard ended on an answer other than Yes";
    EXPECT_EQ(kWelcome, wizard.PageIndex());
  }
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandonQuestion, IDYES));
  EXPECT_TRUE(wizard.WaitForExit());
}

// Another setup or uninstaller at work when Install is pressed: the wizard
// says so after its wait and stays on the ready page with nothing made; left
// then, it ends with the retry code. Open and looked at, it waits for nothing.
TEST_F(WizardTest, AnotherRunAtWorkKeepsTheReadyPageAndLeavingEndsWith1618) {
  const char kOtherRun[] = "Eine andere Installation oder Deinstallation von Pixorra l\xe4uft gerade, es wurde "
                           "nichts installiert.\nBitte versuchen Sie es sp\xe4ter noch einmal.";
  const std::string folder = NewInstallFolder("wizard_other_run");
  // Made as an elevated setup makes it: owned by Administrators.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  HANDLE mutex = CreateMutexA(&attributes, FALSE, "Global\\PixorraSetupRun");
  LocalFree(descriptor);
  ASSERT_NE(nullptr, mutex);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 5000));
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder));
  ASSERT_TRUE(wizard.PressNext());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kOtherRun, IDOK, 40000));
  ASSERT_TRUE(wizard.Settle());
  EXPECT_EQ(kReady, wizard.PageIndex());
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandonQuestion, IDYES));
  DWORD exitCode = 0;
  ASSERT_TRUE(wizard.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(1618u, exitCode);
  EXPECT_FALSE(FolderExists(folder));
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

TEST_F(WizardTest, ARegistrationAStandardUserCannotWriteReturnsToTheWelcomePage) {
  // The open command's key lets everybody read and delete it, nobody write.
  const char* key = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
  HKEY handle = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                   &sd, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd));
  LocalFree(sd);
  RegCloseKey(handle);
  ASSERT_EQ(ERROR_ACCESS_DENIED, RegSetValueA(HKEY_LOCAL_MACHINE, key, REG_SZ, "x", 1));

  const std::string folder = NewInstallFolder("wizard_denied");
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder));
  ASSERT_TRUE(wizard.PressNext());
  const MessageBoxSeen box = wizard.WaitForMessageBox(120000);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(kNeedsAdmin, box.text);
  EXPECT_EQ(kProductCaption, box.caption);
  EXPECT_FALSE(SaveScreenshot("outcomes_needs_admin").empty());
  ASSERT_TRUE(wizard.Answer(box, IDOK));
  EXPECT_TRUE(wizard.WaitForPage(kWelcome));
  DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra");
  RemoveFolderTree(folder);
}
