// What an installation writes, described once as data: every registry key
// and value it creates, replaces or deletes (in the order they are written),
// its links, its group folder and its files. The shell layer walks the
// description and writes each item; the install record looks at what the
// description names; the uninstaller takes what it may remove from the union
// of every description the setup can make. Pure text: no Windows header,
// also built natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/footprint_names.h"
#include "core/format_table.h"
#include "core/install_record.h"
#include "core/shell_text.h"

namespace footprint {

using installrecord::LinkPlace;
using installrecord::Root;
using installrecord::Scope;

// What an installation's footprint depends on besides the install folder.
struct Choices {
  bool group = false;     // the Start-menu group with its links
  bool desktop = false;   // the desktop link to the viewer
  bool thumbs = false;    // the thumbnails desktop link and the folder and drive verbs
  bool allUsers = false;  // links for all users
  bool associate = false;  // the user asked for associations
  bool confirmed = false;  // ... and confirmed them: the chosen formats become the viewer's
  bool userAssociations = true;  // the running account's part (user choices, store app classes)
  bool formats[kFormatRowCount] = {};  // chosen format rows
  bool windows8OrLater = false;  // store app classes; no uninstaller link in the group
  // The current user's installation: every item of HKEY_LOCAL_MACHINE and
  // HKEY_CLASSES_ROOT goes below HKEY_CURRENT_USER (the classes below its
  // SOFTWARE\Classes), the uninstall entry too, and the links into the
  // user's own folders whatever allUsers says.
  bool perUser = false;
  // Known only when the registration runs: today ("yyyymmdd", "" when it
  // could not be formed) and the unpacked payload's size.
  std::string installDate;
  unsigned long long payloadBytes = 0;
};

// Where a registry item lies. kClasses is HKEY_CLASSES_ROOT, which lands in
// the machine's classes unless the user's classes already hold the key.
enum class Hive { kMachine, kUser, kClasses };

enum class Action {
  kSetDefault,  // the key's unnamed value (text); missing keys are created
  kSetValue,    // a named value (text or number) in a key opened as opening says
  kCreateKey,   // the key, and its parents, without any value
  kDeleteKey,   // one key without sub-keys; a missing key is no failure
};

// How a kSetValue item's key is opened.
enum class Opening {
  kExisting,      // only an existing key, for setting values
  kExistingFull,  // only an existing key, with full access
  kCreate,        // created with its parents when missing
};

enum class ValueType { kText, kNumber };

// The values an installation replaces and whose earlier data it records.
enum class ValueKind {
  kNone,              // not a replaced value
  kExtensionDefault,  // HKLM SOFTWARE\Classes\.<ext>, unnamed: our ProgID
  kUserChoice,        // HKCU ...\FileExts\.<ext>\UserChoice, "Progid": our ProgID
  kUserChoiceHash,    // the same key's "Hash", which belongs to the choice (goes with the key)
  kNoOpenWith,        // HKCU SOFTWARE\Classes\<store app class>, "NoOpenWith": ""
  kRegisteredApplication,  // HKLM SOFTWARE\RegisteredApplications, "Pixorra": our capabilities
};

// RegistryItem::formatRow for what is not written in a format row's turn.
constexpr int kEveryRun = -2;
constexpr int kAnyAssociation = -1;

struct RegistryItem {
  Action action = Action::kSetDefault;
  Hive hive = Hive::kMachine;
  std::string key;
  std::string name;  // kSetValue only
  ValueType type = ValueType::kText;
  std::string text;
  unsigned long number = 0;
  Opening opening = Opening::kCreate;
  // The text could not be formed: the item counts as a failed write
  // (without an error code) and nothing is written.
  bool unavailable = false;
  // Written only when the item before it was written.
  bool afterPrevious = false;
  // The installation cannot work without it: the open command the next
  // setup reads and the uninstall entry. A failure is the run's failed key.
  bool essential = false;
  // ".<ext>" when a failed write means the extension did not become ours.
  std::string extension;
  // The format row in whose turn the association stage writes it, or
  // kEveryRun for the registration before that stage, kAnyAssociation for
  // what a confirmed association writes after the rows.
  int formatRow = kEveryRun;
  // A value whose earlier data the record notes (kNone: none). A kDeleteKey
  // item names the value its deletion takes.
  ValueKind replaces = ValueKind::kNone;
  // The ProgID an extension's association stands on: set on the ProgID's
  // own essential writes (progIdKey: its key and open command) and on the
  // writes that make an extension name it (its default, the user choice).
  // Those come after the ProgID's in their row, and are left out when one
  // of the ProgID's failed: the extension keeps what it named before.
  std::string progId;
  bool progIdKey = false;
};

// A key of the registry, for the lists below.
struct KeyItem {
  Root root;
  std::string key;
};
using KnownKey = KeyItem;

// What a link points to.
enum class LinkTarget { kViewer, kUninstaller, kInstalledFile };

struct LinkItem {
  LinkPlace place;
  std::string name;  // the link's file name (in the group folder for a programs place)
  LinkTarget target = LinkTarget::kViewer;
  std::string file;       // kInstalledFile: relative to the install folder
  std::string arguments;  // "" for none
  bool viewerIcon = false;  // the viewer's program with iconIndex as the link's icon
  int iconIndex = 0;
  std::string description;  // "" for none
};

// Files outside the payload.
enum class FilePlace { kInstallFolder, kSettingsFolder };
struct FileItem {
  FilePlace place;
  std::string name;
};

struct Footprint {
  // In the order the registration writes them.
  std::vector<RegistryItem> registry;
  // The product's own keys, which the uninstaller removes whole; the
  // uninstall entry apart (uninstallEntry), since it goes last.
  std::vector<KeyItem> ownKeys;
  KeyItem uninstallEntry{Root::kLocalMachine, kUninstallEntryKey};
  // Keys that the items may create on the way and that go again when nothing
  // else is left in them, children before their parents.
  std::vector<KeyItem> createdKeys;
  // Whether the group folder is made, and the links in the order they are
  // written: the group's (versions before 4.42 removed after its first
  // link), then the desktop's.
  bool groupFolder = false;
  std::vector<LinkItem> links;
  std::vector<FileItem> files;
  // The shell is told that associations changed, after the last item.
  bool refreshShell = false;
};

// The footprint of an installation into the folder texts names
// (shelltext::ComposeInstallTexts).
Footprint Describe(const Choices& choices, const shelltext::InstallTexts& texts);

// Every item any installation of the scope can write: the descriptions of
// every choice combination merged (each key and value once, in the order of
// the richest description), for the uninstaller's whitelist. An installation
// of one scope is taken back by its scope's lists alone, so that the other
// scope's installation beside it stays.
const Footprint& Union(Scope scope = Scope::kMachine);

// The root of a hive as the record names it (kClasses: the machine's classes).
Root RootOf(Hive hive);
// The key as it lies below its root (kClasses: below SOFTWARE\Classes).
std::string RootKeyPath(const RegistryItem& item);

// A replaced value as the install record and the uninstaller see it.
struct KnownValue {
  ValueKind kind;
  Root root;
  std::string key;
  std::string name;
  std::string ours;  // the text the setup writes there
  // The format row whose choice makes the registration write it;
  // kAnyAssociation for the values any confirmed association writes (the
  // store app classes), kEveryRun for those every registration writes.
  int formatRow = kEveryRun;
};

// The replaced values of Union(): for each extension its default, user
// choice and hash, then the store app classes, then the registered
// application.
const std::vector<KnownValue>& KnownReplacedValues(Scope scope = Scope::kMachine);
// Union()'s createdKeys.
const std::vector<KnownKey>& KnownCreatedKeys(Scope scope = Scope::kMachine);
// Union()'s ownKeys.
const std::vector<KeyItem>& OwnKeys(Scope scope = Scope::kMachine);
// The root of the scope's uninstall entry, open command and application key.
Root ScopeRoot(Scope scope);
// The store app classes' keys, in their order.
const std::vector<std::string>& StoreAppClasses();
// The names of the links in the group (without the folder) and on the
// desktop that some installation writes.
const std::vector<std::string>& GroupLinkNames();
const std::vector<std::string>& DesktopLinkNames();

// The uninstall entry's new values.
// "\"<folder>pv_uninstall.exe\" /silent"; false (out "") when it does not fit.
bool ComposeQuietUninstallCommand(const char* folder, char* out, std::size_t size);
// "yyyymmdd"; false for a date out of range.
bool FormatInstallDate(int year, int month, int day, char* out, std::size_t size);
// Bytes to KB, rounded up; saturates at the largest DWORD.
unsigned long KilobytesRoundedUp(unsigned long long bytes);

}  // namespace footprint
