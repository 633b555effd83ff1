// The viewer's settings file, with the screen figures injected.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "install/viewer_settings.h"
#include "support/px_test_support.h"

namespace {

// Test folders and files through the shared support library.
std::string FreshFolder(const std::string& name) { return pxtest::MakeTempFolder("settings\\" + name); }
std::string ReadText(const std::string& path) {
  return pxtest::FileExists(path) ? pxtest::ReadFileBytes(path) : "<missing>";
}
void WriteText(const std::string& path, const std::string& text) { pxtest::WriteFileBytes(path, text); }

int injectedHeight = 1040;
int injectedScale = 100;
int InjectedHeight() { return injectedHeight; }
int InjectedScale() { return injectedScale; }
const ScreenMetrics kInjected{InjectedHeight, InjectedScale};

std::string Language() { return "[Language]\r\nDLL=DEUTSCH.DLL\r\nLang=Deutsch\r\n"; }
std::string Toolbar(const char* skin, const char* size) {
  return std::string("[Toolbar]\r\nSkin=") + skin + "\r\nSize=" + size + "\r\n";
}

}  // namespace

TEST(SettingsFile, EmptyIniFolderWritesIntoTheProgramFolder) {
  const std::string program = FreshFolder("plain");
  injectedHeight = 1040;
  injectedScale = 100;
  // Without the trailing backslash and with blanks, as a caller may pass it.
  const std::string target = "  " + program.substr(0, program.size() - 1) + " ";
  WriteViewerSettings(target.c_str(), "", kInjected);
  EXPECT_EQ(ReadText(program + "px_main64.ini"), Language() + Toolbar("Kestrand_24.png", "24"));
}

TEST(SettingsFile, SkinFollowsTheScreen) {
  struct Case {
    int height, scale;
    const char* skin;
    const char* size;
  } cases[] = {
      {1040, 100, "Kestrand_24.png", "24"},   {1040, 150, "gnome-colors-wise_32.png", "32"},
      {740, 100, "Tobrin_16.png", "16"},      {768, 100, "Kestrand_24.png", "24"},
      {1200, 100, "Kestrand_24.png", "24"},   {1201, 100, "gnome-colors-wise_32.png", "32"},
      {1600, 100, "gnome-colors-human_48.png", "48"}, {900, 170, "gnome-colors-human_48.png", "48"},
      {900, 149, "Kestrand_24.png", "24"},
  };
  for (const Case& c : cases) {
    const std::string program = FreshFolder("skin");
    injectedHeight = c.height;
    injectedScale = c.scale;
    WriteViewerSettings(program.c_str(), "", kInjected);
    EXPECT_EQ(ReadText(program + "px_main64.ini"), Language() + Toolbar(c.skin, c.size))
        << c.height << " at " << c.scale;
  }
}

TEST(SettingsFile, UpdateKeepsTheChosenSkin) {
  const std::string program = FreshFolder("update");
  WriteText(program + "px_main64.ini",
            "[Toolbar]\r\nSkin=Tobrin_16.png\r\nSize=16\r\n[Language]\r\nDLL=ENGLISH.DLL\r\nLang=English\r\n");
  injectedHeight = 1600;
  injectedScale = 200;
  WriteViewerSettings(program.c_str(), "", kInjected);
  EXPECT_EQ(ReadText(program + "px_main64.ini"),
            "[Toolbar]\r\nSkin=Tobrin_16.png\r\nSize=16\r\n[Language]\r\nDLL=DEUTSCH.DLL\r\nLang=Deutsch\r\n");
}

TEST(SettingsFile, OwnSettingsFolderGetsTheKeysTheProgramFolderThePointer) {
  const std::string program = FreshFolder("pointer");
  const std::string settingsRoot = FreshFolder("pointer-data");
  SetEnvironmentVariableA("PXTEST_DATA", settingsRoot.substr(0, settingsRoot.size() - 1).c_str());
  injectedHeight = 740;
  injectedScale = 100;
  WriteViewerSettings(program.c_str(), "%pxtest_data%\\Pixorra", kInjected);
  EXPECT_EQ(ReadText(program + "px_main64.ini"), "[Others]\r\nINI_Folder=%pxtest_data%\\Pixorra\r\n");
  EXPECT_EQ(ReadText(settingsRoot + "Pixorra\\px_main64.ini"), Language() + Toolbar("Tobrin_16.png", "16"));
  SetEnvironmentVariableA("PXTEST_DATA", nullptr);
}

