// The removal steps of the uninstaller. Each takes its targets from the
// product's own names (uninstall_rules.h) and uses the install record only
// where the rules have accepted it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/install_record.h"
#include "core/reporter.h"
#include "core/step_result.h"

// What one removal could not take away. The steps that remove many things
// go on past a failure and answer with this list rather than the first
// failure alone: the user is told of every path left.
struct RemovalReport {
  // Paths of the installation that are still there and why: the run fails,
  // so that the record and the uninstaller stay for a second run.
  std::vector<LeftItem> failed;
  // Files of ours that the user changed since: theirs now, named only.
  std::vector<std::string> changed;
};

// The program folder as the removal sees it: its name (ending in a
// backslash) and where that name really leads, without "\\?\" or a trailing
// backslash. Nothing is deleted whose handle does not lead exactly to
// resolved + "\" + its relative name.
struct ProgramFolder {
  std::string path;
  std::wstring resolved;
};
// Deletes the install record when it is a plain file of the folder (never
// what a link in its place leads to). Fails with the record's path when it
// is still there.
StepResult DeleteRecordFile(const ProgramFolder& program);

// True when folder resolves to itself (no link or junction on the way, no
// other spelling): only then is anything in it touched.
bool ResolveProgramFolder(const std::string& folder, ProgramFolder* program);

// The recorded links whose target still lies in folder, then the group
// folders the installation created, when empty. A link file that is itself
// a link to something else is left and reported.
void RemoveLinks(const installrecord::InstallRecord& record, const std::string& folder, RemovalReport* report);

// The recorded payload files but the uninstaller itself, the settings file,
// the user's files the setup had moved aside put back in their places, then
// the created folders that are empty. A recorded file goes only while its
// size and CRC-32 are those the record stamped: else the user changed it and
// it stays as theirs (report->changed). A name that is a link, a second hard
// link or a reparse point, and a file that cannot be deleted or put back, is
// reported as failed; a folder that still holds other files is the user's
// and stays.
void RemoveProgramFiles(const installrecord::InstallRecord& record, const ProgramFolder& program,
                        RemovalReport* report);

// An earlier installation whose registration moved to another folder, by
// its own record: its links and files as RemoveLinks and RemoveProgramFiles
// take them, its uninstaller only while unchanged, then its record and,
// when it made the folder, the folder if empty. The record stays while
// anything of it could not go, so that its own uninstaller can finish.
void RemoveEarlierInstallation(const installrecord::InstallRecord& record, const ProgramFolder& program,
                               RemovalReport* report);

// Removes what a run killed after it had deleted the record left: the
// folders named (relative, deepest first), each only when exactly where it
// says and empty. The report names those still there.
RemovalReport RemoveLeftoverFolders(const ProgramFolder& program, const std::vector<std::string>& folders);
// Every entry of the program folder, relative, with whether it leads exactly
// where it says; a folder that does not is not descended into.
std::vector<std::pair<std::string, bool>> ListProgramFolder(const ProgramFolder& program, bool* complete);

// True when path or one of its folders below folder is a junction or a
// symbolic link (a file there would not lie inside folder).
bool LeadsThroughReparsePoint(const std::string& folder, const std::string& relativeName);

// Removes folder (ANSI or wide) when it holds nothing and leads exactly to
// expected; nothing through a link. False when it is still there.
bool RemoveFolderExactly(const std::wstring& folder, const std::wstring& expected);

// Entries of folder (relative, sorted, sub-folders ending in "\"), without
// the uninstaller and its record.
std::vector<std::string> RemainingEntries(const std::string& folder);
// The settings folder the settings file points to, expanded ("" when none).
std::string SettingsFolderOf(const std::string& folder);
