// Faults injected into real silent installations: a full drive, locked and
// read-only files, broken temporary folders, broken payloads, awkward target
// folders, a start folder nobody may write to, and installations over
// earlier ones. Every case checks what the user sees (the install log), the
// full exit code, that nothing was written outside the target folder (and
// the start folder's log), and that a second run after the fault is gone
// installs completely.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <cstring>
#include <string>
#include <vector>

#include "install/install_texts.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace faulttest;
using installtest::ErrorText;
using installtest::kCannotCreate;
using installtest::kInstallFailed;
using installtest::kInvalidFolder;
using installtest::kViewerRunning;
using installtest::LogTexts;

namespace {

const std::string kTakenBack = "Die Installation wurde zur\xFC" "ckgenommen.";

const std::vector<std::string> kNoChanges;
using Texts = std::vector<std::string>;

std::string TempArchiveIn(const std::string& folder) { return folder + "pxmaing_x64.zip"; }

std::string UserTemp() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveFolderTree("C:\\pxtest\\faults\\");
    start_ = MakeTempFolder("faults\\start");
    area_ = MakeTempFolder("faults\\area");
  }
  void TearDown() override {
    CloseAllViewers();
    DeleteFileA("R:\\filler.bin");
    RemoveFolderTree("C:\\pxtest\\faults\\");
    ForgetInstallations();
  }

  // A silent run started in the start folder; a crash or a hang fails here.
  RunResult Silent(const std::string& args, const std::string& exe = SetupExePath(),
                   const std::string& workDir = "") {
    RunResult run = RunProgram(exe, "/silent " + args, workDir.empty() ? start_ : workDir, 120000);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(run.exitCode == kInstalled || run.exitCode == kFailed || run.exitCode == kViewerBusy)
        << "exit code " << std::hex << run.exitCode << " is no answer of the setup (a crash?)";
    return run;
  }

  // The run the user makes once the fault is gone: a complete installation.
  void ExpectSecondRunInstalls(const std::string& folder, const std::string& folderArgument = "") {
    const RunResult run = Silent("/folder=" + (folderArgument.empty() ? folder : folderArgument));
    EXPECT_EQ(kInstalled, run.exitCode);
    EXPECT_EQ(Texts{}, MissingOrDifferent(folder));
    EXPECT_TRUE(FileExists(folder + "px_main64.ini"));
    EXPECT_FALSE(FileExists(TempArchiveIn(UserTemp())));
  }

  std::string start_, area_;
};

// --- A full drive --------------------------------------------------------

// Fills drive R: (a small tmpfs, see host_faults.sh) until `leave` bytes are
// free; returns the filler's path.
std::string FillDrive(ULONGLONG leave) {
  const std::string filler = "R:\\filler.bin";
  HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string chunk(65536, 'f');
  for (;;) {
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExA("R:\\", &free, nullptr, nullptr) || free.QuadPart <= leave + chunk.size()) break;
    DWORD written = 0;
    if (!WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) || written == 0) break;
  }
  CloseHandle(file);
  return filler;
}

TEST_F(Faults, TargetOnAFullDrive) {
  std::string reason;
  if (!HostFaultsReady(&reason)) GTEST_SKIP() << reason;
  RemoveFolderTree("R:\\Pixorra\\");
  const std::string filler = FillDrive(256 * 1024);
  ASSERT_FALSE(filler.empty());
  const DiskState before = SnapshotDisk();

  const RunResult run = Silent("/folder=R:\\Pixorra");
  EXPECT_EQ(kFailed, run.exitCode);
  // The uninstaller, the archive's first program and larger than the room
  // left, is the file the full drive cuts short (under the name it is
  // unpacked with); what was unpacked goes again.
  EXPECT_EQ((Texts{"R:\\Pixorra\\: " + kInstallFailed + "\r\nR:\\Pixorra\\pv_uninstall.exe.pxnew: " +
                       ErrorText(ERROR_DISK_FULL),
                   kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}));
  EXPECT_FALSE(FolderExists("R:\\Pixorra\\")) << "the folder the run made goes too";
  EXPECT_FALSE(FileExists(TempArchiveIn(UserTemp())));

  ASSERT_TRUE(DeleteFileA(filler.c_str()));
  ExpectSecondRunInstalls("R:\\Pixorra\\", "R:\\Pixorra");
  RemoveFolderTree("R:\\Pixorra\\");
}

