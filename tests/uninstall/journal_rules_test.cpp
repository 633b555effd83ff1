// The installation journal as text: what a run writes reads back the same,
// and what it did not write (cut off, changed, a later format) is refused,
// so that nothing is undone by a guess.
#include <gtest/gtest.h>

#include <string>

#include "core/journal.h"

namespace {

using installrecord::LinkPlace;
using installrecord::Root;

journal::Journal FullJournal() {
  journal::Journal j;
  j.version = "4.42";
  j.folder = "C:\\Program Files\\Pixorra\\";
  j.createdFolders = {"C:\\Program Files\\Pixorra\\"};
  j.kept = {"px_about.txt"};
  j.payloadFolders = {"help\\"};
  j.files = {{"px_main64.exe", true, 4096, 0xDEADBEEFul}, {"help\\px_main32_deutsch.chm", false, 0, 0}};
  j.recordStep = true;
  j.recordReplaced = true;
  j.settings = {{"C:\\Program Files\\Pixorra\\px_main64.ini", false, ""},
                {"C:\\Users\\me\\AppData\\Roaming\\Pixorra\\px_main64.ini", true, "[Start]\r\nSkin=1\r\n"}};
  j.createdGroups = {LinkPlace::kCommonPrograms};
  j.links = {{LinkPlace::kCommonPrograms, "Pixorra\\Pixorra 4.42.lnk", false},
             {LinkPlace::kUserDesktop, "Pixorra 64.lnk", true},
             {LinkPlace::kCommonPrograms, "Pixorra\\Pixorra 64 4.41.lnk", true, true,
              std::string("L\0\0\0\t\n\r%\x7F\xFF", 10)}};
  j.ownKeys = {{Root::kLocalMachine, "SOFTWARE\\Pixorra", true}, {Root::kLocalMachine, "SOFTWARE\\Classes\\Pixorra", false}};
  j.ownSubKeys = {{Root::kLocalMachine, "SOFTWARE\\Pixorra\\Capabilities", true, false},
                  {Root::kLocalMachine, "SOFTWARE\\Pixorra\\Elsewhere", true, true}};
  j.ownValues = {{Root::kLocalMachine, "SOFTWARE\\Pixorra", "Huge", true, 0, "", true},
                 {Root::kLocalMachine, "SOFTWARE\\Pixorra\\Capabilities", "", true, 1, std::string("x\0", 2), false}};
  j.keys = {{Root::kLocalMachine, "SOFTWARE\\Classes\\.jpg", false}, {Root::kCurrentUser, "Software\\Linked", true, true}};
  j.values = {{Root::kLocalMachine, "SOFTWARE\\Classes\\.jpg", "", true, 1, std::string("Other.jpg\0", 10)},
              {Root::kCurrentUser, "Software\\x\\UserChoice", "Progid", false, 0, ""},
              {Root::kLocalMachine, "SOFTWARE\\Pixorra", "Bytes", true, 3, std::string("\x00\t\r\n%\x7F\xFF", 7)}};
  return j;
}

TEST(JournalText, WhatARunWritesReadsBackTheSame) {
  struct Case {
    const char* name;
    journal::Journal journal;
  };
  journal::Journal finished = FullJournal();
  finished.state = journal::State::kFinished;
  journal::Journal user;
  user.version = "4.42";
  user.scope = installrecord::Scope::kUser;
  user.folder = "C:\\Users\\me\\AppData\\Local\\Programs\\Pixorra\\";
  journal::Journal freshRecord = FullJournal();
  freshRecord.recordReplaced = false;
  journal::Journal undoIncomplete = FullJournal();
  undoIncomplete.state = journal::State::kUndoIncomplete;
  const Case cases[] = {{"every entry", FullJournal()}, {"finished", finished}, {"begun only, user", user},
                        {"record new", freshRecord}, {"undo incomplete", undoIncomplete}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = journal::Serialize(c.journal);
    journal::Journal read;
    std::string why;
    ASSERT_TRUE(journal::Parse(text, &read, &why)) << why;
    EXPECT_EQ(journal::Serialize(read), text);
    EXPECT_EQ(read.state, c.journal.state);
    EXPECT_EQ(read.scope, c.journal.scope);
    EXPECT_EQ(read.recordStep, c.journal.recordStep);
    EXPECT_EQ(read.recordReplaced, c.journal.recordReplaced);
    ASSERT_EQ(read.values.size(), c.journal.values.size());
    for (std::size_t i = 0; i < read.values.size(); ++i) EXPECT_EQ(read.values[i].data, c.journal.values[i].data);
    ASSERT_EQ(read.settings.size(), c.journal.settings.size());
    for (std::size_t i = 0; i < read.settings.size(); ++i) {
      EXPECT_EQ(read.settings[i].existed, c.journal.settings[i].existed);
      EXPECT_EQ(read.settings[i].content, c.journal.settings[i].content);
    }
    ASSERT_EQ(read.ownValues.size(), c.journal.ownValues.size());
    for (std::size_t i = 0; i < read.ownValues.size(); ++i) {
      EXPECT_EQ(read.ownValues[i].tooLarge, c.journal.ownValues[i].tooLarge);
      EXPECT_EQ(read.ownValues[i].data, c.journal.ownValues[i].data);
    }
    ASSERT_EQ(read.ownSubKeys.size(), c.journal.ownSubKeys.size());
    for (std::size_t i = 0; i < read.ownSubKeys.size(); ++i) {
      EXPECT_EQ(read.ownSubKeys[i].link, c.journal.ownSubKeys[i].link);
    }
    ASSERT_EQ(read.links.size(), c.journal.links.size());
    for (std::size_t i = 0; i < read.links.size(); ++i) {
      EXPECT_EQ(read.links[i].name, c.journal.links[i].name);
      EXPECT_EQ(read.links[i].existed, c.journal.links[i].existed);
      EXPECT_EQ(read.links[i].kept, c.journal.links[i].kept);
      EXPECT_EQ(read.links[i].content, c.journal.links[i].content);
    }
    ASSERT_EQ(read.files.size(), c.journal.files.size());
    for (std::size_t i = 0; i < read.files.size(); ++i) {
      EXPECT_EQ(read.files[i].replaces, c.journal.files[i].replaces);
      EXPECT_EQ(read.files[i].crc, c.journal.files[i].crc);
    }
  }
}

// A journal says the lowest format that carries its state: a reader of
// format 1 takes an incomplete undo for a later format and leaves it (never
// for a damaged journal, which it would remove), while every other journal
// stays readable by it.
TEST(JournalText, TheFormatIsTheLowestThatCarriesTheState) {
  struct Case {
    journal::State state;
    const char* formatLine;
  };
  const Case cases[] = {
      {journal::State::kUnfinished, "\r\nFormat\t1\r\n"},
      {journal::State::kFinished, "\r\nFormat\t1\r\n"},
      {journal::State::kUndoIncomplete, "\r\nFormat\t2\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formatLine);
    journal::Journal j = FullJournal();
    j.state = c.state;
    EXPECT_NE(std::string::npos, journal::Serialize(j).find(c.formatLine));
  }
}

// Replaces the first occurrence of from in text.
std::string Changed(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(JournalText, WhatNoRunWroteIsRefused) {
  const std::string text = journal::Serialize(FullJournal());
  journal::Journal begun;
  begun.version = "4.42";
  begun.folder = "C:\\Program Files\\Pixorra\\";
  const std::string head = journal::Serialize(begun);
  struct Case {
    const char* name;
    std::string text;
    bool later;
  };
  const Case cases[] = {
      {"empty", "", false},
      {"cut off inside a line", text.substr(0, text.size() - 3), false},
      {"cut off before the end line", Changed(text, "End\r\n", ""), false},
      {"text after the end", text + "File\tx\tnew\t1\t1\r\n", false},
      {"other header", Changed(text, "Pixorra installation journal", "Pixorra 4.42 install record"), false},
      {"later format", Changed(text, "Format\t1", "Format\t3"), true},
      {"incomplete undo in format 1", Changed(text, "State\tunfinished", "State\tundo-incomplete"), false},
      {"format zero", Changed(text, "Format\t1", "Format\t0"), false},
      {"head alone, without its state line", Changed(head, "State\tunfinished\r\n", ""), false},
      {"head out of order", Changed(Changed(text, "Version\t4.42\r\n", ""), "Scope\tmachine\r\n",
                                    "Scope\tmachine\r\nVersion\t4.42\r\n"), false},
      {"unknown state", Changed(text, "State\tunfinished", "State\tdone"), false},
      {"unknown entry", Changed(text, "End\r\n", "Shortcut\tx\r\nEnd\r\n"), false},
      {"file without stamp", Changed(text, "\treplaces\t4096\t3735928559", "\treplaces"), false},
      {"bad escape", Changed(text, "Other.jpg%00", "Other.jpg%0"), false},
      {"lower-case escape", Changed(text, "%7F", "%7f"), false},
      {"settings found without content", Changed(text, "\tfound\t[Start]%0D%0ASkin=1%0D%0A", "\tfound"), false},
      {"sub-key that was not there", Changed(text, "\tSOFTWARE\\Pixorra\\Capabilities\tfound", "\tSOFTWARE\\Pixorra\\Capabilities\tabsent"), false},
      {"unknown value state", Changed(text, "\tHuge\tlarge", "\tHuge\thuge"), false},
      {"unknown key state", Changed(text, "\tSOFTWARE\\Pixorra\tfound", "\tSOFTWARE\\Pixorra\tmaybe"), false},
      {"link bytes cut in a byte", Changed(text, "\t4C0000", "\t4C000"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    journal::Journal read;
    std::string why;
    bool later = false;
    EXPECT_FALSE(journal::Parse(c.text, &read, &why, &later));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(later, c.later);
  }
}

// One Link line in an otherwise complete journal: the lines of earlier
// builds (no bytes) read as a link left on undo; the bytes are read only in
// the one spelling they are written in, and only as much as a run keeps.
TEST(JournalText, LinkLinesOfEveryShape) {
  journal::Journal base;
  base.version = "4.42";
  base.folder = "C:\\Program Files\\Pixorra\\";
  const std::string text = journal::Serialize(base);
  const std::string most = std::string(journal::kMostLinkBytes, '\xA5');
  std::string mostHex;
  for (std::size_t i = 0; i < most.size(); ++i) mostHex += "A5";
  struct Case {
    const char* name;
    std::string fields;  // after "Link\tuser-desktop\tPixorra 64.lnk\t"
    bool read;
    bool existed;
    bool kept;
    std::string content;
  };
  const Case cases[] = {
      {"created by the run", "absent", true, false, false, ""},
      {"found, earlier build", "found", true, true, false, ""},
      {"found with bytes", "found\t4C00090AFF", true, true, true, std::string("L\0\t\n\xFF", 5)},
      {"found, empty file", "found\t", true, true, true, ""},
      {"found, the most bytes kept", "found\t" + mostHex, true, true, true, most},
      {"more bytes than a run keeps", "found\t" + mostHex + "00", false, false, false, ""},
      {"odd number of digits", "found\t4C0", false, false, false, ""},
      {"lower-case digits", "found\t4c", false, false, false, ""},
      {"not a digit", "found\t4G", false, false, false, ""},
      {"escaped instead of hex", "found\tL%00", false, false, false, ""},
      {"bytes of a link that was absent", "absent\t4C", false, false, false, ""},
      {"a sixth field", "found\t4C\t4C", false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string line = "Link\tuser-desktop\tPixorra 64.lnk\t" + c.fields + "\r\n";
    journal::Journal read;
    std::string why;
    const bool parsed = journal::Parse(Changed(text, "End\r\n", line + "End\r\n"), &read, &why);
    ASSERT_EQ(parsed, c.read) << why;
    if (!c.read) continue;
    ASSERT_EQ(read.links.size(), 1u);
    EXPECT_EQ(read.links[0].place, LinkPlace::kUserDesktop);
    EXPECT_EQ(read.links[0].name, "Pixorra 64.lnk");
    EXPECT_EQ(read.links[0].existed, c.existed);
    EXPECT_EQ(read.links[0].kept, c.kept);
    EXPECT_EQ(read.links[0].content, c.content);
  }
}

}  // namespace
