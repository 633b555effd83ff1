#include "core/footprint.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "core/product.h"

namespace footprint {

using namespace shelltext;

namespace {

// The product's site and its answers to common questions, as the wizard's
// links name them; the program list shows them as the support links.
constexpr const char* kAboutAddress = "https://www.pixorra.example/";
constexpr const char* kHelpAddress = "https://www.pixorra.example/faq.html";
constexpr const char* kApplicationDescription =
    "Picture viewer, editor and converter - one of the most popular viewers worldwide";
constexpr const char* kDisplayName = "Pixorra 64 (remove only)";
constexpr const char* kPublisher = "Tamsin Orlo";
constexpr const char* kFriendlyAppName = "Pixorra 64-bit";
constexpr const char* kDesktopLinkDescription = "Pixorra 64 - Bildbetrachter";
constexpr const char* kThumbnailsDescription = "Pixorra - Thumbnails";
constexpr const char* kThumbsArgument = "/thumbs";
// The viewer's thumbnails icon.
constexpr int kThumbnailsIcon = 7;

// Text documents of the group, linked in this order after the uninstaller.
struct DocumentLink {
  const char* linkName;
  const char* fileName;
};
const DocumentLink kDocumentLinks[] = {
    {kAboutLinkName, kAboutFile},       {kChangesLinkName, kChangesFile},     {kOptionsLinkName, kOptionsFile},
    {kPlugInsLinkName, kPlugInsFile},   {kLanguagesLinkName, kLanguagesFile}, {kHelpLinkName, kHelpFile},
};

// The description under construction.
class Builder {
 public:
  explicit Builder(Footprint* footprint) : footprint_(footprint) {}

  RegistryItem& SetDefault(Hive hive, const std::string& key, const std::string& text) {
    RegistryItem item;
    item.action = Action::kSetDefault;
    item.hive = hive;
    item.key = key;
    item.text = text;
    return Add(item);
  }
  RegistryItem& SetText(Hive hive, const std::string& key, Opening opening, const std::string& name,
                        const std::string& text) {
    RegistryItem item;
    item.action = Action::kSetValue;
    item.hive = hive;
    item.key = key;
    item.name = name;
    item.text = text;
    item.opening = opening;
    return Add(item);
  }
  RegistryItem& SetNumber(Hive hive, const std::string& key, Opening opening, const std::string& name,
                          unsigned long number) {
    RegistryItem& item = SetText(hive, key, opening, name, "");
    item.type = ValueType::kNumber;
    item.number = number;
    return item;
  }
  RegistryItem& CreateKey(Hive hive, const std::string& key) {
    RegistryItem item;
    item.action = Action::kCreateKey;
    item.hive = hive;
    item.key = key;
    return Add(item);
  }
  RegistryItem& DeleteKey(Hive hive, const std::string& key) {
    RegistryItem item;
    item.action = Action::kDeleteKey;
    item.hive = hive;
    item.key = key;
    return Add(item);
  }

