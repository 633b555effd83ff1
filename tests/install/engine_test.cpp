// The installation engine on the real (Wine) disk: unpacking crafted
// archives, folder creation, the settings file and the folder defaults.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "install/install_folder.h"
#include "platform/folders.h"
#include "install/payload_extraction.h"
#include "install/viewer_settings.h"
#include "resources/resource.h"
#include "support/px_test_support.h"

namespace {

// Test folders and files through the shared support library.
std::string FreshFolder(const std::string& name) { return pxtest::MakeTempFolder("engine\\" + name); }
std::string ReadText(const std::string& path) {
  return pxtest::FileExists(path) ? pxtest::ReadFileBytes(path) : "<missing>";
}
bool Exists(const std::string& path) { return pxtest::FileExists(path) || pxtest::FolderExists(path); }

std::string TestArchive(const char* name) {
  std::string path = std::string("Z:") + PX_BUILD_DIR + "/tests/install/archives/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

// Keeps the test program's current folder across a test that unpacks.
class KeepCurrentFolder {
 public:
  KeepCurrentFolder() : folder_(CurrentFolder()) {}
  ~KeepCurrentFolder() { SetCurrentDirectoryA(folder_.c_str()); }
  const std::string& Folder() const { return folder_; }
 private:
  std::string folder_;
};

// The UTC file time the entries' DOS stamp 2019-05-17 13:45:22 (local) gives.
ULONGLONG ExpectedEntryTime() {
  SYSTEMTIME local = {};
  local.wYear = 2019;
  local.wMonth = 5;
  local.wDay = 17;
  local.wHour = 13;
  local.wMinute = 45;
  local.wSecond = 22;
  FILETIME localTime, universal;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &universal);
  return (static_cast<ULONGLONG>(universal.dwHighDateTime) << 32) | universal.dwLowDateTime;
}

ULONGLONG AsNumber(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

TEST(Unpacking, FilesLandInTheirFoldersWhateverTheEntryOrder) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("order");
  ASSERT_TRUE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), target.c_str()));
  const std::vector<std::string> expected = {"Back\\",   "Back\\slash.txt", "big.bin",   "Lone\\", "Lone\\alone.txt",
                                             "Sub\\",    "Sub\\inner\\",    "Sub\\inner\\deep.txt", "top.txt"};
  std::vector<std::string> sortedExpected = expected;
  std::sort(sortedExpected.begin(), sortedExpected.end());
  EXPECT_EQ(pxtest::ListFolder(target), sortedExpected);
  EXPECT_EQ(ReadText(target + "Sub\\inner\\deep.txt"), "deep file\r\n");
  EXPECT_EQ(ReadText(target + "big.bin").size(), 200000u);
  // After a successful unpacking the destination is the current folder.
  EXPECT_EQ(CurrentFolder() + "\\", target);
}

TEST(Unpacking, EveryFileCarriesTheEntryTime) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("times");
  ASSERT_TRUE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), target.c_str()));
  for (const char* name : {"top.txt", "big.bin", "Sub\\inner\\deep.txt", "Lone\\alone.txt"}) {
    HANDLE file = CreateFileA((target + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
    FILETIME created, accessed, written;
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    CloseHandle(file);
    EXPECT_EQ(AsNumber(created), ExpectedEntryTime()) << name;
    EXPECT_EQ(AsNumber(written), ExpectedEntryTime()) << name;
  }
}

TEST(Unpacking, SecondTimeOverExistingFoldersSucceeds) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("twice");
  ASSERT_TRUE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), target.c_str()));
  EXPECT_TRUE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), target.c_str()));
}

TEST(Unpacking, OverwritesAndLeavesForeignFiles) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("overwrite");
  pxtest::WriteFileBytes(target + "top.txt", "old contents that are longer than the new ones");
  pxtest::WriteFileBytes(target + "mine.txt", "not in the archive");
  ASSERT_TRUE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), target.c_str()));
  EXPECT_EQ(ReadText(target + "top.txt"), "top file\r\n");
  EXPECT_EQ(ReadText(target + "mine.txt"), "not in the archive");
}