TEST_F(Faults, TemporaryFolderOnAFullDrive) {
  std::string reason;
  if (!HostFaultsReady(&reason)) GTEST_SKIP() << reason;
  CreateDirectoryA("R:\\temp", nullptr);
  const std::string filler = FillDrive(64 * 1024);
  ASSERT_FALSE(filler.empty());
  const std::string target = area_ + "Pixorra\\";
  const DiskState before = SnapshotDisk();
  {
    ScopedEnv temp("TEMP", "R:\\temp"), tmp("TMP", "R:\\temp");
    const RunResult run = Silent("/folder=" + target);
    EXPECT_EQ(kFailed, run.exitCode);
  }
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\nR:\\temp\\pxmaing_x64.zip: " + ErrorText(ERROR_DISK_FULL),
                   kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_, target}));
  EXPECT_EQ(Texts{}, ListFolder(target)) << "nothing may be unpacked from a cut archive";
  EXPECT_FALSE(FileExists("R:\\temp\\pxmaing_x64.zip"));

  ASSERT_TRUE(DeleteFileA(filler.c_str()));
  {
    ScopedEnv temp("TEMP", "R:\\temp"), tmp("TMP", "R:\\temp");
    ExpectSecondRunInstalls(target);
    EXPECT_FALSE(FileExists("R:\\temp\\pxmaing_x64.zip"));
  }
  RemoveFolderTree("R:\\temp\\");
}

// An update on a drive with room for the new files but not for the new
// record: the run fails and the earlier record stays where it was; it never
// ends as an installation without one. The room is found by leaving less of
// it, step by step, until an update no longer completes.
TEST_F(Faults, AnUpdateWhoseRecordDoesNotFitFailsAndKeepsTheEarlierRecord) {
  std::string reason;
  if (!HostFaultsReady(&reason)) GTEST_SKIP() << reason;
  const std::string folder = "R:\\Pixorra\\";
  const std::string record = folder + "pv_uninstall.dat";
  RemoveFolderTree(folder);
  ASSERT_EQ(kInstalled, Silent("/folder=R:\\Pixorra").exitCode);
  // Every file is unpacked beside the one it replaces: the update needs
  // about the payload's size again.
  constexpr ULONGLONG kPage = 4096;
  ULONGLONG payload = 0;
  for (const auto& entry : PayloadFiles()) payload += (entry.second + kPage - 1) / kPage * kPage;
  const std::string recordFailed = "Deinstallationsdaten konnten nicht gespeichert werden!: " + record;
  bool met = false;
  for (ULONGLONG leave = payload + 48 * 1024; leave + 64 * 1024 > payload && !met; leave -= 8 * 1024) {
    const std::string earlier = ReadFileBytes(record);
    ASSERT_FALSE(earlier.empty());
    const std::string filler = FillDrive(leave);
    ASSERT_FALSE(filler.empty());
    // The last bytes to the exact room.
    ULARGE_INTEGER free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("R:\\", &free, nullptr, nullptr));
    if (free.QuadPart > leave) {
      HANDLE file = CreateFileA(filler.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, file);
      const std::string rest(static_cast<std::size_t>((free.QuadPart - leave) / kPage * kPage), 'f');
      DWORD written = 0;
      WriteFile(file, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr);
      CloseHandle(file);
    }
    DeleteFileA((start_ + installtest::kLogName).c_str());
    const RunResult run = Silent("/folder=R:\\Pixorra");
    ASSERT_TRUE(DeleteFileA(filler.c_str()));
    if (run.exitCode == kInstalled && LogTexts(start_).empty()) continue;  // room enough yet
    SCOPED_TRACE("room left: " + std::to_string(leave));
    met = true;
    EXPECT_EQ(kFailed, run.exitCode) << "an update without its record is no success";
    EXPECT_EQ((Texts{recordFailed, kTakenBack}), LogTexts(start_));
    EXPECT_TRUE(earlier == ReadFileBytes(record)) << "the earlier record is put back";
    EXPECT_EQ(Texts{}, MissingOrDifferent(folder));
  }
  EXPECT_TRUE(met) << "no room was found that holds the files but not the record";
  RemoveFolderTree(folder);
}

