// The install record's text and the uninstaller's rules of what it may
// touch: tables of records as the setup writes them and as somebody might
// tamper with them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/install_record.h"
#include "core/uninstall_rules.h"
#include "core/archive_entry.h"

using namespace installrecord;
using namespace footprint;
using namespace uninstallrules;

namespace {

const std::vector<std::string> kPayload = {"px_main64.exe", "pv_uninstall.exe", "Html/bild.htm",
                                           "Help/px_main32_deutsch.chm", "Plugins/px_raw.dll"};

InstallRecord SampleRecord() {
  InstallRecord r;
  r.folder = "C:\\Program Files\\Pixorra\\";
  r.folderCreated = true;
  r.files = {RecordedFile("px_main64.exe", 285184, 289314160), "pv_uninstall.exe", "Html\\bild.htm"};
  r.kept = {"Html\\bild.htm"};
  r.foundKeys = {{Root::kLocalMachine, "SOFTWARE\\Pixorra"}};
  r.createdFolders = {"Html\\"};
  r.createdGroups = {LinkPlace::kUserPrograms};
  r.links = {{LinkPlace::kUserPrograms, "Pixorra\\Pixorra 64 4.42.lnk"}, {LinkPlace::kUserDesktop, "Pixorra 64.lnk"}};
  r.ownKeys = {{Root::kLocalMachine, "SOFTWARE\\Classes\\Pixorra.jpg"},
               {Root::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64"}};
  r.setValues = {{Root::kLocalMachine, "SOFTWARE\\Classes\\.jpg", ""},
                 {Root::kLocalMachine, "SOFTWARE\\RegisteredApplications", "Pixorra"}};
  r.createdKeys = {{Root::kLocalMachine, "SOFTWARE\\Classes\\.webp"}};
  EarlierValue jpg;
  jpg.root = Root::kLocalMachine;
  jpg.key = "SOFTWARE\\Classes\\.jpg";
  jpg.existed = true;
  jpg.type = 1;
  jpg.data = std::string("Other.jpg\0", 10);
  EarlierValue noChoice;
  noChoice.root = Root::kCurrentUser;
  noChoice.key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice";
  noChoice.name = "Progid";
  r.earlier = {jpg, noChoice};
  return r;
}

TEST(InstallRecord, RoundTripKeepsEveryFactAndEveryByte) {
  InstallRecord r = SampleRecord();
  // Data with tabs, line ends, percent signs and umlauts stays exact.
  r.earlier[0].data = std::string("a\tb\r\nc%d\xFC\x01\x7F\0", 13);
  const std::string text = Serialize(r);
  InstallRecord back;
  std::string why;
  ASSERT_TRUE(Parse(text, &back, &why)) << why;
  EXPECT_EQ(text, Serialize(back));
  EXPECT_EQ(r.earlier[0].data, back.earlier[0].data);
  EXPECT_EQ(r.folder, back.folder);
  EXPECT_TRUE(back.folderCreated);
  EXPECT_EQ(r.files, back.files);
  ASSERT_EQ(2u, back.links.size());
  EXPECT_EQ(LinkPlace::kUserDesktop, back.links[1].place);
  EXPECT_FALSE(back.earlier[1].existed);
  // Readable: one fact per line.
  EXPECT_NE(std::string::npos, text.find("\r\nFile\tHtml\\bild.htm\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\nSet\tHKLM\tSOFTWARE\\Classes\\.jpg\t\r\n"));
  ASSERT_EQ(2u, back.setValues.size());
  EXPECT_EQ("Pixorra", back.setValues[1].name);
  EXPECT_NE(std::string::npos, text.find("Earlier\tHKCU\tSoftware\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                         "FileExts\\.png\\UserChoice\tProgid\tnone\r\n"));
}

TEST(InstallRecord, BrokenTextsAreRefused) {
  const std::string good = Serialize(SampleRecord());
  const std::string body = good.substr(0, good.size() - 5);  // without "End\r\n"
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"other header", "Some other file\r\n" + good.substr(good.find('\n') + 1)},
      {"cut off before the end line", body},
      {"cut off inside a line", good.substr(0, good.size() / 2)},
      {"unknown line", body + "Delete\tC:\\Windows\r\nEnd\r\n"},
      {"wrong field count", body + "File\ta\tb\r\nEnd\r\n"},
      {"lower-case escape", body + "File\ta%0a\r\nEnd\r\n"},
      {"escape of a plain byte", body + "File\t%41\r\nEnd\r\n"},
      {"raw control byte", body + "File\ta\x01\r\nEnd\r\n"},
      {"escape cut off", body + "File\ta%0\r\nEnd\r\n"},
      {"unknown root", body + "CreatedKey\tHKCR\tx\r\nEnd\r\n"},
      {"bad type", body + "Earlier\tHKLM\tk\t\t01\tx\r\nEnd\r\n"},
      {"type too large", body + "Earlier\tHKLM\tk\t\t4294967296\tx\r\nEnd\r\n"},
      {"second folder line", body + "Folder\tD:\\\tcreated\r\nEnd\r\n"},
      {"text after the end", good + "File\tx\r\n"},
      {"too large", good + std::string(kMaxRecordSize, 'x')},
  };
  for (const auto& c : cases) {
    InstallRecord r;
    std::string why;
    EXPECT_FALSE(Parse(c.text, &r, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
  InstallRecord r;
  EXPECT_FALSE(Parse("Pixorra 4.42 install record\r\nEnd\r\n", &r, nullptr)) << "no folder line";
  EXPECT_TRUE(Parse(good, &r, nullptr));
}

TEST(InstallRecord, MergeKeepsTheOldestEarlierData) {
  InstallRecord first = SampleRecord();
  InstallRecord second = SampleRecord();
  second.folderCreated = false;  // the second run found the folder the first one made
  second.files = {"px_main64.exe", "Plugins\\px_raw.dll"};
  second.createdFolders = {"Plugins\\"};
  second.links = {{LinkPlace::kCommonDesktop, "Pixorra 64.lnk"}};
  second.createdKeys = {};
  second.earlier[0].data = std::string("Pixorra.jpg\0", 12);  // what the first run wrote
  EarlierValue hash;
  hash.root = Root::kCurrentUser;
  hash.key = "K";
  hash.name = "Hash";
  second.earlier.push_back(hash);

  const InstallRecord merged = Merge(first, second);
  EXPECT_TRUE(merged.folderCreated);
  EXPECT_EQ(4u, merged.files.size());
  EXPECT_EQ(2u, merged.createdFolders.size());
  EXPECT_EQ(3u, merged.links.size());
  EXPECT_TRUE(HasCreatedKey(merged, Root::kLocalMachine, "software\\classes\\.WEBP"));
  const EarlierValue* jpg = FindEarlier(merged, Root::kLocalMachine, "SOFTWARE\\Classes\\.jpg", "");
  ASSERT_NE(nullptr, jpg);
  EXPECT_EQ(std::string("Other.jpg\0", 10), jpg->data);
  EXPECT_NE(nullptr, FindEarlier(merged, Root::kCurrentUser, "k", "hash")) << "what only the later run saw";
  EXPECT_EQ(3u, merged.earlier.size());

  // The same installation again: what the second run saw as created is
  // already there, and the text stays the same.
  InstallRecord repeated = first;
  repeated.createdKeys.push_back({Root::kCurrentUser, "SOFTWARE\\Classes\\AppX1"});
  first.createdKeys.push_back({Root::kCurrentUser, "SOFTWARE\\Classes\\AppX1"});
  std::swap(repeated.createdKeys.front(), repeated.createdKeys.back());
  EXPECT_EQ(Serialize(first), Serialize(Merge(first, repeated)));
}

// A later run wrote the file last: its size and checksum count. A key the
// older run created stays ours when the later run finds it; one that
// somebody else made is found by whichever run saw it first.
TEST(InstallRecord, MergeTakesTheNewestStampsAndKeepsKeysOursThatWereOurs) {
  InstallRecord older = SampleRecord();
  older.files = {"px_main64.exe"};  // an older record without stamps
  older.foundKeys = {};
  InstallRecord newer = SampleRecord();
  newer.foundKeys = {{Root::kLocalMachine, "SOFTWARE\\Classes\\Pixorra.jpg"},
                     {Root::kLocalMachine, "SOFTWARE\\Classes\\Pixorra.jpg\\shell"},
                     {Root::kLocalMachine, "SOFTWARE\\Pixorra"}};
  const InstallRecord merged = Merge(older, newer);
  ASSERT_EQ(3u, merged.files.size());
  EXPECT_TRUE(merged.files[0].stamped);
  EXPECT_EQ(285184u, merged.files[0].size);
  EXPECT_EQ(1u, merged.foundKeys.size());
  EXPECT_EQ("SOFTWARE\\Pixorra", merged.foundKeys[0].key);
  EXPECT_EQ(std::vector<std::string>{"Html\\bild.htm"}, merged.kept);
}

// A file is one file however a run spelled its name (names fold case
// everywhere else too): it keeps one entry, and the newer stamp.
TEST(InstallRecord, MergeKnowsAFileInEveryCase) {
  const struct {
    const char* what;
    std::vector<RecordedFile> older;
    const char* newer;
  } cases[] = {
      {"the file's name in other case", {RecordedFile("Html\\bild.htm", 10, 1)}, "Html\\BILD.HTM"},
      {"its folder in other case, listed twice",
       {RecordedFile("Html\\bild.htm", 10, 1), RecordedFile("HTML\\Bild.htm", 10, 1)},
       "html\\bild.HTM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InstallRecord older = SampleRecord();
    older.files = c.older;
    InstallRecord newer = SampleRecord();
    newer.files = {RecordedFile(c.newer, 20, 2)};
    const InstallRecord merged = Merge(older, newer);
    ASSERT_EQ(c.older.size(), merged.files.size());
    for (const RecordedFile& file : merged.files) {
      EXPECT_EQ(20u, file.size) << file.name;
      EXPECT_EQ(2u, file.crc) << file.name;
    }
  }
}

TEST(UninstallRules, EarlierDataGoesBackOnlyAsData) {
  const KnownValue* extension = nullptr;
  const KnownValue* registered = nullptr;
  for (const KnownValue& value : KnownReplacedValues()) {
    if (value.kind == ValueKind::kExtensionDefault && extension == nullptr) extension = &value;
    if (value.kind == ValueKind::kRegisteredApplication) registered = &value;
  }
  ASSERT_NE(nullptr, extension);
  ASSERT_NE(nullptr, registered);
  const struct {
    const KnownValue* value;
    unsigned long type;
    std::string data;
    bool restorable;
  } cases[] = {
      {extension, 1, std::string("Other.jpg\0", 10), true},
      {extension, 1, std::string("exefile\0", 8), false},
      {extension, 1, std::string("ExeFile\0", 8), false},
      {extension, 1, std::string("Msi.Package\0", 12), false},
      {extension, 1, std::string("htafile\0", 8), false},
      {extension, 1, std::string("lnkfile\0", 8), false},
      {extension, 2, std::string("Other.jpg\0", 10), false},  // REG_EXPAND_SZ
      {extension, 6, std::string("Other.jpg\0", 10), false},  // REG_LINK
      {extension, 1, std::string("\0", 1), false},
      {extension, 1, std::string("..\\..\\x\0", 8), false},
      {extension, 1, std::string(3000, 'a'), false},
      {registered, 1, std::string("SOFTWARE\\Andere\\Capabilities\0", 30), true},
      {registered, 4, std::string("\1\0\0\0", 4), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data.c_str());
    EarlierValue earlier;
    earlier.existed = true;
    earlier.type = c.type;
    earlier.data = c.data;
    EXPECT_EQ(c.restorable, IsRestorableEarlier(*c.value, earlier));
    const ValueAction action = DecideValue(*c.value, true, c.value->ours, &earlier, true);
    EXPECT_EQ(c.restorable ? ValueAction::kWriteEarlier : ValueAction::kDelete, action);
  }
  // A ProgID that is no longer registered is not written back.
  EarlierValue other;
  other.existed = true;
  other.type = 1;
  other.data = std::string("Other.jpg\0", 10);
  EXPECT_EQ(ValueAction::kDelete, DecideValue(*extension, true, extension->ours, &other, false));
  // Our own capabilities found from an earlier installation: ours, it goes.
  EarlierValue ours;
  ours.existed = true;
  ours.type = 1;
  ours.data = registered->ours + std::string(1, '\0');
  EXPECT_EQ(ValueAction::kDelete, DecideValue(*registered, true, registered->ours, &ours, true));
}

TEST(UninstallRules, KnownValuesCoverEveryExtensionAndStoreApp) {
  // 90 extensions with a default, a choice and its hash, five store apps and
  // the registered application; keys: the extensions' two, their FileExts
  // parent, the store apps', the verbs' parents.
  EXPECT_EQ(90u * 3 + 5 + 1, KnownReplacedValues().size());
  EXPECT_EQ(90u * 2 + 1 + 5 + 4, KnownCreatedKeys().size());
  // The ProgIDs first, the product's key last.
  EXPECT_EQ("SOFTWARE\\Classes\\Pixorra.ani", OwnKeys().front().key);
  EXPECT_EQ("SOFTWARE\\Pixorra", OwnKeys().back().key);
  const KnownValue& first = KnownReplacedValues().front();
  EXPECT_EQ("SOFTWARE\\Classes\\.ani", first.key);
  EXPECT_EQ("Pixorra.ani", first.ours);
}

TEST(UninstallRules, OnlyOurOwnDataIsRestoredOrRemoved) {
  const KnownValue jpg{ValueKind::kExtensionDefault, Root::kLocalMachine, "SOFTWARE\\Classes\\.jpg", "", "Pixorra.jpg"};
  const KnownValue noOpenWith{ValueKind::kNoOpenWith, Root::kCurrentUser, "SOFTWARE\\Classes\\AppX1", "NoOpenWith", ""};
  EarlierValue other;
  other.existed = true;
  other.type = 1;
  other.data = std::string("Other.jpg\0", 10);
  EarlierValue ours = other;
  ours.data = std::string("pixorra.JPG\0", 12);
  EarlierValue none;
  EarlierValue emptyText = other;
  emptyText.data = std::string("\0", 1);
  const struct {
    const char* what;
    const KnownValue* value;
    bool exists;
    std::string current;
    const EarlierValue* earlier;
    ValueAction expected;
  } cases[] = {
      {"ours, earlier program recorded", &jpg, true, std::string("Pixorra.jpg\0", 12), &other, ValueAction::kWriteEarlier},
      {"ours, nothing there before", &jpg, true, std::string("Pixorra.jpg\0", 12), &none, ValueAction::kDelete},
      {"ours, no record of it", &jpg, true, "Pixorra.jpg", nullptr, ValueAction::kDelete},
      {"ours, earlier was an older install of ours", &jpg, true, "Pixorra.jpg", &ours, ValueAction::kDelete},
      {"ours in other case", &jpg, true, "PIXORRA.JPG", &other, ValueAction::kWriteEarlier},
      {"user chose another program since", &jpg, true, "Paint.jpg", &other, ValueAction::kLeave},
      {"another ProgID of ours (other row)", &jpg, true, "Pixorra.png", &other, ValueAction::kLeave},
      {"gone already", &jpg, false, "", &other, ValueAction::kLeave},
      {"NoOpenWith as we set it, none before", &noOpenWith, true, std::string("\0", 1), &none, ValueAction::kDelete},
      {"NoOpenWith as we set it, was there", &noOpenWith, true, std::string("\0", 1), &emptyText, ValueAction::kWriteEarlier},
      {"NoOpenWith changed since", &noOpenWith, true, "x", &none, ValueAction::kLeave},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, DecideValue(*c.value, c.exists, c.current, c.earlier)) << c.what;
}

TEST(UninstallRules, ProductLinkNames) {
  const struct {
    LinkPlace place;
    const char* name;
    bool known;
  } cases[] = {
      {LinkPlace::kUserPrograms, "Pixorra\\Pixorra 64 4.42.lnk", true},
      {LinkPlace::kCommonPrograms, "Pixorra\\\xDC" "ber Pixorra.lnk", true},
      {LinkPlace::kUserPrograms, "Pixorra\\Pixorra deinstallieren.lnk", true},
      {LinkPlace::kUserDesktop, "Pixorra 64 Thumbnails.lnk", true},
      {LinkPlace::kCommonDesktop, "Pixorra 64.lnk", true},
      {LinkPlace::kUserDesktop, "Pixorra\\Pixorra 64.lnk", false},
      {LinkPlace::kUserPrograms, "Pixorra 64.lnk", false},
      {LinkPlace::kUserPrograms, "Pixorra\\..\\Startup\\x.lnk", false},
      {LinkPlace::kUserPrograms, "Other\\Pixorra 64 4.42.lnk", false},
      {LinkPlace::kUserDesktop, "Mein Bericht.docx", false},
      {LinkPlace::kUserDesktop, "..\\Documents\\Pixorra 64.lnk", false},
      {LinkPlace::kUserPrograms, "Pixorra\\Pixorra 64 4.41.lnk", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.known, IsProductLinkName(c.place, c.name)) << c.name;
}

// The folders a registration moved from: kept through text and merges, and
// never the installation's own folder (a move back).
TEST(InstallRecord, EarlierFoldersSurviveTextAndMerges) {
  InstallRecord moved = SampleRecord();
  moved.earlierFolders = {"D:\\Alt\\Pixorra\\", "C:\\Tools\\Pix\\"};
  const std::string text = Serialize(moved);
  InstallRecord back;
  std::string why;
  ASSERT_TRUE(Parse(text, &back, &why)) << why;
  EXPECT_EQ(moved.earlierFolders, back.earlierFolders);
  EXPECT_EQ(std::string::npos, Serialize(SampleRecord()).find("EarlierFolder")) << "a record without a move is as before";

  const struct {
    const char* name;
    std::vector<std::string> older, newer, merged;
  } cases[] = {
      {"union in order", {"D:\\A\\"}, {"D:\\B\\", "d:\\a\\"}, {"D:\\A\\", "D:\\B\\"}},
      {"moved back home", {"C:\\Program Files\\Pixorra\\"}, {"D:\\B\\"}, {"D:\\B\\"}},
      {"none", {}, {}, {}},
  };
  for (const auto& c : cases) {
    InstallRecord older = SampleRecord();
    InstallRecord newer = SampleRecord();
    older.earlierFolders = c.older;
    newer.earlierFolders = c.newer;
    EXPECT_EQ(c.merged, Merge(older, newer).earlierFolders) << c.name;
  }
}

TEST(UninstallRules, EarlierFolderNames) {
  const char* own = "C:\\Program Files\\Pixorra\\";
  const struct {
    const char* folder;
    bool usable;
  } cases[] = {
      {"D:\\Alt\\Pixorra\\", true},
      {"c:\\tools\\pix\\", true},
      {"C:\\program files\\PIXORRA\\", false},  // its own
      {"D:\\Alt\\Pixorra", false},                // no backslash at the end
      {"D:\\", false},
      {"D:Alt\\", false},
      {"Alt\\Pixorra\\", false},
      {"\\\\server\\share\\Pixorra\\", false},
      {"D:\\Alt\\..\\Windows\\", false},
      {"D:\\Alt\\.\\", false},
      {"D:\\Alt\\\\Pixorra\\", false},
      {"1:\\Alt\\", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.usable, IsEarlierFolderName(c.folder, own)) << c.folder;
}

TEST(UninstallRules, RemovableNamesArePlainPayloadNames) {
  const struct {
    const char* name;
    bool removable;
  } cases[] = {
      {"px_main64.exe", true},
      {"Html\\bild.htm", true},
      {"html/BILD.HTM", true},
      {"help\\px_main32_deutsch.chm", true},
      {"..\\victim.txt", false},
      {"Html\\..\\..\\victim.txt", false},
      {"C:\\Windows\\win.ini", false},
      {"D:px_main64.exe", false},
      {"\\px_main64.exe", false},
      {"\\\\server\\share\\px_main64.exe", false},
      {"px_main64.exe:stream", false},
      {"px_main64.exe.", false},
      {"px_main64.exe ", false},
      {".\\px_main64.exe", false},
      {"Html\\\\bild.htm", false},
      {"*.exe", false},
      {"Html\\", false},
      {"", false},
      {"px_other.exe", false},
      {"Html\\extra.htm", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.removable, IsPlainRelativeName(c.name) && IsPayloadName(c.name, kPayload)) << c.name;
  }
  EXPECT_TRUE(IsPayloadFolder("Html\\", kPayload));
  EXPECT_TRUE(IsPayloadFolder("plugins\\", kPayload));
  EXPECT_FALSE(IsPayloadFolder("Docs\\", kPayload));
  EXPECT_FALSE(IsPayloadFolder("Htm\\", kPayload));
  EXPECT_FALSE(IsPayloadFolder("\\", kPayload));
}

TEST(UninstallRules, TamperedRecordsAreNotUsable) {
  const std::string own = "C:\\Program Files\\Pixorra\\";
  std::string why;
  ASSERT_EQ(RecordVerdict::kUsable, CheckRecord(SampleRecord(), own, kPayload, &why)) << why;
  EXPECT_EQ(RecordVerdict::kUsable, CheckRecord(SampleRecord(), "c:\\program files\\PIXORRA", kPayload, &why));

  const struct {
    const char* what;
    void (*tamper)(InstallRecord&);
    RecordVerdict verdict;
  } cases[] = {
      {"another folder", [](InstallRecord& r) { r.folder = "C:\\Windows\\"; }, RecordVerdict::kForeign},
      {"dot-dot", [](InstallRecord& r) { r.files.push_back("..\\victim.txt"); }, RecordVerdict::kDamaged},
      {"absolute", [](InstallRecord& r) { r.files.push_back("C:\\pxtest\\victim.txt"); }, RecordVerdict::kDamaged},
      {"other drive", [](InstallRecord& r) { r.files.push_back("D:victim.txt"); }, RecordVerdict::kDamaged},
      {"no payload name", [](InstallRecord& r) { r.files.push_back("notes.txt"); }, RecordVerdict::kDamaged},
      {"folder outside", [](InstallRecord& r) { r.createdFolders.push_back("..\\"); }, RecordVerdict::kDamaged},
      {"folder of no payload name", [](InstallRecord& r) { r.createdFolders.push_back("Eigene\\"); }, RecordVerdict::kDamaged},
      {"unknown link", [](InstallRecord& r) { r.links.push_back({LinkPlace::kUserDesktop, "Mein Bericht.lnk"}); }, RecordVerdict::kDamaged},
      {"link leaving the group", [](InstallRecord& r) { r.links.push_back({LinkPlace::kUserPrograms, "Pixorra\\..\\x.lnk"}); }, RecordVerdict::kDamaged},
      {"group on a desktop", [](InstallRecord& r) { r.createdGroups.push_back(LinkPlace::kUserDesktop); }, RecordVerdict::kDamaged},
      {"foreign own key", [](InstallRecord& r) { r.ownKeys.push_back({Root::kLocalMachine, "SOFTWARE\\Microsoft"}); }, RecordVerdict::kDamaged},
      {"foreign set value", [](InstallRecord& r) { r.setValues.push_back({Root::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "x"}); }, RecordVerdict::kDamaged},
      {"foreign key", [](InstallRecord& r) { r.createdKeys.push_back({Root::kLocalMachine, "SOFTWARE\\Microsoft"}); }, RecordVerdict::kDamaged},
      {"extension key under the wrong root", [](InstallRecord& r) { r.createdKeys.push_back({Root::kCurrentUser, "SOFTWARE\\Classes\\.jpg"}); }, RecordVerdict::kDamaged},
      {"foreign value", [](InstallRecord& r) {
         EarlierValue v;
         v.key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
         v.name = "evil";
         v.existed = true;
         v.type = 1;
         v.data = "C:\\evil.exe";
         r.earlier.push_back(v);
       }, RecordVerdict::kDamaged},
      {"oversized data", [](InstallRecord& r) { r.earlier[0].data = std::string(5000, 'x'); }, RecordVerdict::kDamaged},
  };
  for (const auto& c : cases) {
    InstallRecord r = SampleRecord();
    c.tamper(r);
    EXPECT_EQ(c.verdict, CheckRecord(r, own, kPayload, &why)) << c.what;
  }
}

TEST(UninstallRules, ProtectedProgramFolders) {
  const std::vector<std::string> system = {"C:\\Program Files", "C:\\users\\tester\\", "C:\\ProgramData\\",
                                           "C:\\users\\tester\\Desktop\\"};
  const struct {
    const char* folder;
    bool isProtected;
  } cases[] = {
      {"C:\\Program Files\\Pixorra\\", false},
      {"C:\\Tools\\Pixorra", false},
      {"C:\\users\\tester\\Apps\\Pixorra\\", false},
      {"C:\\", true},
      {"D:\\", true},
      {"C:", true},
      {"C:\\Program Files\\", true},
      {"c:\\program files", true},
      {"C:\\users\\", true},          // a parent of the profile
      {"C:\\users\\tester", true},
      {"C:\\users\\tester\\Desktop\\", true},
      {"C:\\windows\\", true},
      {"C:\\Windows\\System32\\Pixorra\\", true},
      {"\\\\server\\share\\", true},
      {"\\\\?\\C:\\Pixorra\\", true},
      {"C:\\Tools\\..\\Windows\\", true},
      {"C:\\Tools\\.\\Pixorra\\", true},
      {"C:/Tools/Pixorra/", true},
      {"Pixorra\\", true},
      {"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.isProtected, IsProtectedFolder(c.folder, system, "C:\\windows")) << c.folder;
}

TEST(UninstallRules, CommandLine) {
  UninstallOptions o;
  EXPECT_TRUE(ParseUninstallOptions("", &o));
  EXPECT_FALSE(o.silent);
  EXPECT_FALSE(o.cleanup);
  EXPECT_TRUE(ParseUninstallOptions("\"C:\\P\\pv_uninstall.exe\" /silent", &o));
  EXPECT_TRUE(o.silent);
  EXPECT_FALSE(ParseUninstallOptions("x /Silent", &o) && o.silent) << "case-sensitive like the setup";
  EXPECT_TRUE(ParseUninstallOptions("x /SILENT", &o) && o.silent) << "one of the aliases packaging tools use";

  ASSERT_TRUE(ParseUninstallOptions("x /cleanup=1234 /rmdir=1 \"C:\\Program Files\\Pixorra\\\"", &o));
  EXPECT_TRUE(o.cleanup);
  EXPECT_EQ(1234u, o.waitHandle);
  EXPECT_TRUE(o.removeFolder);
  EXPECT_EQ("C:\\Program Files\\Pixorra\\", o.folder);
  for (const char* bad : {"x /cleanup=", "x /cleanup=12", "x /cleanup=12 /rmdir=2 \"C:\\P\\\"",
                          "x /cleanup=12 /rmdir=0 C:\\P\\", "x /cleanup=12 /rmdir=0 \"C:\\P\\",
                          "x /cleanup=12 /rmdir=0 \"\""}) {
    EXPECT_FALSE(ParseUninstallOptions(bad, &o)) << bad;
  }
}

TEST(UninstallRules, UninstallEntryValues) {
  char text[64];
  ASSERT_TRUE(ComposeQuietUninstallCommand("C:\\P\\", text, sizeof text));
  EXPECT_STREQ("\"C:\\P\\pv_uninstall.exe\" /silent", text);
  EXPECT_FALSE(ComposeQuietUninstallCommand(std::string(60, 'a').c_str(), text, sizeof text));
  EXPECT_STREQ("", text);

  ASSERT_TRUE(FormatInstallDate(2026, 12, 7, text, sizeof text));
  EXPECT_STREQ("20261207", text);
  EXPECT_FALSE(FormatInstallDate(2026, 13, 1, text, sizeof text));
  EXPECT_FALSE(FormatInstallDate(2026, 1, 1, text, 8)) << "no room for the terminator";

  const struct {
    unsigned long long bytes;
    unsigned long kb;
  } sizes[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {654321, 639}, {0xFFFFFFFFull * 1024 + 1, 0xFFFFFFFFul}};
  for (const auto& s : sizes) EXPECT_EQ(s.kb, KilobytesRoundedUp(s.bytes)) << s.bytes;
}

// A stored (uncompressed) archive of two entries, written out by hand.
TEST(ArchiveListing, NamesAndUnpackedSizes) {
  std::string zip;
  auto put16 = [&zip](unsigned v) { zip += static_cast<char>(v & 255); zip += static_cast<char>(v >> 8); };
  auto put32 = [&](unsigned long v) { put16(v & 0xFFFF); put16(v >> 16); };
  std::string directory;
  const struct {
    const char* name;
    unsigned long size;
  } entries[] = {{"px_main64.exe", 70000}, {"Html/", 0}};
  for (const auto& e : entries) {
    std::string saved = zip;
    zip.clear();
    put32(0x02014b50);
    for (int i = 0; i < 8; ++i) put16(0);  // versions, flags, method, time, date, crc
    put32(1234);                            // compressed size
    put32(e.size);                          // unpacked size
    put16(static_cast<unsigned>(std::string(e.name).size()));
    for (int i = 0; i < 4; ++i) put16(0);  // extra, comment, disk, internal attributes
    put32(0);
    put32(0);
    zip += e.name;
    directory += zip;
    zip = saved;
  }
  zip = directory;
  put32(0x06054b50);
  put16(0);
  put16(0);
  put16(2);
  put16(2);
  put32(static_cast<unsigned long>(directory.size()));
  put32(0);
  put16(0);
  std::vector<ArchiveListing> listing;
  ASSERT_TRUE(ListArchiveEntries(reinterpret_cast<const unsigned char*>(zip.data()), zip.size(), &listing));
  ASSERT_EQ(2u, listing.size());
  EXPECT_EQ("px_main64.exe", listing[0].name);
  EXPECT_EQ(70000u, listing[0].unpackedSize);
  EXPECT_EQ("Html/", listing[1].name);
  EXPECT_FALSE(ListArchiveEntries(reinterpret_cast<const unsigned char*>(zip.data()), zip.size() - 30, &listing));
  EXPECT_TRUE(listing.empty());
}

}  // namespace