// True when this system refuses to overwrite a read-only file. Wine run by
// root does not: root may write any file, whatever its permission bits.
// Both cases leave top.txt impossible to create: it is skipped, every other
// entry is unpacked, and the unpacking reports the failure.
void ExpectSkippedAndReported(const std::string& target) {
  const std::string before = CurrentFolder();
  EXPECT_FALSE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), target.c_str()));
  EXPECT_EQ(ReadText(target + "Sub\\inner\\deep.txt"), "deep file\r\n");
  EXPECT_EQ(ReadText(target + "big.bin").size(), 200000u);  // entries after it too
  // The failure is logged next, in the folder the setup was started from.
  EXPECT_EQ(CurrentFolder(), before);
}

TEST(Unpacking, ReadOnlyFileIsSkippedTheRestUnpackedAndReported) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("readonly");
  pxtest::WriteFileBytes(target + "top.txt", "protected");
  SetFileAttributesA((target + "top.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  // The attribute alone does not stop Wine run as root; the host's flag does.
  pxtest::ScopedImmutableFile immutable(target + "top.txt");
  ASSERT_TRUE(immutable.ok());
  ExpectSkippedAndReported(target);
  EXPECT_EQ(ReadText(target + "top.txt"), "protected");
}

TEST(Unpacking, FileInUseIsSkippedTheRestUnpackedAndReported) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("inuse");
  pxtest::WriteFileBytes(target + "top.txt", "in use");
  HANDLE held = CreateFileA((target + "top.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectSkippedAndReported(target);
  CloseHandle(held);
  EXPECT_EQ(ReadText(target + "top.txt"), "in use");
}

TEST(Unpacking, EntriesLeavingTheFolderAreNeverWritten) {
  KeepCurrentFolder keep;
  const std::string outer = FreshFolder("escape");
  const std::string target = outer + "inner\\";
  CreateDirectoryA(target.c_str(), nullptr);
  EXPECT_FALSE(UnzipToFolder(TestArchive("escaping.zip").c_str(), target.c_str()));
  EXPECT_EQ(pxtest::ListFolder(target), (std::vector<std::string>{"good1.txt", "good2.txt"}));
  EXPECT_EQ(pxtest::ListFolder(outer), (std::vector<std::string>{"inner\\", "inner\\good1.txt", "inner\\good2.txt"}));
  EXPECT_FALSE(Exists("C:\\escape2.txt"));
  EXPECT_FALSE(Exists("C:\\escape5.txt"));
}

TEST(Unpacking, DamagedEntryStopsTheWalkAndFails) {
  for (const char* name : {"damaged_deflated.zip", "damaged_stored.zip"}) {
    KeepCurrentFolder keep;
    const std::string target = FreshFolder("damaged");
    EXPECT_FALSE(UnzipToFolder(TestArchive(name).c_str(), target.c_str())) << name;
    EXPECT_EQ(ReadText(target + "first.txt"), "written before the damage") << name;
    EXPECT_FALSE(Exists(target + "after.txt")) << name;
  }
}

TEST(Unpacking, TruncatedOrMissingArchiveFails) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("truncated");
  const std::string before = CurrentFolder();
  EXPECT_FALSE(UnzipToFolder(TestArchive("truncated.zip").c_str(), target.c_str()));
  EXPECT_FALSE(UnzipToFolder(TestArchive("no_such.zip").c_str(), target.c_str()));
  EXPECT_TRUE(pxtest::ListFolder(target).empty());
  EXPECT_EQ(CurrentFolder(), before);
}

TEST(Unpacking, NameWithoutZipIsTriedWithIt) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("suffix");
  std::string path = TestArchive("late_dirs.zip");
  path.resize(path.size() - 4);
  EXPECT_TRUE(UnzipToFolder(path.c_str(), target.c_str()));
  EXPECT_TRUE(Exists(target + "top.txt"));
}

