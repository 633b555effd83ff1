// The helpers every end-to-end test leans on: if one of them misreads, those
// tests pass or fail for the wrong reason.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "support/px_test_support.h"

using namespace pxtest;

namespace {

const char kTestKey[] = "Software\\PixorraTestSupport";

std::string CmdExe() { return SpecialFolder(CSIDL_SYSTEM) + "cmd.exe"; }

}  // namespace

TEST(SupportPaths, HostPathsBecomeDriveZ) {
  EXPECT_EQ("Z:\\work\\b\\bin\\a.exe", HostToWindowsPath("/work/b/bin/a.exe"));
  EXPECT_EQ("C:\\x\\y", HostToWindowsPath("C:\\x\\y"));
  EXPECT_EQ("", HostToWindowsPath(""));
}

TEST(SupportPaths, BuiltProgramsExist) {
  EXPECT_TRUE(FileExists(SetupExePath())) << SetupExePath();
  EXPECT_TRUE(FileExists(ViewerExePath())) << ViewerExePath();
  EXPECT_TRUE(FileExists(UninstallerExePath())) << UninstallerExePath();
  EXPECT_TRUE(FileExists(PayloadArchivePath())) << PayloadArchivePath();
}

TEST(SupportRun, ReportsTheFullExitCode) {
  // Linux sees only the low byte (1603 -> 67); the helper must not.
  RunResult r = RunProgram(CmdExe(), "/c exit 1603");
  ASSERT_TRUE(r.started);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(1603u, r.exitCode);
}

TEST(SupportRun, MissingProgramIsNotStarted) {
  RunResult r = RunProgram("C:\\pxtest\\no_such_program.exe", "");
  EXPECT_FALSE(r.started);
}

TEST(SupportRun, TimeOutTerminatesTheProgram) {
  DWORD start = GetTickCount();
  RunResult r = RunProgram(ViewerExePath(), "/hidden /quitafter=30", "", 1500);
  ASSERT_TRUE(r.started);
  EXPECT_TRUE(r.timedOut);
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_TRUE(WaitFor([] { return FindViewerWindows().empty(); }, 5000));
}

TEST(SupportRun, RunsInTheGivenFolder) {
  std::string dir = MakeTempFolder("support_workdir");
  RunResult r = RunProgram(CmdExe(), "/c echo x> here.txt", dir);
  ASSERT_TRUE(r.started);
  EXPECT_TRUE(FileExists(dir + "here.txt"));
  RemoveFolderTree(dir);
}

TEST(SupportRegistry, ValuesReadBackWithTypeAndData) {
  DeleteRegTree(HKEY_CURRENT_USER, kTestKey);
  WriteRegText(HKEY_CURRENT_USER, kTestKey, "", "default text");
  WriteRegText(HKEY_CURRENT_USER, kTestKey, "Name", "Gr\xF6\xDF" "e");
  WriteRegDword(HKEY_CURRENT_USER, kTestKey, "Number", 0x12345678);
  WriteRegText(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Sub\\Deeper", "x", "1");

  RegValue unnamed = ReadRegValue(HKEY_CURRENT_USER, kTestKey, "");
  EXPECT_TRUE(unnamed.exists);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), unnamed.type);
  EXPECT_EQ("default text", unnamed.text);
  EXPECT_EQ(13u, unnamed.raw.size());  // the terminator is stored

  RegValue text = ReadRegValue(HKEY_CURRENT_USER, kTestKey, "Name");
  EXPECT_EQ("Gr\xF6\xDF" "e", text.text);
  RegValue number = ReadRegValue(HKEY_CURRENT_USER, kTestKey, "Number");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), number.type);
  EXPECT_EQ(0x12345678u, number.number);
  EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kTestKey, "Missing").exists);
  EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, "Software\\NoSuchKeyHere", "").exists);

  EXPECT_EQ((std::vector<std::string>{"", "Name", "Number"}), ListRegValueNames(HKEY_CURRENT_USER, kTestKey));
  EXPECT_EQ(std::vector<std::string>{"Sub"}, ListRegSubkeys(HKEY_CURRENT_USER, kTestKey));

  DeleteRegValue(HKEY_CURRENT_USER, kTestKey, "Name");
  EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kTestKey, "Name").exists);
  DeleteRegTree(HKEY_CURRENT_USER, kTestKey);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kTestKey));
  DeleteRegTree(HKEY_CURRENT_USER, kTestKey);  // a missing key is fine
}

