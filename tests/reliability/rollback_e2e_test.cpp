// Setup runs that do not end as planned, end to end with the real programs:
// a run killed at each of its steps (also a current user's run), the
// uninstaller killed at its steps, a first installation or an upgrade that
// fails on a fault, and a run that cannot keep its journal. Whatever happened,
// the next ordinary run must leave what an uninterrupted run leaves, the
// uninstaller (started again after its own kill) must leave the machine as
// it was before the installation, and a failed run must leave nothing of its
// own and the earlier installation as it was.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "reliability/fault_support.h"
#include "shell/shell_expectations.h"
#include "support/px_test_support.h"
#include "uninstall/snapshot.h"

using namespace pxtest;
using faulttest::DiskState;
using faulttest::RegistryState;

namespace {

const HKEY LM = HKEY_LOCAL_MACHINE;
const HKEY CU = HKEY_CURRENT_USER;
const std::string kProgramFolder = "C:\\Program Files\\Pixorra\\";
const std::string kFullOptions = "/group=1 /desktop=1 /thumbs=1 /assoc=1";
constexpr char kJournalKey[] = "SOFTWARE\\PixorraSetup";
constexpr char kJournalValue[] = "Journal";
constexpr char kJpgKey[] = "SOFTWARE\\Classes\\.jpg";
constexpr char kOtherJpg[] = "SOFTWARE\\Classes\\Other.jpg";
constexpr char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
constexpr char kLogName[] = "Pixorra_Install.log";
const std::string kTakenBack = "Die Installation wurde zur\xFC" "ckgenommen.";
// The exit code a killed setup gets; the setup itself never ends with it.
constexpr DWORD kKilledCode = 0xDEADu;
// How often a kill that came too late is tried again from a fresh start.
constexpr int kKillAttempts = 4;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool JournalLeft() { return ReadRegValue(LM, kJournalKey, kJournalValue).exists; }

// The payload's file names (folders left out), read once from its archive.
const std::set<std::string>& PayloadFileNames() {
  static const std::set<std::string> names = [] {
    std::set<std::string> files;
    for (const auto& entry : faulttest::PayloadFiles()) {
      if (!entry.first.empty() && entry.first.back() != '\\') files.insert(entry.first);
    }
    return files;
  }();
  return names;
}

// How far the unpacking into the program folder got: files under their own
// payload name and files still under their staged name.
struct Unpacking {
  std::size_t inPlace = 0;
  std::size_t staged = 0;
};

Unpacking LookAtUnpacking() {
  Unpacking seen;
  for (const std::string& name : ListFolder(kProgramFolder)) {
    if (EndsWith(name, ".pxnew")) ++seen.staged;
    else if (PayloadFileNames().count(name) != 0) ++seen.inPlace;
  }
  return seen;
}

// Files a run leaves only while it is under way.
std::vector<std::string> StagedOrReplacedFiles(const std::string& folder) {
  std::vector<std::string> left;
  for (const std::string& name : ListFolder(folder)) {
    if (EndsWith(name, ".pxnew") || EndsWith(name, ".pxold")) left.push_back(name);
  }
  return left;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// A snapshot's entry as a person reads it: registry texts ("type:hex", the
// form both snapshot helpers use) as their characters, line breaks as " | ".
std::string Readable(const std::string& value) {
  const std::size_t colon = value.find(':');
  const std::string type = colon == std::string::npos ? "" : value.substr(0, colon);
  if (type != "1" && type != "2" && type != "3" && type != "7") return value;
  std::string text;
  for (std::size_t i = colon + 1; i + 1 < value.size(); i += 2) {
    const char c = static_cast<char>(std::stoi(value.substr(i, 2), nullptr, 16));
    const bool last = i + 3 >= value.size();
    if (c == '\r' || (c == '\0' && last)) continue;
    if (c == '\n' || c == '\0') text += " | ";
    else if (static_cast<unsigned char>(c) < 0x20) return value;
    else text += c;
  }
  return "\"" + text + "\"";
}

// Each of two long texts cut to the part around where they first differ.
void AroundTheDifference(std::string* left, std::string* right) {
  std::size_t at = 0;
  while (at < left->size() && at < right->size() && (*left)[at] == (*right)[at]) ++at;
  const std::size_t from = at > 60 ? at - 60 : 0;
  for (std::string* text : {left, right}) {
    const std::string part = text->substr(std::min(from, text->size()), 160);
    *text = (from > 0 ? "..." : "") + part + (from + part.size() < text->size() ? "..." : "");
  }
}

// One line per difference between two snapshots: "+ added = value",
// "- removed", "~ changed: before -> now"; "" when they are equal.
std::string Difference(const std::map<std::string, std::string>& before,
                       const std::map<std::string, std::string>& now) {
  std::ostringstream report;
  for (const auto& entry : before) {
    const auto found = now.find(entry.first);
    if (found == now.end()) {
      report << "- " << entry.first << "\n";
    } else if (found->second != entry.second) {
      std::string old = Readable(entry.second), changed = Readable(found->second);
      AroundTheDifference(&old, &changed);
      report << "~ " << entry.first << ": " << old << " -> " << changed << "\n";
    }
  }
  for (const auto& entry : now) {
    if (before.count(entry.first) == 0) {
      std::string added = Readable(entry.second), none;
      AroundTheDifference(&added, &none);
      report << "+ " << entry.first << " = " << added << "\n";
    }
  }
  return report.str();
}

// Registry keys and values, files and links an installation leaves.
struct Installation {
  RegistryState registry;
  DiskState files;  // below the program folder: size and checksum of the bytes
  std::map<std::string, std::string> links;
};

std::map<std::string, std::string> LinksIn(const std::string& folder) {
  std::map<std::string, std::string> links;
  for (const std::string& name : ListFolder(folder, false)) {
    if (!EndsWith(name, ".lnk")) continue;
    const LinkFields link = ReadShellLink(folder + name);
    links[folder + name] = link.target + " | " + link.arguments;
  }
  return links;
}

Installation LookAtInstallation(const std::string& folder = kProgramFolder) {
  Installation now;
  now.registry = faulttest::SnapshotSetupRegistry();
  RegistryState journal;
  faulttest::SnapshotRegistry(LM, kJournalKey, &journal);
  for (const auto& entry : journal) now.registry["HKLM\\" + entry.first] = entry.second;
  now.files = faulttest::SnapshotTree(folder, false);
  for (const std::string& place : {shelltest::GroupFolder(false), shelltest::DesktopFolder(false)}) {
    const auto links = LinksIn(place);
    now.links.insert(links.begin(), links.end());
  }
  return now;
}

// What the installation of `expected` and `now` do not share, by kind; ""
// when they are equal.
std::string InstallationDifference(const Installation& expected, const Installation& now) {
  std::string text;
  const std::string registry = Difference(expected.registry, now.registry);
  const std::string files = Difference(expected.files, now.files);
  const std::string links = Difference(expected.links, now.links);
  if (!registry.empty()) text += "registry:\n" + registry;
  if (!files.empty()) text += "files of the program folder:\n" + files;
  if (!links.empty()) text += "links:\n" + links;
  return text;
}

// The whole machine as the uninstaller must leave it.
struct Machine {
  uninstalltest::Snapshot registry, disk;
};

Machine LookAtMachine() { return Machine{uninstalltest::RegistrySnapshot(), uninstalltest::DiskSnapshot()}; }

std::string MachineDifference(const Machine& before, const Machine& now) {
  std::string text;
  const std::string registry = Difference(before.registry, now.registry);
  const std::string disk = Difference(before.disk, now.disk);
  if (!registry.empty()) text += "registry:\n" + registry;
  if (!disk.empty()) text += "disk:\n" + disk;
  return text;
}

// A key that everybody may read and delete but nobody may write to or
// below, as HKEY_LOCAL_MACHINE is for a standard user; created when missing.
class DeniedKey {
 public:
  explicit DeniedKey(const std::string& key) : key_(key) {
    HKEY handle = nullptr;
    ok_ = RegCreateKeyExA(LM, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &handle,
                          nullptr) == ERROR_SUCCESS;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ok_ = ok_ && ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(D;;0x6;;;WD)(A;;KA;;;WD)",
                                                                     SDDL_REVISION_1, &sd, nullptr);
    ok_ = ok_ && RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    if (sd != nullptr) LocalFree(sd);
    if (handle != nullptr) RegCloseKey(handle);
    // The denial holds before the setup meets it.
    ok_ = ok_ && RegSetValueA(LM, key.c_str(), REG_SZ, "x", 1) == ERROR_ACCESS_DENIED;
  }
  // Writable again; the key itself stays for the test to clean.
  ~DeniedKey() {
    HKEY handle = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (RegOpenKeyExA(LM, key_.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &handle) == ERROR_SUCCESS &&
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr)) {
      RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd);
    }
    if (sd != nullptr) LocalFree(sd);
    if (handle != nullptr) RegCloseKey(handle);
  }
  DeniedKey(const DeniedKey&) = delete;
  DeniedKey& operator=(const DeniedKey&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string key_;
  bool ok_ = false;
};

