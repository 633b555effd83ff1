// The installation engine on the real (Wine) disk: unpacking crafted
// archives, folder creation, the settings file and the folder defaults.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "install/entry_writer.h"
#include "install/extraction_walk.h"
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

// Unpacks the archive file at path into target through an open handle, as
// the setup unpacks its temporary archive; the archive is named by path.
StepResult Unpack(const std::string& path, const std::string& target,
                  ArchiveReaders readers = ArchiveReaders::kOne) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return StepResult::Failed(path, GetLastError());
  const StepResult result = UnpackArchive(file, path, target.c_str(), readers);
  CloseHandle(file);
  return result;
}

StepResult UnpackOnTwoThreads(const std::string& path, const std::string& target) {
  return Unpack(path, target, ArchiveReaders::kTwo);
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

TEST(Unpacking, FilesLandInTheirFoldersWhateverTheEntryOrder) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("order");
  ASSERT_TRUE(Unpack(TestArchive("late_dirs.zip"), target));
  const std::vector<std::string> expected = {"Back\\",   "Back\\slash.txt", "big.bin",   "Lone\\", "Lone\\alone.txt",
                                             "Sub\\",    "Sub\\inner\\",    "Sub\\inner\\deep.txt", "top.txt"};
  std::vector<std::string> sortedExpected = expected;
  std::sort(sortedExpected.begin(), sortedExpected.end());
  EXPECT_EQ(pxtest::ListFolder(target), sortedExpected);
  EXPECT_EQ(ReadText(target + "Sub\\inner\\deep.txt"), "deep file\r\n");
  EXPECT_EQ(ReadText(target + "big.bin").size(), 200000u);
  EXPECT_EQ(CurrentFolder(), keep.Folder());
}

TEST(Unpacking, EveryFileCarriesTheEntryTime) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("times");
  ASSERT_TRUE(Unpack(TestArchive("late_dirs.zip"), target));
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
  ASSERT_TRUE(Unpack(TestArchive("late_dirs.zip"), target));
  EXPECT_TRUE(Unpack(TestArchive("late_dirs.zip"), target));
}

TEST(Unpacking, OverwritesAndLeavesForeignFiles) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("overwrite");
  pxtest::WriteFileBytes(target + "top.txt", "old contents that are longer than the new ones");
  pxtest::WriteFileBytes(target + "mine.txt", "not in the archive");
  ASSERT_TRUE(Unpack(TestArchive("late_dirs.zip"), target));
  EXPECT_EQ(ReadText(target + "top.txt"), "top file\r\n");
  EXPECT_EQ(ReadText(target + "mine.txt"), "not in the archive");
}

// True when this system refuses to overwrite a read-only file. Wine run by
// root does not: root may write any file, whatever its permission bits.
// Both cases leave top.txt impossible to create: it is skipped, every other
// entry is unpacked, and the unpacking reports the failure.
void ExpectSkippedAndReported(const std::string& target) {
  const std::string before = CurrentFolder();
  EXPECT_FALSE(Unpack(TestArchive("late_dirs.zip"), target));
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
  EXPECT_FALSE(Unpack(TestArchive("escaping.zip"), target));
  EXPECT_EQ(pxtest::ListFolder(target), (std::vector<std::string>{"good1.txt", "good2.txt"}));
  EXPECT_EQ(pxtest::ListFolder(outer), (std::vector<std::string>{"inner\\", "inner\\good1.txt", "inner\\good2.txt"}));
  EXPECT_FALSE(Exists("C:\\escape2.txt"));
  EXPECT_FALSE(Exists("C:\\escape5.txt"));
}

TEST(Unpacking, DamagedEntryStopsTheWalkAndFails) {
  for (const char* name : {"damaged_deflated.zip", "damaged_stored.zip"}) {
    KeepCurrentFolder keep;
    const std::string target = FreshFolder("damaged");
    EXPECT_FALSE(Unpack(TestArchive(name), target)) << name;
    EXPECT_EQ(ReadText(target + "first.txt"), "written before the damage") << name;
    EXPECT_FALSE(Exists(target + "after.txt")) << name;
  }
}

