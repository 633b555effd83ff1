// The installation run's helper thread and the product's links it is handed,
// read back from Wine's real link files. This program runs as Windows 7
// (Wine's default), so the group has its uninstaller link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/viewer_settings.h"
#include "platform/shell_links.h"
#include "setup/install_recording.h"
#include "setup/side_work.h"
#include "shell/shell_expectations.h"
#include "shell/shortcuts.h"
#include "support/px_test_support.h"

using namespace shelltest;

namespace {

constexpr const char* kFolder = "C:\\Tools\\Pixorra\\";

// A link as the helper is handed it; "" leaves a field unset.
ProductLink Link(const std::string& folder, const std::string& name, const char* arguments = "",
                 const char* iconPath = "", int iconIndex = 0, const char* description = "") {
  ProductLink link;
  link.folder = folder;
  link.name = name;
  link.target = "C:\\x.exe";
  if (arguments[0] != '\0') link.arguments = arguments;
  if (iconPath[0] != '\0') link.iconPath = iconPath;
  link.iconIndex = iconIndex;
  if (description[0] != '\0') link.description = description;
  return link;
}

std::string Text(const std::optional<std::string>& field) { return field ? *field : "<unset>"; }

struct GivenFields {
  const char* arguments;
  const char* iconPath;
  int iconIndex;
  const char* description;
};
const GivenFields kGivenFields[] = {
    {"", "", 0, ""},
    {"/thumbs", "C:\\pxtest\\batch_target\\viewer.exe", 7, ""},
    {"", "", 0, "Pixorra 64 - Bildbetrachter"},
    {"/thumbs", "C:\\pxtest\\batch_target\\viewer.exe", 7, "Pixorra - Thumbnails"},
};

const char* Field(const char* text) { return text[0] != '\0' ? text : nullptr; }

// More links than a group and the desktop hold, saved by both threads.
TEST(SideWork, WritesEveryLinkExactlyAsSavedDirectly) {
  const std::string target = pxtest::MakeTempFolder("batch_target") + "viewer.exe";
  pxtest::WriteFileBytes(target, "a viewer");
  const std::string direct = pxtest::MakeTempFolder("batch_direct");
  const std::string batched = pxtest::MakeTempFolder("batch_batched");
  InstallRecording recording;
  SideWork work(recording, false, true);
  std::vector<ProductLink> links;
  for (int i = 0; i < 40; ++i) {
    const GivenFields& fields = kGivenFields[i % 4];
    const std::string name = "Verkn\xFCpfung " + std::to_string(i) + ".lnk";
    ASSERT_TRUE(SaveNamedShellLink(direct.c_str(), name.c_str(), target.c_str(), Field(fields.arguments),
                                   Field(fields.iconPath), fields.iconIndex, Field(fields.description)));
    links.push_back(Link(batched, name, fields.arguments, fields.iconPath, fields.iconIndex, fields.description));
    links.back().target = target;
  }
  work.WaitForNotes();
  work.SaveLinks(links);
  EXPECT_TRUE(work.FinishLinks().empty());
  ASSERT_EQ(40u, pxtest::ListFolder(batched).size());
  // The same fields and the same layout; the bytes may differ only in the
  // folders' access times that the shell stores with the target's path.
  for (const std::string& name : pxtest::ListFolder(direct)) {
    const pxtest::LinkFields one = pxtest::ReadShellLink(direct + name);
    const pxtest::LinkFields other = pxtest::ReadShellLink(batched + name);
    ASSERT_TRUE(one.loaded && other.loaded) << name;
    EXPECT_EQ(one.target, other.target) << name;
    EXPECT_EQ(one.arguments, other.arguments) << name;
    EXPECT_EQ(one.workingFolder, other.workingFolder) << name;
    EXPECT_EQ(one.iconPath, other.iconPath) << name;
    EXPECT_EQ(one.iconIndex, other.iconIndex) << name;
    EXPECT_EQ(one.description, other.description) << name;
    EXPECT_EQ(pxtest::ReadFileBytes(direct + name).size(), pxtest::ReadFileBytes(batched + name).size()) << name;
  }
}

TEST(SideWork, StartedWithoutLinksWritesNothing) {
  for (bool withLinks : {true, false}) {
    InstallRecording recording;
    SideWork work(recording, false, withLinks);
    work.WaitForNotes();
    EXPECT_TRUE(work.FinishLinks().empty()) << withLinks;
    EXPECT_TRUE(work.FinishLinks().empty()) << withLinks;  // the second call answers the same
  }
}

// Failures are named in the order the links were given, whichever thread
// saved them; those given as failed keep their place among them, and links
// given later follow.
TEST(SideWork, FinishNamesTheLinksThatFailedInTheirOrder) {
  const std::string folder = pxtest::MakeTempFolder("batch_failed");
  const std::string missing = folder + "missing\\";
  for (bool withLinks : {true, false}) {
    pxtest::RemoveFolderTree(folder);
    pxtest::MakeTempFolder("batch_failed");
    InstallRecording recording;
    SideWork work(recording, false, withLinks);
    ProductLink given = Link(folder, "given.lnk");
    given.given = StepResult::Failed(folder + "given.lnk", 0);
    std::vector<ProductLink> links = {Link(folder, "good1.lnk"), Link(missing, "bad1.lnk"), given,
                                      Link(folder, "good2.lnk"), Link("", "nowhere.lnk"), Link(missing, "bad2.lnk")};
    work.WaitForNotes();
    work.SaveLinks(links);
    work.SaveLinks({Link(missing, "late.lnk"), Link(folder, "good3.lnk")});
    EXPECT_EQ((std::vector<std::string>{missing + "bad1.lnk", folder + "given.lnk", "nowhere.lnk",
                                        missing + "bad2.lnk", missing + "late.lnk"}),
              work.FinishLinks())
        << withLinks;
    EXPECT_EQ((std::vector<std::string>{"good1.lnk", "good2.lnk", "good3.lnk"}), pxtest::ListFolder(folder))
        << withLinks;
  }
}

// Asked on the thread (a run without links) or when used (a run with links):
// the figures are the platform's either way.
TEST(SideWork, FiguresForTheSettingsFileAreThePlatforms) {
  const ScreenMetrics platform = PlatformScreenMetrics();
  for (bool withLinks : {true, false}) {
    InstallRecording recording;
    SideWork work(recording, false, withLinks);
    const ScreenMetrics figures = work.WaitForNotes();
    EXPECT_EQ(platform.fullScreenHeight(), figures.fullScreenHeight()) << withLinks;
    EXPECT_EQ(platform.scale(), figures.scale()) << withLinks;
  }
}

class ProductLinksTest : public ::testing::Test {
 protected:
  void SetUp() override { CleanLinks(); }
  void TearDown() override { CleanLinks(); }

