#include "core/uninstall_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/command_arguments.h"
#include "core/command_line.h"

namespace uninstallrules {

using installrecord::SameName;
using footprint::GroupLinkNames;
using footprint::DesktopLinkNames;
using footprint::KnownCreatedKeys;
using footprint::KnownReplacedValues;
using footprint::OwnKeys;
using footprint::ScopeRoot;
using footprint::kGroupFolder;
using footprint::kRegisteredApplicationName;
using footprint::kRegisteredApplicationsKey;
using footprint::kUninstallEntryKey;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "/" and "\" alike, any case.
bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsSeparator(a[i]) && IsSeparator(b[i])) continue;
    if (!SameName(std::string(1, a[i]), std::string(1, b[i]))) return false;
  }
  return true;
}

bool StartsWithPath(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && SamePath(text.substr(0, prefix.size()), prefix);
}

const char* PlaceName(LinkPlace place) {
  switch (place) {
    case LinkPlace::kUserPrograms: return "user programs";
    case LinkPlace::kCommonPrograms: return "common programs";
    case LinkPlace::kUserDesktop: return "user desktop";
    case LinkPlace::kCommonDesktop: return "common desktop";
  }
  return "";
}

}  // namespace

std::string DataText(const std::string& data) {
  const std::size_t zero = data.find('\0');
  return zero == std::string::npos ? data : data.substr(0, zero);
}

bool IsProductProgId(const std::string& data) {
  const std::string text = DataText(data);
  const std::string product = kProductWord;
  return SameName(text, product) ||
         (text.size() > product.size() && SameName(text.substr(0, product.size() + 1), product + "."));
}

bool IsRunnableClass(const std::string& progId) {
  static const char* const kRunnable[] = {
      "exefile",  "batfile",  "cmdfile",  "comfile",   "scrfile",  "piffile",  "htafile",  "lnkfile",
      "regfile",  "cplfile",  "mscfile",  "inffile",   "JSFile",   "JSEFile",  "VBSFile",  "VBEFile",
      "WSFFile",  "WSHFile",  "Msi.Package", "Msi.Patch", "Microsoft.PowerShellScript.1",
      "Microsoft.PowerShellModule.1", "Microsoft.PowerShellData.1", "scriptletfile", "Shell.Application",
      "application", "Unknown", "*"};
  for (const char* runnable : kRunnable) {
    if (SameName(progId, runnable)) return true;
  }
  return false;
}

std::string EarlierProgId(const KnownValue& value, const EarlierValue& earlier) {
  if (value.kind != ValueKind::kExtensionDefault && value.kind != ValueKind::kUserChoice) return "";
  return DataText(earlier.data);
}

bool IsRestorableEarlier(const KnownValue& value, const EarlierValue& earlier) {
  constexpr unsigned long kStringType = 1;  // REG_SZ
  if (!earlier.existed || earlier.type != kStringType || earlier.data.size() > 2048) return false;
  if (value.kind != ValueKind::kExtensionDefault && value.kind != ValueKind::kUserChoice) return true;
  const std::string progId = DataText(earlier.data);
  if (progId.empty() || progId.size() > 255 || IsRunnableClass(progId)) return false;
  for (unsigned char c : progId) {
    if (c < 32 || c == 127 || c == '\\' || c == '/' || c == '"' || c == '%') return false;
  }
  return true;
}

bool IsOwnKeyOrBelow(Root root, const std::string& key, Scope scope) {
  auto within = [&](const std::string& own) {
    return SameName(key, own) ||
           (key.size() > own.size() + 1 && key[own.size()] == '\\' && SameName(key.substr(0, own.size()), own));
  };
  if (root == ScopeRoot(scope) && within(kUninstallEntryKey)) return true;
  for (const KnownKey& own : OwnKeys(scope)) {
    if (own.root == root && within(own.key)) return true;
  }
  return false;
}

ValueAction DecideValue(const KnownValue& value, bool exists, const std::string& current,
                        const EarlierValue* earlier, bool registered) {
  if (!exists || !SameName(DataText(current), value.ours)) return ValueAction::kLeave;
  const bool ours = earlier != nullptr && earlier->existed &&
                    (value.kind == ValueKind::kRegisteredApplication ? SameName(DataText(earlier->data), value.ours)
                     : value.kind != ValueKind::kNoOpenWith && IsProductProgId(earlier->data));
  const bool restorable = earlier != nullptr && !ours && registered && IsRestorableEarlier(value, *earlier);
  return restorable ? ValueAction::kWriteEarlier : ValueAction::kDelete;
}

bool IsProgramsPlace(LinkPlace place) {
  return place == LinkPlace::kUserPrograms || place == LinkPlace::kCommonPrograms;
}

