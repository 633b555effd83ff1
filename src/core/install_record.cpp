#include "core/install_record.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/footprint.h"
#include "core/product.h"
#include "core/record_text.h"
#include "core/uninstall_rules.h"

namespace installrecord {

namespace {

using recordtext::AddLine;
using recordtext::Escape;
using recordtext::ParseNumber;
using recordtext::SplitFields;
using recordtext::Unescape;

// Format 2 on: the header names no version; the Format and Version lines
// follow it. Format 1 named its version in the header.
constexpr const char* kHeader = "Pixorra install record";
constexpr const char* kFormatOneStart = "Pixorra ";
constexpr const char* kFormatOneEnd = " install record";
constexpr const char* kEnd = "End";


// "Pixorra <version> install record", the version being digits and dots.
bool IsFormatOneHeader(const std::string& line) {
  const std::string start = kFormatOneStart, end = kFormatOneEnd;
  if (line.size() <= start.size() + end.size() || line.compare(0, start.size(), start) != 0 ||
      line.compare(line.size() - end.size(), end.size(), end) != 0) {
    return false;
  }
  const std::string version = line.substr(start.size(), line.size() - start.size() - end.size());
  if (version.size() > 16 || version.front() == '.' || version.back() == '.') return false;
  for (char c : version) {
    if (!((c >= '0' && c <= '9') || c == '.')) return false;
  }
  return true;
}


bool ParseLine(const std::vector<std::string>& raw, InstallRecord* record, bool* sawFolder) {
  std::vector<std::string> f(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (!Unescape(raw[i], &f[i])) return false;
  }
  const std::string& kind = f[0];
  // Told once, and only by a text that has a Format line.
  if (kind == "Version" && f.size() == 2 && record->format >= 2 && record->version.empty() && !f[1].empty()) {
    record->version = f[1];
    return true;
  }
  if (kind == "Folder" && f.size() == 3 && !*sawFolder) {
    if (f[2] != "created" && f[2] != "found") return false;
    record->folder = f[1];
    record->folderCreated = f[2] == "created";
    *sawFolder = true;
    return true;
  }
  // Only the current user's installation says so; one spelling, as written.
  if (kind == "Scope" && f.size() == 2 && f[1] == "user" && record->scope == Scope::kMachine) {
    record->scope = Scope::kUser;
    return true;
  }
  if (kind == "File" && f.size() == 2) {
    record->files.push_back(f[1]);
    return true;
  }
  if (kind == "File" && f.size() == 4) {
    unsigned long size = 0, crc = 0;
    if (!ParseNumber(f[2], &size) || !ParseNumber(f[3], &crc)) return false;
    record->files.push_back(RecordedFile(f[1], size, crc));
    return true;
  }
  if (kind == "Kept" && f.size() == 2) {
    record->kept.push_back(f[1]);
    return true;
  }
  if (kind == "FoundKey" && f.size() == 3) {
    KeyName key;
    if (!ParseRoot(f[1], &key.root)) return false;
    key.key = f[2];
    record->foundKeys.push_back(key);
    return true;
  }
  if (kind == "CreatedFolder" && f.size() == 2) {
    record->createdFolders.push_back(f[1]);
    return true;
  }
  if (kind == "Link" && f.size() == 3) {
    Link link;
    if (!ParsePlace(f[1], &link.place)) return false;
    link.name = f[2];
    record->links.push_back(link);
    return true;
  }
  if (kind == "CreatedGroup" && f.size() == 2) {
    LinkPlace place;
    if (!ParsePlace(f[1], &place)) return false;
    record->createdGroups.push_back(place);
    return true;
  }
  if (kind == "EarlierFolder" && f.size() == 2) {
    record->earlierFolders.push_back(f[1]);
    return true;
  }
  if (kind == "OwnKey" && f.size() == 3) {
    KeyName key;
    if (!ParseRoot(f[1], &key.root)) return false;
    key.key = f[2];
    record->ownKeys.push_back(key);
    return true;
  }
  if (kind == "Set" && f.size() == 4) {
    ValueName value;
    if (!ParseRoot(f[1], &value.root)) return false;
    value.key = f[2];
    value.name = f[3];
    record->setValues.push_back(value);
    return true;
  }
  if (kind == "CreatedKey" && f.size() == 3) {
    KeyName key;
    if (!ParseRoot(f[1], &key.root)) return false;
    key.key = f[2];
    record->createdKeys.push_back(key);
    return true;
  }
  if (kind == "Earlier" && (f.size() == 5 || f.size() == 6)) {
    EarlierValue value;
    if (!ParseRoot(f[1], &value.root)) return false;
    value.key = f[2];
    value.name = f[3];
    if (f.size() == 5) {
      if (f[4] != "none") return false;
      value.existed = false;
    } else {
      if (!ParseNumber(f[4], &value.type)) return false;
      value.existed = true;
      value.data = f[5];
    }
    record->earlier.push_back(value);
    return true;
  }
  return false;
}

bool SameKeyName(const KeyName& a, const KeyName& b) { return a.root == b.root && SameName(a.key, b.key); }

// inner lies below outer (not the same key).
bool IsBelow(const KeyName& inner, const KeyName& outer) {
  return inner.root == outer.root && inner.key.size() > outer.key.size() + 1 &&
         inner.key[outer.key.size()] == '\\' && SameName(inner.key.substr(0, outer.key.size()), outer.key);
}

// One text per name as SameName compares them (ASCII letters folded), each
// part after its length: equal texts are the same value, key or folder.
void AddFolded(std::string& out, const std::string& part) {
  out += std::to_string(part.size());
  out += ':';
  for (char c : part) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldedName(const std::string& name) {
  std::string out;
  AddFolded(out, name);
  return out;
}

std::string FoldedKey(Root root, const std::string& key) {
  std::string out = RootText(root);
  AddFolded(out, key);
  return out;
}

std::string FoldedValue(Root root, const std::string& key, const std::string& name) {
  std::string out = FoldedKey(root, key);
  AddFolded(out, name);
  return out;
}

using KnownIndex = std::unordered_map<std::string, const footprint::KnownValue*>;

KnownIndex IndexKnownValues(Scope scope) {
  KnownIndex index;
  // The first of equal names counts, as a search from the front finds it.
  for (const footprint::KnownValue& known : footprint::KnownReplacedValues(scope)) {
    index.emplace(FoldedValue(known.root, known.key, known.name), &known);
  }
  return index;
}

const footprint::KnownValue* FindKnownValue(Scope scope, const EarlierValue& value) {
  static const KnownIndex machine = IndexKnownValues(Scope::kMachine);
  static const KnownIndex user = IndexKnownValues(Scope::kUser);
  const KnownIndex& index = scope == Scope::kUser ? user : machine;
  const auto found = index.find(FoldedValue(value.root, value.key, value.name));
  return found == index.end() ? nullptr : found->second;
}

// The data the setup itself writes into value (any version's ProgID for an
// extension or a user choice): then an earlier installation of ours had set
// it, and what it held before that is the older record's to tell.
bool IsOwnData(const footprint::KnownValue& known, const EarlierValue& found) {
  if (!found.existed) return false;
  const std::string text = uninstallrules::DataText(found.data);
  switch (known.kind) {
    case footprint::ValueKind::kExtensionDefault:
    case footprint::ValueKind::kUserChoice: return uninstallrules::IsProductProgId(text);
    case footprint::ValueKind::kRegisteredApplication: return SameName(text, known.ours);
    // Anybody's NoOpenWith is the same empty string as ours: as before, the
    // first run that saw it tells.
    case footprint::ValueKind::kNoOpenWith: return true;
    case footprint::ValueKind::kUserChoiceHash:
    case footprint::ValueKind::kNone: break;
  }
  return false;
}

// Whether the newer run's earlier data of value replaces the older record's:
// only for values the setup replaces, and only when the newer run found
// somebody else's data (or none) there.
bool NewerEarlierCounts(const InstallRecord& newer, const EarlierValue& value) {
  const footprint::KnownValue* known = FindKnownValue(newer.scope, value);
  if (known == nullptr) return false;
  if (known->kind == footprint::ValueKind::kUserChoiceHash) {
    // The hash belongs to the choice it was found with.
    const EarlierValue* choice = FindEarlier(newer, value.root, value.key, footprint::kProgIdValue);
    return choice != nullptr && NewerEarlierCounts(newer, *choice);
  }
  return !IsOwnData(*known, value);
}

// Appends each item of from that into does not hold yet, as folded(item)
// tells: the same text is the same item.
template <typename T, typename Folded>
void AddMissing(std::vector<T>& into, const std::vector<T>& from, Folded folded) {
  std::unordered_set<std::string> present;
  for (const T& existing : into) present.insert(folded(existing));
  for (const T& item : from) {
    if (present.insert(folded(item)).second) into.push_back(item);
  }
}

std::string FoldedKeyName(const KeyName& key) { return FoldedKey(key.root, key.key); }

}  // namespace

std::string VersionText() { return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor); }

const char* RootText(Root root) { return root == Root::kLocalMachine ? "HKLM" : "HKCU"; }

bool ParseRoot(const std::string& text, Root* root) {
  if (text == "HKLM") *root = Root::kLocalMachine;
  else if (text == "HKCU") *root = Root::kCurrentUser;
  else return false;
  return true;
}

const char* PlaceText(LinkPlace place) {
  switch (place) {
    case LinkPlace::kUserPrograms: return "user-programs";
    case LinkPlace::kCommonPrograms: return "common-programs";
    case LinkPlace::kUserDesktop: return "user-desktop";
    case LinkPlace::kCommonDesktop: return "common-desktop";
  }
  return "";
}

bool ParsePlace(const std::string& text, LinkPlace* place) {
  for (LinkPlace candidate : {LinkPlace::kUserPrograms, LinkPlace::kCommonPrograms, LinkPlace::kUserDesktop,
                              LinkPlace::kCommonDesktop}) {
    if (text == PlaceText(candidate)) {
      *place = candidate;
      return true;
    }
  }
  return false;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Serialize(const InstallRecord& record) {
  std::string out;
  AddLine(out, {kHeader});
  AddLine(out, {"Format", std::to_string(kRecordFormat)});
  AddLine(out, {"Version", Escape(VersionText())});
  AddLine(out, {"Folder", Escape(record.folder), record.folderCreated ? "created" : "found"});
  if (record.scope == Scope::kUser) AddLine(out, {"Scope", "user"});
  for (const RecordedFile& file : record.files) {
    if (file.stamped) {
      AddLine(out, {"File", Escape(file.name), std::to_string(file.size), std::to_string(file.crc)});
    } else {
      AddLine(out, {"File", Escape(file.name)});
    }
  }
  for (const std::string& kept : record.kept) AddLine(out, {"Kept", Escape(kept)});
  for (const std::string& folder : record.createdFolders) AddLine(out, {"CreatedFolder", Escape(folder)});
  for (const LinkPlace place : record.createdGroups) AddLine(out, {"CreatedGroup", PlaceText(place)});
  for (const Link& link : record.links) AddLine(out, {"Link", PlaceText(link.place), Escape(link.name)});
  for (const std::string& folder : record.earlierFolders) AddLine(out, {"EarlierFolder", Escape(folder)});
  for (const KeyName& key : record.ownKeys) AddLine(out, {"OwnKey", RootText(key.root), Escape(key.key)});
  for (const KeyName& key : record.foundKeys) AddLine(out, {"FoundKey", RootText(key.root), Escape(key.key)});
  for (const ValueName& value : record.setValues) {
    AddLine(out, {"Set", RootText(value.root), Escape(value.key), Escape(value.name)});
  }
  for (const KeyName& key : record.createdKeys) AddLine(out, {"CreatedKey", RootText(key.root), Escape(key.key)});
  for (const EarlierValue& value : record.earlier) {
    if (value.existed) {
      AddLine(out, {"Earlier", RootText(value.root), Escape(value.key), Escape(value.name),
                    std::to_string(value.type), Escape(value.data)});
    } else {
      AddLine(out, {"Earlier", RootText(value.root), Escape(value.key), Escape(value.name), "none"});
    }
  }
  AddLine(out, {kEnd});
  return out;
}

bool Parse(const std::string& text, InstallRecord* record, std::string* why) {
  *record = InstallRecord();
  auto fail = [why](const std::string& reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (text.size() > kMaxRecordSize) return fail("too large");
  // The header, then (format 2 on) the Format line, then the facts.
  enum class Expect { kHeader, kFormat, kFacts } expect = Expect::kHeader;
  bool sawFolder = false, sawEnd = false;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) return fail("cut off after line " + std::to_string(lineNumber));
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (sawEnd) return fail("text after the end line");
    if (expect == Expect::kHeader) {
      if (line == kHeader) {
        expect = Expect::kFormat;
      } else if (IsFormatOneHeader(line)) {
        record->format = 1;
        expect = Expect::kFacts;
      } else {
        return fail("not an install record");
      }
      continue;
    }
    if (expect == Expect::kFormat) {
      const std::vector<std::string> f = SplitFields(line);
      unsigned long format = 0;
      if (f.size() != 2 || f[0] != "Format" || !ParseNumber(f[1], &format) || format < 2) {
        return fail("no format line");
      }
      record->format = format;
      expect = Expect::kFacts;
      continue;
    }
    if (line == kEnd) {
      sawEnd = true;
      continue;
    }
    if (ParseLine(SplitFields(line), record, &sawFolder)) continue;
    // A later version's line: what it names is not this reader's to touch.
    if (record->format > kRecordFormat) {
      ++record->unreadLines;
      continue;
    }
    return fail("line " + std::to_string(lineNumber) + " unreadable");
  }
  if (expect == Expect::kHeader) return fail("empty");
  if (!sawEnd) return fail("no end line");
  if (!sawFolder) return fail("no folder line");
  if (record->format == kRecordFormat && record->version.empty()) return fail("no version line");
  return true;
}

InstallRecord Merge(const InstallRecord& older, const InstallRecord& newer) {
  // Older facts first, in their order, then what only the newer run saw: an
  // installation repeated with the same choices leaves the same record.
  InstallRecord merged = older;
  // This build's record, whatever format the older one was read from.
  merged.format = kRecordFormat;
  merged.version.clear();
  merged.unreadLines = 0;
  merged.folder = newer.folder;
  merged.scope = newer.scope;
  // A file keeps its place; its stamp is the newer run's, which wrote it last.
  std::unordered_set<std::string> fileNames;
  for (const RecordedFile& existing : merged.files) fileNames.insert(FoldedName(existing.name));
  for (const RecordedFile& file : newer.files) {
    if (fileNames.insert(FoldedName(file.name)).second) {
      merged.files.push_back(file);
      continue;
    }
    // Every earlier entry of that name takes it, as names may repeat.
    for (RecordedFile& existing : merged.files) {
      if (SameName(existing.name, file.name)) existing = file;
    }
  }
  AddMissing(merged.kept, newer.kept, FoldedName);
  AddMissing(merged.createdFolders, newer.createdFolders, FoldedName);
  AddMissing(merged.links, newer.links,
             [](const Link& link) { return std::string(PlaceText(link.place)) + FoldedName(link.name); });
  AddMissing(merged.createdGroups, newer.createdGroups, [](LinkPlace place) { return std::string(PlaceText(place)); });
  // Moved back into a folder it had left: that folder is this installation's
  // own again.
  AddMissing(merged.earlierFolders, newer.earlierFolders, FoldedName);
  merged.earlierFolders.erase(std::remove_if(merged.earlierFolders.begin(), merged.earlierFolders.end(),
                                             [&](const std::string& folder) { return SameName(folder, merged.folder); }),
                              merged.earlierFolders.end());
  // A key that the older run wrote and did not find was created by it: the
  // newer run finding it does not make it anybody else's.
  std::unordered_set<std::string> olderFound;
  for (const KeyName& key : older.foundKeys) olderFound.insert(FoldedKeyName(key));
  for (const KeyName& found : newer.foundKeys) {
    bool known = olderFound.count(FoldedKeyName(found)) > 0;
    for (const KeyName& own : older.ownKeys) known = known || SameKeyName(own, found) || IsBelow(found, own);
    if (!known) merged.foundKeys.push_back(found);
  }
  AddMissing(merged.ownKeys, newer.ownKeys, FoldedKeyName);
  AddMissing(merged.setValues, newer.setValues,
             [](const ValueName& value) { return FoldedValue(value.root, value.key, value.name); });
  AddMissing(merged.createdKeys, newer.createdKeys, FoldedKeyName);
  // The last earlier entry of a name is the one a later one meets.
  std::unordered_map<std::string, std::size_t> earlierAt;
  for (std::size_t i = 0; i < merged.earlier.size(); ++i) {
    const EarlierValue& known = merged.earlier[i];
    earlierAt[FoldedValue(known.root, known.key, known.name)] = i;
  }
  for (const EarlierValue& value : newer.earlier) {
    const std::string name = FoldedValue(value.root, value.key, value.name);
    const auto existing = earlierAt.find(name);
    if (existing == earlierAt.end()) {
      earlierAt[name] = merged.earlier.size();
      merged.earlier.push_back(value);
    } else if (NewerEarlierCounts(newer, value)) {
      merged.earlier[existing->second] = value;
    }
  }
  return merged;
}

const EarlierValue* FindEarlier(const InstallRecord& record, Root root, const std::string& key,
                                const std::string& name) {
  for (const EarlierValue& value : record.earlier) {
    if (value.root == root && SameName(value.key, key) && SameName(value.name, name)) return &value;
  }
  return nullptr;
}

bool HasCreatedKey(const InstallRecord& record, Root root, const std::string& key) {
  for (const KeyName& created : record.createdKeys) {
    if (created.root == root && SameName(created.key, key)) return true;
  }
  return false;
}

}  // namespace installrecord