// --- Files in the way ----------------------------------------------------

TEST_F(Faults, ViewerRunningFromTheTarget) {
  const std::string target = area_ + "Pixorra\\";
  ASSERT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  StartedProgram viewer = StartProgram(target + "px_main64.exe", "/hidden /quitafter=60", target);
  ASSERT_TRUE(viewer.started());
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 20000));
  const DiskState installed = SnapshotTree(target);
  const DiskState before = SnapshotDisk();

  const RunResult run = Silent("/folder=" + target);
  EXPECT_EQ(kViewerBusy, run.exitCode);
  EXPECT_EQ(Texts{kViewerRunning}, LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}));
  EXPECT_EQ(installed, SnapshotTree(target)) << "nothing may be touched while the viewer runs";

  ASSERT_TRUE(CloseAllViewers());
  viewer.Wait(10000);
  ExpectSecondRunInstalls(target);
}

TEST_F(Faults, TargetFileHeldOpenByAnotherProgram) {
  const std::string target = area_ + "Pixorra\\";
  ASSERT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  const std::string held = target + "px_main64.exe";
  // Something the user runs keeps the file open without sharing it.
  WriteFileBytes(held, "an older viewer");
  HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  const DiskState before = SnapshotDisk();

  const RunResult run = Silent("/folder=" + target);
  CloseHandle(lock);
  EXPECT_EQ(kFailed, run.exitCode) << "a file left out must not be reported as success";
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\n" + held + ": " + ErrorText(ERROR_SHARING_VIOLATION),
                   kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}))
      << "the earlier installation's files stay as they were, the held one too";
  EXPECT_EQ("an older viewer", ReadFileBytes(held));

  ExpectSecondRunInstalls(target);
}

TEST_F(Faults, FailedUnpackingWritesNoLinkAndNoRegistry) {
  // The links are handed to their thread as soon as the payload is
  // unpacked, and the thread starts before: a run whose unpacking fails
  // must still leave no link and no registry value behind.
  const std::string target = area_ + "Pixorra\\";
  ASSERT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  const std::string held = target + "px_main64.exe";
  HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  const RegistryState registry = SnapshotSetupRegistry();
  const DiskState before = SnapshotDisk();

  const RunResult run = Silent("/folder=" + target + " /group=1 /desktop=1 /thumbs=1 /assoc=2");
  CloseHandle(lock);
  EXPECT_EQ(kFailed, run.exitCode);
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_, target}));
  EXPECT_EQ(Texts{}, RegistryDifferences(registry, SnapshotSetupRegistry()));
}

TEST_F(Faults, ReadOnlyTargetFile) {
  std::string reason;
  if (!HostFaultsReady(&reason)) GTEST_SKIP() << reason;
  // On R:, where the host can make a single file read-only for root too.
  const std::string target = "R:\\readonly\\Pixorra\\";
  const std::string onR = "readonly\\Pixorra\\px_main64.exe";
  RemoveFolderTree("R:\\readonly\\");
  ASSERT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  const std::string file = target + "px_main64.exe";
  WriteFileBytes(file, "an older viewer");
  ASSERT_TRUE(SetHostReadOnly(onR, true));
  struct Writable {
    std::string path;
    ~Writable() {
      SetHostReadOnly(path, false);
      RemoveFolderTree("R:\\readonly\\");
    }
  } writable{onR};
  const DiskState before = SnapshotDisk();

  const RunResult run = Silent("/folder=" + target);
  EXPECT_EQ(kFailed, run.exitCode);
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\n" + file + ": " + ErrorText(ERROR_ACCESS_DENIED), kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}));
  EXPECT_EQ("an older viewer", ReadFileBytes(file));
  EXPECT_EQ(Texts{"px_main64.exe"}, MissingOrDifferent(target)) << "the earlier files stay as they were";

  ASSERT_TRUE(SetHostReadOnly(onR, false));
  ExpectSecondRunInstalls(target);
}

// --- The temporary folder ------------------------------------------------

