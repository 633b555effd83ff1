// The install log end to end: "/log=FILE" (every entry there, a line on
// success, the cause of each failure), a log name that is a hard link or a
// symbolic link, and the help that "/?" and "/help" show.
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
using installtest::kCannotCreate;
using installtest::kInstallFailed;
using installtest::ErrorText;
using installtest::kInvalidFolder;
using installtest::kLogName;
using installtest::kViewerRunning;
using installtest::LogTexts;

namespace {

using Texts = std::vector<std::string>;

const char kArea[] = "C:\\pxtest\\outcomes\\";

// LogTexts reads "<folder>Pixorra_Install.log"; this reads any file.
Texts EntriesOf(const std::string& file) {
  const std::string folder = file.substr(0, file.rfind('\\') + 1);
  const std::string copy = folder + kLogName;
  if (file == copy) return LogTexts(folder);
  const std::string held = ReadFileBytes(copy);
  const bool had = FileExists(copy);
  if (!FileExists(file)) return {};
  CopyFileA(file.c_str(), copy.c_str(), FALSE);
  Texts texts = LogTexts(folder);
  if (had) WriteFileBytes(copy, held); else DeleteFileA(copy.c_str());
  return texts;
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("outcomes\\start");
    logs_ = MakeTempFolder("outcomes\\logs");
    target_ = std::string(kArea) + "target\\Pixorra\\";
  }
  void TearDown() override {
    CloseAllViewers();
    RemoveFolderTree(kArea);
    ForgetInstallations();
  }
  RunResult Run(const std::string& args) { return RunWide(SetupLine(Wide(args)), start_); }

  std::string start_, logs_, target_;
};

TEST_F(LogFile, ASuccessfulRunLeavesOneLineThereAndNothingInTheStartFolder) {
  const std::string log = logs_ + "setup.log";
  const std::string args = "/silent /folder=" + target_ + " /desktop=0 /log=" + log;
  ASSERT_EQ(kInstalled, Run(args).exitCode);
  EXPECT_EQ(Texts{target_ + ": Installation abgeschlossen (" + args + "), Exit-Code 0"}, EntriesOf(log));
  EXPECT_FALSE(FileExists(start_ + kLogName));
  // A second run appends.
  ASSERT_EQ(kInstalled, Run(args).exitCode);
  EXPECT_EQ(2u, EntriesOf(log).size());
}

TEST_F(LogFile, ARelativeNameIsTakenFromTheStartFolder) {
  // The unpacking enters the target folder: the line must still land here.
  const std::string args = "/silent /folder=" + target_ + " /log=\"run 1.log\"";
  ASSERT_EQ(kInstalled, Run(args).exitCode);
  EXPECT_EQ(1u, EntriesOf(start_ + "run 1.log").size());
  EXPECT_FALSE(FileExists(target_ + "run 1.log"));
}

TEST_F(LogFile, FailuresNameTheirCauseThere) {
  const std::string log = logs_ + "setup.log";
  const std::string logArgument = " /log=" + log;
  // TEMP naming a file instead of a folder.
  const std::string afile = std::string(kArea) + "afile";
  WriteFileBytes(afile, "not a folder");
  // A program that holds the viewer's file of an earlier installation.
  const std::string heldTarget = std::string(kArea) + "held\\Pixorra\\";
  ASSERT_EQ(kInstalled, Run("/silent /folder=" + heldTarget).exitCode);
  HANDLE held = CreateFileA((heldTarget + "px_main64.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);

  {
    ScopedEnv temp("TEMP", afile), tmp("TMP", afile);
    ASSERT_EQ(kFailed, Run("/silent /folder=" + target_ + logArgument).exitCode);
  }
  ASSERT_EQ(kFailed, Run("/silent /folder=" + heldTarget + logArgument).exitCode);
  CloseHandle(held);
  const bool noQ = GetDriveTypeA("Q:\\") == DRIVE_NO_ROOT_DIR;
  if (noQ) {
    ASSERT_EQ(kFailed, Run("/silent /folder=Q:\\Pixorra" + logArgument).exitCode);
  }
  ASSERT_EQ(kFailed, Run("/silent /folder=relpix" + logArgument).exitCode);

  // Each run that had begun to install says that it took that back.
  const std::string takenBack = "Die Installation wurde zur\xFC" "ckgenommen.";
  Texts expected = {
      target_ + ": " + kInstallFailed + "\r\n" + afile + "\\pxmaing_x64.zip: " + ErrorText(ERROR_PATH_NOT_FOUND),
      takenBack,
      heldTarget + ": " + kInstallFailed + "\r\n" + heldTarget + "px_main64.exe: " +
          ErrorText(ERROR_SHARING_VIOLATION),
      takenBack,
  };
  // Wine answers "file not found" for a folder on a drive that does not exist.
  if (noQ) expected.push_back(kCannotCreate + ": Q:\\Pixorra\\\r\nQ:\\Pixorra: " + ErrorText(ERROR_FILE_NOT_FOUND));
  expected.push_back(kInvalidFolder + ": relpix");  // the value itself is the cause
  EXPECT_EQ(expected, EntriesOf(log));
  EXPECT_FALSE(FileExists(start_ + kLogName));
}

TEST_F(LogFile, TheViewerRunningIsToldThere) {
  ASSERT_EQ(kInstalled, Run("/silent /folder=" + target_).exitCode);
  StartedProgram viewer = StartProgram(target_ + "px_main64.exe", "/hidden /quitafter=60", target_);
  ASSERT_TRUE(viewer.started());
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 20000));
  const std::string log = logs_ + "busy.log";
  EXPECT_EQ(kViewerBusy, Run("/silent /folder=" + target_ + " /log=" + log).exitCode);
  EXPECT_EQ(Texts{kViewerRunning}, EntriesOf(log));
  EXPECT_FALSE(FileExists(start_ + kLogName));
}

