// The real setup executable, started with "/silent": the disk, the settings
// file, the install log and the full exit code afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <unzip.h>
// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "install_texts.h"
#include "payload/release_date.h"
#include "core/toolbar_skin.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace installtest;

namespace {

const char kDefaultFolder[] = "C:\\Program Files\\Pixorra\\";
const char kClassesKey[] = "SOFTWARE\\Classes\\Pixorra";
constexpr DWORD kInstalled = 0;
constexpr DWORD kFailed = 1603;
constexpr DWORD kViewerBusy = 1618;

std::string NoTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

void ForgetEarlierInstallations() {
  DeleteRegTree(HKEY_LOCAL_MACHINE, kClassesKey);
  RemoveFolderTree(kDefaultFolder);
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  DeleteFileA((desktop + "Pixorra 64.lnk").c_str());
  DeleteFileA((desktop + "Pixorra 64 Thumbnails.lnk").c_str());
}

struct PayloadEntry {
  std::string name;  // relative, with "\" separators; folders end in "\"
  unsigned long dosDate = 0;
};

std::vector<PayloadEntry> PayloadEntries() {
  std::vector<PayloadEntry> entries;
  zlib_filefunc64_def functions;
  fill_win32_filefunc64A(&functions);
  unzFile archive = unzOpen2_64(PayloadArchivePath().c_str(), &functions);
  if (archive == nullptr) return entries;
  for (int status = unzGoToFirstFile(archive); status == UNZ_OK; status = unzGoToNextFile(archive)) {
    unz_file_info64 info;
    char name[520] = {};
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    PayloadEntry entry{name, info.dosDate};
    std::replace(entry.name.begin(), entry.name.end(), '/', '\\');
    entries.push_back(entry);
  }
  unzClose(archive);
  return entries;
}

// A completed installation adds the settings file and its install record.
std::vector<std::string> PayloadListing(bool completed) {
  std::vector<std::string> names;
  for (const PayloadEntry& entry : PayloadEntries()) names.push_back(entry.name);
  if (completed) {
    names.push_back("px_main64.ini");
    names.push_back("pv_uninstall.dat");
  }
  std::sort(names.begin(), names.end());
  return names;
}

ULONGLONG AsNumber(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ULONGLONG FromDosDate(unsigned long dosDate) {
  FILETIME local, universal;
  DosDateTimeToFileTime(static_cast<WORD>(dosDate >> 16), static_cast<WORD>(dosDate & 0xFFFF), &local);
  LocalFileTimeToFileTime(&local, &universal);
  return AsNumber(universal);
}

// The skin this machine's screen chooses, by the same figures the setup asks.
std::string ExpectedToolbar() {
  int scale = 100;
  if (HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {
    scale = ScaleFromLogicalDpi(GetDeviceCaps(display, LOGPIXELSX));
    DeleteDC(display);
  }
  const ToolbarSkin skin = ChooseToolbarSkin(GetSystemMetrics(SM_CYFULLSCREEN), scale);
  return std::string("[Toolbar]\r\nSkin=") + skin.skin + "\r\nSize=" + skin.size + "\r\n";
}

const std::string kLanguage = "[Language]\r\nDLL=DEUTSCH.DLL\r\nLang=Deutsch\r\n";

std::string TempArchivePath() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "pxmaing_x64.zip";
}

// A start folder for the setup, so that its log can be read back alone.
std::string StartFolder(const std::string& stem) { return MakeTempFolder(stem + "_start"); }

void ExpectNothingInstalled(const std::string& start) {
  EXPECT_FALSE(FolderExists(kDefaultFolder));
  EXPECT_EQ(ListFolder(start), std::vector<std::string>{kLogName});
  EXPECT_FALSE(FileExists(TempArchivePath()));
}

}  // namespace

const char kJpgClass[] = "SOFTWARE\\Classes\\.jpg";
const char kJpgChoice[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";

// .jpg handled by some other program, as on a machine before the setup.
void JpgBelongsToAnotherProgram() {
  WriteRegText(HKEY_LOCAL_MACHINE, kJpgClass, "", "jpegfile");
  DeleteRegTree(HKEY_CURRENT_USER, kJpgChoice);
}

TEST(SilentInstall, AloneInstallsIntoTheDefaultFolder) {
  ForgetEarlierInstallations();
  JpgBelongsToAnotherProgram();
  const std::string start = StartFolder("alone");
  const RunResult run = RunSetup("/silent", start);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, kInstalled);
  EXPECT_EQ(ListFolder(kDefaultFolder), PayloadListing(true));
  EXPECT_EQ(ReadFileBytes(std::string(kDefaultFolder) + "px_main64.ini"), kLanguage + ExpectedToolbar());
  // No links, and nothing logged on success.
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  EXPECT_FALSE(FileExists(desktop + "Pixorra 64.lnk"));
  EXPECT_FALSE(FileExists(desktop + "Pixorra 64 Thumbnails.lnk"));
  EXPECT_TRUE(ListFolder(start).empty());
  EXPECT_FALSE(FileExists(TempArchivePath()));
  // No association either.
  EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kJpgClass, "").text, "jpegfile");
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kJpgChoice));
}