// Removes the key itself when it is a registry link (not what it leads to),
// or the plain key with everything below it.
void DeleteKeyOrLink(const std::string& key) {
  using NtDeleteKeyFunction = LONG(WINAPI*)(HANDLE);
  const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
  HKEY handle = nullptr;
  if (ntDeleteKey != nullptr &&
      RegOpenKeyExA(LM, key.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) ==
          ERROR_SUCCESS) {
    DWORD type = 0;
    const bool isLink = RegQueryValueExA(handle, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
                            ERROR_SUCCESS && type == REG_LINK;
    if (isLink) ntDeleteKey(handle);
    RegCloseKey(handle);
  }
  DeleteRegTree(LM, key);
}

// Every run of these tests starts from a machine without any installation
// where .jpg belongs to another program, so that data the setup replaces
// must come back too.
class CutShort : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = MakeTempFolder("rollback_work");
    Reset();
    origin_ = uninstalltest::RegistrySnapshot();
  }
  // Back to the test's start: the cleaning above goes by the product's
  // names, and a run also makes keys that earlier tests may or may not have
  // left (the user's FileExts entries, say), which would then be found or
  // created depending on the order the tests ran in.
  void ResetToOrigin() {
    Reset();
    for (const auto& entry : uninstalltest::RegistrySnapshot()) {
      if (origin_.count(entry.first) != 0) continue;
      const bool user = entry.first.compare(0, 5, "HKCU\\") == 0;
      if (!user && entry.first.compare(0, 5, "HKLM\\") != 0) continue;
      const std::string path = entry.first.substr(5);
      const std::size_t value = path.find("\\\\");
      if (value == std::string::npos) {
        DeleteRegTree(user ? CU : LM, path.substr(0, path.size() - 1));
      } else {
        DeleteRegValue(user ? CU : LM, path.substr(0, value), path.substr(value + 2));
      }
    }
  }
  void TearDown() override {
    Clean();
    RemoveFolderTree(work_);
  }
  static void Clean() {
    CloseAllViewers();
    shelltest::CleanRegistry();
    DeleteRegTree(LM, kOtherJpg);
    DeleteKeyOrLink(kJournalKey);
    shelltest::CleanLinks();
    RemoveFolderTree(kProgramFolder);
  }
  static void Reset() {
    Clean();
    WriteRegText(LM, kOtherJpg, "", "Anderes Bild");
    WriteRegText(LM, kJpgKey, "", "Other.jpg");
    WriteRegText(LM, kJpgKey, "Content Type", "image/jpeg");
  }

  RunResult Setup(const std::string& args, const std::string& exe = SetupExePath()) {
    DeleteFileA((work_ + kLogName).c_str());
    return RunProgram(exe, "/silent " + args, work_);
  }
  std::string Log() const { return ReadFileBytes(work_ + kLogName); }

  // The folder's uninstaller, silently, as the uninstall entry runs it; it
  // goes on from a copy of itself, so its end is the program folder's end.
  DWORD Uninstall(const std::string& folder = kProgramFolder) {
    const RunResult run = RunProgram(folder + "pv_uninstall.exe", "/silent", work_);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    if (run.exitCode == 0) WaitFor([&] { return !FolderExists(folder); }, 15000);
    return run.exitCode;
  }

  std::string work_;
  uninstalltest::Snapshot origin_;  // the registry as each run starts from
};

// --- Runs killed at each step -------------------------------------------

struct KillPoint {
  const char* name;
  const char* effect;  // what shows that the run got there
  bool (*reached)();
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << point.name; }