 private:
  RegistryItem& Add(const RegistryItem& item) {
    footprint_->registry.push_back(item);
    return footprint_->registry.back();
  }
  Footprint* footprint_;
};

std::string Composed(bool (*compose)(const char*, char*, std::size_t), const char* text) {
  char out[kKeySize];
  return compose(text, out, sizeof out) ? std::string(out) : std::string();
}

// Path of the App Paths entry: the install folder without its backslash (a
// drive's root apart).
std::string AppPathFolder(const InstallTexts& texts) {
  char folder[sizeof(texts.folder)];
  std::memcpy(folder, texts.folder, sizeof(folder));
  folder[sizeof(folder) - 1] = '\0';
  const std::size_t length = std::strlen(folder);
  if (length > 3 && folder[length - 1] == '\\') folder[length - 1] = '\0';
  return folder;
}

void DescribeUninstallEntry(const Choices& choices, const InstallTexts& texts, Builder& add, Footprint* footprint) {
  add.SetDefault(Hive::kMachine, kUninstallEntryKey, "").essential = true;
  char version[kShortSize];
  FormatInto(version, sizeof(version), "%d.%d", kVersionMajor, kVersionMinor);
  char quiet[kCommandSize];
  const bool quietFits = ComposeQuietUninstallCommand(texts.folder, quiet, sizeof(quiet));
  const std::size_t first = footprint->registry.size();
  const Opening full = Opening::kExistingFull;
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kDisplayNameValue, kDisplayName);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kUninstallStringValue, texts.uninstallCommand);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kPublisherValue, kPublisher);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kInstallLocationValue, texts.folder);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kDisplayVersionValue, version);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kDisplayIconValue, texts.displayIcon);
  add.SetNumber(Hive::kMachine, kUninstallEntryKey, full, kVersionMajorValue, kVersionMajor);
  add.SetNumber(Hive::kMachine, kUninstallEntryKey, full, kVersionMinorValue, kVersionMinor);
  add.SetNumber(Hive::kMachine, kUninstallEntryKey, full, kEstimatedSizeValue,
                KilobytesRoundedUp(choices.payloadBytes));
  add.SetNumber(Hive::kMachine, kUninstallEntryKey, full, kNoModifyValue, 1);
  add.SetNumber(Hive::kMachine, kUninstallEntryKey, full, kNoRepairValue, 1);
  // What deployment tools run to remove the program without a window; the
  // support links; the date the program list shows.
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kQuietUninstallStringValue, quietFits ? quiet : "")
      .unavailable = !quietFits;
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kUrlInfoAboutValue, kAboutAddress);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kHelpLinkValue, kHelpAddress);
  add.SetText(Hive::kMachine, kUninstallEntryKey, full, kInstallDateValue, choices.installDate).unavailable =
      choices.installDate.empty();
  // Each value only while every one before it was written.
  for (std::size_t i = first; i < footprint->registry.size(); ++i) {
    footprint->registry[i].afterPrevious = true;
    footprint->registry[i].essential = true;
  }
}

// Before the association stage: verbs, the product's class, the
// "Applications" entry, the uninstall entry, App Paths, the application key
// with its capabilities and the registered application.
void DescribeRegistration(const Choices& choices, const InstallTexts& texts, Builder& add, Footprint* footprint) {
  if (choices.thumbs) {
    for (const char* classKey : {kDirectoryClass, kDriveClass}) {
      char key[kKeySize];
      if (ComposeVerbKey(classKey, false, key, sizeof(key))) add.SetDefault(Hive::kMachine, key, kVerbName);
      if (ComposeVerbKey(classKey, true, key, sizeof(key))) add.SetDefault(Hive::kMachine, key, texts.browseCommand);
    }
  }
  add.SetDefault(Hive::kMachine, kProductClassKey, kProductWord);
  // The next setup run reads this command back to find this installation.
  add.SetDefault(Hive::kMachine, kOpenCommandKey, texts.openCommand).essential = true;
  // Older versions put an icon here; the per-format ProgIDs carry the icons now.
  add.DeleteKey(Hive::kMachine, kOldProductIconKey);

  add.SetDefault(Hive::kClasses, kApplicationsCommandKey, texts.openCommand);
  add.SetText(Hive::kClasses, kApplicationsEntryKey, Opening::kExistingFull, kFriendlyAppNameValue, kFriendlyAppName);

  DescribeUninstallEntry(choices, texts, add, footprint);

  // "px_main64" typed into Run, or started by name from any program, finds
  // the viewer here; Path is the folder Windows puts in front of the search
  // path for it.
  add.SetDefault(Hive::kMachine, kAppPathsKey, texts.programPath);
  add.SetText(Hive::kMachine, kAppPathsKey, Opening::kExisting, kAppPathValue, AppPathFolder(texts)).afterPrevious =
      true;

  add.CreateKey(Hive::kMachine, kApplicationKey);
  add.SetDefault(Hive::kMachine, kApplicationCommandKey, texts.quotedProgram);
  add.SetText(Hive::kMachine, kCapabilitiesKey, Opening::kCreate, kDescriptionValue, kApplicationDescription);
  // Must exist before the association stage: it only opens this key.
  add.CreateKey(Hive::kMachine, kFileAssociationsKey);
  add.SetText(Hive::kMachine, kRegisteredApplicationsKey, Opening::kExisting, kRegisteredApplicationName,
              kCapabilitiesKey)
      .replaces = ValueKind::kRegisteredApplication;
}