TEST(SilentInstall, AssocOneAssociatesTheImageFormats) {
  ForgetEarlierInstallations();
  JpgBelongsToAnotherProgram();
  const std::string target = MakeTempFolder("silent_assoc");
  const RunResult run = RunSetup("/silent /folder=" + target + " /assoc=1", StartFolder("assoc"));
  EXPECT_EQ(run.exitCode, kInstalled);
  EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kJpgClass, "").text, "Pixorra.jpg");
  EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kJpgChoice, "Progid").text, "Pixorra.jpg");
  WriteRegText(HKEY_LOCAL_MACHINE, kJpgClass, "", "jpegfile");
}

TEST(SilentInstall, EveryEntryWithItsFolderAndTimes) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_times");
  const RunResult run = RunSetup("/silent /folder=" + target, StartFolder("times"));
  ASSERT_EQ(run.exitCode, kInstalled);
  const std::vector<PayloadEntry> entries = PayloadEntries();
  ASSERT_EQ(entries.size(), 38u);
  for (const PayloadEntry& entry : entries) {
    const std::string path = target + entry.name;
    if (entry.name.back() == '\\') {
      EXPECT_TRUE(FolderExists(path)) << entry.name;
      continue;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << entry.name;
    FILETIME created, accessed, written;
    GetFileTime(file, &created, &accessed, &written);
    CloseHandle(file);
    EXPECT_EQ(AsNumber(created), FromDosDate(entry.dosDate)) << entry.name;
    EXPECT_EQ(AsNumber(written), FromDosDate(entry.dosDate)) << entry.name;
  }
}

// What Explorer shows as "Geändert am": the installed files are dated with the
// release, in local time as the archive states it, whoever built the setup when.
TEST(SilentInstall, InstalledFilesShowTheReleaseDate) {
  SYSTEMTIME release = {};
  ASSERT_TRUE(releasetest::ReleaseTime(&release));
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_release_date");
  ASSERT_EQ(RunSetup("/silent /folder=" + target, StartFolder("release_date")).exitCode, kInstalled);
  size_t files = 0;
  for (const std::string& name : ListFolder(target)) {
    // The settings file and the install record are written, not unpacked.
    if (name.back() == '\\' || name == "px_main64.ini" || name == "pv_uninstall.dat") continue;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((target + name).c_str(), GetFileExInfoStandard, &data)) << name;
    FILETIME local;
    SYSTEMTIME shown;
    ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &shown));
    shown.wDayOfWeek = 0;
    shown.wMilliseconds = 0;
    EXPECT_EQ(releasetest::Show(release), releasetest::Show(shown)) << name;
    ++files;
  }
  EXPECT_EQ(files, 33u);  // every file of the payload
}

TEST(SilentInstall, PreviousInstallationFolderWins) {
  ForgetEarlierInstallations();
  const std::string previous = MakeTempFolder("silent_previous");
  WriteRegText(HKEY_LOCAL_MACHINE, std::string(kClassesKey) + "\\shell\\open\\command", "",
               "\"" + previous + "px_main64.exe\" \"%1\"");
  const RunResult run = RunSetup("/silent", StartFolder("previous"));
  EXPECT_EQ(run.exitCode, kInstalled);
  EXPECT_EQ(ListFolder(previous), PayloadListing(true));
  EXPECT_FALSE(FolderExists(kDefaultFolder));
}