// --- Links in the log's place --------------------------------------------

struct LinkCase {
  const char* name;
  std::string logArgument;  // "" for the default log in the start folder
  std::string linkName;     // the log's path, made a link to the victim
};

TEST_F(LogFile, NeverWrittenThroughAHardLink) {
  const std::string windowsIni = "C:\\windows\\win.ini";
  const std::string victim = std::string(kArea) + "victim.ini";
  WriteFileBytes(victim, "[victim]\r\n");
  const std::vector<LinkCase> cases = {
      {"default log linked to win.ini", "", start_ + kLogName},
      {"named log linked to another file", " /log=" + logs_ + "named.log", logs_ + "named.log"},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = c.logArgument.empty() ? windowsIni : victim;
    const std::string before = ReadFileBytes(target);
    ASSERT_TRUE(CreateHardLinkA(c.linkName.c_str(), target.c_str(), nullptr));
    EXPECT_EQ(kFailed, Run("/silent /folder=relpix" + c.logArgument).exitCode);
    EXPECT_EQ(before, ReadFileBytes(target)) << "written through the link";
    EXPECT_EQ(Texts{kInvalidFolder + ": relpix"}, EntriesOf(c.linkName));
    // The log is a file of its own now.
    HANDLE file = CreateFileA(c.linkName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    BY_HANDLE_FILE_INFORMATION info = {};
    EXPECT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    EXPECT_EQ(1u, info.nNumberOfLinks);
  }
}

TEST_F(LogFile, NeverWrittenThroughASymbolicLink) {
  const std::string victim = std::string(kArea) + "victim.ini";
  WriteFileBytes(victim, "[victim]\r\n");
  const std::string link = start_ + kLogName;
  if (!CreateSymbolicLinkA(link.c_str(), victim.c_str(), 0)) {
    GTEST_SKIP() << "this Wine makes no symbolic links (error " << GetLastError() << ")";
  }
  EXPECT_EQ(kFailed, Run("/silent /folder=relpix").exitCode);
  EXPECT_EQ("[victim]\r\n", ReadFileBytes(victim)) << "written through the link";
  EXPECT_EQ(Texts{kInvalidFolder + ": relpix"}, LogTexts(start_));
}

// --- Help ----------------------------------------------------------------

TEST(Help, ListsOptionsAndExitCodesAndInstallsNothing) {
  ForgetInstallations();
  const std::string start = MakeTempFolder("outcomes_help");
  // With "/silent" the usage goes into the log instead (tests/deploy).
  for (const char* args : {"/?", "/help", "/folder=C:\\pxtest\\outcomes_help\\Pixorra /?"}) {
    SCOPED_TRACE(args);
    const Everything before = Snapshot();
    StartedProgram setup = StartProgram(SetupExePath(), args, start);
    ASSERT_TRUE(setup.started());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
          box = FindWindowA("#32770", "Pixorra 64-bit Installation");
          return box != nullptr;
        },
        20000));
    char text[2048] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    const std::string help = text;
    EXPECT_EQ(0u, help.find("Aufruf: PixorraSetup64.exe [Optionen]")) << help;
    for (const char* named : {"/silent", "/folder=", "/group=", "/desktop=", "/thumbs=", "/allusers=", "/assoc=",
                              "/ini=", "/log=", "/help", "Exit-Codes: 0 installiert, 1603", "1618 Pixorra l\xe4uft"}) {
      EXPECT_NE(std::string::npos, help.find(named)) << named;
    }
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.Wait(20000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    const Everything after = Snapshot();
    EXPECT_EQ(Texts{}, ChangedOutside(before.disk, after.disk, {}));
    EXPECT_EQ(Texts{}, RegistryDifferences(before.registry, after.registry));
  }
  RemoveFolderTree(start);
}

}  // namespace
