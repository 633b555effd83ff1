// What the uninstaller may touch, decided as text: no Windows header, also
// built natively.
//
// Everything the uninstaller removes is derived here from the product and
// the format table; the install record (install_record.h) only has to agree
// with it. A record that names anything else was not written by the setup
// and counts as damaged.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/install_record.h"
#include "core/product.h"

namespace uninstallrules {

using installrecord::EarlierValue;
using installrecord::InstallRecord;
using installrecord::LinkPlace;
using installrecord::Root;

// Exit codes of the uninstaller, as deployment tools read them.
constexpr int kExitRemoved = 0;
constexpr int kExitCancelled = 1602;
constexpr int kExitFailed = 1603;
constexpr int kExitViewerRunning = 1618;

// The values an installation replaces and whose earlier data it records.
enum class ValueKind {
  kExtensionDefault,  // HKLM SOFTWARE\Classes\.<ext>, unnamed: our ProgID
  kUserChoice,        // HKCU ...\FileExts\.<ext>\UserChoice, "Progid": our ProgID
  kUserChoiceHash,    // the same key's "Hash", which belongs to the choice
  kNoOpenWith,        // HKCU SOFTWARE\Classes\<store app class>, "NoOpenWith": ""
  kRegisteredApplication,  // HKLM SOFTWARE\RegisteredApplications, "Pixorra": our capabilities
};

struct KnownValue {
  ValueKind kind;
  Root root;
  std::string key;
  std::string name;
  std::string ours;  // the text the setup writes there
  // The format table row whose choice makes the registration write it;
  // kAnyAssociation for the values any confirmed association writes (the
  // store app classes), kEveryRun for those every registration writes.
  int formatRow = -1;
};
constexpr int kAnyAssociation = -1;
constexpr int kEveryRun = -2;

// Every such value, for all extensions of the format table and the five store
// app classes, in table order.
const std::vector<KnownValue>& KnownReplacedValues();

// Keys that an installation may create on the way and that go again when
// nothing else is left in them: the extension keys, their FileExts keys, the
// store app classes, the parents of the folder and drive verbs (children
// before their parents).
struct KnownKey {
  Root root;
  std::string key;
};
const std::vector<KnownKey>& KnownCreatedKeys();

// The product's own keys (HKLM), which the uninstaller removes whole: the
// ProgIDs, the application keys, the folder and drive verbs, the viewer's App
// Paths entry; the uninstall entry (kUninstallEntryKey) apart, since it goes
// last.
const std::vector<KnownKey>& OwnKeys();
constexpr const char* kUninstallEntryKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
// Where Windows looks up the viewer's program by its file name alone.
constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe";
// The one value the setup writes into a shared key of the system.
constexpr const char* kRegisteredApplicationsKey = "SOFTWARE\\RegisteredApplications";

// The five store app classes (HKCU) that get "NoOpenWith" from Windows 8 on:
// the system's own ProgIDs of its built-in photo, video and music apps, which
// would otherwise keep offering themselves next to the viewer.
const std::vector<std::string>& StoreAppClasses();

// True when text (registry string data, terminators and all) names one of
// the product's ProgIDs: "Pixorra" or "Pixorra.<anything>", any case.
bool IsProductProgId(const std::string& data);

// Registry string data as text: the bytes up to the first terminating zero.
std::string DataText(const std::string& data);

// Earlier data is data, never an instruction: it goes back only as a string
// (REG_SZ, the type the setup itself writes there), not longer than 2048
// bytes, and a ProgID only when it is a plain name that is not one of the
// system's classes that run the file itself (exefile, batfile, ...: an
// extension pointed there would run every such file as a program). Whether
// the ProgID is still registered is asked by the caller.
bool IsRestorableEarlier(const KnownValue& value, const EarlierValue& earlier);
bool IsRunnableClass(const std::string& progId);
// The ProgID that earlier data of value names ("" for kinds that name none).
std::string EarlierProgId(const KnownValue& value, const EarlierValue& earlier);

// root\key is one of the product's own keys (OwnKeys, the uninstall entry)
// or lies below one.
bool IsOwnKeyOrBelow(Root root, const std::string& key);

// What becomes of an extension's default value or a NoOpenWith value.
enum class ValueAction { kLeave, kWriteEarlier, kDelete };
// current: the value's data now (exists false: no such value). Only a value
// that still holds what the setup wrote is touched; it gets its earlier data
// back when that may be restored (IsRestorableEarlier, and registered says
// the ProgID it names still exists), or goes when there was none (or only an
// older installation of ours, or data that may not be written back).
ValueAction DecideValue(const KnownValue& value, bool exists, const std::string& current,
                        const EarlierValue* earlier, bool registered = true);

// The links the setup creates: in a programs folder "Pixorra\<name>", on a
// desktop "<name>".
bool IsProductLinkName(LinkPlace place, const std::string& name);
const std::vector<std::string>& GroupLinkNames();
const std::vector<std::string>& DesktopLinkNames();
constexpr const char* kGroupFolder = "Pixorra";
bool IsProgramsPlace(LinkPlace place);

// A relative name the setup could have unpacked: not empty, no drive, no
// stream, no leading or trailing separator, no "." or ".." component, no
// wildcard or control character, at most 259 characters.
bool IsPlainRelativeName(const std::string& name);

// name ("/" or "\" separated) is one of payloadNames, any case.
bool IsPayloadName(const std::string& name, const std::vector<std::string>& payloadNames);
// folder (ending in "\") is a folder of some payload name.
bool IsPayloadFolder(const std::string& folder, const std::vector<std::string>& payloadNames);

// Why a record cannot be used for the disk.
enum class RecordVerdict { kUsable, kForeign, kDamaged };
// Checks every line of a parsed record against the folder the uninstaller
// was started from and the rules above. why: the first offending line.
RecordVerdict CheckRecord(const InstallRecord& record, const std::string& ownFolder,
                          const std::vector<std::string>& payloadNames, std::string* why);

// The program folder must not be a drive or share root, a system folder or
// a parent of one, or lie inside the Windows folder: its removal would take
// what is not ours. folder and every entry end in a backslash (added when
// missing); comparison ignores case. Relative or odd paths ("\.\", "\..\",
// "\\?\") count as protected too.
bool IsProtectedFolder(const std::string& folder, const std::vector<std::string>& systemFolders,
                       const std::string& windowsFolder);

// folder with a backslash at its end (unless empty).
std::string WithBackslash(const std::string& folder);

// The uninstaller's command line.
struct UninstallOptions {
  bool silent = false;
  // "/?" or "/help": the usage, nothing removed.
  bool help = false;
  // The first argument that starts with "/" and is none of the uninstaller's
  // options ("" when there is none): nothing is removed then.
  std::string unknownOption;
  // The copy in TEMP that removes the uninstaller and its folder once the
  // original has ended: the original's process handle (inherited) and folder.
  bool cleanup = false;
  unsigned long long waitHandle = 0;
  bool removeFolder = false;
  std::string folder;
};
// "/silent" anywhere, case-sensitive like the setup's options, or one of its
// other spellings ("/S", "/quiet", ...) as a word of its own; "/?" and
// "/help"; the first unknown option (outside the copy's line); the copy's
// "/cleanup=<handle> /rmdir=<0|1> "<folder>"". False for a malformed cleanup
// request (the copy then does nothing).
bool ParseUninstallOptions(const std::string& commandLine, UninstallOptions* options);

// The uninstall entry's new values.
// "\"<folder>pv_uninstall.exe\" /silent"; false (out "") when it does not fit.
bool ComposeQuietUninstallCommand(const char* folder, char* out, std::size_t size);
// "yyyymmdd"; false for a date out of range.
bool FormatInstallDate(int year, int month, int day, char* out, std::size_t size);
// Bytes to KB, rounded up; saturates at the largest DWORD.
unsigned long KilobytesRoundedUp(unsigned long long bytes);

}  // namespace uninstallrules