TEST(SilentInstall, QuotedFolderWithSpacesThenDesktopLink) {
  ForgetEarlierInstallations();
  const std::string parent = MakeTempFolder("silent quoted");
  const std::string target = parent + "Mein Pixorra\\";
  const RunResult run = RunSetup("/silent /folder=\"" + NoTrailingBackslash(target) + "\" /desktop=1",
                                 StartFolder("quoted"));
  EXPECT_EQ(run.exitCode, kInstalled);
  EXPECT_EQ(ListFolder(target), PayloadListing(true));
  EXPECT_EQ(ListFolder(parent, false), std::vector<std::string>{"Mein Pixorra\\"});
  EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk"));
}

TEST(SilentInstall, EmptyFolderIsInvalid) {
  ForgetEarlierInstallations();
  const std::string start = StartFolder("empty");
  const RunResult run = RunSetup("/silent /folder=", start);
  EXPECT_EQ(run.exitCode, kFailed);
  EXPECT_EQ(LogTexts(start), std::vector<std::string>{kInvalidFolder + ": "});
  ExpectNothingInstalled(start);
}

TEST(SilentInstall, FolderTooLongForThePayloadIsInvalid) {
  ForgetEarlierInstallations();
  const std::string start = StartFolder("toolong");
  // 240 characters: the folder fits, but not with the payload's paths below it.
  const std::string folder = "C:\\pxtest\\" + std::string(230, 'L');
  const RunResult run = RunSetup("/silent /folder=" + folder, start);
  EXPECT_EQ(run.exitCode, kFailed);
  EXPECT_EQ(LogTexts(start), std::vector<std::string>{kInvalidFolder + ": " + folder});
  EXPECT_FALSE(FolderExists(folder));
}

TEST(SilentInstall, MissingDriveCannotBeCreated) {
  ForgetEarlierInstallations();
  const std::string start = StartFolder("nodrive");
  const RunResult run = RunSetup("/silent /folder=Q:\\Pixorra", start);
  EXPECT_EQ(run.exitCode, kFailed);
  // The log lies in the start folder: the setup's current folder never moved.
  // Wine answers "file not found" for a folder on a drive that does not exist.
  EXPECT_EQ(LogTexts(start), std::vector<std::string>{kCannotCreate + ": Q:\\Pixorra\\\r\nQ:\\Pixorra: " +
                                                      ErrorText(ERROR_FILE_NOT_FOUND)});
  ExpectNothingInstalled(start);
}

TEST(SilentInstall, TwoFailuresLeaveTwoEntries) {
  ForgetEarlierInstallations();
  const std::string start = StartFolder("twice");
  EXPECT_EQ(RunSetup("/silent /folder=", start).exitCode, kFailed);
  EXPECT_EQ(RunSetup("/silent /folder=Q:\\x", start).exitCode, kFailed);
  EXPECT_EQ(LogTexts(start), (std::vector<std::string>{kInvalidFolder + ": ", kCannotCreate + ": Q:\\x\\\r\nQ:\\x: " +
                                                                                 ErrorText(ERROR_FILE_NOT_FOUND)}));
}

TEST(SilentInstall, AForwardSlashInsideTheFolderWordIsRefused) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_slash");
  const RunResult run = RunSetup("/silent /folder=" + NoTrailingBackslash(target) + "/sub/inner", StartFolder("slash"));
  EXPECT_EQ(run.exitCode, 1639u);
  EXPECT_TRUE(ListFolder(target).empty());  // neither installed there nor in "sub"
}

TEST(SilentInstall, AnOptionBeyondThe519thCharacterIsRefused) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_far");
  const std::string prefix = "\"" + SetupExePath() + "\" ";  // how the setup sees its command line
  std::string args = "/desktop=0 ";
  args += std::string(519 - prefix.size() - args.size(), 'x');
  args += " /folder=" + target + " /silent";
  const RunResult run = RunSetup(args, StartFolder("far"));
  EXPECT_EQ(run.exitCode, 1639u);
  EXPECT_TRUE(ListFolder(target).empty());
  EXPECT_FALSE(FolderExists(kDefaultFolder));
}

TEST(SilentInstall, ForeignFilesStayAndOldOnesAreReplaced) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_update");
  WriteFileBytes(target + "meine_notizen.txt", "mine");
  WriteFileBytes(target + "px_about.txt", "old");
  WriteFileBytes(target + "px_main64.ini", "[Toolbar]\r\nSkin=Tobrin_16.png\r\nSize=16\r\n");
  const RunResult run = RunSetup("/silent /folder=" + target, StartFolder("update"));
  EXPECT_EQ(run.exitCode, kInstalled);
  EXPECT_EQ(ReadFileBytes(target + "meine_notizen.txt"), "mine");
  EXPECT_NE(ReadFileBytes(target + "px_about.txt"), "old");
  EXPECT_EQ(ReadFileBytes(target + "px_main64.ini"), "[Toolbar]\r\nSkin=Tobrin_16.png\r\nSize=16\r\n" + kLanguage);
}

