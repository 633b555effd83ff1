// The installation run in this test program, whose own resources carry a
// broken payload (damaged or cut short) beside the setup's string table.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/install_options.h"
#include "setup/installation_run.h"
#include "setup/log_reporter.h"
#include "install_texts.h"

using namespace installtest;
#include "support/px_test_support.h"

namespace {

// Test folders through the shared support library.
std::string FreshFolder(const std::string& name) { return pxtest::MakeTempFolder("run\\" + name); }

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return std::string(folder) + "\\";
}

// Runs the installation silently from a fresh start folder, as the setup
// would when started there; returns the run's result.
int RunFrom(const std::string& start, const std::string& target) {
  InstallOptions options;
  target.copy(options.targetFolder, sizeof options.targetFolder - 1);
  SetCurrentDirectoryA(start.c_str());
  LogReporter reporter;
  return RunInstallation(options, reporter) ? 1 : 0;
}

std::string TempArchivePath() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "pxmaing_x64.zip";
}

}  // namespace

TEST(PX_SUITE, FailsWithTheFolderFirstInTheLog) {
  const std::string start = FreshFolder(PX_CASE "_start");
  const std::string target = FreshFolder(PX_CASE "_target");
  EXPECT_EQ(RunFrom(start, target.substr(0, target.size() - 1)), 0);
  // A damaged entry is named itself, by the name it is unpacked under; an
  // archive cut short is named whole. Then the run says it took back what
  // it had done.
  const std::string cause = std::string(PX_CASE) == "truncated"
                                ? TempArchivePath() + ": " + ErrorText(ERROR_INVALID_DATA)
                                : target + "big.bin.pxnew: " + ErrorText(ERROR_CRC);
  EXPECT_EQ(LogTexts(start), (std::vector<std::string>{target + ": " + kInstallFailed + "\r\n" + cause,
                                                       "Die Installation wurde zur\xFC" "ckgenommen."}));
  EXPECT_EQ(CurrentFolder(), start);  // the log went where the run started
  EXPECT_EQ(GetFileAttributesA(TempArchivePath().c_str()), INVALID_FILE_ATTRIBUTES);
  // No settings file: the run stopped before it.
  EXPECT_EQ(GetFileAttributesA((target + "px_main64.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(PX_SUITE, BlankFolderCannotBeCreated) {
  // Only the run itself can be handed blanks: the command line's cleaning
  // turns them into the empty folder.
  const std::string start = FreshFolder(PX_CASE "_blank");
  EXPECT_EQ(RunFrom(start, "    "), 0);
  EXPECT_EQ(LogTexts(start), std::vector<std::string>{kCannotCreate + ": "});
}
