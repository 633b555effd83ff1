// What a retried uninstaller may take away without its record, and the
// stamp the original hands its copy in TEMP: tables of what a folder and a
// command line can hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/leftover_rules.h"

using namespace leftoverrules;

namespace {

const std::vector<std::string> kPayload = {"px_main64.exe", "pv_uninstall.exe", "Html/bild.htm",
                                           "Html/Vorlagen/liste.htm", "Help/px_main32_deutsch.chm"};

TEST(LeftoverRules, WhatARetriedRunMayRemove) {
  const struct {
    const char* what;
    std::vector<ListedEntry> listing;
    bool finishes;
    std::vector<std::string> folders;  // deepest first
  } cases[] = {
      {"only the uninstaller", {{"pv_uninstall.exe"}}, true, {}},
      {"nothing at all", {}, true, {}},
      {"emptied payload folders", {{"Help\\"}, {"Html\\"}, {"Html\\Vorlagen\\"}, {"pv_uninstall.exe"}}, true,
       {"Html\\Vorlagen\\", "Help\\", "Html\\"}},
      {"names in another case", {{"PV_UNINSTALL.EXE"}, {"html\\"}}, true, {"html\\"}},
      {"a file of the user", {{"pv_uninstall.exe"}, {"Meine Notizen.txt"}}, false, {}},
      {"a payload file still there", {{"pv_uninstall.exe"}, {"px_main64.exe"}}, false, {}},
      {"a file in a payload folder", {{"Html\\"}, {"Html\\eigene.htm"}}, false, {}},
      {"a folder the payload does not have", {{"Eigene\\"}}, false, {}},
      {"the record half written", {{"pv_uninstall.exe"}, {"pv_uninstall.dat.new"}}, false, {}},
      {"the kept folder", {{"pv_kept\\"}}, false, {}},
      {"a payload folder that is a link", {{"Help\\", false}}, false, {}},
      {"the uninstaller as a link", {{"pv_uninstall.exe", false}}, false, {}},
      {"a folder spelt with dots", {{"Html\\..\\"}}, false, {}},
      {"a file named like a payload folder", {{"Html"}}, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> folders = {"stale"};
    EXPECT_EQ(c.finishes, MayFinishLeftovers(c.listing, kPayload, &folders));
    EXPECT_EQ(c.folders, folders);
  }
}

TEST(LeftoverRules, StampRoundTrips) {
  FileStamp stamp;
  stamp.volume = 0xDEADBEEFul;
  stamp.fileIndex = 0x0123456789ABCDEFull;
  stamp.size = 123456;
  stamp.writeTime = 0x01DCF1A2B3C4D5E6ull;
  stamp.changeTime = 0xFFFFFFFFFFFFFFFFull;
  const std::string line = "/cleanup=40 /rmdir=1 \"C:\\Program Files\\Pixorra\\\"" + FormatFileStamp(stamp);
  FileStamp read;
  ASSERT_TRUE(ParseFileStamp(line, &read)) << line;
  EXPECT_EQ(stamp.volume, read.volume);
  EXPECT_EQ(stamp.fileIndex, read.fileIndex);
  EXPECT_EQ(stamp.size, read.size);
  EXPECT_EQ(stamp.writeTime, read.writeTime);
  EXPECT_EQ(stamp.changeTime, read.changeTime);
}

TEST(LeftoverRules, StampOnTheCopysCommandLine) {
  const std::string head = "/cleanup=40 /rmdir=0 \"C:\\Pixorra\\\"";
  const struct {
    const char* what;
    std::string line;
    bool parsed;
    unsigned long long size;
  } cases[] = {
      {"well formed", head + " /was=1a-2b-3c-4d-5e", true, 0x3c},
      {"upper case hex", head + " /was=1A-2B-3C-4D-5E", true, 0x3c},
      {"followed by a blank", head + " /was=1-2-3-4-5 ", true, 3},
      {"none", head, false, 0},
      {"no copy request", "/silent /was=1-2-3-4-5", false, 0},
      {"a field missing", head + " /was=1-2-3-4", false, 0},
      {"a field empty", head + " /was=1--3-4-5", false, 0},
      {"not hex", head + " /was=1-2-x-4-5", false, 0},
      {"text after it", head + " /was=1-2-3-4-5x", false, 0},
      {"volume too long", head + " /was=123456789-2-3-4-5", false, 0},
      {"index too long", head + " /was=1-12345678901234567-3-4-5", false, 0},
      {"inside the folder", "/cleanup=40 /rmdir=0 \"C:\\a /was=1-2-3-4-5\\\"", false, 0},
      {"no closing quote", "/cleanup=40 /rmdir=0 \"C:\\a /was=1-2-3-4-5", false, 0},
      {"a blank before it missing", head + "/was=1-2-3-4-5", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FileStamp stamp;
    stamp.size = 99;
    EXPECT_EQ(c.parsed, ParseFileStamp(c.line, &stamp));
    EXPECT_EQ(c.size, stamp.size);
  }
}

}  // namespace