TEST(SupportRegistry, WineVersionPerProgram) {
  SetWineVersionFor("px_support_probe.exe", "");
  {
    ScopedWineVersion version("px_support_probe.exe", "vista");
    EXPECT_EQ("vista", WineVersionFor("px_support_probe.exe"));
  }
  EXPECT_EQ("", WineVersionFor("px_support_probe.exe"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\px_support_probe.exe"));
}

TEST(SupportFiles, FolderListingIsRelativeSortedAndMarksFolders) {
  std::string dir = MakeTempFolder("support_list");
  WriteFileBytes(dir + "b.txt", "bee");
  CreateDirectoryA((dir + "Sub").c_str(), nullptr);
  WriteFileBytes(dir + "Sub\\a.bin", std::string("\0\x01\xFF", 3));
  WriteFileBytes(dir + "a.txt", "");

  EXPECT_EQ((std::vector<std::string>{"Sub\\", "Sub\\a.bin", "a.txt", "b.txt"}), ListFolder(dir));
  EXPECT_EQ((std::vector<std::string>{"Sub\\", "a.txt", "b.txt"}), ListFolder(dir, false));
  EXPECT_EQ(std::string("\0\x01\xFF", 3), ReadFileBytes(dir + "Sub\\a.bin"));
  EXPECT_TRUE(FolderExists(dir + "Sub"));
  EXPECT_FALSE(FileExists(dir + "Sub"));
  EXPECT_FALSE(FolderExists(dir + "b.txt"));

  // A read-only file must not keep the folder alive, and a new temp folder is empty.
  SetFileAttributesA((dir + "b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  std::string again = MakeTempFolder("support_list");
  EXPECT_EQ(dir, again);
  EXPECT_TRUE(ListFolder(again).empty());
  RemoveFolderTree(again);
  EXPECT_FALSE(FolderExists(again));
}

TEST(SupportShell, LinkFieldsReadBack) {
  std::string dir = MakeTempFolder("support_link");
  std::string lnk = dir + "Test.lnk";
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
  link->SetPath("C:\\Programme\\Pixorra\\px_main64.exe");
  link->SetArguments("/thumbs");
  link->SetWorkingDirectory("C:\\Programme\\Pixorra");
  link->SetIconLocation("C:\\Programme\\Pixorra\\px_main64.exe", 7);
  link->SetDescription("Pixorra - Thumbnails");
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  std::wstring wide(lnk.begin(), lnk.end());
  EXPECT_TRUE(SUCCEEDED(file->Save(wide.c_str(), TRUE)));
  file->Release();
  link->Release();
  CoUninitialize();

  LinkFields fields = ReadShellLink(lnk);
  EXPECT_TRUE(fields.loaded);
  EXPECT_EQ("C:\\Programme\\Pixorra\\px_main64.exe", fields.target);
  EXPECT_EQ("/thumbs", fields.arguments);
  EXPECT_EQ("C:\\Programme\\Pixorra", fields.workingFolder);
  EXPECT_EQ("C:\\Programme\\Pixorra\\px_main64.exe", fields.iconPath);
  EXPECT_EQ(7, fields.iconIndex);
  EXPECT_EQ("Pixorra - Thumbnails", fields.description);

  EXPECT_FALSE(ReadShellLink(dir + "Missing.lnk").loaded);
  RemoveFolderTree(dir);
}

TEST(SupportShell, UmlautsInLinkNamesAndTargetsSurvive) {
  // Several Start-menu links have German names (Über Pixorra.lnk); the
  // helpers speak the ANSI code page, 1252 here.
  std::string dir = MakeTempFolder("support_link_umlaut");
  std::string lnk = dir + "\xDC" "ber Pixorra.lnk";
  std::string target = "C:\\Programme\\Pixorra\\Verf\xFC" "gbar.txt";
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
  link->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(1252, 0, lnk.c_str(), -1, wide, MAX_PATH);
  EXPECT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
  file->Release();
  link->Release();
  CoUninitialize();

  EXPECT_EQ(std::vector<std::string>{"\xDC" "ber Pixorra.lnk"}, ListFolder(dir));
  LinkFields fields = ReadShellLink(lnk);
  EXPECT_TRUE(fields.loaded);
  EXPECT_EQ(target, fields.target);
  RemoveFolderTree(dir);
}

TEST(SupportShell, SpecialFoldersEndInBackslash) {
  for (int csidl : {CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY}) {
    std::string folder = SpecialFolder(csidl);
    ASSERT_FALSE(folder.empty()) << csidl;
    EXPECT_EQ('\\', folder.back()) << folder;
    EXPECT_EQ(std::string::npos, folder.find("\\\\")) << folder;
  }
  EXPECT_NE(std::string::npos, SpecialFolder(CSIDL_PROGRAMS).find("Start Menu\\Programs\\"));
}

TEST(SupportViewer, StartFindAndClose) {
  ASSERT_TRUE(CloseAllViewers());
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  ASSERT_TRUE(viewer.started());
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 10000));
  EXPECT_TRUE(CloseAllViewers());
  DWORD code = 1;
  EXPECT_TRUE(viewer.Wait(5000, &code));
  EXPECT_EQ(0u, code);  // WM_CLOSE is an orderly end
}