TEST(Unpacking, EmptyArchiveSucceeds) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("empty");
  EXPECT_TRUE(UnzipToFolder(TestArchive("empty.zip").c_str(), target.c_str()));
  EXPECT_TRUE(pxtest::ListFolder(target).empty());
}

TEST(Unpacking, DestinationThatCannotBeEnteredFails) {
  KeepCurrentFolder keep;
  const std::string before = CurrentFolder();
  EXPECT_FALSE(UnzipToFolder(TestArchive("late_dirs.zip").c_str(), "Q:\\nowhere\\"));
  EXPECT_EQ(CurrentFolder(), before);
}

TEST(Unpacking, PayloadResourceThroughTheTemporaryFile) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("payload");
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string tempArchive = std::string(temp) + "pxmaing_x64.zip";
  ASSERT_TRUE(ExtractPayload(IDR_PAYLOAD, "ZIP", "pxmaing_x64.zip", target.c_str()));
  EXPECT_FALSE(Exists(tempArchive));
  EXPECT_EQ(pxtest::ListFolder(target).size(), 38u);
  EXPECT_TRUE(Exists(target + "px_main64.exe"));
  EXPECT_TRUE(Exists(target + "Languages\\DEUTSCH.DLL"));
  // A resource that is not there writes nothing.
  EXPECT_FALSE(ExtractPayload(999, "ZIP", "pxmaing_x64.zip", target.c_str()));
  EXPECT_FALSE(Exists(tempArchive));
}

TEST(Unpacking, TemporaryArchiveIsDeletedAfterAFailure) {
  KeepCurrentFolder keep;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_FALSE(ExtractPayload(IDR_PAYLOAD, "ZIP", "pxmaing_x64.zip", "Q:\\nowhere\\"));
  EXPECT_FALSE(Exists(std::string(temp) + "pxmaing_x64.zip"));
}

TEST(Unpacking, LongestPayloadNameIsRead) {
  const long longest = LongestPayloadEntryName(IDR_PAYLOAD, "ZIP");
  EXPECT_GE(longest, static_cast<long>(std::strlen("Help/px_tastatur_deutsch.htm")));
  EXPECT_LT(longest, 100);
  EXPECT_EQ(LongestPayloadEntryName(999, "ZIP"), -1);
}

// --- Two readers: the walk of a large payload -----------------------------

// What a walk leaves in a folder: every name, and each file's bytes and
// creation and last-write times.
std::vector<std::string> Describe(const std::string& folder) {
  std::vector<std::string> found;
  for (const std::string& name : pxtest::ListFolder(folder)) {
    std::string line = name;
    if (name.back() != '\\') {
      HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
      FILETIME created = {}, accessed = {}, written = {};
      if (file != INVALID_HANDLE_VALUE) {
        GetFileTime(file, &created, &accessed, &written);
        CloseHandle(file);
      }
      line += " " + std::to_string(AsNumber(created)) + " " + std::to_string(AsNumber(written)) + " " +
              ReadText(folder + name);
    }
    found.push_back(line);
  }
  return found;
}

TEST(TwoReaders, LeaveWhatOneReaderLeaves) {
  // Sound archives, names that would leave the folder, nothing at all, half an archive.
  for (const char* name : {"late_dirs.zip", "many.zip", "escaping.zip", "empty.zip", "truncated.zip"}) {
    KeepCurrentFolder keep;
    const std::string one = FreshFolder(std::string("one_") + name);
    const std::string two = FreshFolder(std::string("two_") + name);
    const bool expected = UnzipToFolder(TestArchive(name).c_str(), one.c_str());
    SetCurrentDirectoryA(keep.Folder().c_str());
    EXPECT_EQ(UnzipToFolderOnTwoThreads(TestArchive(name).c_str(), two.c_str()), expected) << name;
    EXPECT_EQ(Describe(two), Describe(one)) << name;
    // Entered after success; after a failure the folder the setup started in.
    EXPECT_EQ(CurrentFolder() + (expected ? "\\" : ""), expected ? two : keep.Folder()) << name;
  }
}