TEST_F(Faults, TemporaryFolderMissing) {
  const std::string target = area_ + "Pixorra\\";
  const DiskState before = SnapshotDisk();
  {
    ScopedEnv temp("TEMP", "C:\\pxtest\\faults\\no_such_temp"), tmp("TMP", "C:\\pxtest\\faults\\no_such_temp");
    EXPECT_EQ(kFailed, Silent("/folder=" + target).exitCode);
  }
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\nC:\\pxtest\\faults\\no_such_temp\\pxmaing_x64.zip: " +
                       ErrorText(ERROR_PATH_NOT_FOUND),
                   kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_, target}));
  EXPECT_FALSE(FolderExists("C:\\pxtest\\faults\\no_such_temp\\"));
  EXPECT_EQ(Texts{}, ListFolder(target));
  ExpectSecondRunInstalls(target);
}

TEST_F(Faults, TemporaryFolderReadOnly) {
  std::string reason;
  if (!HostFaultsReady(&reason)) GTEST_SKIP() << reason;
  const std::string target = area_ + "Pixorra\\";
  const DiskState before = SnapshotDisk();
  {
    ScopedEnv temp("TEMP", "S:\\"), tmp("TMP", "S:\\");
    EXPECT_EQ(kFailed, Silent("/folder=" + target).exitCode);
  }
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\nS:\\pxmaing_x64.zip: " + ErrorText(ERROR_ACCESS_DENIED), kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_, target}));
  EXPECT_EQ(Texts{}, ListFolder(target));
  ExpectSecondRunInstalls(target);
}

// --- Broken payloads -----------------------------------------------------

// What the cause in the log names.
enum class Refused { kEntry, kTemporaryArchive, kSetupProgram };

struct BrokenPayload {
  const char* variant;
  bool somethingUnpacked;  // entries before the damage were written (and taken back)
  Refused refused;
  DWORD error;
};

// Keeps the test names free of addresses.
void PrintTo(const BrokenPayload& payload, std::ostream* out) { *out << payload.variant; }

class BrokenPayloads : public Faults, public ::testing::WithParamInterface<BrokenPayload> {};

TEST_P(BrokenPayloads, FailTellingTheTruthAndLeaveNoArchive) {
  const std::string target = area_ + "Pixorra\\";
  const DiskState before = SnapshotDisk();
  const RunResult run = Silent("/folder=" + target, VariantSetupPath(GetParam().variant));
  EXPECT_EQ(kFailed, run.exitCode);
  // A damaged entry is met while it is written under the name it is
  // unpacked with.
  const std::string refused = GetParam().refused == Refused::kEntry              ? target + "px_main64.exe.pxnew"
                              : GetParam().refused == Refused::kTemporaryArchive ? TempArchiveIn(UserTemp())
                                                                                 : VariantSetupPath(GetParam().variant);
  EXPECT_EQ((Texts{target + ": " + kInstallFailed + "\r\n" + refused + ": " + ErrorText(GetParam().error), kTakenBack}),
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}));
  EXPECT_FALSE(FileExists(TempArchiveIn(UserTemp())));
  EXPECT_FALSE(FolderExists(target)) << "what was unpacked before the damage goes with the folder the run made";
  // The real setup, with its sound payload, then installs completely.
  ExpectSecondRunInstalls(target);
}

INSTANTIATE_TEST_SUITE_P(Faults, BrokenPayloads,
                         ::testing::Values(BrokenPayload{"damaged", true, Refused::kEntry, ERROR_CRC},
                                           BrokenPayload{"truncated", false, Refused::kTemporaryArchive,
                                                         ERROR_INVALID_DATA},
                                           BrokenPayload{"missing", false, Refused::kSetupProgram,
                                                         ERROR_RESOURCE_TYPE_NOT_FOUND}),
                         [](const ::testing::TestParamInfo<BrokenPayload>& info) {
                           return std::string(info.param.variant);
                         });

// --- Target folders ------------------------------------------------------

// A folder of exactly `length` characters below C:\pxtest\faults\area\.
std::string FolderOfLength(const std::string& area, std::size_t length) {
  std::string folder = area;
  while (folder.size() < length) {
    const std::size_t left = length - folder.size();
    if (left > 60) {
      folder += std::string(50, 'd') + "\\";
    } else {
      folder += std::string(left, 'e');
    }
  }
  return folder;
}

