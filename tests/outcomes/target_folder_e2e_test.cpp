// Target folders the setup must refuse, end to end: the real setup started
// silently from a start folder of its own. Every refused run logs string 5
// with the value as given, exits 1603 and creates nothing anywhere (no
// folder, no file, no registry value); a run that fails later takes away
// the empty folders it made; "/silent" in the program's own path switches
// nothing on.
#include <gtest/gtest.h>
#include <windows.h>

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
using installtest::kInstallFailed;
using installtest::kInvalidFolder;
using installtest::kLogName;
using installtest::LogTexts;

namespace {

using Texts = std::vector<std::string>;

class RefusedFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveFolderTree("C:\\pxtest\\outcomes\\");
    start_ = MakeTempFolder("outcomes\\start");
  }
  void TearDown() override {
    RemoveFolderTree("C:\\pxtest\\outcomes\\");
    ForgetInstallations();
  }

  // One refused run: exact entry, 1603, nothing anywhere but the log.
  void ExpectRefused(const std::wstring& args, const std::string& subject) {
    const Everything before = Snapshot();
    const RunResult run = RunWide(SetupLine(args), start_);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(kFailed, run.exitCode);
    EXPECT_EQ(Texts{kInvalidFolder + ": " + subject}, LogTexts(start_));
    const Everything after = Snapshot();
    EXPECT_EQ(Texts{}, ChangedOutside(before.disk, after.disk, {start_ + kLogName}));
    EXPECT_EQ(Texts{}, RegistryDifferences(before.registry, after.registry));
    DeleteFileA((start_ + kLogName).c_str());
  }

  std::string start_;
};

struct Refused {
  const char* name;
  std::wstring args;    // behind the program's path
  std::string subject;  // as the log names it (Windows-1252)
};

TEST_F(RefusedFolders, StringFiveExit1603AndNothingCreated) {
  const std::vector<Refused> cases = {
      {"relative", L"/silent /folder=relpix", "relpix"},
      {"relative to the drive's folder", L"/silent /folder=C:relative\\px", "C:relative\\px"},
      {"quoted forward slashes to the root", L"/silent /folder=\"C:/\"", "C:\\"},
      {"drive without folder", L"/silent /folder=C:", "C:"},
      {"drive root", L"/silent /folder=C:\\", "C:\\"},
      {"drive root with blanks", L"/silent /folder=\"C:\\ \"", "C:\\"},
      {"share root", L"/silent /folder=\\\\server\\share", "\\\\server\\share"},
      {"outside Windows-1252: Polish", L"/silent /folder=C:\\\x141\xf3" L"d\x17a\\Pixorra", "C:\\?\xf3" "d?\\Pixorra"},
      {"outside Windows-1252: Greek", L"/silent /folder=C:\\\x3a9mega", "C:\\?mega"},
      {"outside Windows-1252: Cyrillic", L"/silent /folder=C:\\\x41f\x438\x43a\x441\x43e\x440\x440\x430",
       "C:\\????????"},
      {"quote left by a blank before it", L"/silent /folder= \"C:\\pxtest\\outcomes\\q\"",
       " \"C:\\pxtest\\outcomes\\q"},
      {"less-than", L"/silent /folder=C:\\pxtest\\outcomes\\a<b", "C:\\pxtest\\outcomes\\a<b"},
      {"greater-than", L"/silent /folder=C:\\pxtest\\outcomes\\a>b", "C:\\pxtest\\outcomes\\a>b"},
      {"bar", L"/silent /folder=C:\\pxtest\\outcomes\\a|b", "C:\\pxtest\\outcomes\\a|b"},
      {"question mark", L"/silent /folder=C:\\pxtest\\outcomes\\a?b", "C:\\pxtest\\outcomes\\a?b"},
      {"star", L"/silent /folder=C:\\pxtest\\outcomes\\a*b", "C:\\pxtest\\outcomes\\a*b"},
      {"dots at the end", L"/silent /folder=C:\\pxtest\\outcomes\\dots...", "C:\\pxtest\\outcomes\\dots..."},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRefused(c.args, c.subject);
  }
}

