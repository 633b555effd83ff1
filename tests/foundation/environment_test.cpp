// The machine tests: the version question under every Windows version Wine
// can report, and the search for the viewer's window.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/environment.h"
#include "support/px_test_support.h"

using namespace pxtest;

namespace {

constexpr const char* kProbeName = "px_version_probe.exe";
constexpr DWORD kAnsweredMark = 0x40u << 24;

struct Question {
  const char* version;  // major.minor.servicePack asked
  bool expected;
};

// Runs the probe with Wine set to wineVersion; one answer per question, or
// an empty list when the probe did not answer.
std::vector<bool> Ask(const std::string& wineVersion, const std::vector<Question>& questions) {
  ScopedWineVersion version(kProbeName, wineVersion);
  std::string args;
  for (const Question& q : questions) args += std::string(args.empty() ? "" : " ") + q.version;
  RunResult run = RunProgram(HostToWindowsPath(PX_BUILD_DIR "/tests/bin/") + kProbeName, args, "", 60000);
  std::vector<bool> answers;
  if (!run.started || run.timedOut || (run.exitCode & 0xFF000000u) != kAnsweredMark) {
    ADD_FAILURE() << "probe under " << wineVersion << ": started " << run.started << ", exit code 0x" << std::hex
                  << run.exitCode;
    return answers;
  }
  for (size_t i = 0; i < questions.size(); ++i) answers.push_back((run.exitCode >> i) & 1u);
  return answers;
}

void ExpectAnswers(const std::string& wineVersion, const std::vector<Question>& questions) {
  std::vector<bool> answers = Ask(wineVersion, questions);
  ASSERT_EQ(questions.size(), answers.size());
  for (size_t i = 0; i < questions.size(); ++i) {
    EXPECT_EQ(questions[i].expected, answers[i])
        << "Wine as " << wineVersion << ", at least " << questions[i].version << "?";
  }
}

}  // namespace

// The questions the setup asks are 5.1.0 (title font), 6.0.0 (settings
// folder) and 6.2.0 (uninstall link, open-with markers); the others prove
// that the comparison is hierarchical: a higher major or minor version wins
// whatever the service pack, and the service pack counts only on a tie.
TEST(OsVersion, WindowsXpSp3) {
  ExpectAnswers("winxp", {{"5.1.0", true}, {"6.0.0", false}, {"6.2.0", false},
                          {"5.1.3", true}, {"5.1.4", false}, {"5.0.9", true}, {"4.9.0", true}});
}

TEST(OsVersion, WindowsVistaSp2) {
  ExpectAnswers("vista", {{"5.1.0", true}, {"6.0.0", true}, {"6.2.0", false},
                          {"6.0.2", true}, {"6.0.3", false}, {"6.1.0", false}, {"5.1.9", true}});
}

TEST(OsVersion, Windows7) {
  ExpectAnswers("win7", {{"5.1.0", true}, {"6.0.0", true}, {"6.2.0", false},
                         {"6.1.0", true}, {"6.1.1", true}, {"6.1.2", false}, {"6.0.9", true}});
}

TEST(OsVersion, Windows8) {
  ExpectAnswers("win8", {{"5.1.0", true}, {"6.0.0", true}, {"6.2.0", true},
                         {"6.2.1", false}, {"6.3.0", false}, {"6.1.9", true}});
}

TEST(OsVersion, Windows10) {
  // Without a supportedOS entry in its manifest a program is told 6.2 here,
  // as on Windows itself; 6.2 is all the setup asks about.
  ExpectAnswers("win10", {{"5.1.0", true}, {"6.0.0", true}, {"6.2.0", true}, {"99.0.0", false}});
}

TEST(OsVersion, ImpossibleVersionsAreNotReached) {
  EXPECT_FALSE(IsOsVersionAtLeast(0xFFFF, 0, 0));
  EXPECT_FALSE(IsOsVersionAtLeast(6, 0xFFFF, 0));
  EXPECT_TRUE(IsOsVersionAtLeast(0, 0, 0));
}

class ViewerWindow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CloseAllViewers()) << "a viewer from an earlier test is still open"; }
  void TearDown() override { CloseAllViewers(); }

  // The stand-in viewer, closing itself after a minute should a test fail.
  HWND StartViewer(const std::string& args = "") {
    viewer_ = StartProgram(ViewerExePath(), "/quitafter=60" + (args.empty() ? "" : " " + args));
    if (!viewer_.started()) return nullptr;
    HWND window = nullptr;
    WaitFor([&] { return (window = FindWindowA("Pixorra", nullptr)) != nullptr; }, 10000);
    return window;
  }

  StartedProgram viewer_;
};

TEST_F(ViewerWindow, NotRunningWhenNoViewerWindowExists) {
  EXPECT_FALSE(IsViewerRunning());
}

TEST_F(ViewerWindow, RunningWhileShownAndWhileHidden) {
  HWND window = StartViewer();
  ASSERT_NE(nullptr, window);
  // The window exists before the viewer shows it.
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_TRUE(IsViewerRunning());

  ShowWindow(window, SW_HIDE);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 2000));
  EXPECT_TRUE(IsViewerRunning());

  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(viewer_.Wait(5000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_FALSE(IsViewerRunning());
}

TEST_F(ViewerWindow, StartedHiddenCountsAsRunning) {
  HWND window = StartViewer("/hidden");
  ASSERT_NE(nullptr, window);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(IsViewerRunning());
}

TEST_F(ViewerWindow, AnyProgramsTopLevelWindowOfTheClassCounts) {
  // Only the class name matters: here the test itself owns the window.
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "Pixorra";
  ATOM atom = RegisterClassA(&windowClass);
  ASSERT_NE(0, atom);
  HWND own = CreateWindowA("Pixorra", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance,
                           nullptr);
  ASSERT_NE(nullptr, own);
  EXPECT_TRUE(IsViewerRunning());
  DestroyWindow(own);
  EXPECT_FALSE(IsViewerRunning());

  // A child window of that class is no viewer: only top-level windows count.
  HWND parent = CreateWindowA("STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, parent);
  HWND child = CreateWindowA("Pixorra", "", WS_CHILD, 0, 0, 5, 5, parent, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(nullptr, child);
  EXPECT_FALSE(IsViewerRunning());
  DestroyWindow(parent);
  UnregisterClassA("Pixorra", windowClass.hInstance);
}

TEST_F(ViewerWindow, BringToFrontFindsARunningViewerAtOnce) {
  HWND window = StartViewer();
  ASSERT_NE(nullptr, window);
  DWORD start = GetTickCount();
  EXPECT_TRUE(BringViewerToFront());
  EXPECT_LT(GetTickCount() - start, 400u) << "a window that exists must be found on the first try";
}

TEST_F(ViewerWindow, BringToFrontWaitsForAViewerThatIsStillStarting) {
  // The finish page starts the viewer 50 ms before it asks; the window comes
  // later than that. Here the viewer is not even started at the first try,
  // so only a later try can find it.
  std::thread late([this] {
    Sleep(300);
    viewer_ = StartProgram(ViewerExePath(), "/quitafter=60");
  });
  DWORD start = GetTickCount();
  bool found = BringViewerToFront();
  DWORD elapsed = GetTickCount() - start;
  late.join();
  EXPECT_TRUE(found);
  EXPECT_GE(elapsed, 450u);
  EXPECT_LT(elapsed, 2600u);
}

TEST_F(ViewerWindow, BringToFrontGivesUpAfterFiveTries) {
  DWORD start = GetTickCount();
  EXPECT_FALSE(BringViewerToFront());
  DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 2400u);
  EXPECT_LT(elapsed, 4000u);
}