std::size_t LongestPayloadName() {
  std::size_t longest = 0;
  for (const auto& file : PayloadFiles()) longest = std::max(longest, file.first.size());
  return longest;
}

TEST_F(Faults, TargetFolderOf259Characters) {
  const std::string folder = FolderOfLength(area_, 259);
  ASSERT_EQ(259u, folder.size());
  const DiskState before = SnapshotDisk();
  EXPECT_EQ(kFailed, Silent("/folder=" + folder).exitCode);
  // The command line takes 252 characters of a folder value; that folder
  // leaves no room for the payload's names and is refused before anything exists.
  EXPECT_EQ(Texts{kInvalidFolder + ": " + folder.substr(0, 252)}, LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}));
  ExpectSecondRunInstalls(area_ + "Pixorra\\");
}

TEST_F(Faults, TargetFolderThatFitsExactly) {
  // Folder, backslash and the longest name a run writes make exactly 259
  // characters: the longest entry name with the suffix of the name it is
  // unpacked under.
  const std::size_t longest = LongestPayloadName() + std::strlen(".pxnew");
  ASSERT_GT(longest, 0u);
  const std::string fits = FolderOfLength(area_, 259 - longest - 1);
  const DiskState before = SnapshotDisk();
  EXPECT_EQ(kInstalled, Silent("/folder=" + fits).exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(Texts{}, MissingOrDifferent(fits + "\\"));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_, area_, SpecialFolder(CSIDL_PROFILE)}));

  // One character more is refused, and nothing of it is created.
  const std::string tooLong = FolderOfLength(area_ + "x", 259 - longest);
  EXPECT_EQ(kFailed, Silent("/folder=" + tooLong).exitCode);
  EXPECT_EQ((Texts{kInvalidFolder + ": " + tooLong}), LogTexts(start_));
  EXPECT_FALSE(FolderExists(area_ + "x\\"));
}

TEST_F(Faults, TargetOnADriveThatDoesNotExist) {
  if (GetDriveTypeA("Q:\\") != DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "Q: exists in this prefix";
  const DiskState before = SnapshotDisk();
  EXPECT_EQ(kFailed, Silent("/folder=Q:\\Pixorra").exitCode);
  // Wine answers "file not found" for a folder on a drive that does not exist.
  EXPECT_EQ(Texts{kCannotCreate + ": Q:\\Pixorra\\\r\nQ:\\Pixorra: " + ErrorText(ERROR_FILE_NOT_FOUND)},
            LogTexts(start_));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {start_}));
  ExpectSecondRunInstalls(area_ + "Pixorra\\");
}

TEST_F(Faults, TargetWithUmlauts) {
  const std::string target = area_ + "Bilder \xc4rger \xdf\xfc\\Pixorra\\";
  EXPECT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(Texts{}, MissingOrDifferent(target));
  const RegValue command = ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command", "");
  EXPECT_EQ("\"" + target + "px_main64.exe\" \"%1\"", command.text);
}

TEST_F(Faults, TargetWithBlanksAtTheEndsOfItsComponents) {
  // Quoted, as a script would write it; the last blank belongs to the value.
  const std::string written = area_ + "Bilder  \\Pixorra ";
  const std::string target = area_ + "Bilder\\Pixorra\\";
  EXPECT_EQ(kInstalled, Silent("/folder=\"" + written + "\" /desktop=0").exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(Texts{}, MissingOrDifferent(target));
  EXPECT_FALSE(FolderExists(area_ + "Bilder  \\")) << "no folder whose name ends in a blank";
  // The registered program must be the file that was installed.
  const RegValue command = ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command", "");
  const std::size_t close = command.text.find('"', 1);
  ASSERT_NE(std::string::npos, close) << command.text;
  EXPECT_TRUE(FileExists(command.text.substr(1, close - 1))) << command.text;
  EXPECT_TRUE(FileExists(target + "px_main64.ini")) << "the settings belong beside the program";
}

// --- The start folder ----------------------------------------------------

TEST_F(Faults, StartFolderWithoutWritePermission) {
  std::string reason;
  if (!HostFaultsReady(&reason)) GTEST_SKIP() << reason;
  const DiskState before = SnapshotDisk();
  // An empty folder fails the run; its log cannot be written.
  EXPECT_EQ(kFailed, Silent("/folder=", SetupExePath(), "S:\\").exitCode);
  EXPECT_FALSE(FileExists("S:\\" + std::string(installtest::kLogName)));
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(), {}));
  // From there a sound run installs and needs no log.
  const std::string target = area_ + "Pixorra\\";
  EXPECT_EQ(kInstalled, Silent("/folder=" + target, SetupExePath(), "S:\\").exitCode);
  EXPECT_EQ(Texts{}, MissingOrDifferent(target));
}