  static InstallOptions Options(bool group, bool desktop, bool thumbs) {
    InstallOptions options;
    options.startMenuGroup = group;
    options.desktopLink = desktop;
    options.thumbsLink = thumbs;
    return options;
  }
};

// Every link with its folder and fields, in the order they are saved: the
// group's in creation order, then the desktop's.
TEST_F(ProductLinksTest, AllLinksInTheirOrderWithTheirFields) {
  std::vector<std::pair<std::string, ExpectedLink>> expected;
  for (const ExpectedLink& link : kGroupLinks) expected.emplace_back(GroupFolder(false), link);
  expected.emplace_back(DesktopFolder(false), kDesktopViewerLink);
  expected.emplace_back(DesktopFolder(false), kDesktopThumbsLink);
  const std::vector<ProductLink> links = ProductLinks(Options(true, true, true), kFolder);
  ASSERT_EQ(expected.size(), links.size());
  const std::string program = std::string(kFolder) + "px_main64.exe";
  for (std::size_t i = 0; i < links.size(); ++i) {
    const ExpectedLink& want = expected[i].second;
    const ProductLink& got = links[i];
    SCOPED_TRACE(want.name);
    EXPECT_TRUE(got.given.ok);
    EXPECT_EQ(expected[i].first, got.folder);
    EXPECT_EQ(want.name, got.name);
    EXPECT_EQ(kFolder + std::string(want.target), got.target);
    EXPECT_EQ(want.arguments[0] != '\0' ? want.arguments : "<unset>", Text(got.arguments));
    EXPECT_EQ(want.iconIndex >= 0 ? program : "<unset>", Text(got.iconPath));
    if (want.iconIndex >= 0) {
      EXPECT_EQ(want.iconIndex, got.iconIndex);
    }
    EXPECT_EQ(want.description[0] != '\0' ? want.description : "<unset>", Text(got.description));
  }
  // The group folder is made as the links are given; no link is saved yet.
  EXPECT_TRUE(pxtest::FolderExists(GroupFolder(false)));
  EXPECT_TRUE(pxtest::ListFolder(GroupFolder(false)).empty());
}

// A group folder that cannot be made (a file has its name) is one failure,
// named by the folder, in the group's place; the desktop links are saved.
TEST_F(ProductLinksTest, GroupThatCannotBeMadeIsReportedByItsFolderTheOthersAreSaved) {
  const std::string group = GroupFolder(false);
  const std::string blocker = group.substr(0, group.size() - 1);
  pxtest::WriteFileBytes(blocker, "not a folder");
  InstallRecording recording;
  SideWork work(recording, false, true);
  work.WaitForNotes();
  work.SaveLinks(ProductLinks(Options(true, true, true), kFolder));
  const std::vector<std::string> failed = work.FinishLinks();
  DeleteFileA(blocker.c_str());
  EXPECT_EQ(std::vector<std::string>{group}, failed);
  EXPECT_EQ("", CompareLink(DesktopFolder(false), kDesktopViewerLink, kFolder));
  EXPECT_EQ("", CompareLink(DesktopFolder(false), kDesktopThumbsLink, kFolder));
}

// The versions before this one leave their main link in the group: each is
// handed over after the main link, named below the programs folder, and
// stays until the links are saved, so that the journal can note it first.
// Saving deletes it only where it is a file of its own.
TEST_F(ProductLinksTest, EarlierMainLinksGoWhenSavedNotWhenGiven) {
  const std::string group = GroupFolder(false);
  const std::string programs = group.substr(0, group.size() - std::string("Pixorra\\").size());
  const std::string outside = pxtest::MakeTempFolder("earlier_main_link") + "elsewhere.lnk";
  struct Case {
    const char* version;
    bool hardLinked;  // a second name of a file elsewhere: not deleted
  };
  // 4.39 is older than the two versions replaced: left alone.
  const Case cases[] = {{"4.41", false}, {"4.40", true}, {"4.39", false}};
  CreateDirectoryA(group.c_str(), nullptr);
  pxtest::WriteFileBytes(outside, "someone else's");
  for (const Case& c : cases) {
    const std::string path = group + "Pixorra 64 " + c.version + ".lnk";
    if (c.hardLinked) {
      ASSERT_TRUE(CreateHardLinkA(path.c_str(), outside.c_str(), nullptr)) << c.version;
    } else {
      pxtest::WriteFileBytes(path, std::string("earlier ") + c.version);
    }
  }
  const std::vector<ProductLink> links = ProductLinks(Options(true, false, false), kFolder);
  std::vector<std::string> earlier;
  for (std::size_t i = 0; i < links.size(); ++i) {
    if (!links[i].earlierVersion) continue;
    EXPECT_EQ(programs, links[i].folder);
    earlier.push_back(links[i].name);
    EXPECT_TRUE(i == 1 || links[i - 1].earlierVersion) << links[i].name << " does not follow the main link";
  }
  EXPECT_EQ((std::vector<std::string>{"Pixorra\\Pixorra 64 4.41.lnk", "Pixorra\\Pixorra 64 4.40.lnk"}), earlier);
  for (const Case& c : cases) {
    EXPECT_TRUE(pxtest::FileExists(group + "Pixorra 64 " + c.version + ".lnk")) << c.version << " before saving";
  }

  EXPECT_TRUE(SaveProductLinks(links).empty());
  EXPECT_FALSE(pxtest::FileExists(group + "Pixorra 64 4.41.lnk"));
  EXPECT_TRUE(pxtest::FileExists(group + "Pixorra 64 4.40.lnk"));
  EXPECT_EQ("someone else's", pxtest::ReadFileBytes(outside));
  EXPECT_EQ("earlier 4.39", pxtest::ReadFileBytes(group + "Pixorra 64 4.39.lnk"));
  EXPECT_EQ("", CompareLink(group, kGroupLinks[0], kFolder));
}

}  // namespace