// The association stage: every ProgID and capability value, the extension
// defaults and user choices of the chosen rows.
void DescribeAssociations(const Choices& choices, const InstallTexts& texts, Builder& add, Footprint* footprint) {
  const bool userChoices = choices.userAssociations;
  // The ProgID suffixes written so far with the icon text of their last
  // write: several extensions share a suffix (.jpg, .jpe, .jpeg), and their
  // ProgID keys and capability are written once.
  std::map<std::string, std::string> written;
  bool anyChoice = false;
  for (int index = 0; index < FormatRowCount(); ++index) {
    const FormatRow* row = GetFormatRow(index);
    char iconText[kCommandSize];
    if (!ComposeIconText(row->icon, texts.programPath, iconText, sizeof(iconText))) continue;
    const bool chosen = choices.formats[index] && choices.confirmed;
    for (int e = 0; e < row->extensionCount; ++e) {
      const char* ext = row->extensions[e].extension;
      const char* sfx = row->extensions[e].suffix;
      const std::string extension = std::string(".") + ext;
      const std::size_t first = footprint->registry.size();
      char progId[kShortSize];
      char key[kKeySize];
      if (!ComposeProgId(sfx, progId, sizeof(progId))) {
        if (chosen) {
          RegistryItem& failed = add.SetDefault(Hive::kMachine, Composed(ComposeExtensionKey, ext), "");
          failed.unavailable = true;
          failed.extension = extension;
        }
      } else {
        if (chosen && ComposeExtensionKey(ext, key, sizeof(key))) {
          RegistryItem& item = add.SetDefault(Hive::kMachine, key, progId);
          item.extension = extension;
          item.replaces = ValueKind::kExtensionDefault;
          item.progId = progId;
          footprint->createdKeys.push_back({Root::kLocalMachine, key});
        }
        const auto seen = written.find(sfx);
        if (seen == written.end() || seen->second != iconText) {
          char description[kShortSize];
          if (ComposeProgIdKey(sfx, key, sizeof(key)) &&
              ComposeTypeDescription(sfx, description, sizeof(description))) {
            RegistryItem& item = add.SetDefault(Hive::kMachine, key, description);
            item.progId = progId;
            item.progIdKey = true;
          }
          if (ComposeProgIdCommandKey(sfx, key, sizeof(key))) {
            RegistryItem& item = add.SetDefault(Hive::kMachine, key, texts.openCommand);
            item.progId = progId;
            item.progIdKey = true;
          }
          if (ComposeProgIdIconKey(sfx, key, sizeof(key))) add.SetDefault(Hive::kMachine, key, iconText);
        }
        // Only into the key that the registration created: its absence means
        // the application keys could not be written, and then this stays
        // unwritten too.
        char capability[kShortSize];
        if (seen == written.end() && ComposeCapabilityName(sfx, capability, sizeof(capability))) {
          add.SetText(Hive::kMachine, kFileAssociationsKey, Opening::kExisting, capability, progId);
        }
        written[sfx] = iconText;
        if (chosen && userChoices && ComposeUserChoiceKey(ext, key, sizeof(key))) {
          // A user choice left by another program is replaced, not merged.
          RegistryItem& removal = add.DeleteKey(Hive::kUser, key);
          removal.name = kHashValue;
          removal.replaces = ValueKind::kUserChoiceHash;
          removal.progId = progId;
          RegistryItem& choice = add.SetText(Hive::kUser, key, Opening::kCreate, kProgIdValue, progId);
          choice.extension = extension;
          choice.replaces = ValueKind::kUserChoice;
          choice.progId = progId;
          footprint->createdKeys.push_back({Root::kCurrentUser, std::string(kFileExtsKey) + "\\" + extension});
          anyChoice = true;
        }
      }
      for (std::size_t i = first; i < footprint->registry.size(); ++i) footprint->registry[i].formatRow = index;
    }
  }
  // Their parent, which Windows always has and a bare system may not.
  if (anyChoice) footprint->createdKeys.push_back({Root::kCurrentUser, kFileExtsKey});
  if (choices.associate && choices.confirmed) {
    if (userChoices && choices.windows8OrLater) {
      for (const char* appClass : kStoreAppClasses) {
        RegistryItem& item = add.SetText(Hive::kUser, appClass, Opening::kCreate, kNoOpenWithValue, "");
        item.formatRow = kAnyAssociation;
        item.replaces = ValueKind::kNoOpenWith;
        footprint->createdKeys.push_back({Root::kCurrentUser, appClass});
      }
    }
    footprint->refreshShell = true;
  }
  // The parents of the folder and drive verbs; Windows has them, a bare
  // system may not. Each before its parent, so that both can go.
  if (choices.thumbs) {
    for (const char* classKey : {kDirectoryClass, kDriveClass}) {
      const std::string classes = std::string("SOFTWARE\\Classes\\") + classKey;
      footprint->createdKeys.push_back({Root::kLocalMachine, classes + "\\shell"});
      footprint->createdKeys.push_back({Root::kLocalMachine, classes});
    }
  }
}