// --- Installing again ----------------------------------------------------

TEST_F(Faults, InstallationOverAChangedOneRestoresEveryFile) {
  const std::string target = area_ + "Pixorra\\";
  ASSERT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  // The user's changes: a damaged program, a deleted document, a file of
  // their own and a skin of their choice.
  WriteFileBytes(target + "px_main64.exe", "damaged");
  std::string deleted;
  for (const auto& file : PayloadFiles()) {
    if (file.first.find('\\') != std::string::npos && file.first.back() != '\\') deleted = file.first;
  }
  ASSERT_FALSE(deleted.empty());
  ASSERT_TRUE(DeleteFileA((target + deleted).c_str()));
  WriteFileBytes(target + "my notes.txt", "mine");
  WritePrivateProfileStringA("Toolbar", "Skin", "mine.png", (target + "px_main64.ini").c_str());

  EXPECT_EQ(kInstalled, Silent("/folder=" + target).exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(Texts{}, MissingOrDifferent(target));
  EXPECT_EQ("mine", ReadFileBytes(target + "my notes.txt"));
  char skin[64] = {};
  GetPrivateProfileStringA("Toolbar", "Skin", "", skin, sizeof skin, (target + "px_main64.ini").c_str());
  EXPECT_STREQ("mine.png", skin);
}

// The desktop's links by what they hold. Their bytes also copy the access
// time of the program folder, which a Linux host moves when the folder is
// listed after a change; the install record changes the folder after the
// links are made.
std::map<std::string, std::string> DesktopLinks() {
  std::map<std::string, std::string> links;
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  for (const std::string& name : ListFolder(desktop, false)) {
    const LinkFields link = ReadShellLink(desktop + name);
    links[name] = link.target + " | " + link.arguments + " | " + link.workingFolder + " | " + link.iconPath + "," +
                  std::to_string(link.iconIndex) + " | " + link.description;
  }
  return links;
}

TEST_F(Faults, SecondInstallationLeavesTheSameRegistryAndFiles) {
  const std::string target = area_ + "Pixorra\\";
  const std::string options = "/folder=" + target + " /desktop=1 /thumbs=1 /group=1 /assoc=2 /ini=%APPDATA%\\PixorraFaults";
  const std::string settings = SpecialFolder(CSIDL_APPDATA) + "PixorraFaults\\";
  RemoveFolderTree(settings);
  ASSERT_EQ(kInstalled, Silent(options).exitCode);
  const RegistryState registry = SnapshotSetupRegistry();
  // Contents, not times: the settings files and links are written again.
  const DiskState files = SnapshotTree(target, false);
  const DiskState settingsFiles = SnapshotTree(settings, false);
  const std::map<std::string, std::string> desktop = DesktopLinks();
  const DiskState before = SnapshotDisk();

  ASSERT_EQ(kInstalled, Silent(options).exitCode);
  EXPECT_EQ(Texts{}, RegistryDifferences(registry, SnapshotSetupRegistry()));
  EXPECT_EQ(files, SnapshotTree(target, false));
  EXPECT_EQ(settingsFiles, SnapshotTree(settings, false));
  EXPECT_EQ(desktop, DesktopLinks());
  // Links are written anew; everything else must be as it was.
  EXPECT_EQ(kNoChanges, ChangedOutside(before, SnapshotDisk(),
                                       {SpecialFolder(CSIDL_DESKTOPDIRECTORY), SpecialFolder(CSIDL_PROGRAMS),
                                        SpecialFolder(CSIDL_COMMON_PROGRAMS), target, settings}));
  RemoveFolderTree(settings);
}

}  // namespace