TEST(SettingsFile, VanishedSettingsFolderFallsBackToTheProgramFolder) {
  const std::string program = FreshFolder("vanished");
  SetEnvironmentVariableA("PXTEST_UNSET", nullptr);
  injectedHeight = 1040;
  injectedScale = 100;
  WriteViewerSettings(program.c_str(), "%PXTEST_UNSET%", kInjected);
  EXPECT_EQ(ReadText(program + "px_main64.ini"), Language() + Toolbar("Kestrand_24.png", "24"));
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_EQ(ReadText(std::string(windows) + "\\px_main64.ini"), "<missing>");
}

TEST(SettingsFile, PlatformMetricsGiveOneOfTheSkins) {
  const std::string program = FreshFolder("platform");
  WriteViewerSettings(program.c_str(), "");
  const std::string text = ReadText(program + "px_main64.ini");
  EXPECT_NE(text.find("Skin="), std::string::npos) << text;
  EXPECT_NE(text.find("Size="), std::string::npos) << text;
}

TEST(SettingsFile, FiguresAskedAheadAreThePlatformFigures) {
  const ScreenMetrics platform = PlatformScreenMetrics();
  const ScreenMetrics first = AskScreenMetrics();
  const ScreenMetrics second = AskScreenMetrics();
  EXPECT_EQ(platform.fullScreenHeight(), first.fullScreenHeight());
  EXPECT_EQ(platform.scale(), first.scale());
  EXPECT_EQ(first.fullScreenHeight(), second.fullScreenHeight());
  EXPECT_EQ(first.scale(), second.scale());
}

// What the writing answers; the files hold what they held before this
// answer was given (see the tests above).
TEST(SettingsFile, AnswerNamesWhatFailedWithoutChangingWhatIsWritten) {
  struct Case {
    const char* name;
    const char* iniFolder;       // relative to the case's folder unless it starts with "%"
    const char* blockedBy;       // a folder at the program's settings file, or a file at the settings folder
    bool ok;
    const char* subject;         // relative to the case's folder
    const char* programText;     // the program folder's settings file afterwards
  } cases[] = {
      {"plain", "", "", true, "", "full"},
      {"unset", "%PXTEST_UNSET%", "", true, "", "full"},
      {"own folder", "data", "", true, "", "pointer"},
      {"settings file is a folder", "", "px_main64.ini", false, "px_main64.ini", "<folder>"},
      {"settings folder is a file", "data", "data", false, "data\\", "full"},
  };
  SetEnvironmentVariableA("PXTEST_UNSET", nullptr);
  injectedHeight = 1040;
  injectedScale = 100;
  for (const Case& c : cases) {
    const std::string program = FreshFolder("answer");
    const std::string blocked = program + c.blockedBy;
    if (std::string(c.blockedBy) == "px_main64.ini") CreateDirectoryA(blocked.c_str(), nullptr);
    if (std::string(c.blockedBy) == "data") WriteText(blocked, "a file");
    const bool asGiven = c.iniFolder[0] == '%' || c.iniFolder[0] == '\0';
    const std::string iniFolder = asGiven ? c.iniFolder : program + c.iniFolder;
    const StepResult answer = WriteViewerSettings(program.c_str(), iniFolder.c_str(), kInjected);
    EXPECT_EQ(c.ok, answer.ok) << c.name;
    EXPECT_EQ(c.ok ? "" : program + c.subject, answer.subject) << c.name;
    const std::string settingsFile = program + "px_main64.ini";
    const std::string text = pxtest::FolderExists(settingsFile) ? "<folder>" : ReadText(settingsFile);
    const std::string full = Language() + Toolbar("Kestrand_24.png", "24");
    const std::string pointer = "[Others]\r\nINI_Folder=" + iniFolder + "\r\n";
    const std::string expected = std::string(c.programText) == "full" ? full
                               : std::string(c.programText) == "pointer" ? pointer
                                                                          : c.programText;
    EXPECT_EQ(expected, text) << c.name;
  }
}

TEST(SettingsFile, ExpansionUsesTheProcessEnvironment) {
  SetEnvironmentVariableA("PXTEST_A", "C:\\x");
  char expanded[260];
  EXPECT_EQ(ExpandPercentVariables("%Pxtest_A%\\y", expanded), 1);
  EXPECT_STREQ(expanded, "C:\\x\\y");
  SetEnvironmentVariableA("PXTEST_A", std::string(300, 'a').c_str());
  EXPECT_EQ(ExpandPercentVariables("%PXTEST_A%", expanded), 0);
  EXPECT_STREQ(expanded, "");
  SetEnvironmentVariableA("PXTEST_A", nullptr);
}