const KillPoint kKillPoints[] = {
    {"AfterTheFolder", "the program folder exists", [] { return FolderExists(kProgramFolder); }},
    {"DuringTheUnpacking", "some payload or staged file exists, not every payload file in place",
     [] {
       const Unpacking seen = LookAtUnpacking();
       return seen.inPlace + seen.staged > 0 && seen.inPlace < PayloadFileNames().size();
     }},
    {"AfterTheUnpacking", "every payload file is in place",
     [] { return LookAtUnpacking().inPlace == PayloadFileNames().size(); }},
    {"DuringTheLinks", "a link of the Start-menu group exists",
     [] { return !LinksIn(shelltest::GroupFolder(false)).empty(); }},
    {"DuringTheRegistration", "the product's class key exists or .jpg is ours",
     [] {
       return RegKeyExists(LM, "SOFTWARE\\Classes\\Pixorra") ||
              ReadRegValue(LM, kJpgKey, "").text == "Pixorra.jpg";
     }},
    {"BeforeTheRecordIsFinished", "the record or its copy exists while the journal is still there",
     [] {
       const bool record = FileExists(kProgramFolder + "pv_uninstall.dat") ||
                           FileExists(kProgramFolder + "pv_uninstall.dat.new") ||
                           ReadRegValue(LM, shelltest::kUninstallKey, "InstallRecord").exists;
       return record && JournalLeft();
     }},
};

class KilledRun : public CutShort, public ::testing::WithParamInterface<KillPoint> {
 protected:
  // What an uninterrupted run with the same options leaves, from the same
  // start; the machine is reset afterwards.
  Installation Uninterrupted() {
    ResetToOrigin();
    const RunResult run = Setup(kFullOptions);
    EXPECT_EQ(0u, run.exitCode) << "the uninterrupted run failed: " << Log();
    const Installation installed = LookAtInstallation();
    ResetToOrigin();
    return installed;
  }

  // Starts the setup, kills it once the point's effect shows, and tells
  // whether the kill caught the run before its end (the journal still
  // there). A run that ended first is tried again from a fresh start, at
  // most kKillAttempts times; `beforeRun` is called after each reset.
  // `tries` says what each attempt that did not count saw.
  bool KillAt(const KillPoint& point, const std::function<void()>& beforeRun, std::string* tries) {
    for (int attempt = 1; attempt <= kKillAttempts; ++attempt) {
      ResetToOrigin();
      if (beforeRun) beforeRun();
      StartedProgram setup = StartProgram(SetupExePath(), "/silent " + kFullOptions, work_);
      if (!setup.started()) {
        *tries += "attempt " + std::to_string(attempt) + ": the setup did not start\n";
        continue;
      }
      bool reached = false;
      const DWORD start = GetTickCount();
      while (GetTickCount() - start < 60000) {
        if (point.reached()) {
          reached = true;
          break;
        }
        if (WaitForSingleObject(setup.process(), 0) == WAIT_OBJECT_0) break;
        Sleep(1);
      }
      if (reached) TerminateProcess(setup.process(), kKilledCode);
      DWORD code = pxtest::kNoExitCode;
      setup.Wait(20000, &code);
      const bool journal = JournalLeft();
      if (reached && code == kKilledCode && journal) return true;
      std::ostringstream seen;
      seen << "attempt " << attempt << ": ";
      if (!reached) seen << "the run ended (exit code " << code << ") before " << point.effect;
      else if (code != kKilledCode) seen << "the run ended (exit code " << code << ") before the kill";
      else seen << "killed once " << point.effect << ", but no journal was left";
      *tries += seen.str() + "\n";
    }
    return false;
  }
};

TEST_P(KilledRun, TheNextRunEndsAsAnUninterruptedOne) {
  const KillPoint& point = GetParam();
  const Installation expected = Uninterrupted();
  ASSERT_FALSE(expected.files.empty());
  std::string tries;
  ASSERT_TRUE(KillAt(point, nullptr, &tries)) << point.name << ": the kill never caught the run:\n" << tries;
  if (!tries.empty()) std::cout << point.name << ": tried again after a run that ended first:\n" << tries;

  const RunResult retry = Setup(kFullOptions);
  EXPECT_EQ(0u, retry.exitCode) << point.name << ": the run after the kill failed: " << Log();
  EXPECT_EQ("", InstallationDifference(expected, LookAtInstallation()))
      << point.name << " (killed once " << point.effect
      << "): after the next run, what differs from an uninterrupted run's installation";
  EXPECT_EQ("", Lines(StagedOrReplacedFiles(kProgramFolder))) << point.name;
}

TEST_P(KilledRun, TheUninstallerLeavesTheMachineAsBefore) {
  const KillPoint& point = GetParam();
  Machine before;
  std::string tries;
  ASSERT_TRUE(KillAt(point, [&] { before = LookAtMachine(); }, &tries))
      << point.name << ": the kill never caught the run:\n" << tries;
  if (!tries.empty()) std::cout << point.name << ": tried again after a run that ended first:\n" << tries;

  // Nothing to uninstall with before the uninstaller is unpacked: the user
  // then runs the setup again first.
  const bool unpacked = FileExists(kProgramFolder + "pv_uninstall.exe");
  if (!unpacked) {
    const RunResult retry = Setup(kFullOptions);
    EXPECT_EQ(0u, retry.exitCode) << point.name << ": the run after the kill failed: " << Log();
  }
  const DWORD code = Uninstall();
  EXPECT_EQ("", MachineDifference(before, LookAtMachine()))
      << point.name << " (killed once " << point.effect << "), then "
      << (unpacked ? "the uninstaller" : "the setup and the uninstaller") << " (exit code " << code
      << "): what differs from the machine before the installation";
  EXPECT_EQ("Other.jpg", ReadRegValue(LM, kJpgKey, "").text) << point.name;
}

INSTANTIATE_TEST_SUITE_P(Points, KilledRun, ::testing::ValuesIn(kKillPoints),
                         [](const ::testing::TestParamInfo<KillPoint>& info) { return std::string(info.param.name); });

// --- The uninstaller killed at each step --------------------------------

