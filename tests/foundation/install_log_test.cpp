// The install log: the entry layout on its own, then real entries appended to
// "Pixorra_Install.log" in the current folder, and folders where it cannot be
// written.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/setup_image.h"
#include "core/log_entry.h"
#include "install/install_log.h"
#include "platform/resource_text.h"
#include "resources/resource.h"

namespace {

const std::string kSeparator(48, '-');

TEST(InstallLogEntry, DateTimeTextThenSeparator) {
  EXPECT_EQ(FormatInstallLogEntry("07.12.2026", 9, 5, 3, "Ung\xFCltiges Zielverzeichnis!: C:\\x\\"),
            "07.12.2026 - 09:05:03: Ung\xFCltiges Zielverzeichnis!: C:\\x\\\n" + kSeparator + "\n");
  EXPECT_EQ(FormatInstallLogEntry("1/2/2026", 23, 59, 59, "a\n\nb"),
            "1/2/2026 - 23:59:59: a\n\nb\n" + kSeparator + "\n");
}

TEST(InstallLogEntry, MissingPiecesStayEmpty) {
  EXPECT_EQ(FormatInstallLogEntry(nullptr, 0, 0, 0, nullptr), " - 00:00:00: \n" + kSeparator + "\n");
  EXPECT_EQ(FormatInstallLogEntry("", 12, 0, 0, ""), " - 12:00:00: \n" + kSeparator + "\n");
}

TEST(InstallLogEntry, ClockFieldsNeverWiden) {
  EXPECT_EQ(FormatInstallLogEntry("d", 123, -4, 60, "t"), "d - 99:00:60: t\n" + kSeparator + "\n");
}

// Runs one test in a fresh folder of its own as the current folder, as the
// setup runs in the folder it was started in.
class InstallLogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char previous[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, previous));
    previous_ = previous;
    char temp[MAX_PATH];
    ASSERT_TRUE(GetTempPathA(MAX_PATH, temp));
    folder_ = std::string(temp) + "px_install_log_" + std::to_string(GetCurrentProcessId()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RemoveFolder();
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryA(previous_.c_str());
    RemoveFolder();
  }

  std::string LogPath() const { return folder_ + "\\Pixorra_Install.log"; }
  std::string Log() const { return pxtest::ReadWholeFile(LogPath()); }

  static std::string Today(const SYSTEMTIME& when) {
    char date[256];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, sizeof date);
    return date;
  }

  // Splits the file at CR LF; a bare LF or CR fails the test.
  static std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < bytes.size()) {
      size_t end = bytes.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << "last line not ended by CR LF";
        end = bytes.size();
      }
      std::string line = bytes.substr(at, end - at);
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare line break in: " << line;
      lines.push_back(line);
      at = end + 2;
    }
    return lines;
  }

  // "date - HH:MM:SS: " with today's date (either side of midnight).
  static void ExpectStamp(const std::string& line, const std::string& before,
                          const std::string& after) {
    size_t dash = line.find(" - ");
    ASSERT_NE(dash, std::string::npos) << line;
    const std::string date = line.substr(0, dash);
    EXPECT_TRUE(date == before || date == after) << "date " << date << ", today " << before;
    ASSERT_GE(line.size(), dash + 3 + 10) << line;
    const std::string time = line.substr(dash + 3, 10);
    for (int i : {0, 1, 3, 4, 6, 7}) EXPECT_TRUE(isdigit(static_cast<unsigned char>(time[i]))) << time;
    EXPECT_EQ(time[2], ':');
    EXPECT_EQ(time[5], ':');
    EXPECT_EQ(time.substr(8), ": ");
    EXPECT_LT(std::stoi(time.substr(0, 2)), 24);
    EXPECT_LT(std::stoi(time.substr(3, 2)), 60);
  }

  void RemoveFolder() {
    DeleteFileA(LogPath().c_str());
    RemoveDirectoryA((folder_ + "\\Pixorra_Install.log").c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  std::string previous_;
  std::string folder_;
};

TEST_F(InstallLogFile, TwoFailuresMakeTwoEntriesInOneFile) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  WriteInstallLog("Ung\xFCltiges Zielverzeichnis!: ");
  WriteInstallLog("C:\\Programme\\Pixorra\\: second failure");
  SYSTEMTIME after;
  GetLocalTime(&after);

  std::vector<std::string> lines = Lines(Log());
  ASSERT_EQ(lines.size(), 4u) << Log();
  ExpectStamp(lines[0], Today(before), Today(after));
  const std::string first = ": Ung\xFCltiges Zielverzeichnis!: ";
  ASSERT_GT(lines[0].size(), first.size());
  EXPECT_EQ(lines[0].substr(lines[0].size() - first.size()), first);
  EXPECT_EQ(lines[1], kSeparator);
  ExpectStamp(lines[2], Today(before), Today(after));
  EXPECT_EQ(lines[2].substr(lines[2].find(": ", lines[2].find(" - ") + 3) + 2),
            "C:\\Programme\\Pixorra\\: second failure");
  EXPECT_EQ(lines[3], kSeparator);
}

