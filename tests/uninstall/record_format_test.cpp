// The record's format across versions: what earlier setups wrote, what later
// ones may write, and which earlier data counts when installations follow
// each other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/install_record.h"
#include "core/uninstall_rules.h"

using namespace installrecord;
using namespace uninstallrules;

namespace {

const std::vector<std::string> kPayload = {"px_main64.exe", "pv_uninstall.exe", "Html/bild.htm"};

// Byte for byte what the 4.42 setup wrote before the record had a format of
// its own.
const std::string kFormatOneText =
    "Pixorra 4.42 install record\r\n"
    "Folder\tC:\\Program Files\\Pixorra\\\tcreated\r\n"
    "File\tpx_main64.exe\t285184\t289314160\r\n"
    "File\tpv_uninstall.exe\r\n"
    "File\tHtml\\bild.htm\r\n"
    "Kept\tHtml\\bild.htm\r\n"
    "CreatedFolder\tHtml\\\r\n"
    "CreatedGroup\tuser-programs\r\n"
    "Link\tuser-programs\tPixorra\\Pixorra 64 4.42.lnk\r\n"
    "Link\tuser-desktop\tPixorra 64.lnk\r\n"
    "OwnKey\tHKLM\tSOFTWARE\\Classes\\Pixorra.jpg\r\n"
    "FoundKey\tHKLM\tSOFTWARE\\Pixorra\r\n"
    "Set\tHKLM\tSOFTWARE\\Classes\\.jpg\t\r\n"
    "CreatedKey\tHKLM\tSOFTWARE\\Classes\\.webp\r\n"
    "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\tOther.jpg%00\r\n"
    "Earlier\tHKCU\tSoftware\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice\tProgid\tnone\r\n"
    "End\r\n";

const std::string kFormatTwoStart = "Pixorra install record\r\nFormat\t2\r\nVersion\t4.42\r\n";

// kFormatOneText's facts under a later format's header.
std::string LaterText(const std::string& format, const std::string& extraLines) {
  const std::string body = kFormatOneText.substr(kFormatOneText.find('\n') + 1);
  return "Pixorra install record\r\nFormat\t" + format + "\r\nVersion\t4.50\r\n" +
         body.substr(0, body.size() - 5) + extraLines + "End\r\n";
}

TEST(RecordFormat, AnEarlierSetupsRecordReadsAsItWasAndIsWrittenInTheNewFormat) {
  InstallRecord r;
  std::string why;
  ASSERT_TRUE(Parse(kFormatOneText, &r, &why)) << why;
  EXPECT_EQ(1u, r.format);
  EXPECT_EQ("", r.version);
  EXPECT_EQ(0u, r.unreadLines);
  EXPECT_EQ(3u, r.files.size());
  EXPECT_EQ(2u, r.links.size());
  ASSERT_EQ(2u, r.earlier.size());
  EXPECT_EQ(std::string("Other.jpg\0", 10), r.earlier[0].data);
  EXPECT_EQ(RecordVerdict::kUsable, AdoptRecord(&r, "C:\\Program Files\\Pixorra\\", kPayload, &why)) << why;

  // Written again: the same facts in the same order under the new header.
  const std::string body = kFormatOneText.substr(kFormatOneText.find('\n') + 1);
  EXPECT_EQ(kFormatTwoStart + body, Serialize(r));
  InstallRecord merged = Merge(r, r);
  EXPECT_EQ(kFormatTwoStart + body, Serialize(merged));
  InstallRecord back;
  ASSERT_TRUE(Parse(Serialize(r), &back, &why)) << why;
  EXPECT_EQ(2u, back.format);
  EXPECT_EQ("4.42", back.version);
}

TEST(RecordFormat, HeadersAndFormatLines) {
  const std::string body = kFormatOneText.substr(kFormatOneText.find('\n') + 1);
  const std::string facts = body.substr(0, body.size() - 5);  // without "End\r\n"
  const struct {
    const char* what;
    std::string text;
    bool read;
    unsigned long format;
  } cases[] = {
      {"another version's format 1", "Pixorra 4.41 install record\r\n" + body, true, 1},
      {"format 1 of a three-part version", "Pixorra 5.0.1 install record\r\n" + body, true, 1},
      {"format 1 without a version", "Pixorra  install record\r\n" + body, false, 0},
      {"format 1 naming letters", "Pixorra x.y install record\r\n" + body, false, 0},
      {"format 1 with a Version line", "Pixorra 4.42 install record\r\nVersion\t4.42\r\n" + body, false, 0},
      {"format 1 with an unknown line", "Pixorra 4.42 install record\r\n" + facts + "Signatur\tab\r\nEnd\r\n", false, 0},
      {"format 2", kFormatTwoStart + body, true, 2},
      {"format 2 without its Version line", "Pixorra install record\r\nFormat\t2\r\n" + body, false, 0},
      {"format 2 with an unknown line", kFormatTwoStart + facts + "Signatur\tab\r\nEnd\r\n", false, 0},
      {"format 2 with an extra field", kFormatTwoStart + facts + "Kept\ta.txt\tb\r\nEnd\r\n", false, 0},
      {"new header without a Format line", "Pixorra install record\r\n" + body, false, 0},
      {"format 1 under the new header", "Pixorra install record\r\nFormat\t1\r\n" + body, false, 0},
      {"format not a number", "Pixorra install record\r\nFormat\tdrei\r\n" + body, false, 0},
      {"format 3 without a Version line", "Pixorra install record\r\nFormat\t3\r\n" + body, true, 3},
      {"format 3 cut off", LaterText("3", "").substr(0, 200), false, 0},
      {"format 3 with text after its end", LaterText("3", "") + "File\tx\r\n", false, 0},
      {"format 3 without a folder line",
       "Pixorra install record\r\nFormat\t3\r\nFolder\tC:\\x\\\tmaybe\r\nEnd\r\n", false, 0},
  };
  for (const auto& c : cases) {
    InstallRecord r;
    std::string why;
    EXPECT_EQ(c.read, Parse(c.text, &r, &why)) << c.what << ": " << why;
    if (c.read) {
      EXPECT_EQ(c.format, r.format) << c.what;
    }
  }
}

// A later version wrote the record: what this reader knows of it counts,
// every other line is left out and counted.
TEST(RecordFormat, ALaterFormatIsReadAsFarAsItIsKnown) {
  const struct {
    const char* what;
    std::string lines;
    std::size_t unread;
    std::size_t files;
    std::size_t kept;
    std::size_t earlier;
  } cases[] = {
      {"nothing new", "", 0, 3, 1, 2},
      {"an unknown kind", "Signatur\tab12\r\n", 1, 3, 1, 2},
      {"a known kind with another field", "Kept\tpx_main64.exe\tverschoben\r\n", 1, 3, 1, 2},
      {"a file with more fields", "File\tpx_neu.dll\t3\t4\tsha256\r\n", 1, 3, 1, 2},
      {"earlier data with more fields", "Earlier\tHKLM\tSOFTWARE\\Classes\\.gif\t\t1\tx%00\tneu\r\n", 1, 3, 1, 2},
      {"a link to a new place", "Link\tquick-launch\tPixorra 64.lnk\r\n", 1, 3, 1, 2},
      {"a known line among unknown ones",
       "Signatur\tab12\r\nFile\tpx_neu.dll\t3\t123\r\nKept\tx\ty\r\n", 2, 4, 1, 2},
  };
  for (const auto& c : cases) {
    InstallRecord r;
    std::string why;
    ASSERT_TRUE(Parse(LaterText("3", c.lines), &r, &why)) << c.what << ": " << why;
    EXPECT_EQ(3u, r.format) << c.what;
    EXPECT_EQ("4.50", r.version) << c.what;
    EXPECT_EQ(c.unread, r.unreadLines) << c.what;
    EXPECT_EQ(c.files, r.files.size()) << c.what;
    EXPECT_EQ(c.kept, r.kept.size()) << c.what;
    EXPECT_EQ(c.earlier, r.earlier.size()) << c.what;
    // Written by this build: its own format, none of the unread lines.
    const std::string again = Serialize(r);
    EXPECT_EQ(0u, again.find(kFormatTwoStart)) << c.what;
    InstallRecord back;
    EXPECT_TRUE(Parse(again, &back, &why)) << c.what << ": " << why;
  }
}

// Another version's payload names stay on the disk and out of the record;
// names that could never be a payload's still make the record unusable.
TEST(RecordFormat, OtherPayloadsNamesAreLeftAloneButUnsafeNamesAreNot) {
  const std::string own = "C:\\Program Files\\Pixorra\\";
  const struct {
    const char* what;
    void (*add)(InstallRecord&);
    RecordVerdict verdict;
    std::vector<std::string> takenOut;
  } cases[] = {
      {"a later version's file", [](InstallRecord& r) { r.files.push_back(RecordedFile("px_neu.dll", 3, 7)); },
       RecordVerdict::kUsable, {"px_neu.dll"}},
      {"a file in a later version's folder",
       [](InstallRecord& r) {
         r.files.push_back("Neu\\px_neu.dll");
         r.createdFolders.push_back("Neu\\");
       },
       RecordVerdict::kUsable, {"Neu\\px_neu.dll", "Neu\\"}},
      {"a kept file of a later payload", [](InstallRecord& r) { r.kept.push_back("Neu\\liesmich.txt"); },
       RecordVerdict::kUsable, {"Neu\\liesmich.txt"}},
      {"dot-dot", [](InstallRecord& r) { r.files.push_back("..\\victim.txt"); }, RecordVerdict::kDamaged, {}},
      {"absolute", [](InstallRecord& r) { r.files.push_back("C:\\pxtest\\victim.txt"); }, RecordVerdict::kDamaged, {}},
      {"a stream", [](InstallRecord& r) { r.files.push_back("px_neu.dll:x"); }, RecordVerdict::kDamaged, {}},
      {"a kept file outside", [](InstallRecord& r) { r.kept.push_back("..\\x.txt"); }, RecordVerdict::kDamaged, {}},
      {"a folder outside", [](InstallRecord& r) { r.createdFolders.push_back("..\\Neu\\"); }, RecordVerdict::kDamaged, {}},
      {"a folder without its backslash", [](InstallRecord& r) { r.createdFolders.push_back("Neu"); }, RecordVerdict::kDamaged, {}},
      {"another folder's record", [](InstallRecord& r) { r.folder = "C:\\Tools\\"; }, RecordVerdict::kForeign, {}},
  };
  for (const auto& c : cases) {
    InstallRecord r;
    ASSERT_TRUE(Parse(kFormatOneText, &r, nullptr));
    c.add(r);
    InstallRecord taken = r;
    EXPECT_EQ(c.takenOut, TakeOutOtherPayloadNames(&taken, kPayload)) << c.what;
    std::string why;
    EXPECT_EQ(c.verdict, AdoptRecord(&r, own, kPayload, &why)) << c.what;
    if (c.verdict != RecordVerdict::kUsable) continue;
    EXPECT_EQ(3u, r.files.size()) << c.what;
    EXPECT_EQ(1u, r.kept.size()) << c.what;
    EXPECT_EQ(1u, r.createdFolders.size()) << c.what;
  }
}

EarlierValue Value(Root root, const std::string& key, const std::string& name, const char* data) {
  EarlierValue value;
  value.root = root;
  value.key = key;
  value.name = name;
  if (data != nullptr) {
    value.existed = true;
    value.type = 1;
    value.data = std::string(data) + '\0';
  }
  return value;
}

constexpr const char* kJpg = "SOFTWARE\\Classes\\.jpg";
constexpr const char* kChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";
constexpr const char* kApplications = "SOFTWARE\\RegisteredApplications";

// The earlier data of a value is what it held right before the run that
// replaced it; a run that found the product's own data there replaced
// nothing of anybody else's.
TEST(RecordFormat, MergeKeepsTheEarlierDataOfTheRunThatReplacedIt) {
  const struct {
    const char* what;
    Root root;
    const char* key;
    const char* name;
    const char* older;  // nullptr: none
    const char* found;  // by the newer run; nullptr: none
    const char* kept;   // after the merge; nullptr: none
  } cases[] = {
      {"ours found", Root::kLocalMachine, kJpg, "", "Other.jpg", "Pixorra.jpg", "Other.jpg"},
      {"another version's ProgID found", Root::kLocalMachine, kJpg, "", "Other.jpg", "pixorra.Bild", "Other.jpg"},
      {"ours found over none", Root::kLocalMachine, kJpg, "", nullptr, "Pixorra.jpg", nullptr},
      {"someone else's found", Root::kLocalMachine, kJpg, "", "Other.jpg", "Third.jpg", "Third.jpg"},
      {"someone else's found over none", Root::kLocalMachine, kJpg, "", nullptr, "Third.jpg", "Third.jpg"},
      {"a name that only starts like ours", Root::kLocalMachine, kJpg, "", "Other.jpg", "PixorraFan.jpg", "PixorraFan.jpg"},
      {"none found", Root::kLocalMachine, kJpg, "", "Other.jpg", nullptr, nullptr},
      {"user choice: ours found", Root::kCurrentUser, kChoice, "Progid", "Other.jpg", "Pixorra.jpg", "Other.jpg"},
      {"user choice: someone else's", Root::kCurrentUser, kChoice, "Progid", "Other.jpg", "Third.jpg", "Third.jpg"},
      {"application: our capabilities found", Root::kLocalMachine, kApplications, "Pixorra",
       "SOFTWARE\\Andere\\Capabilities", "SOFTWARE\\Pixorra\\Capabilities", "SOFTWARE\\Andere\\Capabilities"},
      {"application: someone else's", Root::kLocalMachine, kApplications, "Pixorra",
       "SOFTWARE\\Andere\\Capabilities", "SOFTWARE\\Dritte\\Capabilities", "SOFTWARE\\Dritte\\Capabilities"},
      {"a value in the product's own found key", Root::kLocalMachine, "SOFTWARE\\Pixorra", "License", "ABC-123",
       "XYZ-999", "ABC-123"},
  };
  for (const auto& c : cases) {
    InstallRecord older, newer;
    older.folder = newer.folder = "C:\\Program Files\\Pixorra\\";
    older.earlier = {Value(Root::kLocalMachine, "SOFTWARE\\Classes\\.gif", "", "Paint.gif"),
                     Value(c.root, c.key, c.name, c.older)};
    newer.earlier = {Value(c.root, c.key, c.name, c.found)};
    const InstallRecord merged = Merge(older, newer);
    ASSERT_EQ(2u, merged.earlier.size()) << c.what;
    EXPECT_EQ("SOFTWARE\\Classes\\.gif", merged.earlier[0].key) << c.what << ": the older facts keep their places";
    const EarlierValue* value = FindEarlier(merged, c.root, c.key, c.name);
    ASSERT_NE(nullptr, value) << c.what;
    EXPECT_EQ(c.kept != nullptr, value->existed) << c.what;
    if (c.kept != nullptr) {
      EXPECT_EQ(std::string(c.kept) + '\0', value->data) << c.what;
    }
  }
}

// A user choice's hash belongs to the choice it was found with.
TEST(RecordFormat, MergeKeepsAUserChoiceAndItsHashTogether) {
  const struct {
    const char* what;
    const char* found;  // Progid the newer run found
    const char* hash;   // Hash it found
    const char* progid; // after the merge
    const char* keptHash;
  } cases[] = {
      {"ours found", "Pixorra.jpg", "ours", "Other.jpg", "h4sh"},
      {"someone else's found", "Third.jpg", "t3", "Third.jpg", "t3"},
  };
  for (const auto& c : cases) {
    InstallRecord older, newer;
    older.earlier = {Value(Root::kCurrentUser, kChoice, "Progid", "Other.jpg"),
                     Value(Root::kCurrentUser, kChoice, "Hash", "h4sh")};
    newer.earlier = {Value(Root::kCurrentUser, kChoice, "Progid", c.found),
                     Value(Root::kCurrentUser, kChoice, "Hash", c.hash)};
    const InstallRecord merged = Merge(older, newer);
    const EarlierValue* progid = FindEarlier(merged, Root::kCurrentUser, kChoice, "Progid");
    const EarlierValue* hash = FindEarlier(merged, Root::kCurrentUser, kChoice, "Hash");
    ASSERT_TRUE(progid != nullptr && hash != nullptr) << c.what;
    EXPECT_EQ(std::string(c.progid) + '\0', progid->data) << c.what;
    EXPECT_EQ(std::string(c.keptHash) + '\0', hash->data) << c.what;
  }
}

}  // namespace
