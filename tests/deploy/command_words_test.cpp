// The command line's words as the rules read them: which spellings mean
// "/silent", which words are unknown options, and what the wizard takes
// from the line as its defaults.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/command_arguments.h"
#include "wizard/wizard_model.h"

namespace {

TEST(CommandWords, SilentSpellings) {
  struct Row {
    const char* arguments;
    bool silent;
  };
  const Row rows[] = {
      // The other spellings count only as words of their own.
      {" /S", true},
      {" /SILENT /folder=C:\\x", true},
      {" /folder=C:\\x /VERYSILENT", true},
      {" /quiet", true},
      {"\t/qn\t", true},
      {" \"/S\"", true},
      {" /Sx", false},
      {" /s", false},
      {" /Quiet", false},
      {" /qn1", false},
      {" /folder=C:\\x/S", false},
      {" /folder=\"C:\\a /S\"", false},
      // "/silent" keeps counting anywhere, as it always did.
      {" /silently", true},
      {" /folder=C:\\x/silent", true},
      {"", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.silent, IsSilentRun(row.arguments)) << "[" << row.arguments << "]";
  }
}

TEST(CommandWords, UnknownOptionsOfTheSetup) {
  struct Row {
    const char* arguments;
    const char* unknown;  // "" when every word is known
  };
  const Row rows[] = {
      // Known options, values of any shape.
      {" /silent /folder=C:/Apps/x /group=1", ""},
      {" /silent /folder=\"C:\\My /Apps\\x\" /ini=", ""},
      {" /silent /folder=C:\\Program Files\\Pixorra /log=\"C:\\my logs\\a.log\"", ""},
      {" /S /SILENT /VERYSILENT /quiet /qn /? /help /progress", ""},
      {" /desktop=1 /thumbs=0 /allusers=1 /assoc=2", ""},
      {" plain words are no options", ""},
      {"", ""},
      // Unknown ones, named as written.
      {" /silent /foldr=D:\\Apps", "/foldr=D:\\Apps"},
      {" /silent /Folder=C:\\x", "/Folder=C:\\x"},
      {" /silently", "/silently"},
      {" /silent /log", "/log"},
      {" /silent \"/foldr=C:\\My Apps\"", "\"/foldr=C:\\My Apps\""},
      {" /silent /folder=C:\\x /a /b", "/a"},
      {" /cleanup=1", "/cleanup=1"},
  };
  for (const Row& row : rows) {
    std::string word;
    const bool found = FindUnknownOption(row.arguments, kSetupOptions, &word);
    EXPECT_EQ(row.unknown[0] != '\0', found) << "[" << row.arguments << "]";
    EXPECT_EQ(row.unknown, found ? word : std::string()) << "[" << row.arguments << "]";
  }
}

TEST(CommandWords, TheNamedWordIsBounded) {
  const std::string longWord = "/" + std::string(5000, 'x');
  std::string word;
  ASSERT_TRUE(FindUnknownOption((" /silent " + longWord).c_str(), kSetupOptions, &word));
  EXPECT_EQ(longWord.substr(0, 259), word);
}

TEST(CommandWords, TheWizardsPresets) {
  WizardModel defaults;
  std::snprintf(defaults.targetFolder, sizeof defaults.targetFolder, "C:\\Program Files\\Pixorra");
  defaults.desktopLink = defaults.thumbsLink = defaults.startMenuGroup = true;

  WizardModel model = defaults;
  ApplyCommandLinePresets("setup.exe /folder=\"D:\\Apps\\Pixorra\" /desktop=0 /thumbs=0 /allusers=1 /assoc=1", model);
  EXPECT_STREQ("D:\\Apps\\Pixorra", model.targetFolder);
  EXPECT_FALSE(model.desktopLink);
  EXPECT_FALSE(model.thumbsLink);
  EXPECT_TRUE(model.startMenuGroup) << "absent: the default stays";
  EXPECT_TRUE(model.allUsers);
  for (int row = 0; row < kFormatRowCount; ++row) EXPECT_EQ(row < kImageRowCount, model.formatMarks[row]) << row;
  EXPECT_EQ(WizardModel::IniPreset::None, model.iniPreset);

  struct IniRow {
    const char* line;
    WizardModel::IniPreset preset;
    const char* folder;
  };
  const IniRow iniRows[] = {
      {"setup.exe /ini=", WizardModel::IniPreset::ProgramFolder, ""},
      {"setup.exe /ini=%APPDATA%\\Pixorra", WizardModel::IniPreset::AppData, ""},
      {"setup.exe /ini=%appdata%\\pixorra\\", WizardModel::IniPreset::AppData, ""},
      {"setup.exe /ini=\"D:\\Settings\\Pixorra\"", WizardModel::IniPreset::OtherFolder, "D:\\Settings\\Pixorra"},
  };
  for (const IniRow& row : iniRows) {
    WizardModel ini = defaults;
    ApplyCommandLinePresets(row.line, ini);
    EXPECT_EQ(row.preset, ini.iniPreset) << row.line;
    EXPECT_STREQ(row.folder, ini.iniFolder) << row.line;
  }

  // A folder value the 519-character window cuts is not taken.
  WizardModel cut = defaults;
  const std::string line = "setup.exe /x=" + std::string(490, 'x') + " /folder=D:\\Apps\\Pixorra";
  ApplyCommandLinePresets(line.c_str(), cut);
  EXPECT_STREQ("C:\\Program Files\\Pixorra", cut.targetFolder);

  // Assembled for the run: the other folder is what the second choice means.
  WizardModel chosen = defaults;
  ApplyCommandLinePresets("setup.exe /ini=D:\\Settings", chosen);
  chosen.iniInAppData = true;
  EXPECT_STREQ("D:\\Settings", InstallOptionsFromModel(chosen).iniFolder);
}

}  // namespace