TEST(SilentInstall, FileThatCannotBeWrittenIsSkippedAndReported) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_locked");
  const std::string start = StartFolder("locked");
  WriteFileBytes(target + "px_about.txt", "in use");
  HANDLE held = CreateFileA((target + "px_about.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const RunResult run = RunSetup("/silent /folder=" + NoTrailingBackslash(target), start);
  CloseHandle(held);
  EXPECT_EQ(run.exitCode, kFailed);
  // A file of the user's at a payload name is moved aside before anything
  // is unpacked; one held by another program cannot be, and the run ends
  // there, naming it.
  EXPECT_EQ(LogTexts(start), (std::vector<std::string>{kNotSetAside + ": " + target + "\r\n" + target +
                                                           "px_about.txt: " + ErrorText(ERROR_SHARING_VIOLATION),
                                                       "Die Installation wurde zur\xFC" "ckgenommen."}));
  EXPECT_EQ(ReadFileBytes(target + "px_about.txt"), "in use");
  EXPECT_EQ(ListFolder(target), std::vector<std::string>{"px_about.txt"});  // nothing unpacked, no pv_kept
  EXPECT_FALSE(FileExists(TempArchivePath()));
}

TEST(SilentInstall, ReadOnlyFileIsSkippedAndReported) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_readonly");
  const std::string start = StartFolder("readonly");
  // A file of an earlier installation is replaced, not set aside: the
  // unpacking itself meets the file it may not write.
  ASSERT_EQ(RunSetup("/silent /folder=" + target, StartFolder("readonly_first")).exitCode, kInstalled);
  WriteFileBytes(target + "px_about.txt", "protected");
  SetFileAttributesA((target + "px_about.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  // The attribute alone does not stop Wine run as root; the host's flag does.
  ScopedImmutableFile immutable(target + "px_about.txt");
  ASSERT_TRUE(immutable.ok());
  const RunResult run = RunSetup("/silent /folder=" + target, start);
  EXPECT_EQ(run.exitCode, kFailed);
  // The run takes back what it unpacked: every earlier file stays.
  EXPECT_EQ(LogTexts(start), (std::vector<std::string>{target + ": " + kInstallFailed + "\r\n" + target +
                                                           "px_about.txt: " + ErrorText(ERROR_ACCESS_DENIED),
                                                       "Die Installation wurde zur\xFC" "ckgenommen."}));
  EXPECT_EQ(ReadFileBytes(target + "px_about.txt"), "protected");
}

TEST(SilentInstall, RunningViewerStopsEverything) {
  ForgetEarlierInstallations();
  const std::string start = StartFolder("viewer");
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=30");
  ASSERT_TRUE(viewer.started());
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 10000));
  const RunResult run = RunSetup("/silent", start);
  CloseAllViewers();
  EXPECT_EQ(run.exitCode, kViewerBusy);
  EXPECT_EQ(LogTexts(start), std::vector<std::string>{kViewerRunning});
  ExpectNothingInstalled(start);
}

TEST(SilentInstall, SettingsInTheApplicationDataFolder) {
  ForgetEarlierInstallations();
  const std::string target = MakeTempFolder("silent_appdata");
  const std::string appData = SpecialFolder(CSIDL_APPDATA);
  ASSERT_FALSE(appData.empty());
  RemoveFolderTree(appData + "Pixorra\\");
  const RunResult run = RunSetup("/silent /folder=" + target + " /ini=%APPDATA%\\Pixorra", StartFolder("appdata"));
  EXPECT_EQ(run.exitCode, kInstalled);
  EXPECT_EQ(ReadFileBytes(target + "px_main64.ini"), "[Others]\r\nINI_Folder=%APPDATA%\\Pixorra\r\n");
  EXPECT_EQ(ReadFileBytes(appData + "Pixorra\\px_main64.ini"), kLanguage + ExpectedToolbar());
  RemoveFolderTree(appData + "Pixorra\\");
}