// Stops `program` once `reached` says so (tried every millisecond for up to
// a minute); true when it was still running then, so that the kill caught it.
bool KillWhen(const StartedProgram& program, const std::function<bool()>& reached, DWORD* code) {
  bool caught = false;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) {
    if (reached()) {
      caught = true;
      break;
    }
    if (WaitForSingleObject(program.process(), 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  if (caught) TerminateProcess(program.process(), kKilledCode);
  *code = pxtest::kNoExitCode;
  WaitForSingleObject(program.process(), 20000);
  GetExitCodeProcess(program.process(), code);
  return caught && *code == kKilledCode;
}

// Processes of a job: all there have been, and those still running.
struct JobProcesses {
  DWORD total = 0;
  DWORD active = 0;
};

JobProcesses CountJobProcesses(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
  if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr)) return {};
  return JobProcesses{info.TotalProcesses, info.ActiveProcesses};
}

// What becomes of the uninstaller's copy in TEMP at a kill point.
enum class Copy {
  kNotYet,    // the point comes before the copy is started
  kLivesOn,   // only the uninstaller itself is killed: its copy goes on
  kKilledToo, // both die, as when the machine goes off
};

struct UninstallKillPoint {
  const char* name;
  const char* effect;
  bool (*reached)();
  Copy copy;
};

void PrintTo(const UninstallKillPoint& point, std::ostream* out) { *out << point.name; }

bool EveryPayloadFileLeft() { return LookAtUnpacking().inPlace == PayloadFileNames().size(); }

const UninstallKillPoint kUninstallKillPoints[] = {
    {"AfterTheRegistration", "the product's class key is gone, .jpg is Other's again, every payload file is there",
     [] {
       return !RegKeyExists(LM, "SOFTWARE\\Classes\\Pixorra") && ReadRegValue(LM, kJpgKey, "").text == "Other.jpg" &&
              EveryPayloadFileLeft();
     },
     Copy::kNotYet},
    {"DuringTheFiles", "some payload files besides the uninstaller are gone, others are there",
     [] {
       const std::size_t left = LookAtUnpacking().inPlace;
       return left > 1 && left < PayloadFileNames().size();
     },
     Copy::kNotYet},
    {"AfterTheRecord", "the record is gone, the folder is there",
     [] { return !FileExists(kProgramFolder + "pv_uninstall.dat") && FolderExists(kProgramFolder); }, Copy::kLivesOn},
    {"AfterTheRecordWithItsCopy", "the record is gone, the folder is there",
     [] { return !FileExists(kProgramFolder + "pv_uninstall.dat") && FolderExists(kProgramFolder); },
     Copy::kKilledToo},
};

// A kill of the uninstaller that came too late is tried more often than one
// of the setup: its steps after the registration are short.
constexpr int kUninstallKillAttempts = 8;

class KilledUninstall : public CutShort, public ::testing::WithParamInterface<UninstallKillPoint> {
 protected:
  // Installs from a fresh start (`before` is that start), starts the
  // uninstaller and kills it once the point's effect shows; true when the
  // kill caught it. A run that ended first is tried again from a fresh start.
  bool KillAt(const UninstallKillPoint& point, Machine* before, std::string* tries) {
    for (int attempt = 1; attempt <= kUninstallKillAttempts; ++attempt) {
      Reset();
      *before = LookAtMachine();
      const std::string prefix = "attempt " + std::to_string(attempt) + ": ";
      if (Setup(kFullOptions).exitCode != 0) {
        *tries += prefix + "the installation failed: " + Log() + "\n";
        continue;
      }
      StartedProgram uninstaller = StartProgram(kProgramFolder + "pv_uninstall.exe", "/silent", work_);
      if (!uninstaller.started()) {
        *tries += prefix + "the uninstaller did not start\n";
        continue;
      }
      // The uninstaller's copy in TEMP is started into the same job: the
      // job's second process. It waits for the uninstaller's end.
      HANDLE job = CreateJobObjectA(nullptr, nullptr);
      if (job == nullptr || !AssignProcessToJobObject(job, uninstaller.process())) {
        if (job != nullptr) CloseHandle(job);
        *tries += prefix + "no job for the uninstaller\n";
        continue;
      }
      bool copyFound = false;
      const auto reached = [&] {
        if (!point.reached()) return false;
        if (point.copy == Copy::kNotYet) return true;
        copyFound = CountJobProcesses(job).total >= 2;
        if (copyFound && point.copy == Copy::kKilledToo) TerminateJobObject(job, kKilledCode);
        return copyFound;
      };
      DWORD code = pxtest::kNoExitCode;
      const bool caught = KillWhen(uninstaller, reached, &code);
      // The copy that lives on (also the one of a run that ended first)
      // finishes before anyone looks.
      WaitFor([&] { return CountJobProcesses(job).active == 0; }, 30000);
      CloseHandle(job);
      if (caught) return true;
      *tries += prefix + "the uninstaller ended (exit code " + std::to_string(code) + ") " +
                (point.copy != Copy::kNotYet && !copyFound ? "before its copy in TEMP was seen\n" : "first\n");
    }
    return false;
  }
};

TEST_P(KilledUninstall, TheNextUninstallLeavesTheMachineAsBefore) {
  const UninstallKillPoint& point = GetParam();
  Machine before;
  std::string tries;
  ASSERT_TRUE(KillAt(point, &before, &tries)) << point.name << ": the kill never caught the uninstaller:\n" << tries;
  if (!tries.empty()) std::cout << point.name << ": tried again after a run that ended first:\n" << tries;

  // The user starts the folder's uninstaller again, if there is one left:
  // only a copy in TEMP that lived on can have removed it.
  const bool again = FileExists(kProgramFolder + "pv_uninstall.exe");
  EXPECT_EQ(point.copy != Copy::kLivesOn, again) << point.name << ": the uninstaller after the kill";
  const DWORD code = again ? Uninstall() : 0u;
  EXPECT_EQ(0u, code) << point.name << ": the second uninstaller run failed: "
                      << ReadFileBytes(work_ + "Pixorra_Uninstall.log");
  EXPECT_EQ("", MachineDifference(before, LookAtMachine()))
      << point.name << " (killed once " << point.effect << "), then "
      << (again ? "the uninstaller again" : "nothing left to run")
      << ": what differs from the machine before the installation";
  EXPECT_EQ("Other.jpg", ReadRegValue(LM, kJpgKey, "").text) << point.name;
  EXPECT_FALSE(FolderExists(kProgramFolder)) << point.name;
}

INSTANTIATE_TEST_SUITE_P(Points, KilledUninstall, ::testing::ValuesIn(kUninstallKillPoints),
                         [](const ::testing::TestParamInfo<UninstallKillPoint>& info) {
                           return std::string(info.param.name);
                         });

