#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/folder_text.h"

namespace {

std::string Trimmed(const char* text) {
  char buffer[kPathSize];
  std::strcpy(buffer, text);
  TrimSpaces(buffer);
  return buffer;
}

// A pretend disk: folders that exist, and every folder the walk tried to make.
struct FakeDisk {
  std::set<std::string> existing;
  std::vector<std::string> created;
  std::set<std::string> unwritable;  // creating these fails

  static std::string Key(const char* path) {
    std::string key = path;
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
  }
  static bool CanEnter(const char* path, void* context) {
    return static_cast<FakeDisk*>(context)->existing.count(Key(path)) > 0;
  }
  static void Create(const char* path, void* context) {
    auto* disk = static_cast<FakeDisk*>(context);
    disk->created.push_back(path);
    const std::string key = Key(path);
    const std::size_t cut = key.find_last_of('\\');
    const std::string parent = cut == std::string::npos ? "" : key.substr(0, cut);
    if (disk->unwritable.count(key) == 0 && (parent.empty() || disk->existing.count(parent))) {
      disk->existing.insert(key);
    }
  }
  FolderOps Ops() { return FolderOps{CanEnter, Create, this}; }
};

}  // namespace

TEST(TrimSpaces, BothEnds) {
  EXPECT_EQ(Trimmed("  C:\\A  "), "C:\\A");
  EXPECT_EQ(Trimmed("C:\\A"), "C:\\A");
  EXPECT_EQ(Trimmed("     "), "");
  EXPECT_EQ(Trimmed(""), "");
  EXPECT_EQ(Trimmed(" C:\\My Folder "), "C:\\My Folder");
  EXPECT_EQ(Trimmed("\tC:\\A\t"), "\tC:\\A\t");  // only the blank counts
}

TEST(BackslashRule, AppendsOnlyWithRoom) {
  char path[kPathSize] = "C:\\A";
  AppendBackslashIfRoom(path);
  EXPECT_STREQ(path, "C:\\A\\");
  AppendBackslashIfRoom(path);
  EXPECT_STREQ(path, "C:\\A\\");
  std::string full(259, 'x');
  std::strcpy(path, full.c_str());
  AppendBackslashIfRoom(path);
  EXPECT_EQ(std::strlen(path), 259u);
  full.assign(258, 'x');
  std::strcpy(path, full.c_str());
  AppendBackslashIfRoom(path);
  EXPECT_EQ(std::strlen(path), 259u);
  EXPECT_EQ(path[258], '\\');
}

TEST(OpenCommand, QuotedCommandGivesTheProgramFolder) {
  char folder[kPathSize];
  ASSERT_EQ(ReadOpenCommandFolder("\"C:\\Program Files\\Pixorra\\px_main64.exe\" \"%1\"", folder), 1);
  EXPECT_STREQ(folder, "C:\\Program Files\\Pixorra\\");
  ASSERT_EQ(ReadOpenCommandFolder("\"D:\\Tools\\px_main64.exe", folder), 1);  // no closing quote
  EXPECT_STREQ(folder, "D:\\Tools\\");
}

TEST(OpenCommand, AnotherProgramIsIgnored) {
  char folder[kPathSize] = "junk";
  EXPECT_EQ(ReadOpenCommandFolder("\"C:\\Other\\viewer.exe\" \"%1\"", folder), 0);
  EXPECT_STREQ(folder, "");
  EXPECT_EQ(ReadOpenCommandFolder("\"C:\\Pixorra\\PX_MAIN64.EXE\" \"%1\"", folder), 0);  // exact case
  EXPECT_EQ(ReadOpenCommandFolder("", folder), 0);
}

TEST(OpenCommand, UnquotedCommandKeepsItsFirstCharacter) {
  char folder[kPathSize];
  ASSERT_EQ(ReadOpenCommandFolder("C:\\Program Files\\Pixorra\\px_main64.exe %1", folder), 1);
  EXPECT_STREQ(folder, "C:\\Program Files\\Pixorra\\");
}

TEST(OpenCommand, NoFolderInTheCommandGivesNothing) {
  char folder[kPathSize];
  EXPECT_EQ(ReadOpenCommandFolder("\"px_main64.exe\" \"%1\"", folder), 0);
  EXPECT_STREQ(folder, "");
  ASSERT_EQ(ReadOpenCommandFolder("\"C:px_main64.exe\"", folder), 1);  // drive only
  EXPECT_STREQ(folder, "C:\\");
}

// The folder must leave room for the backslash that ends it: a command
// whose folder (with its last separator) takes 258 characters is read, one
// of 259 is refused, whichever separator ends it.
TEST(OpenCommand, FolderAtTheLengthLimit) {
  struct Case {
    std::size_t length;  // the folder with its last separator
    char separator;
    bool quoted;
    bool read;
  } cases[] = {
      {258, '\\', true, true},   {258, '/', true, true},   {258, '\\', false, true},  {258, '/', false, true},
      {259, '\\', true, false},  {259, '/', true, false},  {259, '\\', false, false}, {259, '/', false, false},
      {300, '\\', true, false},
  };
  for (const Case& c : cases) {
    const std::string folder = "D:\\" + std::string(c.length - 4, 'a') + c.separator;
    ASSERT_EQ(c.length, folder.size());
    const std::string program = folder + "px_main64.exe";
    const std::string command = c.quoted ? "\"" + program + "\" \"%1\"" : program + " %1";
    char read[kPathSize] = "junk";
    SCOPED_TRACE(::testing::Message() << c.length << " characters ending in " << c.separator
                                      << (c.quoted ? ", quoted" : ", unquoted"));
    EXPECT_EQ(c.read, ReadOpenCommandFolder(command.c_str(), read) != 0);
    if (!c.read) {
      EXPECT_STREQ("", read);
      continue;
    }
    // Always ending in a backslash, also after a "/".
    const std::string expected = c.separator == '\\' ? folder : folder + "\\";
    EXPECT_EQ(expected, std::string(read));
    EXPECT_EQ('\\', read[std::strlen(read) - 1]);
  }
}