TEST(TwoReaders, FileInUseIsSkippedTheRestUnpackedAndReported) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("two_inuse");
  ASSERT_TRUE(CreateDirectoryA((target + "F3").c_str(), nullptr));
  pxtest::WriteFileBytes(target + "F3\\file13.bin", "in use");
  HANDLE held = CreateFileA((target + "F3\\file13.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(UnzipToFolderOnTwoThreads(TestArchive("many.zip").c_str(), target.c_str()));
  CloseHandle(held);
  EXPECT_EQ(ReadText(target + "F3\\file13.bin"), "in use");
  const std::string whole = FreshFolder("two_inuse_reference");
  ASSERT_TRUE(UnzipToFolder(TestArchive("many.zip").c_str(), whole.c_str()));
  std::vector<std::string> expected = Describe(whole);
  std::vector<std::string> found = Describe(target);
  auto held_entry = [](const std::string& line) { return line.rfind("F3\\file13.bin ", 0) == 0; };
  expected.erase(std::remove_if(expected.begin(), expected.end(), held_entry), expected.end());
  found.erase(std::remove_if(found.begin(), found.end(), held_entry), found.end());
  EXPECT_EQ(found, expected) << "every other entry is unpacked";
}

TEST(TwoReaders, DamagedEntryFailsWithEveryEntryBeforeItUnpacked) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("two_damaged");
  EXPECT_FALSE(UnzipToFolderOnTwoThreads(TestArchive("many_damaged.zip").c_str(), target.c_str()));
  EXPECT_EQ(CurrentFolder(), keep.Folder());
  // The sound archive's files in archive order, up to the damaged one.
  const std::string whole = FreshFolder("two_damaged_reference");
  ASSERT_TRUE(UnzipToFolder(TestArchive("many.zip").c_str(), whole.c_str()));
  for (int i = 0; i < 31; ++i) {
    const std::string name = "F" + std::to_string(i % 5) + "\\" + (i % 3 == 0 ? "deep\\" : "") + "file" +
                             (i < 10 ? "0" : "") + std::to_string(i) + ".bin";
    EXPECT_EQ(ReadText(target + name), ReadText(whole + name)) << name;
  }
}

