#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>

#include "core/format_table.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The table's counts are what the page, the command line and the registry
// footprint all rely on: a lost or doubled row shifts every later selection.
TEST(FormatTable, HasSixtyEightRowsNinetyExtensionsSeventyThreeProgIds) {
  ASSERT_EQ(68, FormatRowCount());
  int extensions = 0;
  std::set<std::string> suffixes, registered;
  for (int i = 0; i < FormatRowCount(); ++i) {
    const FormatRow* row = GetFormatRow(i);
    ASSERT_NE(nullptr, row) << "row " << i;
    ASSERT_GT(row->extensionCount, 0) << "row " << i;
    for (int e = 0; e < row->extensionCount; ++e) {
      ++extensions;
      suffixes.insert(row->extensions[e].suffix);
      EXPECT_TRUE(registered.insert(row->extensions[e].extension).second)
          << row->extensions[e].extension << " registered twice";
    }
  }
  EXPECT_EQ(90, extensions);
  EXPECT_EQ(73u, suffixes.size());
}

TEST(FormatTable, RowsOutsideTheTableAreAbsent) {
  EXPECT_EQ(nullptr, GetFormatRow(-1));
  EXPECT_EQ(nullptr, GetFormatRow(68));
  EXPECT_NE(nullptr, GetFormatRow(67));
}

// A ProgID must belong to its own row: an alias pointing at a suffix of
// another row would hand that row's files to the wrong description.
TEST(FormatTable, EverySuffixIsAnExtensionOfItsOwnRow) {
  for (int i = 0; i < FormatRowCount(); ++i) {
    const FormatRow* row = GetFormatRow(i);
    for (int e = 0; e < row->extensionCount; ++e) {
      bool found = false;
      for (int m = 0; m < row->extensionCount; ++m) {
        if (std::string(row->extensions[e].suffix) == row->extensions[m].extension) found = true;
      }
      EXPECT_TRUE(found) << "row " << i << ": " << row->extensions[e].extension << " -> "
                         << row->extensions[e].suffix;
    }
  }
}

TEST(FormatTable, ShownTextListsEveryExtensionExceptThreeHiddenOnes) {
  std::map<std::string, std::string> hidden;  // extension -> row's shown text
  for (int i = 0; i < FormatRowCount(); ++i) {
    const FormatRow* row = GetFormatRow(i);
    std::string shown = std::string("/") + row->shownExtensions + "/";
    for (int e = 0; e < row->extensionCount; ++e) {
      std::string ext = row->extensions[e].extension;
      if (shown.find("/" + Upper(ext) + "/") == std::string::npos) hidden[ext] = row->shownExtensions;
    }
  }
  std::map<std::string, std::string> expected = {{"lbm", "IFF"}, {"sun", "RAS"}, {"rgb", "SGI"}};
  EXPECT_EQ(expected, hidden);
}

TEST(FormatTable, AliasesAndOwnProgIds) {
  std::map<std::string, std::string> suffixOf;
  for (int i = 0; i < FormatRowCount(); ++i) {
    const FormatRow* row = GetFormatRow(i);
    for (int e = 0; e < row->extensionCount; ++e) suffixOf[row->extensions[e].extension] = row->extensions[e].suffix;
  }
  const std::map<std::string, std::string> expected = {
      {"jpeg", "jpg"}, {"jpe", "jpg"},  {"mpe", "mpe"},  {"mpeg", "mpg"}, {"cr2", "cr2"},
      {"jng", "jng"},  {"flv", "flv"},  {"rmi", "rmi"},  {"dib", "bmp"},  {"tiff", "tif"},
      {"lbm", "iff"},  {"snd", "au"},   {"iw44", "djvu"}, {"ps", "eps"},  {"ima", "dcm"}};
  for (const auto& [ext, suffix] : expected) EXPECT_EQ(suffix, suffixOf[ext]) << ext;
}

TEST(FormatTable, IconsByGroup) {
  for (int i = 0; i < FormatRowCount(); ++i) {
    FormatIcon expected = FormatIcon::Program0;
    if (i == 0 || i == 6 || i == 20 || i == 21) expected = FormatIcon::Own;  // ANI, CUR, ICL, ICO
    if (i >= 54 && i <= 58) expected = FormatIcon::Program9;
    if (i >= 59) expected = FormatIcon::Program8;
    EXPECT_EQ(static_cast<int>(expected), static_cast<int>(GetFormatRow(i)->icon)) << "row " << i;
  }
  EXPECT_EQ(-1, ProgramIconIndex(FormatIcon::Own));
  EXPECT_EQ(0, ProgramIconIndex(FormatIcon::Program0));
  EXPECT_EQ(9, ProgramIconIndex(FormatIcon::Program9));
  EXPECT_EQ(8, ProgramIconIndex(FormatIcon::Program8));
}

TEST(FormatTable, GroupBoundariesAndTexts) {
  EXPECT_STREQ("XPM", GetFormatRow(kImageRowCount - 1)->shownExtensions);
  EXPECT_STREQ("SWF/FLV", GetFormatRow(kImageRowCount)->shownExtensions);
  EXPECT_STREQ("BMP/DIB", GetFormatRow(2)->shownExtensions);
  EXPECT_STREQ("Windows Bitmap", GetFormatRow(2)->description);
  EXPECT_STREQ("Casio Camera Format (JPG only) *", GetFormatRow(3)->description);
  EXPECT_STREQ("JPEG-XR/HD-Photo Format *", GetFormatRow(19)->description);
  EXPECT_STREQ("MPG/MPE/MPEG", GetFormatRow(56)->shownExtensions);
  EXPECT_STREQ("Windows Media Audio File *", GetFormatRow(67)->description);
}

}  // namespace
