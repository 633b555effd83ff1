// The real setup, run silently with a few option sets, against the
// description of what it writes: every registry value the description lists
// is there with its type and data, every link it lists exists, and under the
// product's own keys and in the shared places it replaces there is no value
// of ours that the description lacks.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/footprint.h"
#include "core/install_record.h"
#include "core/shell_text.h"
#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace footprint;
using installrecord::SameName;

namespace {

constexpr const char* kSetupName = "PixorraSetup64.exe";

HKEY HiveRoot(Hive hive) {
  return hive == Hive::kUser ? HKEY_CURRENT_USER : hive == Hive::kClasses ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

// The described value at root\key, name; null when the description has none.
const RegistryItem* Described(const Footprint& f, installrecord::Root root, const std::string& key,
                              const std::string& name) {
  for (const RegistryItem& item : f.registry) {
    if (item.action != Action::kSetDefault && item.action != Action::kSetValue) continue;
    const std::string itemName = item.action == Action::kSetDefault ? "" : item.name;
    if (RootOf(item.hive) == root && SameName(RootKeyPath(item), key) && SameName(itemName, name)) return &item;
  }
  return nullptr;
}

// Every value in key's tree that the description lacks, as "key: name".
void Undescribed(const Footprint& f, installrecord::Root root, const std::string& key,
                 std::vector<std::string>* extra) {
  const HKEY rootKey = root == installrecord::Root::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  for (const std::string& name : pxtest::ListRegValueNames(rootKey, key)) {
    // The install record's copy is the recording's, not the registration's.
    if (SameName(key, kUninstallEntryKey) && name == kRecordCopyValue) continue;
    if (Described(f, root, key, name) == nullptr) extra->push_back(key + ": " + name);
  }
  for (const std::string& sub : pxtest::ListRegSubkeys(rootKey, key)) Undescribed(f, root, key + "\\" + sub, extra);
}

struct OptionSet {
  const char* name;
  const char* options;
  const char* windows;
  bool group, desktop, thumbs;
  int assoc;  // 0, 1 images, 2 all
};

void PrintTo(const OptionSet& set, std::ostream* out) { *out << set.name; }

class Footprints : public ::testing::TestWithParam<OptionSet> {
 protected:
  void SetUp() override {
    shelltest::CleanRegistry();
    shelltest::CleanLinks();
    base_ = pxtest::MakeTempFolder("shell_footprint");
    folder_ = base_ + "Pixorra\\";
  }
  void TearDown() override {
    shelltest::CleanRegistry();
    shelltest::CleanLinks();
    pxtest::RemoveFolderTree(base_);
  }

  // The description of the run, with the two inputs known only to the run
  // (the date and the payload's size) taken from what it wrote.
  Footprint Expected(const OptionSet& set) const {
    Choices choices;
    choices.group = set.group;
    choices.desktop = set.desktop;
    choices.thumbs = set.thumbs;
    choices.associate = choices.confirmed = set.assoc != 0;
    for (int row = 0; row < kFormatRowCount; ++row) {
      choices.formats[row] = set.assoc == 2 || (set.assoc == 1 && row < kImageRowCount);
    }
    choices.windows8OrLater = std::string(set.windows) != "win7";
    choices.installDate = pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallEntryKey, kInstallDateValue).text;
    choices.payloadBytes =
        1024ull * pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallEntryKey, kEstimatedSizeValue).number;
    shelltext::InstallTexts texts;
    EXPECT_TRUE(shelltext::ComposeInstallTexts(folder_.c_str(), &texts));
    return Describe(choices, texts);
  }

  std::string base_;
  std::string folder_;
};