TEST(ProductFolder, AppendedUnlessAlreadyThere) {
  struct Case {
    const char* chosen;
    const char* result;
  } cases[] = {
      {"D:\\Tools\\", "D:\\Tools\\Pixorra\\"},
      {"D:\\Tools", "D:\\Tools\\Pixorra\\"},
      {"D:\\Apps\\PIXORRA\\", "D:\\Apps\\PIXORRA\\"},
      {"D:\\Pixorra\\", "D:\\Pixorra\\"},
      {"d:\\pixorra", "d:\\pixorra\\"},
      {"E:\\", "E:\\Pixorra\\"},
      {"E:", "E:\\Pixorra\\"},
      {"D:\\Pixorra2\\", "D:\\Pixorra2\\Pixorra\\"},
      {"D:\\My Pixorra\\", "D:\\My Pixorra\\Pixorra\\"},
  };
  for (const Case& c : cases) {
    char folder[kPathSize];
    std::strcpy(folder, c.chosen);
    EXPECT_EQ(AppendProductFolderText(folder), 1) << c.chosen;
    EXPECT_STREQ(folder, c.result) << c.chosen;
  }
}

TEST(ProductFolder, TooLongIsLeftAlone) {
  std::string chosen = "D:\\" + std::string(250, 'a') + "\\";  // 254 characters
  char folder[kPathSize];
  std::strcpy(folder, chosen.c_str());
  EXPECT_EQ(AppendProductFolderText(folder), 0);
  EXPECT_EQ(std::string(folder), chosen);
}

TEST(FolderChain, CreatesTheMissingPartsInOrder) {
  FakeDisk disk;
  disk.existing = {"C:", "C:\\A"};
  char path[kPathSize] = "C:\\A\\B\\C";
  ASSERT_EQ(EnsureFolderChain(path, disk.Ops()), 1);
  EXPECT_STREQ(path, "C:\\A\\B\\C\\");
  EXPECT_EQ(disk.created, (std::vector<std::string>{"C:", "C:\\A", "C:\\A\\B", "C:\\A\\B\\C"}));
}

TEST(FolderChain, ExistingFolderIsOnlyNormalised) {
  FakeDisk disk;
  disk.existing = {"C:", "C:\\A"};
  char path[kPathSize] = "  C:\\A  ";
  ASSERT_EQ(EnsureFolderChain(path, disk.Ops()), 1);
  EXPECT_STREQ(path, "C:\\A\\");
  EXPECT_TRUE(disk.created.empty());
}

TEST(FolderChain, BlankAtTheEndOfAMiddleFolderIsDropped) {
  FakeDisk disk;
  disk.existing = {"C:", "C:\\Program Files"};
  char path[kPathSize] = "C:\\Program Files \\Pixorra";
  ASSERT_EQ(EnsureFolderChain(path, disk.Ops()), 1);
  EXPECT_STREQ(path, "C:\\Program Files\\Pixorra\\");
  EXPECT_EQ(disk.created.back(), "C:\\Program Files\\Pixorra");
}

TEST(FolderChain, EmptyAndBlankPathsFail) {
  FakeDisk disk;
  char empty[kPathSize] = "";
  EXPECT_EQ(EnsureFolderChain(empty, disk.Ops()), 0);
  char blanks[kPathSize] = "    ";
  EXPECT_EQ(EnsureFolderChain(blanks, disk.Ops()), 0);
  EXPECT_STREQ(blanks, "");
  EXPECT_TRUE(disk.created.empty());
}

TEST(FolderChain, MissingDriveFails) {
  FakeDisk disk;
  disk.existing = {"C:"};
  disk.unwritable = {"Q:"};
  char path[kPathSize] = "Q:\\Pixorra";
  EXPECT_EQ(EnsureFolderChain(path, disk.Ops()), 0);
  EXPECT_STREQ(path, "Q:\\Pixorra\\");
}

TEST(FolderChain, NetworkPathKeepsItsTwoBackslashes) {
  FakeDisk disk;
  disk.existing = {"\\\\server", "\\\\server\\share"};
  char path[kPathSize] = "\\\\server\\share\\Pixorra";
  ASSERT_EQ(EnsureFolderChain(path, disk.Ops()), 1);
  EXPECT_STREQ(path, "\\\\server\\share\\Pixorra\\");
  EXPECT_EQ(disk.created.front(), "\\\\server");
  EXPECT_EQ(disk.created.back(), "\\\\server\\share\\Pixorra");
}

TEST(FolderChain, LongestPathStaysInItsBuffer) {
  FakeDisk disk;
  disk.existing = {"C:"};
  std::string text = "C:\\" + std::string(256, 'a');  // 259 characters, no room for "\"
  char path[kPathSize];
  std::strcpy(path, text.c_str());
  EnsureFolderChain(path, disk.Ops());
  EXPECT_EQ(std::strlen(path), 259u);
  EXPECT_EQ(disk.created.size(), 1u);  // only "C:": the last name never met a backslash
}
