// What the uninstaller may touch, decided as text: no Windows header, also
// built natively.
//
// Everything the uninstaller removes is what some installation writes
// (footprint.h, over every choice); the install record (install_record.h)
// only has to agree with it. A record that names anything else was not
// written by the setup and counts as damaged; only plain file names of
// another version's payload are set apart instead (AdoptRecord), and left
// where they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/footprint.h"
#include "core/install_record.h"
#include "core/product.h"

namespace uninstallrules {

using installrecord::EarlierValue;
using installrecord::InstallRecord;
using installrecord::LinkPlace;
using installrecord::Root;
using installrecord::Scope;
// What the setup writes, as the uninstaller checks and takes it back.
using footprint::KnownKey;
using footprint::KnownValue;
using footprint::ValueKind;

// Exit codes of the uninstaller, as deployment tools read them.
constexpr int kExitRemoved = 0;
constexpr int kExitCancelled = 1602;
constexpr int kExitFailed = 1603;
constexpr int kExitViewerRunning = 1618;

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

// root\key is one of the product's own keys of scope (footprint::OwnKeys,
// the uninstall entry) or lies below one.
bool IsOwnKeyOrBelow(Root root, const std::string& key, Scope scope = Scope::kMachine);

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
// desktop "<name>" (footprint::GroupLinkNames, DesktopLinkNames).
bool IsProductLinkName(LinkPlace place, const std::string& name);
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

// A record another version of the setup wrote may name files, kept files and
// created folders that this payload does not have. Those that are plain
// relative names are taken out of record and returned ("\" separated,
// folders ending in one): they stay where they are, neither removed nor
// merged as ours. Anything else stays in, for CheckRecord to refuse.
std::vector<std::string> TakeOutOtherPayloadNames(InstallRecord* record, const std::vector<std::string>& payloadNames);
// How a setup or an uninstaller takes a parsed record: other payloads' names
// taken out (TakeOutOtherPayloadNames), then CheckRecord on the rest.
RecordVerdict AdoptRecord(InstallRecord* record, const std::string& ownFolder,
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

// A program folder an install record names as an earlier installation's:
// a folder on a drive ("X:\...", a backslash at its end), no "." or ".."
// part, not a drive itself and not ownFolder.
bool IsEarlierFolderName(const std::string& folder, const std::string& ownFolder);

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

}  // namespace uninstallrules