// --- The current user's run killed ----------------------------------------

const std::string kUserOptions = "/scope=user " + kFullOptions;

std::string UserProgramFolder() { return SpecialFolder(CSIDL_LOCAL_APPDATA) + "Programs\\Pixorra\\"; }

bool UserJournalLeft() { return ReadRegValue(CU, kJournalKey, kJournalValue).exists; }

const KillPoint kUserKillPoints[] = {
    {"DuringTheRegistration", "the user's class key of the product exists or the user's .jpg is ours",
     [] {
       return RegKeyExists(CU, "Software\\Classes\\Pixorra") ||
              ReadRegValue(CU, "Software\\Classes\\.jpg", "").text == "Pixorra.jpg";
     }},
    {"BeforeTheRecordIsFinished", "the record or its copy exists while the user's journal is still there",
     [] {
       const std::string folder = UserProgramFolder();
       const bool record = FileExists(folder + "pv_uninstall.dat") || FileExists(folder + "pv_uninstall.dat.new") ||
                           ReadRegValue(CU, shelltest::kUninstallKey, "InstallRecord").exists;
       return record && UserJournalLeft();
     }},
};

// The whole machine and the bytes of the user's program folder.
struct UserInstallation {
  Machine machine;
  DiskState files;
};

class KilledUserRun : public CutShort, public ::testing::WithParamInterface<KillPoint> {
 protected:
  void SetUp() override {
    CutShort::SetUp();
    // Windows has the user's folder for programs of their own; a new Wine
    // prefix does not, and the setup leaves it once it made it.
    CreateDirectoryA((SpecialFolder(CSIDL_LOCAL_APPDATA) + "Programs").c_str(), nullptr);
    RemoveFolderTree(UserProgramFolder());
    start_ = LookAtUserInstallation();
  }
  void TearDown() override {
    CleanUser(start_.machine);
    CutShort::TearDown();
  }
  // What a current user's installation may have written: its folder, its
  // links, and every key and value of the user's registry that `start`
  // does not have.
  static void CleanUser(const Machine& start) {
    for (const auto& entry : uninstalltest::RegistrySnapshot()) {
      if (entry.first.compare(0, 5, "HKCU\\") != 0 || start.registry.count(entry.first) != 0) continue;
      const std::string path = entry.first.substr(5);
      const std::size_t value = path.find("\\\\");
      if (value == std::string::npos) DeleteRegTree(CU, path.substr(0, path.size() - 1));
      else DeleteRegValue(CU, path.substr(0, value), path.substr(value + 2));
    }
    shelltest::CleanLinks();
    RemoveFolderTree(UserProgramFolder());
  }

  UserInstallation LookAtUserInstallation() {
    return UserInstallation{LookAtMachine(), faulttest::SnapshotTree(UserProgramFolder(), false)};
  }

  std::string UserDifference(const UserInstallation& expected, const UserInstallation& now) {
    std::string text = MachineDifference(expected.machine, now.machine);
    const std::string files = Difference(expected.files, now.files);
    if (!files.empty()) text += "bytes of the user's program folder:\n" + files;
    return text;
  }

  UserInstallation start_;  // the machine before any of the test's runs
};

TEST_P(KilledUserRun, TheNextRunEndsAsAnUninterruptedOne) {
  const KillPoint& point = GetParam();
  ASSERT_EQ(0u, Setup(kUserOptions).exitCode) << "the uninterrupted run failed: " << Log();
  const UserInstallation expected = LookAtUserInstallation();
  ASSERT_FALSE(expected.files.empty());

  std::string tries;
  bool caught = false;
  for (int attempt = 1; attempt <= kKillAttempts && !caught; ++attempt) {
    Reset();
    CleanUser(start_.machine);
    // Every attempt starts where the uninterrupted run started.
    ASSERT_EQ("", UserDifference(start_, LookAtUserInstallation())) << "what the cleaning left";
    StartedProgram setup = StartProgram(SetupExePath(), "/silent " + kUserOptions, work_);
    ASSERT_TRUE(setup.started());
    DWORD code = pxtest::kNoExitCode;
    caught = KillWhen(setup, point.reached, &code) && UserJournalLeft();
    if (!caught) {
      tries += "attempt " + std::to_string(attempt) + ": exit code " + std::to_string(code) +
               (UserJournalLeft() ? "" : ", no journal left") + "\n";
    }
  }
  ASSERT_TRUE(caught) << point.name << ": the kill never caught the run:\n" << tries;
  if (!tries.empty()) std::cout << point.name << ": tried again after a run that ended first:\n" << tries;
  EXPECT_FALSE(JournalLeft()) << point.name << ": a current user's run keeps no journal for the machine";

  const RunResult retry = Setup(kUserOptions);
  EXPECT_EQ(0u, retry.exitCode) << point.name << ": the run after the kill failed: " << Log();
  EXPECT_EQ("", UserDifference(expected, LookAtUserInstallation()))
      << point.name << " (killed once " << point.effect
      << "): after the next run, what differs from an uninterrupted current user's run";
  EXPECT_EQ("", Lines(StagedOrReplacedFiles(UserProgramFolder()))) << point.name;
}

INSTANTIATE_TEST_SUITE_P(Points, KilledUserRun, ::testing::ValuesIn(kUserKillPoints),
                         [](const ::testing::TestParamInfo<KillPoint>& info) { return std::string(info.param.name); });

// --- Faults -------------------------------------------------------------

enum class Fault {
  kNone,
  kFullDrive,         // the target's drive has no room for the payload
  kHeldFile,          // a file at a payload name is open without sharing
  kDamagedEntry,      // the viewer's packed data fails its checksum
  kCutArchive,        // the archive ends halfway
  kNoPayload,         // the setup carries no payload
  kNoTemporaryFolder, // TEMP names a folder that does not exist
  kOpenCommandDenied, // the open command's key may not be written
  kEntryDenied,       // the uninstall entry's key may not be written
};

