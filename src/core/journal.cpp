#include "core/journal.h"

#include <utility>

#include "core/record_text.h"

namespace journal {

namespace {

using installrecord::LinkPlace;
using installrecord::ParsePlace;
using installrecord::ParseRoot;
using installrecord::PlaceText;
using installrecord::Root;
using installrecord::RootText;
using recordtext::AddLine;
using recordtext::Escape;
using recordtext::ParseNumber;
using recordtext::SplitFields;
using recordtext::Unescape;

constexpr const char* kHeader = "Pixorra installation journal";
constexpr const char* kEnd = "End";

bool ParseYesNo(const std::string& text, const char* yes, const char* no, bool* value) {
  if (text == yes) *value = true;
  else if (text == no) *value = false;
  else return false;
  return true;
}

const char* KeyState(const Key& key) {
  if (key.link) return "link";
  return key.existed ? "found" : "absent";
}

// A kept link's bytes as one field: two upper-case hex digits per byte, so
// that the bytes need no escape and have one spelling.
std::string HexText(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    text += kHex[c >> 4];
    text += kHex[c & 15];
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Exactly what HexText writes for at most kMostLinkBytes bytes.
bool ParseHexText(const std::string& text, std::string* bytes) {
  if (text.size() % 2 != 0 || text.size() / 2 > kMostLinkBytes) return false;
  bytes->clear();
  bytes->reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

// "Link place name found|absent", and for a found link whose bytes were
// kept, those bytes as a fifth field. A journal of an earlier build has the
// four fields only; its found links are left on undo.
void AddLink(std::string& out, const Link& link) {
  if (link.existed && link.kept) {
    AddLine(out, {"Link", PlaceText(link.place), Escape(link.name), "found", HexText(link.content)});
  } else {
    AddLine(out, {"Link", PlaceText(link.place), Escape(link.name), link.existed ? "found" : "absent"});
  }
}

bool ParseLink(const std::vector<std::string>& f, Link* link) {
  if ((f.size() != 4 && f.size() != 5) || !ParsePlace(f[1], &link->place) ||
      !ParseYesNo(f[3], "found", "absent", &link->existed)) {
    return false;
  }
  link->name = f[2];
  if (f.size() == 4) return true;
  link->kept = true;
  return link->existed && ParseHexText(f[4], &link->content);
}

void AddKey(std::string& out, const char* kind, const Key& key) {
  AddLine(out, {kind, RootText(key.root), Escape(key.key), KeyState(key)});
}

bool ParseKey(const std::vector<std::string>& f, Key* key) {
  if (f.size() != 4 || !ParseRoot(f[1], &key->root)) return false;
  key->key = f[2];
  key->link = f[3] == "link";
  if (key->link) key->existed = true;
  return key->link || ParseYesNo(f[3], "found", "absent", &key->existed);
}

void AddValue(std::string& out, const char* kind, const Value& value) {
  if (value.tooLarge) {
    AddLine(out, {kind, RootText(value.root), Escape(value.key), Escape(value.name), "large"});
  } else if (value.existed) {
    AddLine(out, {kind, RootText(value.root), Escape(value.key), Escape(value.name), std::to_string(value.type),
                  Escape(value.data)});
  } else {
    AddLine(out, {kind, RootText(value.root), Escape(value.key), Escape(value.name), "none"});
  }
}

bool ParseValue(const std::vector<std::string>& f, Value* value) {
  if ((f.size() != 5 && f.size() != 6) || !ParseRoot(f[1], &value->root)) return false;
  value->key = f[2];
  value->name = f[3];
  if (f.size() == 5) {
    value->tooLarge = f[4] == "large";
    value->existed = value->tooLarge;
    return value->tooLarge || f[4] == "none";
  }
  value->existed = true;
  return ParseNumber(f[4], &value->type) && (value->data = f[5], true);
}

const char* StateText(State state) {
  switch (state) {
    case State::kFinished:
      return "finished";
    case State::kUndoIncomplete:
      return "undo-incomplete";
    case State::kUnfinished:
      break;
  }
  return "unfinished";
}

// The first format that has the state.
unsigned long FormatOf(State state) { return state == State::kUndoIncomplete ? 2 : 1; }

// One line of the entries; f holds the unescaped fields.
bool ParseEntry(const std::vector<std::string>& f, Journal* j) {
  const std::string& kind = f[0];
  if (kind == "CreatedFolder" && f.size() == 2) {
    j->createdFolders.push_back(f[1]);
    return true;
  }
  if (kind == "Kept" && f.size() == 2) {
    j->kept.push_back(f[1]);
    return true;
  }
  if (kind == "PayloadFolder" && f.size() == 2) {
    j->payloadFolders.push_back(f[1]);
    return true;
  }
  if (kind == "File" && f.size() == 5) {
    File file;
    unsigned long size = 0;
    file.name = f[1];
    if (!ParseYesNo(f[2], "replaces", "new", &file.replaces) || !ParseNumber(f[3], &size) ||
        !ParseNumber(f[4], &file.crc)) {
      return false;
    }
    file.size = size;
    j->files.push_back(file);
    return true;
  }
  if (kind == "Record" && f.size() == 2 && !j->recordStep) {
    j->recordStep = true;
    return ParseYesNo(f[1], "replaces", "new", &j->recordReplaced);
  }
  if (kind == "Settings" && (f.size() == 3 || f.size() == 4)) {
    Settings settings;
    settings.path = f[1];
    settings.existed = f.size() == 4;
    if (settings.existed) settings.content = f[3];
    j->settings.push_back(settings);
    return f[2] == (settings.existed ? "found" : "absent");
  }
  if (kind == "CreatedGroup" && f.size() == 2) {
    LinkPlace place;
    if (!ParsePlace(f[1], &place)) return false;
    j->createdGroups.push_back(place);
    return true;
  }
  if (kind == "Link") {
    Link link;
    if (!ParseLink(f, &link)) return false;
    j->links.push_back(std::move(link));
    return true;
  }
  if (kind == "OwnKey" || kind == "OwnSubKey" || kind == "Key") {
    Key key;
    if (!ParseKey(f, &key)) return false;
    if (kind == "OwnSubKey" && !key.existed) return false;
    (kind == "OwnKey" ? j->ownKeys : kind == "Key" ? j->keys : j->ownSubKeys).push_back(key);
    return true;
  }
  if (kind == "OwnValue" || kind == "Value") {
    Value value;
    if (!ParseValue(f, &value)) return false;
    (kind == "Value" ? j->values : j->ownValues).push_back(value);
    return true;
  }
  return false;
}

// The lines before the entries, in their fixed order.
bool ParseHead(const std::vector<std::string>& f, int index, Journal* j, bool* later) {
  switch (index) {
    case 0:
      if (f.size() != 2 || f[0] != "Format" || !ParseNumber(f[1], &j->format) || j->format == 0) return false;
      if (j->format > kFormat) *later = true;
      return j->format <= kFormat;
    case 1:
      if (f.size() != 2 || f[0] != "Version" || f[1].empty()) return false;
      j->version = f[1];
      return true;
    case 2: {
      bool user = false;
      if (f.size() != 2 || f[0] != "Scope" || !ParseYesNo(f[1], "user", "machine", &user)) return false;
      j->scope = user ? installrecord::Scope::kUser : installrecord::Scope::kMachine;
      return true;
    }
    case 3:
      if (f.size() != 2 || f[0] != "Folder" || f[1].empty()) return false;
      j->folder = f[1];
      return true;
    case 4:
      if (f.size() != 2 || f[0] != "State") return false;
      for (const State state : {State::kUnfinished, State::kFinished, State::kUndoIncomplete}) {
        if (f[1] == StateText(state) && FormatOf(state) <= j->format) {
          j->state = state;
          return true;
        }
      }
      return false;
  }
  return false;
}

constexpr int kHeadLines = 5;

}  // namespace

std::string Serialize(const Journal& j) {
  std::string out;
  AddLine(out, {kHeader});
  AddLine(out, {"Format", std::to_string(FormatOf(j.state))});
  AddLine(out, {"Version", Escape(j.version)});
  AddLine(out, {"Scope", j.scope == installrecord::Scope::kUser ? "user" : "machine"});
  AddLine(out, {"Folder", Escape(j.folder)});
  AddLine(out, {"State", StateText(j.state)});
  for (const std::string& folder : j.createdFolders) AddLine(out, {"CreatedFolder", Escape(folder)});
  for (const std::string& kept : j.kept) AddLine(out, {"Kept", Escape(kept)});
  for (const std::string& folder : j.payloadFolders) AddLine(out, {"PayloadFolder", Escape(folder)});
  for (const File& file : j.files) {
    AddLine(out, {"File", Escape(file.name), file.replaces ? "replaces" : "new", std::to_string(file.size),
                  std::to_string(file.crc)});
  }
  for (const Settings& settings : j.settings) {
    if (settings.existed) {
      AddLine(out, {"Settings", Escape(settings.path), "found", Escape(settings.content)});
    } else {
      AddLine(out, {"Settings", Escape(settings.path), "absent"});
    }
  }
  for (const LinkPlace place : j.createdGroups) AddLine(out, {"CreatedGroup", PlaceText(place)});
  for (const Link& link : j.links) AddLink(out, link);
  for (const Key& key : j.ownKeys) AddKey(out, "OwnKey", key);
  for (const Key& key : j.ownSubKeys) AddKey(out, "OwnSubKey", key);
  for (const Value& value : j.ownValues) AddValue(out, "OwnValue", value);
  for (const Key& key : j.keys) AddKey(out, "Key", key);
  for (const Value& value : j.values) AddValue(out, "Value", value);
  // Last among the entries: the record is written at the very end.
  if (j.recordStep) AddLine(out, {"Record", j.recordReplaced ? "replaces" : "new"});
  AddLine(out, {kEnd});
  return out;
}

bool Parse(const std::string& text, Journal* j, std::string* why, bool* later) {
  *j = Journal();
  bool isLater = false;
  auto fail = [&](const std::string& reason) {
    if (why != nullptr) *why = reason;
    if (later != nullptr) *later = isLater;
    return false;
  };
  int lineNumber = 0;
  bool sawEnd = false;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) return fail("cut off after line " + std::to_string(lineNumber));
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const int index = lineNumber++;
    if (sawEnd) return fail("text after the end line");
    if (index == 0) {
      if (line != kHeader) return fail("not an installation journal");
      continue;
    }
    if (line == kEnd) {
      sawEnd = true;
      continue;
    }
    const std::vector<std::string> raw = SplitFields(line);
    std::vector<std::string> fields(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (!Unescape(raw[i], &fields[i])) return fail("line " + std::to_string(index + 1) + " unreadable");
    }
    const bool read = index <= kHeadLines ? ParseHead(fields, index - 1, j, &isLater) : ParseEntry(fields, j);
    if (isLater) return fail("format " + std::to_string(j->format) + " is later than this program's");
    if (!read) return fail("line " + std::to_string(index + 1) + " unreadable");
  }
  if (lineNumber == 0) return fail("empty");
  if (!sawEnd) return fail("no end line");
  if (lineNumber <= kHeadLines + 1) return fail("no state line");
  return true;
}

}  // namespace journal