bool IsProductLinkName(LinkPlace place, const std::string& name) {
  if (IsProgramsPlace(place)) {
    const std::string prefix = std::string(kGroupFolder) + "\\";
    if (name.size() <= prefix.size() || !SameName(name.substr(0, prefix.size()), prefix)) return false;
    const std::string link = name.substr(prefix.size());
    for (const std::string& known : GroupLinkNames()) {
      if (link == known) return true;
    }
    return false;
  }
  for (const std::string& known : DesktopLinkNames()) {
    if (name == known) return true;
  }
  return false;
}

bool IsPlainRelativeName(const std::string& name) {
  if (name.empty() || name.size() > kPathSize - 1) return false;
  if (IsSeparator(name.front()) || IsSeparator(name.back())) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size()) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (c < 32 || c == 127 || std::strchr(":*?\"<>|", c) != nullptr) return false;
      if (!IsSeparator(name[i])) continue;
    }
    const std::string component = name.substr(start, i - start);
    if (component.empty() || component == "." || component == "..") return false;
    // "x." and "x " name the same file as "x" on Windows: not a name we write.
    if (component.back() == '.' || component.back() == ' ') return false;
    start = i + 1;
  }
  return true;
}

bool IsPayloadName(const std::string& name, const std::vector<std::string>& payloadNames) {
  for (const std::string& known : payloadNames) {
    if (SamePath(name, known)) return true;
  }
  return false;
}

bool IsPayloadFolder(const std::string& folder, const std::vector<std::string>& payloadNames) {
  if (folder.size() < 2 || !IsSeparator(folder.back())) return false;
  for (const std::string& known : payloadNames) {
    if (known.size() > folder.size() && StartsWithPath(known, folder)) return true;
  }
  return false;
}

RecordVerdict CheckRecord(const InstallRecord& record, const std::string& ownFolder,
                          const std::vector<std::string>& payloadNames, std::string* why) {
  // Each scope's record names only its scope's keys and values.
  const Scope scope = record.scope;
  auto damaged = [why](const std::string& reason) {
    if (why != nullptr) *why = reason;
    return RecordVerdict::kDamaged;
  };
  if (!SameName(WithBackslash(record.folder), WithBackslash(ownFolder))) {
    if (why != nullptr) *why = "written for " + record.folder;
    return RecordVerdict::kForeign;
  }
  for (const installrecord::RecordedFile& file : record.files) {
    if (!IsPlainRelativeName(file.name) || !IsPayloadName(file.name, payloadNames)) return damaged("file " + file.name);
  }
  for (const std::string& kept : record.kept) {
    if (!IsPlainRelativeName(kept) || !IsPayloadName(kept, payloadNames)) return damaged("kept " + kept);
  }
  for (const std::string& folder : record.createdFolders) {
    if (folder.empty() || !IsPlainRelativeName(folder.substr(0, folder.size() - 1)) ||
        !IsPayloadFolder(folder, payloadNames)) {
      return damaged("folder " + folder);
    }
  }
  for (const installrecord::Link& link : record.links) {
    if (!IsProductLinkName(link.place, link.name)) return damaged(std::string("link ") + PlaceName(link.place) + " " + link.name);
  }
  for (LinkPlace place : record.createdGroups) {
    if (!IsProgramsPlace(place)) return damaged(std::string("group ") + PlaceName(place));
  }
  for (const installrecord::KeyName& key : record.ownKeys) {
    bool known = key.root == ScopeRoot(scope) && SameName(key.key, kUninstallEntryKey);
    for (const KnownKey& candidate : OwnKeys(scope)) {
      known = known || (candidate.root == key.root && SameName(candidate.key, key.key));
    }
    if (!known) return damaged("own key " + key.key);
  }
  for (const installrecord::ValueName& value : record.setValues) {
    bool known = value.root == ScopeRoot(scope) && SameName(value.key, kRegisteredApplicationsKey) &&
                 SameName(value.name, kRegisteredApplicationName);
    for (const KnownValue& candidate : KnownReplacedValues(scope)) {
      known = known || (candidate.root == value.root && SameName(candidate.key, value.key) &&
                        SameName(candidate.name, value.name));
    }
    if (!known) return damaged("set value " + value.key + " " + value.name);
  }
  for (const installrecord::KeyName& key : record.foundKeys) {
    if (!IsOwnKeyOrBelow(key.root, key.key, scope)) return damaged("found key " + key.key);
  }
  for (const installrecord::KeyName& key : record.createdKeys) {
    bool known = false;
    for (const KnownKey& candidate : KnownCreatedKeys(scope)) {
      known = known || (candidate.root == key.root && SameName(candidate.key, key.key));
    }
    if (!known) return damaged("key " + key.key);
  }
  for (const EarlierValue& value : record.earlier) {
    bool known = false;
    for (const KnownValue& candidate : KnownReplacedValues(scope)) {
      known = known || (candidate.root == value.root && SameName(candidate.key, value.key) &&
                        SameName(candidate.name, value.name));
    }
    // Registry string data of the setup's own values is short; anything
    // longer was not read by the setup. Values in a found key of the
    // product's may be anybody's, up to the size the setup reads.
    const bool inFoundKey = !known && IsOwnKeyOrBelow(value.root, value.key, scope);
    if ((!known && !inFoundKey) || value.data.size() > (known ? std::size_t{2048} : installrecord::kMaxFoundValueSize)) {
      return damaged("value " + value.key + " " + value.name);
    }
  }
  return RecordVerdict::kUsable;
}