TEST_F(RefusedFolders, AValueCutByTheWindowIsNeverActedOn) {
  // "/folder=" placed so that the 519-character window ends 8 characters
  // into its value: the setup would see "C:\Progr", and refuses the option
  // before any change. The filler is a plain word: one starting with "/"
  // would be an unknown option, refused before this.
  const std::wstring head = SetupLine(L"/silent x=");
  const std::size_t valueStart = 519 - 8;
  const std::wstring filler(valueStart - 9 - head.size(), L'x');
  const Everything before = Snapshot();
  const RunResult run = RunWide(SetupLine(L"/silent x=" + filler + L" /folder=C:\\Program Files\\Pixorra"), start_);
  EXPECT_EQ(1639u, run.exitCode);
  const Texts entries = LogTexts(start_);
  ASSERT_EQ(1u, entries.size());
  EXPECT_NE(std::string::npos, entries[0].find(": /folder=C:\\Program")) << entries[0];
  const Everything after = Snapshot();
  EXPECT_EQ(Texts{}, ChangedOutside(before.disk, after.disk, {start_ + kLogName}));
  EXPECT_EQ(Texts{}, RegistryDifferences(before.registry, after.registry));
  EXPECT_FALSE(FolderExists("C:\\Program Files\\Pixorra\\"));
}

TEST_F(RefusedFolders, AFailedRunTakesAwayTheEmptyFoldersItMade) {
  const std::string target = "C:\\pxtest\\outcomes\\area\\new\\Pixorra\\";
  MakeTempFolder("outcomes\\area");
  const Everything before = Snapshot();
  {
    ScopedEnv temp("TEMP", "C:\\pxtest\\outcomes\\no_such_temp"), tmp("TMP", "C:\\pxtest\\outcomes\\no_such_temp");
    const RunResult run = RunWide(SetupLine(L"/silent /folder=" + Wide(target)), start_);
    EXPECT_EQ(kFailed, run.exitCode);
  }
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\nC:\\pxtest\\outcomes\\no_such_temp\\pxmaing_x64.zip: " +
                       ErrorText(ERROR_PATH_NOT_FOUND),
                   "Die Installation wurde zur\xFC" "ckgenommen."}),
            LogTexts(start_));
  EXPECT_FALSE(FolderExists("C:\\pxtest\\outcomes\\area\\new\\"));
  EXPECT_EQ(Texts{}, ChangedOutside(before.disk, Snapshot().disk, {start_ + kLogName}));
}

// Started as "C:/pxtest/outcomes/silent-installers/PixorraSetup64.exe" with
// no options, the setup must open its wizard, not install silently.
TEST_F(RefusedFolders, SilentInTheProgramPathSwitchesNothingOn) {
  const std::string folder = MakeTempFolder("outcomes\\silent-installers");
  const std::string exe = folder + "PixorraSetup64.exe";
  ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), exe.c_str(), FALSE));
  std::string line = "C:/pxtest/outcomes/silent-installers/PixorraSetup64.exe";
  line.push_back('\0');
  const Everything before = Snapshot();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, start_.c_str(), &startup,
                             &info));
  struct Search {
    DWORD pid;
    bool found;
  } search{info.dwProcessId, false};
  const bool wizardShown = WaitFor(
      [&] {
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
              auto* s = reinterpret_cast<Search*>(data);
              DWORD pid = 0;
              GetWindowThreadProcessId(window, &pid);
              if (pid == s->pid && IsWindowVisible(window)) s->found = true;
              return !s->found;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
      },
      30000);
  EXPECT_TRUE(wizardShown && search.found) << "the setup ended without showing its wizard";
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(Texts{}, RegistryDifferences(before.registry, Snapshot().registry));
  EXPECT_FALSE(FolderExists("C:\\Program Files\\Pixorra\\"));
}

}  // namespace