TEST_F(InstallLogFile, EarlierEntriesAreKept) {
  FILE* earlier = std::fopen("Pixorra_Install.log", "wb");
  ASSERT_TRUE(earlier);
  std::fputs("earlier run\r\n", earlier);
  std::fclose(earlier);

  WriteInstallLog("now");
  const std::string log = Log();
  EXPECT_EQ(log.rfind("earlier run\r\n", 0), 0u) << log;
  std::vector<std::string> lines = Lines(log);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], kSeparator);
}

// The unpacking failure: target folder, ": " and string 7, whose empty line
// makes the entry three lines long before its separator.
TEST_F(InstallLogFile, InstallFailureSpansThreeLines) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  const std::string text = "C:\\Pixorra\\: " + LoadResourceString(IDS_INSTALL_FAILED);
  WriteInstallLog(text.c_str());
  SYSTEMTIME after;
  GetLocalTime(&after);

  std::vector<std::string> lines = Lines(Log());
  ASSERT_EQ(lines.size(), 4u) << Log();
  ExpectStamp(lines[0], Today(before), Today(after));
  EXPECT_NE(lines[0].find(": C:\\Pixorra\\: Fehler beim Installieren!"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2].rfind("\xDC" "berpr\xFC" "fen Sie bitte", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], kSeparator);
}

// A log whose name is taken by a folder cannot be opened: the entry is
// dropped without a trace and nothing breaks.
TEST_F(InstallLogFile, UnopenableLogIsSkipped) {
  ASSERT_TRUE(CreateDirectoryA("Pixorra_Install.log", nullptr));
  WriteInstallLog("lost");
  const DWORD attributes = GetFileAttributesA(LogPath().c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A start folder the system refuses to write into. Read-only attributes are
// no help under Wine (they do not stop the root user), so this uses the host's
// /sys, where not even root may create a file.
TEST_F(InstallLogFile, StartFolderWithoutWritePermissionLeavesNoLog) {
  const char* locked = "Z:\\sys";
  if (GetFileAttributesA(locked) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no /sys on this host";
  HANDLE probe = CreateFileA("Z:\\sys\\px_probe", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    DeleteFileA("Z:\\sys\\px_probe");
    GTEST_SKIP() << "/sys is writable here";
  }
  ASSERT_TRUE(SetCurrentDirectoryA(locked));
  WriteInstallLog("Kann Zielverzeichnis nicht erstellen!");
  EXPECT_EQ(GetFileAttributesA("Z:\\sys\\Pixorra_Install.log"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(LogPath().c_str()), INVALID_FILE_ATTRIBUTES)
      << "the entry went somewhere else";
}

}  // namespace
