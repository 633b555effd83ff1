#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/shell_text.h"

using namespace shelltext;

namespace {

TEST(ShellText, InstallTextsForAPlainFolder) {
  InstallTexts t;
  ASSERT_TRUE(ComposeInstallTexts("C:\\Tools\\Pixorra", &t));
  EXPECT_STREQ("C:\\Tools\\Pixorra\\", t.folder);
  EXPECT_STREQ("C:\\Tools\\Pixorra\\px_main64.exe", t.programPath);
  EXPECT_STREQ("\"C:\\Tools\\Pixorra\\px_main64.exe\" \"%1\"", t.openCommand);
  EXPECT_STREQ("\"C:\\Tools\\Pixorra\\px_main64.exe\" \"%1 /thumbs\"", t.browseCommand);
  EXPECT_STREQ("\"C:\\Tools\\Pixorra\\px_main64.exe\"", t.quotedProgram);
  EXPECT_STREQ("\"C:\\Tools\\Pixorra\\pv_uninstall.exe\"", t.uninstallCommand);
  EXPECT_STREQ("C:\\Tools\\Pixorra\\px_main64.exe,0", t.displayIcon);
}

TEST(ShellText, FolderWithBackslashIsNotDoubled) {
  InstallTexts t;
  ASSERT_TRUE(ComposeInstallTexts("D:\\Apps\\", &t));
  EXPECT_STREQ("D:\\Apps\\", t.folder);
  EXPECT_STREQ("D:\\Apps\\px_main64.exe", t.programPath);
}

// The program path must fit MAX_PATH: 259 characters is the last that fits.
TEST(ShellText, LongestFolderThatStillNamesTheProgram) {
  std::string folder = "C:\\" + std::string(259 - 13 - 1 - 3, 'a');  // + "\" + px_main64.exe = 259
  InstallTexts t;
  ASSERT_TRUE(ComposeInstallTexts(folder.c_str(), &t));
  EXPECT_EQ(259u, std::strlen(t.programPath));
  EXPECT_EQ("\"" + std::string(t.programPath) + "\" \"%1\"", t.openCommand);
  EXPECT_EQ("\"" + folder + "\\pv_uninstall.exe\"", t.uninstallCommand);

  folder += "b";
  EXPECT_FALSE(ComposeInstallTexts(folder.c_str(), &t));
  EXPECT_STREQ("", t.folder);
  EXPECT_STREQ("", t.programPath);
  EXPECT_STREQ("", t.openCommand);
  EXPECT_STREQ("", t.displayIcon);
}

TEST(ShellText, FolderFillingItsBufferGetsNoBackslashAndComposesNothing) {
  std::string folder = "C:\\" + std::string(256, 'x');  // 259 characters
  InstallTexts t;
  EXPECT_FALSE(ComposeInstallTexts(folder.c_str(), &t));
  EXPECT_STREQ("", t.folder);
  std::string tooLong(400, 'y');
  EXPECT_FALSE(ComposeInstallTexts(tooLong.c_str(), &t));
  EXPECT_STREQ("", t.folder);
}

TEST(ShellText, EmptyFolderComposesNothing) {
  InstallTexts t;
  EXPECT_FALSE(ComposeInstallTexts("", &t));
  EXPECT_STREQ("", t.programPath);
  EXPECT_FALSE(ComposeInstallTexts(nullptr, &t));
}

TEST(ShellText, FormatIntoIsAllOrNothing) {
  char buffer[8];
  EXPECT_TRUE(FormatInto(buffer, sizeof(buffer), "%s", "1234567"));
  EXPECT_STREQ("1234567", buffer);
  std::memset(buffer, 'z', sizeof(buffer));
  EXPECT_FALSE(FormatInto(buffer, sizeof(buffer), "%s", "12345678"));
  EXPECT_STREQ("", buffer);
  EXPECT_FALSE(FormatInto(buffer, 0, "%s", "x"));
}

TEST(ShellText, AppendBackslash) {
  char folder[5] = "C:";
  EXPECT_TRUE(AppendBackslash(folder, sizeof(folder)));
  EXPECT_STREQ("C:\\", folder);
  EXPECT_TRUE(AppendBackslash(folder, sizeof(folder)));
  EXPECT_STREQ("C:\\", folder);
  char full[5] = "abcd";
  EXPECT_FALSE(AppendBackslash(full, sizeof(full)));
  EXPECT_STREQ("abcd", full);
  char empty[5] = "";
  EXPECT_TRUE(AppendBackslash(empty, sizeof(empty)));
  EXPECT_STREQ("", empty);
}

TEST(ShellText, ProgIdAndTypeDescription) {
  char out[kShortSize];
  ASSERT_TRUE(ComposeProgId("jpg", out, sizeof(out)));
  EXPECT_STREQ("Pixorra.jpg", out);
  ASSERT_TRUE(ComposeTypeDescription("djvu", out, sizeof(out)));
  EXPECT_STREQ("Pixorra DJVU File", out);
  ASSERT_TRUE(ComposeTypeDescription("g3", out, sizeof(out)));
  EXPECT_STREQ("Pixorra G3 File", out);
  ASSERT_TRUE(ComposeTypeDescription("mp3", out, sizeof(out)));
  EXPECT_STREQ("Pixorra MP3 File", out);
  // Only a-z change, whatever the locale thinks of other bytes.
  ASSERT_TRUE(ComposeTypeDescription("x\xE4y", out, sizeof(out)));
  EXPECT_STREQ("Pixorra X\xE4Y File", out);
}

TEST(ShellText, IconTexts) {
  char out[kCommandSize];
  ASSERT_TRUE(ComposeIconText(FormatIcon::Own, "C:\\P\\px_main64.exe", out, sizeof(out)));
  EXPECT_STREQ("%1", out);
  ASSERT_TRUE(ComposeIconText(FormatIcon::Program0, "C:\\P\\px_main64.exe", out, sizeof(out)));
  EXPECT_STREQ("C:\\P\\px_main64.exe,0", out);
  ASSERT_TRUE(ComposeIconText(FormatIcon::Program9, "C:\\P\\px_main64.exe", out, sizeof(out)));
  EXPECT_STREQ("C:\\P\\px_main64.exe,9", out);
  ASSERT_TRUE(ComposeIconText(FormatIcon::Program8, "C:\\P\\px_main64.exe", out, sizeof(out)));
  EXPECT_STREQ("C:\\P\\px_main64.exe,8", out);
}

TEST(ShellText, RegistryKeyNames) {
  char out[kKeySize];
  ASSERT_TRUE(ComposeExtensionKey("jpeg", out, sizeof(out)));
  EXPECT_STREQ("SOFTWARE\\Classes\\.jpeg", out);
  ASSERT_TRUE(ComposeProgIdKey("jpg", out, sizeof(out)));
  EXPECT_STREQ("SOFTWARE\\Classes\\Pixorra.jpg", out);
  ASSERT_TRUE(ComposeProgIdCommandKey("jpg", out, sizeof(out)));
  EXPECT_STREQ("SOFTWARE\\Classes\\Pixorra.jpg\\shell\\open\\command", out);
  ASSERT_TRUE(ComposeProgIdIconKey("jpg", out, sizeof(out)));
  EXPECT_STREQ("SOFTWARE\\Classes\\Pixorra.jpg\\DefaultIcon", out);
  ASSERT_TRUE(ComposeCapabilityName("jpg", out, sizeof(out)));
  EXPECT_STREQ(".jpg", out);
  ASSERT_TRUE(ComposeUserChoiceKey("jpeg", out, sizeof(out)));
  EXPECT_STREQ("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpeg\\UserChoice", out);
  ASSERT_TRUE(ComposeVerbKey("Directory", false, out, sizeof(out)));
  EXPECT_STREQ("SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pixorra", out);
  ASSERT_TRUE(ComposeVerbKey("Drive", true, out, sizeof(out)));
  EXPECT_STREQ("SOFTWARE\\Classes\\Drive\\shell\\Browse with &Pixorra\\command", out);
}

TEST(ShellText, LinkNames) {
  char out[kPathSize];
  ASSERT_TRUE(ComposeMainLinkName(4, 42, out, sizeof(out)));
  EXPECT_STREQ("Pixorra 64 4.42.lnk", out);
  ASSERT_TRUE(ComposeMainLinkName(4, 5, out, sizeof(out)));
  EXPECT_STREQ("Pixorra 64 4. 5.lnk", out);
  ASSERT_TRUE(ComposeOldMainLinkPath("C:\\Start\\Pixorra\\", "4.41", out, sizeof(out)));
  EXPECT_STREQ("C:\\Start\\Pixorra\\Pixorra 64 4.41.lnk", out);
  std::string longFolder(250, 'f');
  EXPECT_FALSE(JoinPath(longFolder.c_str(), "Pixorra Hilfe.lnk", out, sizeof(out)));
  EXPECT_STREQ("", out);
}

}  // namespace