void DescribeOwnKeys(const Choices& choices, Footprint* footprint) {
  std::vector<std::string> suffixes;
  for (int row = 0; row < FormatRowCount(); ++row) {
    const FormatRow* format = GetFormatRow(row);
    for (int e = 0; e < format->extensionCount; ++e) {
      const std::string sfx = format->extensions[e].suffix;
      if (std::find(suffixes.begin(), suffixes.end(), sfx) != suffixes.end()) continue;
      suffixes.push_back(sfx);
      footprint->ownKeys.push_back({Root::kLocalMachine, Composed(ComposeProgIdKey, sfx.c_str())});
    }
  }
  footprint->ownKeys.push_back({Root::kLocalMachine, kProductClassKey});
  footprint->ownKeys.push_back({Root::kLocalMachine, kApplicationsMachineKey});
  if (choices.thumbs) {
    for (const char* classKey : {kDirectoryClass, kDriveClass}) {
      char key[kKeySize];
      if (ComposeVerbKey(classKey, false, key, sizeof key)) footprint->ownKeys.push_back({Root::kLocalMachine, key});
    }
  }
  footprint->ownKeys.push_back({Root::kLocalMachine, kAppPathsKey});
  footprint->ownKeys.push_back({Root::kLocalMachine, kApplicationKey});
}

LinkItem Link(LinkPlace place, const std::string& name, LinkTarget target) {
  LinkItem link;
  link.place = place;
  link.name = name;
  link.target = target;
  return link;
}

void DescribeLinks(const Choices& choices, Footprint* footprint) {
  std::vector<LinkItem>& links = footprint->links;
  // The current user's installation writes into no other user's folders.
  const bool allUsers = choices.allUsers && !choices.perUser;
  if (choices.group) {
    footprint->groupFolder = true;
    const LinkPlace programs = allUsers ? LinkPlace::kCommonPrograms : LinkPlace::kUserPrograms;
    char main[kShortSize];
    ComposeMainLinkName(kVersionMajor, kVersionMinor, main, sizeof main);
    links.push_back(Link(programs, main, LinkTarget::kViewer));
    LinkItem thumbs = Link(programs, kThumbnailsLinkName, LinkTarget::kViewer);
    thumbs.arguments = kThumbsArgument;
    thumbs.viewerIcon = true;
    thumbs.iconIndex = kThumbnailsIcon;
    links.push_back(thumbs);
    // From Windows 8 on, users uninstall through the system's program list.
    if (!choices.windows8OrLater) links.push_back(Link(programs, kUninstallLinkName, LinkTarget::kUninstaller));
    for (const DocumentLink& document : kDocumentLinks) {
      LinkItem link = Link(programs, document.linkName, LinkTarget::kInstalledFile);
      link.file = document.fileName;
      links.push_back(link);
    }
  }
  const LinkPlace desktop = allUsers ? LinkPlace::kCommonDesktop : LinkPlace::kUserDesktop;
  if (choices.desktop) {
    LinkItem viewer = Link(desktop, kDesktopLinkName, LinkTarget::kViewer);
    viewer.description = kDesktopLinkDescription;
    links.push_back(viewer);
  }
  if (choices.thumbs) {
    LinkItem thumbs = Link(desktop, kDesktopThumbnailsLinkName, LinkTarget::kViewer);
    thumbs.arguments = kThumbsArgument;
    thumbs.viewerIcon = true;
    thumbs.iconIndex = kThumbnailsIcon;
    thumbs.description = kThumbnailsDescription;
    links.push_back(thumbs);
  }
}