struct FaultCase {
  const char* name;
  Fault fault;
  const char* variant;  // the broken-payload build of the setup, "" = the real one
  // An upgrade's target folder, "" = the earlier installation's own: in
  // another folder every new link would lead somewhere else.
  const char* upgradeFolder = "";
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

// Fills drive R: (a small tmpfs, see host_faults.sh) until `leave` bytes are free.
std::string FillDrive(ULONGLONG leave) {
  const std::string filler = "R:\\filler.bin";
  HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  const std::string chunk(65536, 'f');
  for (;;) {
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExA("R:\\", &free, nullptr, nullptr) || free.QuadPart <= leave + chunk.size()) break;
    DWORD written = 0;
    if (!WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) || written == 0) break;
  }
  CloseHandle(file);
  return filler;
}

// A fault in place for as long as it lives, made before the run's "before"
// snapshots: what it creates belongs to the state the run must leave.
class FaultInPlace {
 public:
  FaultInPlace(Fault fault, const std::string& folder) {
    switch (fault) {
      case Fault::kFullDrive: {
        std::string reason;
        if (!faulttest::HostFaultsReady(&reason)) {
          skip_ = reason;
          return;
        }
        RemoveFolderTree(folder);
        filler_ = FillDrive(256 * 1024);
        ok_ = !filler_.empty();
        break;
      }
      case Fault::kHeldFile:
        // A user's files at payload names: one the setup can set aside, and
        // one that is open for reading, which no one may move or change.
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFileBytes(folder + "px_about.txt", "my own about");
        WriteFileBytes(folder + "px_main64.exe", "my own program");
        held_ = CreateFileA((folder + "px_main64.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
        ok_ = held_ != INVALID_HANDLE_VALUE;
        break;
      case Fault::kOpenCommandDenied:
        denied_ = std::make_unique<DeniedKey>(kOpenCommandKey);
        ok_ = denied_->ok();
        break;
      case Fault::kEntryDenied:
        denied_ = std::make_unique<DeniedKey>(shelltest::kUninstallKey);
        ok_ = denied_->ok();
        break;
      default:
        break;
    }
  }
  ~FaultInPlace() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    if (!filler_.empty()) DeleteFileA(filler_.c_str());
  }
  FaultInPlace(const FaultInPlace&) = delete;
  FaultInPlace& operator=(const FaultInPlace&) = delete;

  bool ok() const { return ok_; }
  const std::string& skip() const { return skip_; }

  // The setup started with the fault's environment; only the run gets it,
  // so that the snapshots around it look at the same folders.
  static RunResult Run(Fault fault, const std::string& exe, const std::string& args, const std::string& workDir) {
    std::unique_ptr<faulttest::ScopedEnv> temp, tmp;
    if (fault == Fault::kNoTemporaryFolder) {
      temp = std::make_unique<faulttest::ScopedEnv>("TEMP", "C:\\pxtest\\rollback_no_temp");
      tmp = std::make_unique<faulttest::ScopedEnv>("TMP", "C:\\pxtest\\rollback_no_temp");
    }
    return RunProgram(exe, "/silent " + args, workDir);
  }

 private:
  bool ok_ = true;
  std::string skip_;
  std::string filler_;
  HANDLE held_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<DeniedKey> denied_;
};

std::string SetupFor(const FaultCase& c) {
  return c.variant[0] == '\0' ? SetupExePath() : faulttest::VariantSetupPath(c.variant);
}

class FailedFirstInstallation : public CutShort, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void TearDown() override {
    RemoveFolderTree("R:\\Pixorra\\");
    CutShort::TearDown();
  }
};

TEST_P(FailedFirstInstallation, LeavesNothing) {
  const FaultCase& c = GetParam();
  const std::string folder = c.fault == Fault::kFullDrive ? "R:\\Pixorra\\" : kProgramFolder;
  const std::string folderOption = c.fault == Fault::kFullDrive ? "/folder=R:\\Pixorra " : "";
  Machine before;
  DiskState target;
  bool targetExisted = false;
  {
    FaultInPlace fault(c.fault, folder);
    if (!fault.skip().empty()) GTEST_SKIP() << fault.skip();
    ASSERT_TRUE(fault.ok()) << c.name << ": the fault could not be made";
    before = LookAtMachine();
    targetExisted = FolderExists(folder);
    target = faulttest::SnapshotTree(folder, false);

    DeleteFileA((work_ + kLogName).c_str());
    const RunResult run = fault.Run(c.fault, SetupFor(c), folderOption + kFullOptions, work_);
    EXPECT_EQ(1603u, run.exitCode) << c.name << ": " << Log();
    EXPECT_NE(std::string::npos, Log().find(kTakenBack)) << c.name << ": the log does not say so: " << Log();
    EXPECT_FALSE(JournalLeft()) << c.name;
  }
  // The fault is gone (nothing held, nothing denied) before looking.
  EXPECT_EQ("", MachineDifference(before, LookAtMachine())) << c.name << ": what the failed run left";
  EXPECT_EQ(targetExisted, FolderExists(folder)) << c.name << ": " << folder;
  EXPECT_EQ("", Difference(target, faulttest::SnapshotTree(folder, false)))
      << c.name << ": what the failed run left in " << folder;
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedFirstInstallation,
                         ::testing::Values(FaultCase{"FullDrive", Fault::kFullDrive, ""},
                                           FaultCase{"HeldFile", Fault::kHeldFile, ""},
                                           FaultCase{"DamagedEntry", Fault::kDamagedEntry, "damaged"},
                                           FaultCase{"CutArchive", Fault::kCutArchive, "truncated"},
                                           FaultCase{"NoPayload", Fault::kNoPayload, "missing"},
                                           FaultCase{"NoTemporaryFolder", Fault::kNoTemporaryFolder, ""},
                                           FaultCase{"OpenCommandDenied", Fault::kOpenCommandDenied, ""},
                                           FaultCase{"UninstallEntryDenied", Fault::kEntryDenied, ""}),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// --- Failed upgrades ----------------------------------------------------

// Each link file of the group and the desktop with its bytes in hex.
std::map<std::string, std::string> LinkFileBytes() {
  static const char kHex[] = "0123456789ABCDEF";
  std::map<std::string, std::string> files;
  for (const std::string& place : {shelltest::GroupFolder(false), shelltest::DesktopFolder(false)}) {
    for (const std::string& name : ListFolder(place, false)) {
      if (!EndsWith(name, ".lnk")) continue;
      std::string hex;
      for (unsigned char c : ReadFileBytes(place + name)) {
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
      }
      files[place + name] = hex;
    }
  }
  return files;
}

class FailedUpgrade : public CutShort, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void TearDown() override {
    if (GetParam().upgradeFolder[0] != '\0') RemoveFolderTree(GetParam().upgradeFolder);
    CutShort::TearDown();
  }
  // The main link of the version before, as that version left it in the
  // group: the run replaces it by its own.
  static void PlantEarlierMainLink() {
    const std::string group = shelltest::GroupFolder(false);
    WriteFileBytes(group + "Pixorra 64 4.41.lnk", ReadFileBytes(group + shelltest::kGroupLinks[0].name));
  }
  // An installation that differs from what the setup carries now in every
  // payload file and in its uninstall entry, as an earlier version would.
  void InstallEarlierVersion() {
    ASSERT_EQ(0u, Setup(kFullOptions).exitCode) << Log();
    for (const std::string& name : PayloadFileNames()) {
      const std::string path = kProgramFolder + name;
      WriteFileBytes(path, ReadFileBytes(path) + "\r\n(4.41)");
    }
    WriteRegText(LM, shelltest::kUninstallKey, "DisplayVersion", "4.41");
  }
};