TEST(Unpacking, TruncatedOrMissingArchiveFails) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("truncated");
  const std::string before = CurrentFolder();
  EXPECT_FALSE(Unpack(TestArchive("truncated.zip"), target));
  EXPECT_FALSE(Unpack(TestArchive("no_such.zip"), target));
  EXPECT_TRUE(pxtest::ListFolder(target).empty());
  EXPECT_EQ(CurrentFolder(), before);
}

TEST(Unpacking, ArchiveIsReadThroughTheHandleThatWroteIt) {
  // As the setup's temporary copy: written through a handle that nobody
  // else may open for writing, read through it from wherever its file
  // pointer was left, gone once it closes. The name plays no part.
  const std::string bytes = pxtest::ReadFileBytes(TestArchive("many.zip"));
  for (const ArchiveReaders readers : {ArchiveReaders::kOne, ArchiveReaders::kTwo}) {
    KeepCurrentFolder keep;
    const bool two = readers == ArchiveReaders::kTwo;
    const std::string folder = FreshFolder(two ? "kept_handle_two" : "kept_handle_one");
    const std::string copy = folder + "copy";
    HANDLE file = CreateFileA(copy.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
    const std::string target = folder + "unpacked\\";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    const StepResult result = UnpackArchive(file, copy, target.c_str(), readers);
    CloseHandle(file);
    EXPECT_TRUE(result) << result.subject << " " << result.error;
    const std::string whole = FreshFolder(two ? "kept_handle_two_reference" : "kept_handle_one_reference");
    ASSERT_TRUE(Unpack(TestArchive("many.zip"), whole));
    EXPECT_EQ(Describe(target), Describe(whole));
    EXPECT_FALSE(Exists(copy));
  }
}

TEST(Unpacking, EmptyArchiveSucceeds) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("empty");
  EXPECT_TRUE(Unpack(TestArchive("empty.zip"), target));
  EXPECT_TRUE(pxtest::ListFolder(target).empty());
}

