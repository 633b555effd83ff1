// A setup run's file changes on the real (Wine) disk: the payload unpacked
// under staged names and put in place, and everything taken back from each
// state a run cut off at any moment can leave.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/footprint_names.h"
#include "install/extraction_walk.h"
#include "install/run_files.h"
#include "install/viewer_settings.h"
#include "platform/file_identity.h"
#include "shell/link_undo.h"
#include "support/px_test_support.h"

namespace {

using Files = std::map<std::string, std::string>;  // relative name -> content; "<dir>" for a folder

// Everything below folder, each file with its bytes.
Files Snapshot(const std::string& folder) {
  Files files;
  for (const std::string& name : pxtest::ListFolder(folder)) {
    files[name] = name.back() == '\\' ? "<dir>" : pxtest::ReadFileBytes(folder + name);
  }
  return files;
}

void Lay(const std::string& folder, const Files& files) {
  for (const auto& file : files) {
    const std::size_t cut = file.first.find_last_of('\\');
    if (cut != std::string::npos) SHCreateDirectoryExA(nullptr, (folder + file.first.substr(0, cut)).c_str(), nullptr);
    pxtest::WriteFileBytes(folder + file.first, file.second);
  }
}

// Runs a host program on its own (the process handle signals at once): the
// caller waits for its effect.
bool StartHost(const wchar_t* program, const std::string& command, const std::string& path) {
  std::wstring line = std::wstring(command.begin(), command.end()) + L" \"" + std::wstring(path.begin(), path.end()) +
                      L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool Present(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A host symbolic link at link leading to target; Wine sees it as a plain name.
bool MakeHostLink(const std::string& target, const std::string& link) {
  const std::string unixTarget = pxtest::WindowsToHostPath(target);
  const std::string unixLink = pxtest::WindowsToHostPath(link);
  return !unixTarget.empty() && !unixLink.empty() &&
         StartHost(L"Z:\\bin\\ln", "/bin/ln -s \"" + unixTarget + "\"", unixLink) &&
         pxtest::WaitFor([&] { return Present(link); }, 10000);
}

// Removes a host link itself (a Windows deletion would take its target).
bool RemoveHostName(const std::string& link) {
  const std::string unixLink = pxtest::WindowsToHostPath(link);
  return !unixLink.empty() && StartHost(L"Z:\\bin\\rm", "/bin/rm -f", unixLink) &&
         pxtest::WaitFor([&] { return !Present(link); }, 10000);
}

std::string TestArchive(const char* name) {
  std::string path = std::string("Z:") + PX_BUILD_DIR + "/tests/install/archives/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

StepResult UnpackStaged(const std::string& archive, const std::string& target) {
  HANDLE file = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return StepResult::Failed(archive, GetLastError());
  const StepResult result = UnpackArchive(file, archive, target.c_str(), ArchiveReaders::kOne, EntryNaming::kStaged);
  CloseHandle(file);
  return result;
}

// The journal's file entries for what a staged unpacking wrote.
std::vector<journal::File> StagedEntries(const std::string& folder, const Files& before) {
  std::vector<journal::File> files;
  const std::string suffix = footprint::kStagedSuffix;
  for (const auto& found : Snapshot(folder)) {
    const std::string& name = found.first;
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    journal::File file;
    file.name = name.substr(0, name.size() - suffix.size());
    file.replaces = before.count(file.name) != 0;
    files.push_back(file);
  }
  return files;
}

// --- Undo from every state a cut-off run leaves ------------------------------

struct CutOffCase {
  const char* name;
  Files before;           // the program folder before the run
  bool folderCreated;     // the run created the program folder
  std::vector<journal::File> files;
  std::vector<std::string> payloadFolders;
  std::vector<std::string> kept;
  bool recordReplaced;
  Files left;             // the program folder when the run was cut off
};

const std::vector<CutOffCase>& CutOffCases() {
  static const std::vector<CutOffCase> cases = {
      // An earlier installation's file is replaced.
      {"replaces, nothing yet", {{"a.txt", "old"}}, false, {{"a.txt", true}}, {}, {}, false, {{"a.txt", "old"}}},
      {"replaces, staged only", {{"a.txt", "old"}}, false, {{"a.txt", true}}, {}, {}, false,
       {{"a.txt", "old"}, {"a.txt.pxnew", "new"}}},
      {"replaces, set aside and staged", {{"a.txt", "old"}}, false, {{"a.txt", true}}, {}, {}, false,
       {{"a.txt.pxold", "old"}, {"a.txt.pxnew", "new"}}},
      {"replaces, new file in place", {{"a.txt", "old"}}, false, {{"a.txt", true}}, {}, {}, false,
       {{"a.txt.pxold", "old"}, {"a.txt", "new"}}},
      {"replaces, all in place with the record", {{"a.txt", "old"}, {"pv_uninstall.dat", "old record"}}, false,
       {{"a.txt", true}}, {}, {}, true,
       {{"a.txt.pxold", "old"}, {"a.txt", "new"}, {"pv_uninstall.dat.pxold", "old record"},
        {"pv_uninstall.dat", "new record"}}},
      {"replaces, record set aside only", {{"a.txt", "old"}, {"pv_uninstall.dat", "old record"}}, false,
       {{"a.txt", true}}, {}, {}, true,
       {{"a.txt.pxold", "old"}, {"a.txt", "new"}, {"pv_uninstall.dat.pxold", "old record"}}},
      {"replaces, record step not reached", {{"a.txt", "old"}, {"pv_uninstall.dat", "old record"}}, false,
       {{"a.txt", true}}, {}, {}, true, {{"a.txt.pxold", "old"}, {"a.txt", "new"}, {"pv_uninstall.dat", "old record"}}},
      // A name that was free.
      {"new, nothing yet", {}, false, {{"a.txt", false}}, {}, {}, false, {}},
      {"new, staged only", {}, false, {{"a.txt", false}}, {}, {}, false, {{"a.txt.pxnew", "new"}}},
      {"new, in place", {}, false, {{"a.txt", false}}, {}, {}, false, {{"a.txt", "new"}}},
      {"new, all in place with the record", {}, false, {{"a.txt", false}}, {}, {}, false,
       {{"a.txt", "new"}, {"pv_uninstall.dat", "record"}, {"pv_uninstall.dat.new", "half"}}},
      // Payload folders, the user's files set aside, the folder itself.
      {"new folder, staged", {}, false, {{"sub\\deep\\b.txt", false}}, {"sub\\", "sub\\deep\\"}, {}, false,
       {{"sub\\deep\\b.txt.pxnew", "new"}}},
      {"user's file set aside", {{"sub\\a.txt", "mine"}}, false, {{"sub\\a.txt", false}}, {}, {"sub\\a.txt"}, false,
       {{"pv_kept\\sub\\a.txt", "mine"}, {"sub\\a.txt", "new"}}},
      {"user's file set aside, not yet unpacked", {{"a.txt", "mine"}}, false, {{"a.txt", false}}, {}, {"a.txt"}, false,
       {{"pv_kept\\a.txt", "mine"}}},
      {"folder created by the run", {}, true, {{"a.txt", false}, {"b.txt", false}}, {}, {}, false,
       {{"a.txt", "new"}, {"b.txt.pxnew", "new"}}},
  };
  return cases;
}

TEST(RunFilesUndo, EveryCutOffStateGoesBackToTheFolderBefore) {
  for (const CutOffCase& row : CutOffCases()) {
    SCOPED_TRACE(row.name);
    const std::string base = pxtest::MakeTempFolder("rollback\\cutoff");
    const std::string folder = base + "outer\\Pixorra\\";
    if (!row.folderCreated) {
      CreateDirectoryA((base + "outer").c_str(), nullptr);
      CreateDirectoryA(folder.c_str(), nullptr);
      Lay(folder, row.before);
    }
    const Files before = Snapshot(base);
    CreateDirectoryA((base + "outer").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    // The cut-off state replaces the folder's content.
    for (const auto& file : row.before) DeleteFileA((folder + file.first).c_str());
    Lay(folder, row.left);

    journal::Journal journal;
    journal.folder = folder;
    if (row.folderCreated) journal.createdFolders = {base + "outer\\", folder};
    journal.kept = row.kept;
    journal.payloadFolders = row.payloadFolders;
    journal.files = row.files;
    // Whether or not the run came to the record, undoing it by what stands
    // there gives the folder before.
    journal.recordStep = true;
    journal.recordReplaced = row.recordReplaced;

    EXPECT_TRUE(runfiles::UndoRunFiles(journal));
    EXPECT_EQ(Snapshot(base), before);
    EXPECT_TRUE(runfiles::UndoRunFiles(journal)) << "once more";
    EXPECT_EQ(Snapshot(base), before) << "once more";
  }
}

// --- Forward: staged unpacking, put in place, replaced files deleted --------

TEST(RunFilesForward, StagedFilesTakeTheirNamesAndTheEarlierOnesGoAtTheEnd) {
  const std::string folder = pxtest::MakeTempFolder("rollback\\forward");
  const Files before = {{"top.txt", "earlier top"}, {"big.bin", "earlier big"}, {"pv_uninstall.dat", "earlier"}};
  Lay(folder, before);
  ASSERT_TRUE(UnpackStaged(TestArchive("late_dirs.zip"), folder));
  Files staged = Snapshot(folder);
  EXPECT_EQ(staged["top.txt"], "earlier top") << "nothing takes a name while unpacking";
  EXPECT_EQ(staged["top.txt.pxnew"], "top file\r\n");
  EXPECT_EQ(staged.count("Sub\\inner\\deep.txt"), 0u);

  journal::Journal journal;
  journal.folder = folder;
  journal.files = StagedEntries(folder, before);
  journal.recordStep = true;
  journal.recordReplaced = true;
  ASSERT_EQ(journal.files.size(), 5u);
  ASSERT_TRUE(runfiles::PutStagedFilesInPlace(folder, journal.files));
  ASSERT_TRUE(runfiles::SetRecordAside(folder));
  pxtest::WriteFileBytes(folder + "pv_uninstall.dat", "new");
  const Files placed = Snapshot(folder);
  EXPECT_EQ(placed.at("top.txt"), "top file\r\n");
  EXPECT_EQ(placed.at("top.txt.pxold"), "earlier top");
  EXPECT_EQ(placed.at("pv_uninstall.dat.pxold"), "earlier");
  EXPECT_EQ(placed.at("Sub\\inner\\deep.txt"), "deep file\r\n");

  ASSERT_TRUE(runfiles::DeleteReplacedFiles(journal));
  for (const auto& file : Snapshot(folder)) {
    EXPECT_EQ(file.first.find(".px"), std::string::npos) << file.first;
  }
  EXPECT_EQ(pxtest::ReadFileBytes(folder + "pv_uninstall.dat"), "new");
}

TEST(RunFilesForward, UndoAfterEveryFileIsInPlaceGivesBackTheEarlierInstallation) {
  const std::string folder = pxtest::MakeTempFolder("rollback\\forward_undo");
  Lay(folder, {{"top.txt", "earlier top"}, {"Sub\\inner\\deep.txt", "earlier deep"}});
  const Files before = Snapshot(folder);
  // A link under a payload name is no earlier file: its name is taken.
  const std::string outside = pxtest::MakeTempFolder("rollback\\forward_outside") + "big.bin";
  pxtest::WriteFileBytes(outside, "someone else's");
  ASSERT_TRUE(MakeHostLink(outside, folder + "big.bin"));
  journal::Journal journal;
  journal.folder = folder;
  journal.files = runfiles::PayloadFileEntries(
      folder, {"Sub\\inner\\deep.txt", "top.txt", "Lone\\alone.txt", "Back\\slash.txt", "big.bin"});
  const std::vector<bool> replaces = {true, true, false, false, false};
  for (std::size_t i = 0; i < replaces.size(); ++i) EXPECT_EQ(journal.files[i].replaces, replaces[i]) << i;
  ASSERT_TRUE(RemoveHostName(folder + "big.bin"));
  ASSERT_TRUE(UnpackStaged(TestArchive("late_dirs.zip"), folder));
  journal.payloadFolders = {"Lone\\", "Back\\"};
  ASSERT_TRUE(runfiles::PutStagedFilesInPlace(folder, journal.files));
  EXPECT_TRUE(runfiles::UndoRunFiles(journal));
  EXPECT_EQ(Snapshot(folder), before);
}

TEST(RunFilesForward, AHeldEarlierFileFailsThePlacingAndUndoStillRestores) {
  const std::string folder = pxtest::MakeTempFolder("rollback\\held");
  const Files before = {{"a.txt", "old a"}, {"b.txt", "old b"}};
  Lay(folder, before);
  Lay(folder, {{"a.txt.pxnew", "new a"}, {"b.txt.pxnew", "new b"}});
  journal::Journal journal;
  journal.folder = folder;
  journal.files = {{"b.txt", true}, {"a.txt", true}};
  HANDLE held = CreateFileA((folder + "a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const StepResult placed = runfiles::PutStagedFilesInPlace(folder, journal.files);
  CloseHandle(held);
  EXPECT_FALSE(placed);
  EXPECT_EQ(placed.subject, folder + "a.txt");
  EXPECT_EQ(pxtest::ReadFileBytes(folder + "b.txt"), "new b") << "the file before it was placed";
  EXPECT_TRUE(runfiles::UndoRunFiles(journal));
  EXPECT_EQ(Snapshot(folder), before);
}

// --- Staged names and what stands there ---------------------------------------

// A folder link in the payload's way, or the unpacking folder itself a
// link: the walk is refused there, and no file lands where it leads.
TEST(RunFilesStaged, NamesBehindAFolderLinkAreRefusedAndNothingLandsElsewhere) {
  struct Case {
    const char* name;
    const char* link;     // below the area; the unpacking folder is the area, or the link itself
    bool intoTheLink;     // the link is the unpacking folder: refused as a whole, not even a folder lands
  };
  const Case cases[] = {
      {"a payload folder a link", "Sub", false},
      {"the unpacking folder a link", "Pixorra", true},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string area = pxtest::MakeTempFolder("rollback\\linked");
    const std::string elsewhere = pxtest::MakeTempFolder("rollback\\elsewhere");
    ASSERT_TRUE(MakeHostLink(elsewhere, area + row.link));
    const std::string folder = row.intoTheLink ? area + row.link + "\\" : area;
    const StepResult unpacked = UnpackStaged(TestArchive("late_dirs.zip"), folder);
    EXPECT_FALSE(unpacked);
    EXPECT_EQ(unpacked.error, static_cast<unsigned long>(ERROR_CANT_RESOLVE_FILENAME));
    for (const std::string& name : pxtest::ListFolder(elsewhere)) {
      EXPECT_TRUE(name.back() == '\\' && !row.intoTheLink) << "landed behind the link: " << name;
    }
    if (row.intoTheLink) {
      EXPECT_EQ(unpacked.subject, folder);
    }
    ASSERT_TRUE(RemoveHostName(area + row.link));
  }
}

TEST(RunFilesStaged, LeftoversOfAnEarlierRunAreReplacedOnlyWhenTheyArePlainFiles) {
  // A plain leftover: the run goes on and writes the new content.
  const std::string folder = pxtest::MakeTempFolder("rollback\\leftover");
  Lay(folder, {{"top.txt.pxnew", "stale"}, {"big.bin.pxold", "stale"}});
  EXPECT_TRUE(UnpackStaged(TestArchive("late_dirs.zip"), folder));
  EXPECT_EQ(pxtest::ReadFileBytes(folder + "top.txt.pxnew"), "top file\r\n");
  Lay(folder, {{"big.bin", "earlier"}});
  ASSERT_TRUE(runfiles::PutStagedFilesInPlace(folder, {{"big.bin", true}}));
  EXPECT_EQ(pxtest::ReadFileBytes(folder + "big.bin.pxold"), "earlier");

  // A link under the staged name: left out, the file it leads to untouched.
  const std::string linked = pxtest::MakeTempFolder("rollback\\leftover_link");
  const std::string outside = pxtest::MakeTempFolder("rollback\\outside") + "victim.txt";
  pxtest::WriteFileBytes(outside, "victim");
  ASSERT_TRUE(MakeHostLink(outside, linked + "top.txt.pxnew"));
  const StepResult unpacked = UnpackStaged(TestArchive("late_dirs.zip"), linked);
  EXPECT_FALSE(unpacked);
  EXPECT_EQ(unpacked.subject, linked + "top.txt.pxnew");
  EXPECT_EQ(pxtest::ReadFileBytes(outside), "victim");
  EXPECT_FALSE(runfiles::UndoRunFiles([&] {
    journal::Journal journal;
    journal.folder = linked;
    journal.files = {{"top.txt", false}};
    return journal;
  }()));
  EXPECT_EQ(pxtest::ReadFileBytes(outside), "victim");
}

// --- The settings file ------------------------------------------------------

TEST(RunFilesSettings, UndoLeavesTheFileAsItWasBeforeTheRun) {
  struct Case {
    const char* name;
    bool existed;
    std::string content;
  };
  const std::vector<Case> cases = {
      {"created by the run", false, ""},
      {"existed", true, "[Toolbar]\r\nSkin=mine\r\n"},
      {"existed empty", true, ""},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string folder = pxtest::MakeTempFolder("rollback\\settings");
    const std::string path = folder + "px_main64.ini";
    if (row.existed) pxtest::WriteFileBytes(path, row.content);
    const Files before = Snapshot(folder);
    journal::Settings settings;
    ASSERT_TRUE(runfiles::CaptureSettings(path, &settings));
    pxtest::WriteFileBytes(path, "[Language]\r\nLang=Deutsch\r\n");
    EXPECT_TRUE(runfiles::UndoSettings(settings));
    EXPECT_EQ(Snapshot(folder), before);
  }
}

TEST(RunFilesSettings, TheFilesToCaptureAreTheOnesTheSettingsAreWrittenTo) {
  SetEnvironmentVariableA("PX_ROLLBACK_CFG", "D:\\cfg");
  struct Case {
    const char* iniFolder;
    std::vector<std::string> files;
  };
  const std::vector<Case> cases = {
      {"", {"C:\\Apps\\Pixorra\\px_main64.ini"}},
      {"relative\\cfg", {"C:\\Apps\\Pixorra\\px_main64.ini"}},
      {"%PX_ROLLBACK_CFG%\\Pixorra ", {"C:\\Apps\\Pixorra\\px_main64.ini", "D:\\cfg\\Pixorra\\px_main64.ini"}},
      {"%PX_ROLLBACK_NOTHING%", {"C:\\Apps\\Pixorra\\px_main64.ini"}},
  };
  for (const Case& row : cases) {
    EXPECT_EQ(ViewerSettingsFiles("C:\\Apps\\Pixorra ", row.iniFolder), row.files) << row.iniFolder;
  }
}

TEST(RunFilesSettings, ALinkedOrLargeFileIsNotTakenBack) {
  const std::string folder = pxtest::MakeTempFolder("rollback\\settings_odd");
  pxtest::WriteFileBytes(folder + "large.ini", std::string(65 * 1024, 'x'));
  journal::Settings settings;
  EXPECT_FALSE(runfiles::CaptureSettings(folder + "large.ini", &settings));
  const std::string outside = pxtest::MakeTempFolder("rollback\\settings_outside") + "win.ini";
  pxtest::WriteFileBytes(outside, "[windows]\r\n");
  ASSERT_TRUE(MakeHostLink(outside, folder + "px_main64.ini"));
  EXPECT_FALSE(runfiles::CaptureSettings(folder + "px_main64.ini", &settings));

  // A link planted after the capture is replaced as a name.
  const std::string plain = folder + "plain.ini";
  pxtest::WriteFileBytes(plain, "before");
  ASSERT_TRUE(runfiles::CaptureSettings(plain, &settings));
  DeleteFileA(plain.c_str());
  ASSERT_TRUE(MakeHostLink(outside, plain));
  EXPECT_TRUE(runfiles::UndoSettings(settings));
  EXPECT_EQ(pxtest::ReadFileBytes(outside), "[windows]\r\n");
  EXPECT_EQ(pxtest::ReadFileBytes(plain), "before");
}

// --- Links --------------------------------------------------------------------

TEST(RunFilesLinks, OnlyTheRunsOwnLinksAndEmptyGroupsGo) {
  const std::string programs = pxtest::SpecialFolder(CSIDL_PROGRAMS);
  const std::string desktop = pxtest::SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  ASSERT_FALSE(programs.empty());
  ASSERT_FALSE(desktop.empty());
  const std::string group = programs + (programs.back() == '\\' ? "" : "\\") + "Pixorra\\";
  const std::string desk = desktop + (desktop.back() == '\\' ? "" : "\\");
  const std::string outside = pxtest::MakeTempFolder("rollback\\links_outside") + "target.lnk";
  pxtest::WriteFileBytes(outside, "someone else's");
  const std::string outsideFolder = pxtest::MakeTempFolder("rollback\\links_outside_folder");

  struct Case {
    const char* name;
    bool earlierLinkInGroup;  // a link the run found there stays, and so does the group
    bool linkedDesktopLink;   // the desktop name leads elsewhere: left, failed
    bool linkedGroup = false;  // the group leads to an empty folder elsewhere: left, failed
  };
  const std::vector<Case> cases = {
      {"only the run's own", false, false},
      {"an earlier link stays", true, false},
      {"a link leading elsewhere", false, true},
      {"the group leading elsewhere", false, false, true},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    pxtest::RemoveFolderTree(group);
    DeleteFileA((desk + "Pixorra 64.lnk").c_str());
    if (row.linkedGroup) {
      ASSERT_TRUE(MakeHostLink(outsideFolder, group.substr(0, group.size() - 1)));
    } else {
      CreateDirectoryA(group.c_str(), nullptr);
      pxtest::WriteFileBytes(group + "Pixorra Hilfe.lnk", "ours");
      // What a run cut off while writing a link leaves beside it.
      pxtest::WriteFileBytes(group + "Pixorra Hilfe.lnk.pxnew", "half a link");
    }
    if (row.earlierLinkInGroup) pxtest::WriteFileBytes(group + "Was ist neu.lnk", "earlier");
    if (row.linkedDesktopLink) {
      ASSERT_TRUE(MakeHostLink(outside, desk + "Pixorra 64.lnk"));
    } else {
      pxtest::WriteFileBytes(desk + "Pixorra 64.lnk", "ours");
    }
    journal::Journal journal;
    journal.createdGroups = {installrecord::LinkPlace::kUserPrograms};
    journal.links = {{installrecord::LinkPlace::kUserPrograms, "Pixorra\\Pixorra Hilfe.lnk", false},
                     {installrecord::LinkPlace::kUserPrograms, "Pixorra\\Was ist neu.lnk", row.earlierLinkInGroup},
                     {installrecord::LinkPlace::kUserDesktop, "Pixorra 64.lnk", false}};

    EXPECT_EQ(static_cast<bool>(UndoLinks(journal)), !row.linkedDesktopLink && !row.linkedGroup);
    EXPECT_FALSE(pxtest::FileExists(group + "Pixorra Hilfe.lnk"));
    EXPECT_FALSE(pxtest::FileExists(group + "Pixorra Hilfe.lnk.pxnew"));
    EXPECT_EQ(pxtest::FolderExists(group), row.earlierLinkInGroup || row.linkedGroup);
    EXPECT_EQ(pxtest::FileExists(desk + "Pixorra 64.lnk"), row.linkedDesktopLink);
    EXPECT_EQ(pxtest::ReadFileBytes(outside), "someone else's");
    EXPECT_TRUE(pxtest::FolderExists(outsideFolder));
    if (row.linkedDesktopLink) {
      ASSERT_TRUE(RemoveHostName(desk + "Pixorra 64.lnk"));
    }
    if (row.linkedGroup) {
      ASSERT_TRUE(RemoveHostName(group.substr(0, group.size() - 1)));
    }
  }
  pxtest::RemoveFolderTree(group);
}

// An earlier link is kept with its bytes before the run changes it, and
// undo puts exactly those bytes back at its name, whether the run replaced
// or deleted it; one whose bytes were not kept, or whose name leads
// elsewhere by then, is left as it is.
TEST(RunFilesLinks, EarlierLinksComeBackByteForByte) {
  const std::string desktop = pxtest::SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  ASSERT_FALSE(desktop.empty());
  const std::string desk = desktop + (desktop.back() == '\\' ? "" : "\\");
  const std::string path = desk + "Pixorra 64.lnk";
  const std::string outside = pxtest::MakeTempFolder("rollback\\earlier_links") + "elsewhere.lnk";
  const std::string earlier("L\0\0\0\x01\x14\x02\0\t\n\r%\xFF earlier", 21);
  const std::string tooLarge(journal::kMostLinkBytes + 1, 'x');

  enum class Before { kBytes, kTooLarge, kHostLink };
  enum class Run { kOverwrites, kDeletes, kLeavesHostLink };
  struct Case {
    const char* name;
    Before before;
    Run run;
    bool kept;            // the capture took the bytes
    bool undone;          // UndoLinks succeeds
    const char* after;    // what the name holds after undo: "earlier", "new", "outside"
    std::size_t room = journal::kMostLinkBytes;  // what the run has left to keep
  };
  const std::vector<Case> cases = {
      {"overwritten by the run", Before::kBytes, Run::kOverwrites, true, true, "earlier"},
      {"deleted by the run", Before::kBytes, Run::kDeletes, true, true, "earlier"},
      {"just as much as the run has room for", Before::kBytes, Run::kOverwrites, true, true, "earlier",
       earlier.size()},
      {"more than the run has room for", Before::kBytes, Run::kOverwrites, false, true, "new", earlier.size() - 1},
      {"too large to keep", Before::kTooLarge, Run::kOverwrites, false, true, "new"},
      {"too large even with more room", Before::kTooLarge, Run::kOverwrites, false, true, "new", tooLarge.size()},
      {"a host link before the run", Before::kHostLink, Run::kLeavesHostLink, false, true, "outside"},
      {"a host link planted after the capture", Before::kBytes, Run::kLeavesHostLink, true, false, "outside"},
  };
  // The host's removal runs on its own: started only for a name that is
  // there, so that it cannot take a file written after it.
  const auto clear = [&] { return !Present(path) || RemoveHostName(path); };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(clear());
    pxtest::WriteFileBytes(outside, "someone else's");
    if (row.before == Before::kHostLink) {
      ASSERT_TRUE(MakeHostLink(outside, path));
    } else {
      pxtest::WriteFileBytes(path, row.before == Before::kBytes ? earlier : tooLarge);
    }
    journal::Journal journal;
    journal::Link link;
    link.place = installrecord::LinkPlace::kUserDesktop;
    link.name = "Pixorra 64.lnk";
    CaptureLink(desk, row.room, &link);
    EXPECT_TRUE(link.existed);
    ASSERT_EQ(link.kept, row.kept);
    if (row.kept) {
      EXPECT_EQ(link.content, earlier);
    }
    journal.links = {link};

    if (row.run == Run::kOverwrites) pxtest::WriteFileBytes(path, "new");
    if (row.run == Run::kDeletes) DeleteFileA(path.c_str());
    if (row.run == Run::kLeavesHostLink && row.before != Before::kHostLink) {
      DeleteFileA(path.c_str());
      ASSERT_TRUE(MakeHostLink(outside, path));
    }

    EXPECT_EQ(static_cast<bool>(UndoLinks(journal)), row.undone);
    const std::string after = row.after;
    EXPECT_EQ(pxtest::ReadFileBytes(path), after == "earlier" ? earlier : after == "new" ? "new" : "someone else's");
    EXPECT_EQ(pxtest::ReadFileBytes(outside), "someone else's");
    EXPECT_FALSE(pxtest::FileExists(path + ".pxnew"));
    if (row.undone) {
      // Undone again: the name keeps the very file the first undo left.
      const FileIdentity once = IdentifyFile(path);
      EXPECT_TRUE(UndoLinks(journal));
      const FileIdentity twice = IdentifyFile(path);
      EXPECT_EQ(once.fileIndex, twice.fileIndex);
      EXPECT_EQ(once.writeTime, twice.writeTime);
    }
  }
  EXPECT_TRUE(clear());
}

}  // namespace