TEST_P(FailedUpgrade, KeepsTheEarlierVersion) {
  const FaultCase& c = GetParam();
  InstallEarlierVersion();
  if (HasFatalFailure()) return;
  PlantEarlierMainLink();
  FaultInPlace fault(c.fault, kProgramFolder);
  ASSERT_TRUE(fault.ok()) << c.name << ": the fault could not be made";
  const Installation earlier = LookAtInstallation();
  const std::map<std::string, std::string> earlierLinks = LinkFileBytes();
  ASSERT_EQ(1u, earlierLinks.count(shelltest::GroupFolder(false) + "Pixorra 64 4.41.lnk"));

  const std::string folderOption =
      c.upgradeFolder[0] != '\0' ? "/folder=\"" + std::string(c.upgradeFolder) + "\" " : std::string();
  const RunResult run = Setup(folderOption + kFullOptions, SetupFor(c));
  EXPECT_EQ(1603u, run.exitCode) << c.name << ": " << Log();
  EXPECT_EQ("", InstallationDifference(earlier, LookAtInstallation()))
      << c.name << ": what the failed upgrade changed in the earlier installation";
  EXPECT_EQ("", Difference(earlierLinks, LinkFileBytes())) << c.name << ": the earlier link files";
  if (c.upgradeFolder[0] != '\0') {
    EXPECT_FALSE(FolderExists(c.upgradeFolder)) << c.name;
  }
  EXPECT_EQ("", Lines(StagedOrReplacedFiles(kProgramFolder))) << c.name;
  EXPECT_NE(std::string::npos, Log().find(kTakenBack)) << c.name << ": the log does not say so: " << Log();
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedUpgrade,
                         ::testing::Values(FaultCase{"DamagedEntry", Fault::kDamagedEntry, "damaged"},
                                           FaultCase{"OpenCommandDenied", Fault::kOpenCommandDenied, ""},
                                           FaultCase{"UninstallEntryDenied", Fault::kEntryDenied, ""},
                                           FaultCase{"OpenCommandDeniedInAnotherFolder", Fault::kOpenCommandDenied,
                                                     "", "C:\\Program Files\\Pixorra Neu\\"}),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// --- A journal that cannot be written ------------------------------------

// The journal's key made a registry link to target (made when missing).
// Returns "" when done, else why not.
std::string LinkJournalKeyTo(const std::string& target) {
  HKEY targetKey = nullptr;
  if (RegCreateKeyExA(LM, target.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &targetKey,
                      nullptr) != ERROR_SUCCESS) {
    return "the link's target key cannot be made";
  }
  RegCloseKey(targetKey);
  HKEY link = nullptr;
  LONG made = RegCreateKeyExA(LM, kJournalKey, 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK | KEY_WOW64_64KEY, nullptr, &link, nullptr);
  if (made != ERROR_SUCCESS) return "RegCreateKeyEx with REG_OPTION_CREATE_LINK: " + std::to_string(made);
  const std::wstring path = L"\\Registry\\Machine\\Software\\PixorraSetupTarget";
  made = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(path.c_str()),
                        static_cast<DWORD>(path.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  if (made != ERROR_SUCCESS) return "SymbolicLinkValue: " + std::to_string(made);
  // A value written under the link's name must land in the target.
  WriteRegText(LM, kJournalKey, "probe", "through the link");
  const bool followed = ReadRegValue(LM, target, "probe").text == "through the link";
  DeleteRegValue(LM, target, "probe");
  return followed ? "" : "this Wine does not follow a registry link";
}

struct JournalBlock {
  const char* name;
  bool link;  // the key is a link to another key; else the key itself is denied
  bool targetDenied = true;  // that other key is denied too
};

void PrintTo(const JournalBlock& block, std::ostream* out) { *out << block.name; }

class UnwritableJournal : public CutShort, public ::testing::WithParamInterface<JournalBlock> {
 protected:
  void TearDown() override {
    DeleteKeyOrLink(kJournalKey);
    DeleteRegTree(LM, "SOFTWARE\\PixorraSetupTarget");
    CutShort::TearDown();
  }
};

TEST_P(UnwritableJournal, ChangesNothing) {
  const JournalBlock& block = GetParam();
  std::unique_ptr<DeniedKey> denied;
  if (block.link) {
    const std::string linked = LinkJournalKeyTo("SOFTWARE\\PixorraSetupTarget");
    ASSERT_EQ("", linked);
    if (block.targetDenied) denied = std::make_unique<DeniedKey>("SOFTWARE\\PixorraSetupTarget");
  } else {
    denied = std::make_unique<DeniedKey>(kJournalKey);
  }
  if (denied != nullptr) {
    ASSERT_TRUE(denied->ok()) << block.name << ": the key cannot be denied";
    ASSERT_NE(ERROR_SUCCESS, RegSetValueA(LM, kJournalKey, REG_SZ, "x", 1))
        << block.name << ": the journal's key takes a value";
  }
  const Machine before = LookAtMachine();

  const RunResult run = Setup(kFullOptions);
  EXPECT_EQ(1603u, run.exitCode) << block.name << ": " << Log();
  EXPECT_EQ("", MachineDifference(before, LookAtMachine())) << block.name << ": what the run changed";
  EXPECT_FALSE(FolderExists(kProgramFolder)) << block.name;
  EXPECT_NE(std::string::npos, Log().find("PixorraSetup")) << block.name << ": the log does not name the journal's key: "
                                                           << Log();
}

INSTANTIATE_TEST_SUITE_P(Blocks, UnwritableJournal,
                         ::testing::Values(JournalBlock{"KeyIsALinkToADeniedKey", true},
                                           JournalBlock{"KeyIsALinkToAWritableKey", true, false},
                                           JournalBlock{"KeyIsDenied", false}),
                         [](const ::testing::TestParamInfo<JournalBlock>& info) { return std::string(info.param.name); });

// --- An undo that cannot put everything back ----------------------------

constexpr char kUndoIncomplete[] = "Die Installation konnte nicht vollst\xE4ndig r\xFC" "ckg\xE4ngig gemacht werden";
constexpr char kRecoveryIncomplete[] =
    "Eine unterbrochene Installation konnte nicht vollst\xE4ndig r\xFC" "ckg\xE4ngig gemacht werden";
constexpr char kUninstallUndoIncomplete[] =
    "Eine unterbrochene Installation in diesem Ordner konnte nicht vollst\xE4ndig r\xFC" "ckg\xE4ngig gemacht werden";
constexpr char kRecovered[] = "Eine unterbrochene Installation wurde zur\xFC" "ckgenommen.";
const std::string kHeldName = kProgramFolder + "px_main64.exe";

std::string JournalText() {
  const RegValue journal = ReadRegValue(LM, kJournalKey, kJournalValue);
  return std::string(journal.raw.begin(), journal.raw.end());
}

// Who takes up a journal whose undo was incomplete.
struct Successor {
  const char* name;
  bool uninstaller;
  const char* incomplete;  // its line while the undo still fails
};

void PrintTo(const Successor& s, std::ostream* out) { *out << s.name; }

class IncompleteUndo : public CutShort, public ::testing::WithParamInterface<Successor> {
 protected:
  std::string SuccessorLog() const {
    return GetParam().uninstaller ? ReadFileBytes(work_ + "Pixorra_Uninstall.log") : Log();
  }
  DWORD RunSuccessor() {
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    if (!GetParam().uninstaller) return Setup(kFullOptions).exitCode;
    return RunProgram(kProgramFolder + "pv_uninstall.exe", "/silent", work_).exitCode;
  }

  // A run over an installation that fails at its open command while the new program file it
  // put in place is held open (as a viewer started at once would hold it):
  // its undo cannot delete that file. Tried again from a fresh start when
  // the hold came too late. True when the run failed with the file held.
  bool FailWhileHeld(HANDLE* held, std::unique_ptr<DeniedKey>* denied, std::string* tries) {
    for (int attempt = 1; attempt <= kKillAttempts; ++attempt) {
      ResetToOrigin();
      if (Setup(kFullOptions).exitCode != 0u) return false;
      *denied = std::make_unique<DeniedKey>(kOpenCommandKey);
      if (!(*denied)->ok()) return false;
      DeleteFileA((work_ + kLogName).c_str());
      StartedProgram setup = StartProgram(SetupExePath(), "/silent " + kFullOptions, work_);
      *held = INVALID_HANDLE_VALUE;
      const DWORD start = GetTickCount();
      // The earlier file has its replaced name once the new one is on the
      // way to its place.
      while (setup.started() && *held == INVALID_HANDLE_VALUE && GetTickCount() - start < 60000) {
        if (FileExists(kHeldName + ".pxold")) {
          *held = CreateFileA(kHeldName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        if (WaitForSingleObject(setup.process(), 0) == WAIT_OBJECT_0) break;
        Sleep(1);
      }
      DWORD code = pxtest::kNoExitCode;
      setup.Wait(60000, &code);
      if (*held != INVALID_HANDLE_VALUE && code == 1603u) return true;
      if (*held != INVALID_HANDLE_VALUE) CloseHandle(*held);
      *held = INVALID_HANDLE_VALUE;
      denied->reset();
      *tries += "attempt " + std::to_string(attempt) + ": exit code " + std::to_string(code) +
                (setup.started() ? "" : ", not started") + "\n" + Log();
    }
    return false;
  }
};

TEST_P(IncompleteUndo, KeepsTheJournalUntilALaterRunFinishesTheUndo) {
  const Successor& row = GetParam();
  HANDLE held = INVALID_HANDLE_VALUE;
  std::unique_ptr<DeniedKey> denied;
  std::string tries;
  ASSERT_TRUE(FailWhileHeld(&held, &denied, &tries)) << tries;

  const std::string log = Log();
  EXPECT_NE(std::string::npos, log.find(kUndoIncomplete)) << log;
  EXPECT_NE(std::string::npos, log.find(kHeldName)) << "the file not put back is not named: " << log;
  EXPECT_EQ(std::string::npos, log.find(kTakenBack)) << log;
  const std::string journal = JournalText();
  EXPECT_NE(std::string::npos, journal.find("State\tundo-incomplete")) << journal;

  // Still held: the successor fails the same way and leaves the journal as
  // it was.
  EXPECT_EQ(1603u, RunSuccessor());
  EXPECT_NE(std::string::npos, SuccessorLog().find(row.incomplete)) << SuccessorLog();
  EXPECT_NE(std::string::npos, SuccessorLog().find(kHeldName)) << SuccessorLog();
  EXPECT_EQ(journal, JournalText());
  EXPECT_TRUE(FileExists(kHeldName + ".pxold"));

  CloseHandle(held);
  denied.reset();
  EXPECT_EQ(0u, RunSuccessor()) << SuccessorLog();
  EXPECT_FALSE(JournalLeft());
  EXPECT_FALSE(FileExists(kHeldName + ".pxold"));
  if (row.uninstaller) {
    EXPECT_TRUE(WaitFor([] { return !FolderExists(kProgramFolder); }, 15000));
  } else {
    EXPECT_NE(std::string::npos, Log().find(kRecovered)) << Log();
    EXPECT_EQ("", Lines(StagedOrReplacedFiles(kProgramFolder)));
  }
}

INSTANTIATE_TEST_SUITE_P(Successors, IncompleteUndo,
                         ::testing::Values(Successor{"Setup", false, kRecoveryIncomplete},
                                           Successor{"Uninstaller", true, kUninstallUndoIncomplete}),
                         [](const ::testing::TestParamInfo<Successor>& info) { return std::string(info.param.name); });

}  // namespace
