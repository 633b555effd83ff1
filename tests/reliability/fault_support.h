// Helpers of the reliability tests: what the setup left on disk and in the
// registry, the install log, the broken-payload builds of the setup, and the
// host's fault switch (host_faults.sh).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace faulttest {

constexpr DWORD kInstalled = 0;
constexpr DWORD kFailed = 1603;
constexpr DWORD kViewerBusy = 1618;

// The setup built with a broken payload: "damaged", "truncated" or
// "missing" (no payload resource at all).
std::string VariantSetupPath(const std::string& variant);

// Every file and folder below the watched places, with size and write time:
// the test area C:\pxtest\, Program Files, ProgramData, the user's profile
// and the Windows folder's own files (where a settings file without folder
// would land).
using DiskState = std::map<std::string, std::string>;
DiskState SnapshotDisk();
// Paths that appeared, vanished or changed between two snapshots, except
// those below one of the allowed folders (compared without regard to case).
std::vector<std::string> ChangedOutside(const DiskState& before, const DiskState& after,
                                        const std::vector<std::string>& allowed);

// Every value below a key, as "key\name = type:data" lines (64-bit view).
using RegistryState = std::map<std::string, std::string>;
void SnapshotRegistry(HKEY root, const std::string& key, RegistryState* state);
// The keys and values a setup run writes to.
RegistryState SnapshotSetupRegistry();
std::vector<std::string> RegistryDifferences(const RegistryState& before, const RegistryState& after);

// Files of a folder tree, relative to it, with their size and contents'
// checksum, and with their creation and write times when withTimes is set.
DiskState SnapshotTree(const std::string& folder, bool withTimes = true);

// Removes everything an earlier installation left: registry keys, links,
// the default folder.
void ForgetInstallations();

// True when host_faults.sh could set up its drives and watcher; otherwise
// the reason.
bool HostFaultsReady(std::string* reason);
// Makes a file on drive R: immutable on the host (readonly = true) or
// writable again; the path is relative to R:\. False when the watcher did
// not answer or the change failed.
bool SetHostReadOnly(const std::string& pathOnR, bool readonly);

// An environment variable set for processes started while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// What the payload must put into the target folder: every entry name
// (folders ending in "\") and each file's size.
std::map<std::string, unsigned long long> PayloadFiles();
// Entries of the payload missing from folder or of another size there.
std::vector<std::string> MissingOrDifferent(const std::string& folder);

}  // namespace faulttest
