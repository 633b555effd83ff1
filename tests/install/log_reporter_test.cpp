// The silent run's reporter: how each kind of failure, a notice and a
// question come out in the install log. The steps only say what failed;
// the order of folder and message in an entry is this reporter's rule.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/install_log.h"
#include "install_texts.h"
#include "setup/log_reporter.h"
#include "support/px_test_support.h"

using installtest::LogTexts;
using Texts = std::vector<std::string>;

namespace {

const std::string kMessage = "Installation fehlgeschlagen!";
const std::string kFolder = "C:\\Ziel\\";
const std::string kCause = "C:\\Ziel\\a.txt: Zugriff verweigert";

// A log of its own in a fresh folder for each case.
std::string FreshLogFolder(int row) {
  const std::string folder = pxtest::MakeTempFolder("log_reporter\\" + std::to_string(row));
  ChooseInstallLog((folder + installtest::kLogName).c_str());
  return folder;
}

TEST(LogReporter, OnlyAFailedUnpackingNamesTheFolderFirst) {
  const struct {
    FailedStep step;
    std::string cause;
    std::string entry;
  } rows[] = {
      // The folder after the message...
      {FailedStep::kStart, "", kMessage + ": " + kFolder},
      {FailedStep::kTargetFolder, "", kMessage + ": " + kFolder},
      {FailedStep::kRegistration, "", kMessage + ": " + kFolder},
      {FailedStep::kTargetFolder, kCause, kMessage + ": " + kFolder + "\r\n" + kCause},
      {FailedStep::kRegistration, kCause, kMessage + ": " + kFolder + "\r\n" + kCause},
      // ...except for the unpacking, whose entry has always started with it.
      {FailedStep::kUnpacking, "", kFolder + ": " + kMessage},
      {FailedStep::kUnpacking, kCause, kFolder + ": " + kMessage + "\r\n" + kCause},
  };
  int row = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.entry);
    const std::string folder = FreshLogFolder(++row);
    LogReporter reporter;
    reporter.FailureWithCause(r.step, kMessage, kFolder, r.cause);
    EXPECT_EQ(Texts{r.entry}, LogTexts(folder));
  }
}

TEST(LogReporter, NoticesNameTheirSubjectAfterTheMessageAndQuestionsAreAnsweredYes) {
  const std::string folder = FreshLogFolder(0);
  LogReporter reporter;
  reporter.Notice("Verknuepfung nicht erstellt", "C:\\Links\\Pixorra.lnk");
  EXPECT_TRUE(reporter.Confirm("Sollen die Dateitypen verknuepft werden?"));
  EXPECT_EQ(Texts{"Verknuepfung nicht erstellt: C:\\Links\\Pixorra.lnk"}, LogTexts(folder));
}

}  // namespace
