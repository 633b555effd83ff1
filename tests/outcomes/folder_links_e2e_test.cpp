// The setup runs elevated in folders a standard user may have prepared. End
// to end on the real setup: names of the payload that already are links
// (a hard link, a host symbolic link to a file, a host symbolic link to a
// folder, the program folder itself a link) never get the payload written
// through them; the user's own files at payload names are moved aside into
// pv_kept; an earlier installation's files are simply replaced.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "install/install_texts.h"
#include "outcomes/host_links.h"
#include "outcomes/outcomes_support.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace faulttest;
using namespace outcomes;
using installtest::ErrorText;
using installtest::kFolderIsLink;
using installtest::kNotSetAside;
using installtest::LogTexts;

namespace {

using Texts = std::vector<std::string>;

constexpr char kArea[] = "C:\\pxtest\\links\\";

std::string PayloadText(const std::string& name) {
  return ReadFileBytes(HostToWindowsPath(PX_SOURCE_DIR "/payload/files/") + name);
}

// The first plug-in of the payload.
std::string FirstPlugin() {
  for (const auto& file : PayloadFiles()) {
    if (file.first.rfind("Plugins\\", 0) == 0 && file.first.back() != '\\') return file.first;
  }
  return "";
}

class FolderLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    RemoveHostLinksBelow(kArea);
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("links\\start");
    outside_ = MakeTempFolder("links\\outside");
    target_ = std::string(kArea) + "target\\Pixorra\\";
  }
  void TearDown() override {
    // Links first: removing a tree through a folder link would empty the
    // folder it leads to.
    RemoveHostLinksBelow(kArea);
    RemoveFolderTree(kArea);
    ForgetInstallations();
  }
  RunResult Install() { return RunWide(SetupLine(Wide("/silent /folder=" + target_)), start_); }

  std::string start_, outside_, target_;
};

// --- Links at payload names -------------------------------------------------

struct LinkCase {
  const char* name;
  // Prepares the target folder (it may not exist yet) and what lies outside.
  std::function<bool(const std::string& target, const std::string& outside)> plant;
  DWORD exitCode;
  // The log's entries, given the target folder.
  std::function<Texts(const std::string& target)> log;
  bool payloadInPlace;  // every payload file is in the target afterwards
};