TEST(TwoReaders, NameTheFailureOneReaderMeetsFirst) {
  // A held file early in the archive and a damaged large entry later: the
  // readers take the large entry first, so its failure comes first in time;
  // the one named is still the one a walk in archive order meets first.
  for (const bool twoReaders : {false, true}) {
    KeepCurrentFolder keep;
    const std::string target = FreshFolder(twoReaders ? "two_first_failure" : "one_first_failure");
    ASSERT_TRUE(CreateDirectoryA((target + "F3").c_str(), nullptr));
    pxtest::WriteFileBytes(target + "F3\\file13.bin", "in use");
    HANDLE held =
        CreateFileA((target + "F3\\file13.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string archive = TestArchive("many_damaged.zip");
    EXPECT_FALSE(twoReaders ? UnzipToFolderOnTwoThreads(archive.c_str(), target.c_str())
                            : UnzipToFolder(archive.c_str(), target.c_str()));
    CloseHandle(held);
    const ExtractionFailure failure = LastExtractionFailure();
    EXPECT_EQ(failure.path, target + "F3\\file13.bin") << (twoReaders ? "two readers" : "one reader");
    EXPECT_EQ(failure.error, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
  }
}

TEST(DirectoryChain, CreatesEveryPart) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("chain");
  SetCurrentDirectoryA(target.c_str());
  EXPECT_EQ(MakeDirectoryChain("a/b\\c/"), 1);
  EXPECT_TRUE(Exists(target + "a\\b\\c"));
  EXPECT_EQ(MakeDirectoryChain("a/b"), 1);  // existing parts are fine
  EXPECT_EQ(MakeDirectoryChain(""), 0);
}

TEST(FolderExists, CreatesTheChainAndNormalises) {
  const std::string root = FreshFolder("ensure");
  const std::string before = CurrentFolder();
  std::string text = root + "A\\B\\C";
  char path[260];
  std::strcpy(path, text.c_str());
  ASSERT_EQ(EnsureFolderExists(path).ok, 1);
  EXPECT_EQ(std::string(path), text + "\\");
  EXPECT_TRUE(Exists(text));
  EXPECT_EQ(CurrentFolder(), before);

  text = "  " + root + "Program Files \\Pixorra ";
  std::strcpy(path, text.c_str());
  ASSERT_EQ(EnsureFolderExists(path).ok, 1);
  EXPECT_EQ(std::string(path), root + "Program Files\\Pixorra\\");
  EXPECT_TRUE(Exists(root + "Program Files\\Pixorra"));
}

TEST(FolderExists, MissingDriveFailsAndKeepsTheCurrentFolder) {
  const std::string before = CurrentFolder();
  char path[260] = "Q:\\Pixorra";
  EXPECT_EQ(EnsureFolderExists(path).ok, 0);
  EXPECT_EQ(CurrentFolder(), before);
}

namespace {

const char kCommandKey[] = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";

void SetOpenCommand(const char* command) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCommandKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                 static_cast<DWORD>(std::strlen(command) + 1));
  RegCloseKey(key);
}

// Restores whatever the prefix held, so other tests see their own state.
class KeepOpenCommand {
 public:
  KeepOpenCommand() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCommandKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      char data[1024] = {};
      DWORD size = sizeof data - 1;
      had_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
      value_ = data;
      RegCloseKey(key);
    }
  }
  ~KeepOpenCommand() {
    if (had_) {
      SetOpenCommand(value_.c_str());
    } else {
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCommandKey);
    }
  }
 private:
  bool had_ = false;
  std::string value_;
};

}  // namespace

TEST(InstallFolder, PreviousInstallationWins) {
  KeepOpenCommand keep;
  char folder[260];
  SetOpenCommand("\"D:\\Tools\\Pix\\px_main64.exe\" \"%1\"");
  ASSERT_EQ(FindPreviousInstallFolder(folder), 1);
  EXPECT_STREQ(folder, "D:\\Tools\\Pix\\");
  SetOpenCommand("\"D:\\Tools\\other.exe\" \"%1\"");
  EXPECT_EQ(FindPreviousInstallFolder(folder), 0);
  EXPECT_STREQ(folder, "");
  SetOpenCommand("");
  EXPECT_EQ(FindPreviousInstallFolder(folder), 0);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCommandKey);
  EXPECT_EQ(FindPreviousInstallFolder(folder), 0);
}

TEST(InstallFolder, DefaultUnderProgramFiles) {
  char folder[260];
  GetDefaultInstallFolder(folder);
  EXPECT_STREQ(folder, "C:\\Program Files\\Pixorra");
}

TEST(InstallFolder, FallbackWithoutProgramFilesValue) {
  const char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key), ERROR_SUCCESS);
  char saved[MAX_PATH] = {};
  DWORD size = sizeof saved - 1;
  DWORD type = REG_SZ;
  ASSERT_EQ(RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size),
            ERROR_SUCCESS);
  RegDeleteValueA(key, "ProgramFilesDir");
  char folder[260];
  GetDefaultInstallFolder(folder);
  EXPECT_STREQ(folder, "C:\\Pixorra\\");
  RegSetValueExA(key, "ProgramFilesDir", 0, type, reinterpret_cast<const BYTE*>(saved), size);
  RegCloseKey(key);
}