std::vector<std::string> TakeOutOtherPayloadNames(InstallRecord* record, const std::vector<std::string>& payloadNames) {
  std::vector<std::string> taken;
  auto other = [&](const std::string& name) {
    if (!IsPlainRelativeName(name) || IsPayloadName(name, payloadNames)) return false;
    taken.push_back(name);
    return true;
  };
  auto& files = record->files;
  files.erase(std::remove_if(files.begin(), files.end(),
                             [&](const installrecord::RecordedFile& file) { return other(file.name); }),
              files.end());
  auto& kept = record->kept;
  kept.erase(std::remove_if(kept.begin(), kept.end(), other), kept.end());
  auto& folders = record->createdFolders;
  folders.erase(std::remove_if(folders.begin(), folders.end(),
                               [&](const std::string& folder) {
                                 if (folder.size() < 2 || !IsSeparator(folder.back()) ||
                                     !IsPlainRelativeName(folder.substr(0, folder.size() - 1)) ||
                                     IsPayloadFolder(folder, payloadNames)) {
                                   return false;
                                 }
                                 taken.push_back(folder);
                                 return true;
                               }),
                folders.end());
  return taken;
}

RecordVerdict AdoptRecord(InstallRecord* record, const std::string& ownFolder,
                          const std::vector<std::string>& payloadNames, std::string* why) {
  TakeOutOtherPayloadNames(record, payloadNames);
  return CheckRecord(*record, ownFolder, payloadNames, why);
}

std::string WithBackslash(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\') return folder;
  return folder + "\\";
}

bool IsEarlierFolderName(const std::string& folder, const std::string& ownFolder) {
  if (folder.size() < 5 || folder.back() != '\\' || folder[1] != ':' || folder[2] != '\\') return false;
  const char drive = static_cast<char>(folder[0] | 0x20);
  if (drive < 'a' || drive > 'z') return false;
  if (!IsPlainRelativeName(folder.substr(3, folder.size() - 4))) return false;
  return !installrecord::SameName(folder, WithBackslash(ownFolder));
}

bool IsProtectedFolder(const std::string& folder, const std::vector<std::string>& systemFolders,
                       const std::string& windowsFolder) {
  const std::string path = WithBackslash(folder);
  // Only plain absolute paths on a drive: "X:\a\b\".
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return true;
  const char drive = path[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return true;
  if (path.find('/') != std::string::npos) return true;
  if (!IsPlainRelativeName(path.substr(3, path.size() - 4))) return true;
  if (!windowsFolder.empty() && StartsWithPath(path, WithBackslash(windowsFolder))) return true;
  for (const std::string& system : systemFolders) {
    if (system.empty()) continue;
    if (StartsWithPath(WithBackslash(system), path)) return true;  // the folder itself or a parent of it
  }
  return false;
}

bool ParseUninstallOptions(const std::string& commandLine, UninstallOptions* options) {
  *options = UninstallOptions();
  options->silent = IsSilentRun(commandLine.c_str());
  const std::size_t cleanup = commandLine.find("/cleanup=");
  if (cleanup == std::string::npos) {
    options->help = AsksForHelp(commandLine.c_str());
    FindUnknownOption(commandLine.c_str(), kUninstallerOptions, &options->unknownOption);
    return true;
  }
  options->cleanup = true;
  // The copy's line is written by the original: "/cleanup=<n> /rmdir=<0|1> "<folder>"".
  std::size_t pos = cleanup + std::strlen("/cleanup=");
  unsigned long long handle = 0;
  std::size_t digits = 0;
  while (pos < commandLine.size() && commandLine[pos] >= '0' && commandLine[pos] <= '9' && digits < 20) {
    handle = handle * 10 + static_cast<unsigned>(commandLine[pos] - '0');
    ++pos;
    ++digits;
  }
  if (digits == 0 || commandLine.compare(pos, 8, " /rmdir=") != 0) return false;
  pos += 8;
  if (pos >= commandLine.size() || (commandLine[pos] != '0' && commandLine[pos] != '1')) return false;
  options->removeFolder = commandLine[pos] == '1';
  ++pos;
  if (commandLine.compare(pos, 2, " \"") != 0) return false;
  pos += 2;
  const std::size_t quote = commandLine.find('"', pos);
  if (quote == std::string::npos || quote == pos) return false;
  options->waitHandle = handle;
  options->folder = commandLine.substr(pos, quote - pos);
  return true;
}

}  // namespace uninstallrules