TEST_F(FolderLinks, NothingIsWrittenThroughALink) {
  const std::string plugin = FirstPlugin();
  ASSERT_FALSE(plugin.empty());
  const std::string pluginName = plugin.substr(sizeof "Plugins\\" - 1);
  const std::vector<LinkCase> cases = {
      {"a hard link to a file outside at px_changes.txt",
       [](const std::string& target, const std::string& outside) {
         WriteFileWithFolders(outside + "win.ini", "[fonts]\r\n[extensions]\r\n");
         return CreateDirectoryA(target.c_str(), nullptr) &&
                CreateHardLinkA((target + "px_changes.txt").c_str(), (outside + "win.ini").c_str(), nullptr);
       },
       kInstalled, [](const std::string&) { return Texts{}; }, true},
      {"a host link to a file outside at px_about.txt",
       [](const std::string& target, const std::string& outside) {
         WriteFileWithFolders(outside + "notes.txt", "the user's notes elsewhere");
         return CreateDirectoryA(target.c_str(), nullptr) &&
                MakeHostLink(outside + "notes.txt", target + "px_about.txt");
       },
       kInstalled, [](const std::string&) { return Texts{}; }, true},
      {"a host link to a folder outside at Plugins",
       [&pluginName](const std::string& target, const std::string& outside) {
         WriteFileWithFolders(outside + "dir\\" + pluginName, "not a plug-in of ours");
         return CreateDirectoryA(target.c_str(), nullptr) && MakeHostLink(outside + "dir", target + "Plugins");
       },
       kFailed, [](const std::string& target) { return Texts{kFolderIsLink + ": " + target + "Plugins\\"}; },
       false},
      {"the program folder a host link to a folder outside",
       [](const std::string& target, const std::string& outside) {
         WriteFileWithFolders(outside + "dir\\px_about.txt", "somebody else's folder");
         return MakeHostLink(outside + "dir", target.substr(0, target.size() - 1));
       },
       kFailed, [](const std::string& target) { return Texts{kFolderIsLink + ": " + target}; }, false},
      {"the settings file a hard link to a file outside",
       [](const std::string& target, const std::string& outside) {
         WriteFileWithFolders(outside + "win.ini", "[fonts]\r\n[extensions]\r\n");
         return CreateDirectoryA(target.c_str(), nullptr) &&
                CreateHardLinkA((target + "px_main64.ini").c_str(), (outside + "win.ini").c_str(), nullptr);
       },
       kInstalled, [](const std::string&) { return Texts{}; }, true},
      {"the settings file a host link to a file outside",
       [](const std::string& target, const std::string& outside) {
         WriteFileWithFolders(outside + "other.ini", "[Language]\r\nDLL=OTHER.DLL\r\n");
         return CreateDirectoryA(target.c_str(), nullptr) &&
                MakeHostLink(outside + "other.ini", target + "px_main64.ini");
       },
       kInstalled, [](const std::string&) { return Texts{}; }, true},
      {"a hard link at a file an earlier installation wrote",
       [this](const std::string& target, const std::string& outside) {
         if (Install().exitCode != kInstalled) return false;
         WriteFileWithFolders(outside + "win.ini", "[fonts]\r\n[extensions]\r\n");
         return DeleteFileA((target + "px_changes.txt").c_str()) &&
                CreateHardLinkA((target + "px_changes.txt").c_str(), (outside + "win.ini").c_str(), nullptr);
       },
       kInstalled, [](const std::string&) { return Texts{}; }, true},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveHostLinksBelow(kArea);
    RemoveFolderTree(std::string(kArea) + "target\\");
    RemoveFolderTree(outside_);
    ForgetInstallations();
    ASSERT_TRUE(CreateDirectoryA(outside_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((std::string(kArea) + "target\\").c_str(), nullptr));
    ASSERT_TRUE(c.plant(target_, outside_)) << "could not plant the link";
    DeleteFileA((start_ + installtest::kLogName).c_str());
    const DiskState outsideBefore = SnapshotTree(outside_);
    const std::vector<std::string> targetBefore = ListFolder(target_);

    const RunResult run = Install();
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_EQ(c.log(target_), LogTexts(start_));
    EXPECT_EQ(outsideBefore, SnapshotTree(outside_)) << "a file outside the program folder changed";
    if (c.payloadInPlace) {
      EXPECT_EQ(Texts{}, MissingOrDifferent(target_));
      EXPECT_EQ(PayloadText("px_changes.txt"), ReadFileBytes(target_ + "px_changes.txt"));
      EXPECT_EQ(PayloadText("px_about.txt"), ReadFileBytes(target_ + "px_about.txt"));
      EXPECT_NE(std::string::npos, ReadFileBytes(target_ + "px_main64.ini").find("DLL=DEUTSCH.DLL"));
    } else {
      EXPECT_EQ(targetBefore, ListFolder(target_)) << "something was written into the program folder";
    }
  }
}

// --- The links the run saves ---------------------------------------------------

// A link's name that already leads elsewhere (a host link, a hard link):
// the saved link takes the name, and the file it led to keeps its bytes.
TEST_F(FolderLinks, ALinkAtALinksNameIsReplacedNotWrittenThrough) {
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  ASSERT_FALSE(desktop.empty());
  const std::string main = desktop + "Pixorra 64.lnk";
  const std::string thumbs = desktop + "Pixorra 64 Thumbnails.lnk";
  DeleteFileA(main.c_str());
  DeleteFileA(thumbs.c_str());
  WriteFileWithFolders(outside_ + "notes.txt", "the user's notes elsewhere");
  WriteFileWithFolders(outside_ + "win.ini", "[fonts]\r\n[extensions]\r\n");
  ASSERT_TRUE(MakeHostLink(outside_ + "notes.txt", main));
  ASSERT_TRUE(CreateHardLinkA(thumbs.c_str(), (outside_ + "win.ini").c_str(), nullptr));
  const DiskState outsideBefore = SnapshotTree(outside_);
  const Texts desktopBefore = ListFolder(desktop, false);

  const RunResult run = RunWide(SetupLine(Wide("/silent /folder=" + target_ + " /desktop=1 /thumbs=1")), start_);
  EXPECT_EQ(kInstalled, run.exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ(outsideBefore, SnapshotTree(outside_)) << "a link was written through";
  EXPECT_EQ(target_ + "px_main64.exe", ReadShellLink(main).target);
  EXPECT_EQ(target_ + "px_main64.exe", ReadShellLink(thumbs).target);
  EXPECT_EQ(desktopBefore, ListFolder(desktop, false)) << "a new name was left beside the links";
  DeleteFileA(main.c_str());
  DeleteFileA(thumbs.c_str());
}

// --- The user's files --------------------------------------------------------

TEST_F(FolderLinks, TheUsersFilesAtPayloadNamesAreKeptInPvKept) {
  WriteFileWithFolders(target_ + "px_about.txt", "my own about text");
  WriteFileWithFolders(target_ + "Html\\index.htm", "<p>my page</p>");
  WriteFileWithFolders(target_ + "mine.txt", "not a payload name");
  ASSERT_EQ(kInstalled, Install().exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_EQ("my own about text", ReadFileBytes(target_ + "pv_kept\\px_about.txt"));
  EXPECT_EQ("<p>my page</p>", ReadFileBytes(target_ + "pv_kept\\Html\\index.htm"));
  EXPECT_EQ((Texts{"Html\\", "Html\\index.htm", "px_about.txt"}), ListFolder(target_ + "pv_kept\\"));
  EXPECT_EQ("not a payload name", ReadFileBytes(target_ + "mine.txt"));
  EXPECT_EQ(Texts{}, MissingOrDifferent(target_));
  EXPECT_EQ(PayloadText("px_about.txt"), ReadFileBytes(target_ + "px_about.txt"));
}

// The file's id on its volume (0 when it cannot be opened).
unsigned long long FileId(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool read = GetFileInformationByHandle(file, &info) != FALSE;
  CloseHandle(file);
  return read ? (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

TEST_F(FolderLinks, AnEarlierInstallationsFilesAreReplacedNotKept) {
  ASSERT_EQ(kInstalled, Install().exitCode);
  const unsigned long long first = FileId(target_ + "px_changes.txt");
  ASSERT_NE(0u, first);
  ASSERT_EQ(kInstalled, Install().exitCode);
  // Replaced by a new directory entry, not written into: the old file is
  // never opened for writing.
  EXPECT_NE(first, FileId(target_ + "px_changes.txt"));
  EXPECT_EQ(Texts{}, LogTexts(start_));
  EXPECT_FALSE(FolderExists(target_ + "pv_kept\\"));
  EXPECT_EQ(Texts{}, MissingOrDifferent(target_));
  // No temporary name of a replaced file is left beside the files.
  for (const std::string& entry : ListFolder(target_)) EXPECT_EQ(std::string::npos, entry.find("~px")) << entry;
}

TEST_F(FolderLinks, AFileKeptEarlierIsNeverOverwritten) {
  WriteFileWithFolders(target_ + "pv_kept\\px_about.txt", "kept by an earlier run");
  WriteFileWithFolders(target_ + "px_about.txt", "my newer about text");
  WriteFileWithFolders(target_ + "Html\\index.htm", "<p>my page</p>");
  const RunResult run = Install();
  EXPECT_EQ(kFailed, run.exitCode);
  EXPECT_EQ((Texts{kNotSetAside + ": " + target_ + "\r\n" + target_ + "pv_kept\\px_about.txt: " +
                       ErrorText(ERROR_ALREADY_EXISTS),
                   "Die Installation wurde zur\xFC" "ckgenommen."}),
            LogTexts(start_));
  EXPECT_EQ("kept by an earlier run", ReadFileBytes(target_ + "pv_kept\\px_about.txt"));
  EXPECT_EQ("my newer about text", ReadFileBytes(target_ + "px_about.txt"));
  EXPECT_EQ("<p>my page</p>", ReadFileBytes(target_ + "Html\\index.htm"));
  EXPECT_FALSE(FileExists(target_ + "px_main64.exe")) << "the payload was unpacked after all";
}

}  // namespace