TEST(Unpacking, DestinationThatCannotBeEnteredFails) {
  KeepCurrentFolder keep;
  const std::string before = CurrentFolder();
  EXPECT_FALSE(Unpack(TestArchive("late_dirs.zip"), "Q:\\nowhere\\"));
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

TEST(TwoReaders, LeaveWhatOneReaderLeaves) {
  // Sound archives, names that would leave the folder, nothing at all, half an archive.
  for (const char* name : {"late_dirs.zip", "many.zip", "escaping.zip", "empty.zip", "truncated.zip"}) {
    KeepCurrentFolder keep;
    const std::string one = FreshFolder(std::string("one_") + name);
    const std::string two = FreshFolder(std::string("two_") + name);
    const bool expected = Unpack(TestArchive(name), one).ok;
    EXPECT_EQ(UnpackOnTwoThreads(TestArchive(name), two).ok, expected) << name;
    EXPECT_EQ(Describe(two), Describe(one)) << name;
    EXPECT_EQ(CurrentFolder(), keep.Folder()) << name;
  }
}

TEST(TwoReaders, FileInUseIsSkippedTheRestUnpackedAndReported) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("two_inuse");
  ASSERT_TRUE(CreateDirectoryA((target + "F3").c_str(), nullptr));
  pxtest::WriteFileBytes(target + "F3\\file13.bin", "in use");
  HANDLE held = CreateFileA((target + "F3\\file13.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(UnpackOnTwoThreads(TestArchive("many.zip"), target));
  CloseHandle(held);
  EXPECT_EQ(ReadText(target + "F3\\file13.bin"), "in use");
  const std::string whole = FreshFolder("two_inuse_reference");
  ASSERT_TRUE(Unpack(TestArchive("many.zip"), whole));
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
  EXPECT_FALSE(UnpackOnTwoThreads(TestArchive("many_damaged.zip"), target));
  EXPECT_EQ(CurrentFolder(), keep.Folder());
  // The sound archive's files in archive order, up to the damaged one.
  const std::string whole = FreshFolder("two_damaged_reference");
  ASSERT_TRUE(Unpack(TestArchive("many.zip"), whole));
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
    const StepResult failure = twoReaders ? UnpackOnTwoThreads(archive, target) : Unpack(archive, target);
    EXPECT_FALSE(failure);
    CloseHandle(held);
    EXPECT_EQ(failure.subject, target + "F3\\file13.bin") << (twoReaders ? "two readers" : "one reader");
    EXPECT_EQ(failure.error, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
  }
}

// --- What a call leaves behind: the current folder, its own answer ------

// One unpacking as the setup runs it: into target, or into a folder that
// cannot be entered.
struct UnpackingCase {
  const char* what;
  StepResult (*run)(const std::string& target);
  bool succeeds;
};

const UnpackingCase kUnpackingCases[] = {
    // Sound archives, by one reader and by two.
    {"one reader", [](const std::string& t) { return Unpack(TestArchive("late_dirs.zip"), t); }, true},
    {"two readers", [](const std::string& t) { return UnpackOnTwoThreads(TestArchive("many.zip"), t); }, true},
    {"no entries", [](const std::string& t) { return Unpack(TestArchive("empty.zip"), t); }, true},
    {"payload", [](const std::string& t) { return ExtractPayload(IDR_PAYLOAD, "ZIP", "pxmaing_x64.zip", t.c_str()); },
     true},
    // Failures inside the walk, before it and of the archive itself.
    {"damaged, one reader", [](const std::string& t) { return Unpack(TestArchive("damaged_deflated.zip"), t); },
     false},
    {"damaged, two readers",
     [](const std::string& t) { return UnpackOnTwoThreads(TestArchive("many_damaged.zip"), t); }, false},
    {"escaping names", [](const std::string& t) { return Unpack(TestArchive("escaping.zip"), t); }, false},
    {"cut archive", [](const std::string& t) { return Unpack(TestArchive("truncated.zip"), t); }, false},
    {"no destination", [](const std::string&) { return Unpack(TestArchive("late_dirs.zip"), "Q:\\nowhere\\"); },
     false},
    {"empty archive, no destination",
     [](const std::string&) { return Unpack(TestArchive("empty.zip"), "Q:\\nowhere\\"); }, false},
    {"payload, no destination",
     [](const std::string&) { return ExtractPayload(IDR_PAYLOAD, "ZIP", "pxmaing_x64.zip", "Q:\\nowhere\\"); },
     false},
    {"no payload", [](const std::string& t) { return ExtractPayload(999, "ZIP", "pxmaing_x64.zip", t.c_str()); },
     false},
};

TEST(Unpacking, CurrentFolderStaysWhereTheCallerHadIt) {
  int row = 0;
  for (const UnpackingCase& c : kUnpackingCases) {
    KeepCurrentFolder keep;
    const std::string start = FreshFolder("start_" + std::to_string(row));
    const std::string target = FreshFolder("kept_" + std::to_string(row++));
    ASSERT_TRUE(SetCurrentDirectoryA(start.c_str())) << c.what;
    EXPECT_EQ(c.run(target).ok, c.succeeds) << c.what;
    EXPECT_EQ(CurrentFolder() + "\\", start) << c.what;
    // Nothing was written relative to the current folder.
    EXPECT_TRUE(pxtest::ListFolder(start).empty()) << c.what;
  }
}

TEST(Unpacking, EachCallAnswersForItselfAlone) {
  // In this order: every call after a failed one must answer for itself
  // alone, a success with nothing, a failure with its own first one.
  KeepCurrentFolder keep;
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string escapeOuter = FreshFolder("own_escape");
  struct Expected {
    const char* what;
    std::string subject;  // relative to the row's target unless noted
    unsigned long error;
  };
  const std::vector<std::pair<std::size_t, Expected>> rows = {
      {4, {"damaged, one reader", "big.bin", ERROR_CRC}},
      {0, {"one reader", "", 0}},
      {5, {"damaged, two readers", "F1\\file31.bin", ERROR_CRC}},
      {1, {"two readers", "", 0}},
      {6, {"escaping names", "..\\escape1.txt", ERROR_INVALID_NAME}},
      {3, {"payload", "", 0}},
      {7, {"cut archive", TestArchive("truncated.zip"), ERROR_INVALID_DATA}},
      {2, {"no entries", "", 0}},
      {11, {"no payload", module, ERROR_RESOURCE_NAME_NOT_FOUND}},
      {3, {"payload", "", 0}},
  };
  int row = 0;
  for (const auto& [index, expected] : rows) {
    const UnpackingCase& c = kUnpackingCases[index];
    ASSERT_STREQ(c.what, expected.what);
    const std::string outer = FreshFolder("own_" + std::to_string(row++));
    const std::string target = outer + "inner\\";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    const StepResult result = c.run(target);
    EXPECT_EQ(result.ok, c.succeeds) << c.what;
    std::string subject = expected.subject;
    if (subject.empty() || subject[1] == ':') {
      // "" for a success, or a full path as it is.
    } else if (subject.rfind("..\\", 0) == 0) {
      subject = outer + subject.substr(3);
    } else {
      subject = target + subject;
    }
    EXPECT_EQ(result.subject, subject) << c.what;
    EXPECT_EQ(result.error, expected.error) << c.what;
  }
}

// Two unpackings at once on two threads: each answers with its own result.
struct ConcurrentCall {
  const UnpackingCase* call;
  std::string target;
  StepResult result;
};

DWORD WINAPI RunConcurrentCall(void* parameter) {
  auto* call = static_cast<ConcurrentCall*>(parameter);
  call->result = call->call->run(call->target);
  return 0;
}

TEST(Unpacking, CallsAtTheSameTimeKeepTheirOwnResults) {
  KeepCurrentFolder keep;
  for (int round = 0; round < 4; ++round) {
    ConcurrentCall failing{&kUnpackingCases[4], FreshFolder("same_time_bad_" + std::to_string(round)), {}};
    ConcurrentCall sound{&kUnpackingCases[0], FreshFolder("same_time_good_" + std::to_string(round)), {}};
    HANDLE threads[2] = {CreateThread(nullptr, 0, RunConcurrentCall, &failing, 0, nullptr),
                         CreateThread(nullptr, 0, RunConcurrentCall, &sound, 0, nullptr)};
    ASSERT_NE(threads[0], nullptr);
    ASSERT_NE(threads[1], nullptr);
    ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE, 60000), WAIT_OBJECT_0);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    EXPECT_FALSE(failing.result.ok);
    EXPECT_EQ(failing.result.subject, failing.target + "big.bin");
    EXPECT_EQ(failing.result.error, static_cast<unsigned long>(ERROR_CRC));
    EXPECT_TRUE(sound.result.ok) << sound.result.subject;
    EXPECT_EQ(sound.result.subject, "");
    EXPECT_EQ(CurrentFolder(), keep.Folder());
  }
}

TEST(DirectoryChain, CreatesEveryPart) {
  KeepCurrentFolder keep;
  const std::string target = FreshFolder("chain");
  EXPECT_EQ(MakeDirectoryChain(target.c_str(), "a/b\\c/"), 1);
  EXPECT_TRUE(Exists(target + "a\\b\\c"));
  EXPECT_EQ(MakeDirectoryChain(target.c_str(), "a/b"), 1);  // existing parts are fine
  EXPECT_EQ(MakeDirectoryChain(target.c_str(), ""), 0);
  EXPECT_EQ(CurrentFolder(), keep.Folder());
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