// The current user's installation: the same items below HKEY_CURRENT_USER.
// Keys that a machine has and a user's hive may lack are created on the way
// and go again when they are left empty.
void MoveToUser(Footprint* footprint) {
  for (RegistryItem& item : footprint->registry) {
    if (item.hive == Hive::kClasses) item.key = RootKeyPath(item);
    item.hive = Hive::kUser;
    // A user's hive need not hold the list of registered applications yet.
    if (item.replaces == ValueKind::kRegisteredApplication) item.opening = Opening::kCreate;
  }
  for (KeyItem& key : footprint->ownKeys) key.root = Root::kCurrentUser;
  for (KeyItem& key : footprint->createdKeys) key.root = Root::kCurrentUser;
  footprint->uninstallEntry.root = Root::kCurrentUser;
  for (const char* parent : {kRegisteredApplicationsKey, kAppPathsParentKey, kUninstallParentKey,
                             kUserApplicationsKey, kUserClassesKey}) {
    footprint->createdKeys.push_back({Root::kCurrentUser, parent});
  }
}

bool SameItem(const RegistryItem& a, const RegistryItem& b) {
  return a.action == b.action && a.hive == b.hive && a.key == b.key && a.name == b.name;
}
bool SameKey(const KeyItem& a, const KeyItem& b) { return a.root == b.root && a.key == b.key; }
bool SameLink(const LinkItem& a, const LinkItem& b) { return a.place == b.place && a.name == b.name; }

// Adds the elements of more that list lacks, each right after the element
// that comes before it in more: both orders are kept.
template <typename T, typename Same>
void MergeInOrder(std::vector<T>* list, const std::vector<T>& more, Same same) {
  std::size_t at = 0;
  for (const T& element : more) {
    std::size_t found = list->size();
    for (std::size_t i = 0; i < list->size(); ++i) {
      if (same((*list)[i], element)) {
        found = i;
        break;
      }
    }
    if (found == list->size()) {
      list->insert(list->begin() + static_cast<std::ptrdiff_t>(at), element);
      found = at;
    }
    at = found + 1;
  }
}

}  // namespace

Footprint Describe(const Choices& choices, const InstallTexts& texts) {
  Footprint footprint;
  Builder add(&footprint);
  DescribeRegistration(choices, texts, add, &footprint);
  DescribeAssociations(choices, texts, add, &footprint);
  DescribeOwnKeys(choices, &footprint);
  DescribeLinks(choices, &footprint);
  footprint.files.push_back({FilePlace::kSettingsFolder, kSettingsFileName});
  footprint.files.push_back({FilePlace::kInstallFolder, kRecordFileName});
  if (choices.perUser) MoveToUser(&footprint);
  return footprint;
}

namespace {

// Every choice combination of one scope, merged.
Footprint Merged(Scope scope) {
  Choices every;
  every.perUser = scope == Scope::kUser;
  every.group = every.desktop = every.thumbs = true;
  every.associate = every.confirmed = every.userAssociations = true;
  for (bool& format : every.formats) format = true;
  every.installDate = "16010101";
  InstallTexts texts;
  ComposeInstallTexts("C:\\Pixorra", &texts);
  // Windows 8 on adds the store app classes, earlier versions the
  // uninstaller's link.
  every.windows8OrLater = true;
  Footprint result = Describe(every, texts);
  every.windows8OrLater = false;
  const Footprint older = Describe(every, texts);
  MergeInOrder(&result.registry, older.registry, SameItem);
  MergeInOrder(&result.ownKeys, older.ownKeys, SameKey);
  MergeInOrder(&result.createdKeys, older.createdKeys, SameKey);
  MergeInOrder(&result.links, older.links, SameLink);
  return result;
}

}  // namespace

const Footprint& Union(Scope scope) {
  static const Footprint machine = Merged(Scope::kMachine);
  static const Footprint user = Merged(Scope::kUser);
  return scope == Scope::kUser ? user : machine;
}

Root ScopeRoot(Scope scope) { return scope == Scope::kUser ? Root::kCurrentUser : Root::kLocalMachine; }

