// The install record: what an installation did, kept as plain text in the
// program folder so that the uninstaller can take it back. Pure text rules:
// no Windows header, also built natively.
//
// The record is read back by a program that runs elevated while the record
// may lie in a folder the user can write. So the uninstaller never takes a
// path, a key or a link from it on trust: files must be payload names inside
// its own folder, links must carry the product's link names, and registry
// data counts only for the values the setup itself replaces
// (uninstall_rules.h checks all of that). What the record adds is the earlier
// data that nobody else knows any more.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "core/footprint_names.h"

namespace installrecord {

// The record's file name in the program folder, and the name it is written
// under first: a killed run leaves at most that one, never half a record.
using footprint::kRecordFileName;
using footprint::kRecordTempName;
// Anything larger is not a record the setup wrote (90 extensions with a few
// values each and 40 files stay far below).
constexpr std::size_t kMaxRecordSize = 256 * 1024;
// The largest earlier data kept for a value found in one of the product's
// keys (the most the setup reads of a value).
constexpr std::size_t kMaxFoundValueSize = 64 * 1024;
// The record text's own format number, counted apart from the product's
// version so that a later setup and uninstaller can read what an earlier one
// wrote, and an earlier one can tell a later record from a damaged one.
// Format 1 is the text without a Format line ("Pixorra <version> install
// record"); Serialize writes kRecordFormat.
constexpr unsigned long kRecordFormat = 2;

enum class Root { kLocalMachine, kCurrentUser };

// Whose installation it is: every user's (registration under
// HKEY_LOCAL_MACHINE, an administrator's run) or the current user's alone
// (everything under HKEY_CURRENT_USER and in the user's own folders).
enum class Scope { kMachine, kUser };

// Where a link lies: the current user's or all users' programs folder (the
// group "Pixorra" inside it) or desktop.
enum class LinkPlace { kUserPrograms, kCommonPrograms, kUserDesktop, kCommonDesktop };

// A registry value as it was before the first installation that recorded it.
struct EarlierValue {
  Root root = Root::kLocalMachine;
  std::string key;
  std::string name;  // "" = the key's unnamed value
  bool existed = false;
  unsigned long type = 0;  // REG_* number, when it existed
  std::string data;        // the bytes as stored, when it existed
};

struct KeyName {
  Root root = Root::kLocalMachine;
  std::string key;
};

// A value the installation wrote outside the product's own keys.
struct ValueName {
  Root root = Root::kLocalMachine;
  std::string key;
  std::string name;  // "" = the key's unnamed value
};

struct Link {
  LinkPlace place = LinkPlace::kUserPrograms;
  std::string name;  // "Pixorra\<name>.lnk" in a programs folder, "<name>.lnk" on a desktop
};

// A payload file as an installation wrote it. Older records name the file
// alone (stamped false): then nobody knows whether it changed since.
struct RecordedFile {
  RecordedFile() = default;
  RecordedFile(std::string fileName) : name(std::move(fileName)) {}  // NOLINT: a name alone is unstamped
  RecordedFile(const char* fileName) : name(fileName) {}              // NOLINT
  RecordedFile(std::string fileName, unsigned long long fileSize, unsigned long fileCrc)
      : name(std::move(fileName)), stamped(true), size(fileSize), crc(fileCrc) {}
  std::string name;  // payload name, "\" separated
  bool stamped = false;
  unsigned long long size = 0;
  unsigned long crc = 0;  // CRC-32 of the content
  bool operator==(const RecordedFile& other) const {
    return name == other.name && stamped == other.stamped && size == other.size && crc == other.crc;
  }
};

// Where the setup moves a file of the user's that stands where the payload
// puts one of its own: the same relative name below this folder of the
// program folder. The uninstaller puts it back.
constexpr const char* kKeptFolder = "pv_kept\\";

struct InstallRecord {
  std::string folder;          // the program folder, ending in a backslash
  bool folderCreated = false;  // the installation created it (else it was found)
  // Written as a line of its own only for the current user's installation,
  // so that a machine installation's record reads as it always did.
  Scope scope = Scope::kMachine;
  std::vector<RecordedFile> files;
  std::vector<std::string> kept;            // the user's files moved to kKeptFolder + name
  std::vector<std::string> createdFolders;  // inside the folder, ending in "\"
  std::vector<Link> links;
  std::vector<LinkPlace> createdGroups;  // programs folders in which the group was created
  // Program folders of earlier installations whose registration this one
  // took over (each ending in a backslash): their files stay there with
  // their own record and uninstaller, and the removal of this installation
  // takes them along by that record.
  std::vector<std::string> earlierFolders;
  // The product's keys it wrote and the values it wrote into other keys.
  // The uninstaller does not remove by these lists: it goes by the product's
  // own names (footprint::OwnKeys) and takes a replaced value back only while
  // it still holds the setup's data, which is the safer test, since the
  // record may lie in a folder the user can write. They are kept, written and
  // checked, because a record is read by other versions of the setup and the
  // uninstaller: the next setup tells by ownKeys which keys an earlier
  // installation made (so that they do not count as found), and older and
  // newer readers expect both lists in the text.
  std::vector<KeyName> ownKeys;
  // Keys among the product's own keys, or below one, that existed before the
  // first installation that wrote them: only what the setup added goes; the
  // earlier data of their values is kept with the other earlier values.
  std::vector<KeyName> foundKeys;
  std::vector<ValueName> setValues;
  std::vector<KeyName> createdKeys;      // keys that did not exist before
  std::vector<EarlierValue> earlier;
  // As Parse found the text: its format, the product version that wrote it
  // ("" in format 1, whose header alone names it) and the lines of a later
  // format that this reader does not know and left out. Serialize writes
  // kRecordFormat and this build's version whatever these say.
  unsigned long format = kRecordFormat;
  std::string version;
  std::size_t unreadLines = 0;
};

// The record as text: the header line, "Format" and "Version" lines, one
// line per fact (fields separated by tabs, bytes below 32, "%" and 127
// written as %XX), an end line; CR LF line ends so that any editor shows it.
std::string Serialize(const InstallRecord& record);

// Reads what Serialize wrote, and what earlier versions wrote (format 1).
// False (and why, in English, for the log) when the text is not such a
// record: wrong header, an unknown or malformed line, a bad escape, no end
// line (a cut-off file), text after it, or too large. A record of a later
// format is read as far as this reader knows its lines: a line of an
// unknown kind, or of a known kind whose fields it cannot read, is left out
// and counted in unreadLines, so that what it names is left alone.
bool Parse(const std::string& text, InstallRecord* record, std::string* why);

// A later installation into the same folder: the result keeps the union of
// files, folders, links, earlier folders (never its own) and created keys.
// older.folderCreated wins, since the later run found what the earlier one
// had made. The earlier data of a value the setup replaces is what the value
// held right before the run that replaced it: newer's, unless newer found
// the product's own data there (written by the earlier installation), in
// which case older's stays; a user choice's Hash goes with its Progid. Values
// in the product's own keys keep older's. older's facts keep their places,
// so the same installation twice gives the same text.
InstallRecord Merge(const InstallRecord& older, const InstallRecord& newer);

// This build's product version as the record and the journal write it ("4.42").
std::string VersionText();

// The spellings of roots ("HKLM", "HKCU") and link places ("user-programs",
// ...) that the record and the journal share; the parsers accept exactly
// those.
const char* RootText(Root root);
bool ParseRoot(const std::string& text, Root* root);
const char* PlaceText(LinkPlace place);
bool ParsePlace(const std::string& text, LinkPlace* place);

// Case-insensitive (ASCII) comparison, as Windows compares file and key names.
bool SameName(const std::string& a, const std::string& b);

// The earlier value of root\key\name in the record, or nullptr.
const EarlierValue* FindEarlier(const InstallRecord& record, Root root, const std::string& key,
                                const std::string& name);
bool HasCreatedKey(const InstallRecord& record, Root root, const std::string& key);

}  // namespace installrecord