TEST_P(Footprints, RegistryAndLinksAreWhatTheDescriptionLists) {
  const OptionSet& set = GetParam();
  {
    pxtest::ScopedWineVersion version(kSetupName, set.windows);
    const pxtest::RunResult run =
        pxtest::RunSetup("/silent /folder=" + folder_.substr(0, folder_.size() - 1) + " " + set.options);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(0u, run.exitCode);
  }
  const Footprint f = Expected(set);

  for (const RegistryItem& item : f.registry) {
    const HKEY root = HiveRoot(item.hive);
    const std::string where = item.key + ": " + item.name;
    switch (item.action) {
      case Action::kSetDefault:
      case Action::kSetValue: {
        const pxtest::RegValue value =
            pxtest::ReadRegValue(root, item.key, item.action == Action::kSetDefault ? "" : item.name);
        ASSERT_TRUE(value.exists) << where;
        if (item.type == ValueType::kNumber) {
          EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << where;
          EXPECT_EQ(item.number, value.number) << where;
        } else {
          EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << where;
          EXPECT_EQ(item.text, value.text) << where;
        }
        break;
      }
      case Action::kCreateKey: EXPECT_TRUE(pxtest::RegKeyExists(root, item.key)) << where; break;
      case Action::kDeleteKey:
        // A user choice is deleted to be written anew; the old icon key stays away.
        if (Described(f, RootOf(item.hive), RootKeyPath(item), kProgIdValue) == nullptr) {
          EXPECT_FALSE(pxtest::RegKeyExists(root, item.key)) << where;
        }
        break;
    }
  }

  // Nothing of ours beyond the description: the product's own keys whole,
  // and each value the setup may replace that now holds our data.
  std::vector<std::string> extra;
  for (const KeyItem& key : OwnKeys()) Undescribed(f, key.root, key.key, &extra);
  Undescribed(f, installrecord::Root::kLocalMachine, kUninstallEntryKey, &extra);
  for (const KnownValue& value : KnownReplacedValues()) {
    const HKEY root = value.root == installrecord::Root::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const pxtest::RegValue now = pxtest::ReadRegValue(root, value.key, value.name);
    if (now.exists && now.text == value.ours && Described(f, value.root, value.key, value.name) == nullptr) {
      extra.push_back(value.key + ": " + value.name);
    }
  }
  EXPECT_EQ(std::vector<std::string>(), extra);

  // Links: exactly the described ones in the group and on the desktop.
  std::vector<std::string> links;
  std::vector<std::string> expected;
  for (const LinkItem& link : f.links) {
    const bool programs = link.place == LinkPlace::kUserPrograms;
    expected.push_back((programs ? shelltest::GroupFolder(false) : shelltest::DesktopFolder(false)) + link.name);
  }
  for (const std::string& name : GroupLinkNames()) {
    if (pxtest::FileExists(shelltest::GroupFolder(false) + name)) links.push_back(shelltest::GroupFolder(false) + name);
  }
  for (const std::string& name : DesktopLinkNames()) {
    if (pxtest::FileExists(shelltest::DesktopFolder(false) + name)) {
      links.push_back(shelltest::DesktopFolder(false) + name);
    }
  }
  EXPECT_EQ(expected, links);
}

// Lines of code (not comments) in the product's sources that hold needle.
int CodeLinesWith(const std::string& needle) {
  const std::string sources = pxtest::HostToWindowsPath(PX_SOURCE_DIR "/src/");
  int count = 0;
  for (const std::string& name : pxtest::ListFolder(sources)) {
    const std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    if (ext != ".cpp" && ext != ".h") continue;
    const std::string text = pxtest::ReadFileBytes(sources + name);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      const std::size_t code = line.find_first_not_of(" \t");
      if (code != std::string::npos && line.compare(code, 2, "//") != 0 && line.find(needle) != std::string::npos) {
        ++count;
      }
      start = end + 1;
    }
  }
  return count;
}

// Each name of the footprint is spelt out once in the sources; everything
// else takes it from there.
TEST(FootprintNames, EachNameIsSpeltOutOnce) {
  const char* const names[] = {
      "\"px_main64.exe\"",
      "\"pv_uninstall.exe\"",
      "\"pv_uninstall.dat\"",
      "\"px_main64.ini\"",
      "Uninstall\\\\Pixorra64",
      "App Paths",
      "\"SOFTWARE\\\\RegisteredApplications\"",
      "Capabilities\\\\FileAssociations",
      "\"SOFTWARE\\\\Classes\\\\Pixorra\\\\shell\\\\open\\\\command\"",
      "\"SOFTWARE\\\\Pixorra\\\\Capabilities\"",
      "Explorer\\\\FileExts\"",
      "AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
      "\"Pixorra 64.lnk\"",
      "\"Pixorra 64 Thumbnails.lnk\"",
      "\"Pixorra - Thumbnails.lnk\"",
      "\"Pixorra deinstallieren.lnk\"",
      "\"Was ist neu.lnk\"",
      "\"Kommandozeilen-Optionen.lnk\"",
      "\"Pixorra Hilfe.lnk\"",
      "\"px_about.txt\"",
      "\"Browse with &Pixorra\"",
  };
  for (const char* name : names) EXPECT_EQ(1, CodeLinesWith(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    OptionSets, Footprints,
    ::testing::Values(OptionSet{"ImagesEveryLinkWindows7", "/group=1 /desktop=1 /thumbs=1 /assoc=1", "win7", true,
                                true, true, 1},
                      OptionSet{"AllFormatsWindows8", "/group=1 /assoc=2", "win8", true, false, false, 2},
                      OptionSet{"NothingChosen", "/assoc=0", "win7", false, false, false, 0},
                      OptionSet{"ThumbsOnlyWindows10", "/thumbs=1 /assoc=1", "win10", false, false, true, 1}),
    [](const ::testing::TestParamInfo<OptionSet>& info) { return std::string(info.param.name); });

}  // namespace