Root RootOf(Hive hive) { return hive == Hive::kUser ? Root::kCurrentUser : Root::kLocalMachine; }

std::string RootKeyPath(const RegistryItem& item) {
  return item.hive == Hive::kClasses ? "SOFTWARE\\Classes\\" + item.key : item.key;
}

namespace {

// The replaced values of one scope's union, in KnownReplacedValues' order.
std::vector<KnownValue> ReplacedValuesOf(Scope scope) {
  const std::vector<RegistryItem>& items = Union(scope).registry;
  // Sorted by format row (the values of every run last), extension and
  // kind, so that each extension's default, user choice and hash follow
  // each other.
  std::map<std::string, std::size_t> extensionOrder;
  std::vector<std::tuple<int, int, std::size_t, int, std::size_t>> order;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const RegistryItem& item = items[i];
    if (item.replaces == ValueKind::kNone) continue;
    const int group = item.formatRow >= 0 ? 0 : item.formatRow == kAnyAssociation ? 1 : 2;
    order.emplace_back(group, item.formatRow, 0, static_cast<int>(item.replaces), i);
  }
  // Each row's extensions in the order they appear.
  std::size_t sequence = 0;
  for (auto& entry : order) {
    const RegistryItem& item = items[std::get<4>(entry)];
    if (std::get<0>(entry) != 0) continue;
    std::string ext = item.extension;
    if (ext.empty()) {
      // A user choice's removal: "...\FileExts\.<ext>\UserChoice".
      const std::string key = item.key.substr(0, item.key.rfind('\\'));
      ext = key.substr(key.rfind('\\') + 1);
    }
    if (extensionOrder.find(ext) == extensionOrder.end()) extensionOrder[ext] = sequence++;
    std::get<2>(entry) = extensionOrder[ext];
  }
  std::stable_sort(order.begin(), order.end());
  std::vector<KnownValue> list;
  for (const auto& entry : order) {
    const RegistryItem& item = items[std::get<4>(entry)];
    const std::string ours =
        item.replaces == ValueKind::kUserChoiceHash || item.replaces == ValueKind::kNoOpenWith ? "" : item.text;
    list.push_back({item.replaces, RootOf(item.hive), RootKeyPath(item), item.name, ours, item.formatRow});
  }
  return list;
}

}  // namespace

const std::vector<KnownValue>& KnownReplacedValues(Scope scope) {
  static const std::vector<KnownValue> machine = ReplacedValuesOf(Scope::kMachine);
  static const std::vector<KnownValue> user = ReplacedValuesOf(Scope::kUser);
  return scope == Scope::kUser ? user : machine;
}

const std::vector<KnownKey>& KnownCreatedKeys(Scope scope) { return Union(scope).createdKeys; }

const std::vector<KeyItem>& OwnKeys(Scope scope) { return Union(scope).ownKeys; }

const std::vector<std::string>& StoreAppClasses() {
  static const std::vector<std::string> classes(std::begin(kStoreAppClasses), std::end(kStoreAppClasses));
  return classes;
}

const std::vector<std::string>& GroupLinkNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const LinkItem& link : Union().links) {
      if (link.place == LinkPlace::kUserPrograms || link.place == LinkPlace::kCommonPrograms) list.push_back(link.name);
    }
    return list;
  }();
  return names;
}

const std::vector<std::string>& DesktopLinkNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const LinkItem& link : Union().links) {
      if (link.place == LinkPlace::kUserDesktop || link.place == LinkPlace::kCommonDesktop) list.push_back(link.name);
    }
    return list;
  }();
  return names;
}

bool ComposeQuietUninstallCommand(const char* folder, char* out, std::size_t size) {
  return FormatInto(out, size, "\"%s%s\" /silent", folder, kUninstallerFileName);
}

bool FormatInstallDate(int year, int month, int day, char* out, std::size_t size) {
  if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
    if (out != nullptr && size > 0) out[0] = '\0';
    return false;
  }
  return FormatInto(out, size, "%04d%02d%02d", year, month, day);
}

unsigned long KilobytesRoundedUp(unsigned long long bytes) {
  const unsigned long long kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
  return kb > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<unsigned long>(kb);
}

}  // namespace footprint
