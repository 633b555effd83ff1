// The installation options the ready page builds from the user's choices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "wizard/wizard_model.h"

namespace {

WizardModel ModelWithFolder(const std::string& folder) {
  WizardModel model;
  std::strncpy(model.targetFolder, folder.c_str(), sizeof model.targetFolder - 1);
  return model;
}

std::vector<int> SelectedRows(const InstallOptions& options) {
  std::vector<int> rows;
  for (int i = 0; i < kFormatRowCount; ++i) {
    if (options.formatSelection[i]) rows.push_back(i);
  }
  return rows;
}

TEST(WizardOptions, FolderIsTrimmedAndNeverCut) {
  struct Case {
    std::string typed;
    std::string installed;
  };
  const std::string longest(kPathSize - 1, 'x');
  const Case cases[] = {
      {"C:\\Programme\\Pixorra\\", "C:\\Programme\\Pixorra\\"},
      {"  D:\\Eigener Ordner  ", "D:\\Eigener Ordner"},
      {"   ", ""},
      {longest, longest},
  };
  for (const Case& c : cases) {
    const WizardModel model = ModelWithFolder(c.typed);
    EXPECT_EQ(c.installed, InstallOptionsFromModel(model).targetFolder) << "[" << c.typed << "]";
    EXPECT_EQ(c.typed, model.targetFolder) << "the model keeps what was typed";
  }
}

TEST(WizardOptions, LinksAndUsersAreCarriedOneByOne) {
  for (int bits = 0; bits < 16; ++bits) {
    WizardModel model = ModelWithFolder("C:\\P\\");
    model.desktopLink = (bits & 1) != 0;
    model.thumbsLink = (bits & 2) != 0;
    model.startMenuGroup = (bits & 4) != 0;
    model.allUsers = (bits & 8) != 0;
    const InstallOptions options = InstallOptionsFromModel(model);
    EXPECT_EQ(model.desktopLink, static_cast<bool>(options.desktopLink)) << bits;
    EXPECT_EQ(model.thumbsLink, static_cast<bool>(options.thumbsLink)) << bits;
    EXPECT_EQ(model.startMenuGroup, static_cast<bool>(options.startMenuGroup)) << bits;
    EXPECT_EQ(model.allUsers, static_cast<bool>(options.allUsers)) << bits;
  }
}

TEST(WizardOptions, MarkedRowsAreSelectedAndAnyMarkAsksForTheAssociation) {
  WizardModel model = ModelWithFolder("C:\\P\\");
  InstallOptions options = InstallOptionsFromModel(model);
  EXPECT_FALSE(options.associate);
  EXPECT_TRUE(SelectedRows(options).empty());

  for (int row : {0, 26, kFormatRowCount - 1}) model.formatMarks[row] = true;
  options = InstallOptionsFromModel(model);
  EXPECT_TRUE(options.associate);
  EXPECT_EQ((std::vector<int>{0, 26, kFormatRowCount - 1}), SelectedRows(options));
}

TEST(WizardOptions, SettingsFolderIsTheApplicationDataOrBesideTheProgram) {
  WizardModel model = ModelWithFolder("C:\\P\\");
  EXPECT_STREQ("", InstallOptionsFromModel(model).iniFolder);
  model.iniInAppData = true;
  EXPECT_STREQ("%APPDATA%\\Pixorra", InstallOptionsFromModel(model).iniFolder);
}

}  // namespace
