// The description of what an installation writes, as data: what each choice
// adds or leaves out, what holds in every combination of choices, and that
// the uninstaller's lists cover all of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/footprint.h"
#include "core/shell_text.h"

using namespace footprint;

namespace {

enum class Formats { kNone, kImages, kAll };

struct Case {
  const char* name;
  bool group, desktop, thumbs, allUsers;
  Formats formats;
  bool confirmed, userAssociations, windows8;
};

Choices ChoicesOf(const Case& c) {
  Choices choices;
  choices.group = c.group;
  choices.desktop = c.desktop;
  choices.thumbs = c.thumbs;
  choices.allUsers = c.allUsers;
  for (int row = 0; row < kFormatRowCount; ++row) {
    choices.formats[row] = c.formats == Formats::kAll || (c.formats == Formats::kImages && row < kImageRowCount);
  }
  choices.associate = c.formats != Formats::kNone;
  choices.confirmed = c.confirmed;
  choices.userAssociations = c.userAssociations;
  choices.windows8OrLater = c.windows8;
  choices.installDate = "20261208";
  choices.payloadBytes = 5000 * 1024 + 1;
  return choices;
}

Footprint Of(const Case& c, const char* folder = "C:\\Tools\\Pixorra") {
  shelltext::InstallTexts texts;
  EXPECT_TRUE(shelltext::ComposeInstallTexts(folder, &texts));
  return Describe(ChoicesOf(c), texts);
}

int CountReplaced(const Footprint& f, ValueKind kind) {
  return static_cast<int>(std::count_if(f.registry.begin(), f.registry.end(),
                                        [kind](const RegistryItem& item) { return item.replaces == kind; }));
}

int CountKey(const Footprint& f, const std::string& part) {
  return static_cast<int>(std::count_if(f.registry.begin(), f.registry.end(), [&](const RegistryItem& item) {
    return item.key.find(part) != std::string::npos;
  }));
}

int LinksAt(const Footprint& f, LinkPlace place) {
  return static_cast<int>(
      std::count_if(f.links.begin(), f.links.end(), [place](const LinkItem& link) { return link.place == place; }));
}

int Extensions(int firstRow, int endRow) {
  int count = 0;
  for (int row = firstRow; row < endRow; ++row) count += GetFormatRow(row)->extensionCount;
  return count;
}

// The distinct ProgID suffixes of the table.
int Suffixes() {
  std::vector<std::string> seen;
  for (int row = 0; row < kFormatRowCount; ++row) {
    for (int e = 0; e < GetFormatRow(row)->extensionCount; ++e) {
      const std::string sfx = GetFormatRow(row)->extensions[e].suffix;
      if (std::find(seen.begin(), seen.end(), sfx) == seen.end()) seen.push_back(sfx);
    }
  }
  return static_cast<int>(seen.size());
}

const RegistryItem* Find(const Footprint& f, const std::string& key, const std::string& name, Action action) {
  for (const RegistryItem& item : f.registry) {
    if (item.key == key && item.name == name && item.action == action) return &item;
  }
  return nullptr;
}

// What each choice adds: extension defaults and user choices for confirmed
// rows, the store classes only for a user's confirmed association from
// Windows 8 on, verbs with thumbs, the uninstaller's link before Windows 8.
TEST(Footprint, EachChoiceAddsItsItems) {
  const int images = Extensions(0, kImageRowCount);
  const int all = Extensions(0, kFormatRowCount);
  struct Row {
    Case c;
    int defaults, userChoices, noOpenWith, verbItems, groupLinks, desktopLinks;
    LinkPlace groupPlace, desktopPlace;
    bool refresh;
  } const rows[] = {
      {{"nothing", 0, 0, 0, 0, Formats::kNone, 1, 1, 0}, 0, 0, 0, 0, 0, 0,
       LinkPlace::kUserPrograms, LinkPlace::kUserDesktop, false},
      {{"images on 7", 1, 1, 1, 0, Formats::kImages, 1, 1, 0}, images, images, 0, 4, 9, 2,
       LinkPlace::kUserPrograms, LinkPlace::kUserDesktop, true},
      {{"images on 8", 1, 1, 1, 0, Formats::kImages, 1, 1, 1}, images, images, 5, 4, 8, 2,
       LinkPlace::kUserPrograms, LinkPlace::kUserDesktop, true},
      {{"all, not confirmed", 0, 0, 0, 0, Formats::kAll, 0, 1, 1}, 0, 0, 0, 0, 0, 0,
       LinkPlace::kUserPrograms, LinkPlace::kUserDesktop, false},
      {{"all, machine account", 0, 0, 0, 0, Formats::kAll, 1, 0, 1}, all, 0, 0, 0, 0, 0,
       LinkPlace::kUserPrograms, LinkPlace::kUserDesktop, true},
      {{"all users, desktop only", 0, 1, 0, 1, Formats::kAll, 1, 1, 0}, all, all, 0, 0, 0, 1,
       LinkPlace::kCommonPrograms, LinkPlace::kCommonDesktop, true},
      {{"all users, group on 8", 1, 0, 1, 1, Formats::kNone, 1, 1, 1}, 0, 0, 0, 4, 8, 1,
       LinkPlace::kCommonPrograms, LinkPlace::kCommonDesktop, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.c.name);
    const Footprint f = Of(row.c);
    EXPECT_EQ(row.defaults, CountReplaced(f, ValueKind::kExtensionDefault));
    EXPECT_EQ(row.userChoices, CountReplaced(f, ValueKind::kUserChoice));
    EXPECT_EQ(row.userChoices, CountReplaced(f, ValueKind::kUserChoiceHash));
    EXPECT_EQ(row.noOpenWith, CountReplaced(f, ValueKind::kNoOpenWith));
    EXPECT_EQ(1, CountReplaced(f, ValueKind::kRegisteredApplication));
    EXPECT_EQ(row.verbItems, CountKey(f, kVerbName));
    EXPECT_EQ(row.groupLinks, LinksAt(f, row.groupPlace));
    EXPECT_EQ(row.desktopLinks, LinksAt(f, row.desktopPlace));
    EXPECT_EQ(row.groupLinks > 0, f.groupFolder);
    EXPECT_EQ(row.refresh, f.refreshShell);
    // Every ProgID gets its capability whatever was chosen.
    EXPECT_EQ(Suffixes(), CountKey(f, kFileAssociationsKey) - 1);
  }
}

// Every combination of the choices.
std::vector<Case> EveryCase() {
  std::vector<Case> cases;
  for (int bits = 0; bits < 256; ++bits) {
    for (Formats formats : {Formats::kNone, Formats::kImages, Formats::kAll}) {
      cases.push_back({"", (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0, formats,
                       (bits & 16) != 0, (bits & 32) != 0, (bits & 64) != 0});
    }
  }
  return cases;
}

// The open command and the whole uninstall entry are essential in every
// combination, and nothing else is.
TEST(Footprint, EssentialItemsAreTheOpenCommandAndTheUninstallEntry) {
  for (const Case& c : EveryCase()) {
    const Footprint f = Of(c);
    const RegistryItem* command = Find(f, kOpenCommandKey, "", Action::kSetDefault);
    ASSERT_NE(nullptr, command);
    EXPECT_TRUE(command->essential);
    int entryValues = 0;
    for (const RegistryItem& item : f.registry) {
      const bool entry = item.key == kUninstallEntryKey;
      EXPECT_EQ(entry || &item == command, item.essential) << item.key << " " << item.name;
      entryValues += entry ? 1 : 0;
    }
    EXPECT_EQ(16, entryValues);
  }
}

// What the uninstaller may take back covers what every combination writes.
TEST(Footprint, UnionCoversEveryCombination) {
  const Footprint& every = Union();
  auto known = [](const auto& list, auto same) { return std::find_if(list.begin(), list.end(), same) != list.end(); };
  for (const Case& c : EveryCase()) {
    const Footprint f = Of(c, "C:\\Pixorra");
    for (const RegistryItem& item : f.registry) {
      EXPECT_TRUE(known(every.registry, [&](const RegistryItem& u) {
        return u.action == item.action && u.hive == item.hive && u.key == item.key && u.name == item.name;
      })) << item.key << " " << item.name;
      if (item.replaces == ValueKind::kNone) continue;
      EXPECT_TRUE(known(KnownReplacedValues(), [&](const KnownValue& v) {
        return v.kind == item.replaces && v.root == RootOf(item.hive) && v.key == item.key && v.name == item.name &&
               (v.ours.empty() || v.ours == item.text);
      })) << item.key << " " << item.name;
    }
    for (const KeyItem& key : f.createdKeys) {
      EXPECT_TRUE(known(KnownCreatedKeys(), [&](const KeyItem& k) { return k.root == key.root && k.key == key.key; }))
          << key.key;
    }
    for (const KeyItem& key : f.ownKeys) {
      EXPECT_TRUE(known(OwnKeys(), [&](const KeyItem& k) { return k.root == key.root && k.key == key.key; }))
          << key.key;
    }
    for (const LinkItem& link : f.links) {
      const bool programs = link.place == LinkPlace::kUserPrograms || link.place == LinkPlace::kCommonPrograms;
      const std::vector<std::string>& names = programs ? GroupLinkNames() : DesktopLinkNames();
      EXPECT_TRUE(std::find(names.begin(), names.end(), link.name) != names.end()) << link.name;
    }
  }
}

// The union keeps each list in the order one installation writes it: the
// group's links as on Windows 7, each extension's default, user choice and
// hash together, the store classes and the registered application last.
TEST(Footprint, UnionKeepsTheOrderOfOneInstallation) {
  std::vector<std::string> windows7Group;
  for (const LinkItem& link : Of({"", 1, 0, 0, 0, Formats::kNone, 1, 1, 0}).links) windows7Group.push_back(link.name);
  EXPECT_EQ(windows7Group, GroupLinkNames());

  const std::vector<KnownValue>& values = KnownReplacedValues();
  const std::size_t perExtension = static_cast<std::size_t>(Extensions(0, kFormatRowCount)) * 3;
  ASSERT_EQ(perExtension + 5 + 1, values.size());
  for (std::size_t i = 0; i < perExtension; i += 3) {
    EXPECT_EQ(ValueKind::kExtensionDefault, values[i].kind);
    EXPECT_EQ(ValueKind::kUserChoice, values[i + 1].kind);
    EXPECT_EQ(ValueKind::kUserChoiceHash, values[i + 2].kind);
    EXPECT_EQ(values[i + 1].key, values[i + 2].key);
    EXPECT_EQ(values[i].ours, values[i + 1].ours);
    if (i + 3 < perExtension) {
      EXPECT_LE(values[i].formatRow, values[i + 3].formatRow);
    }
  }
  for (std::size_t i = values.size() - 6; i + 1 < values.size(); ++i) {
    EXPECT_EQ(ValueKind::kNoOpenWith, values[i].kind);
  }
  EXPECT_EQ(ValueKind::kRegisteredApplication, values.back().kind);
  EXPECT_EQ(kCapabilitiesKey, values.back().ours);
}

// Texts the description cannot form make a failed write, not a stump.
TEST(Footprint, UnknownDateIsAFailedEssentialWrite) {
  Choices choices = ChoicesOf({"", 0, 0, 0, 0, Formats::kNone, 1, 1, 0});
  shelltext::InstallTexts texts;
  ASSERT_TRUE(shelltext::ComposeInstallTexts("D:\\", &texts));
  const struct {
    const char* date;
    bool unavailable;
  } rows[] = {{"", true}, {"20261208", false}};
  for (const auto& row : rows) {
    choices.installDate = row.date;
    const Footprint f = Describe(choices, texts);
    const RegistryItem* date = Find(f, kUninstallEntryKey, kInstallDateValue, Action::kSetValue);
    ASSERT_NE(nullptr, date);
    EXPECT_EQ(row.unavailable, date->unavailable);
    EXPECT_TRUE(date->afterPrevious && date->essential);
    // A drive's root keeps its backslash in App Paths.
    EXPECT_EQ("D:\\", Find(f, kAppPathsKey, kAppPathValue, Action::kSetValue)->text);
  }
}

}  // namespace
