// The record that carries every choice of one installation to RunInstallation.
// Filled either from the command line (silent path) or from the wizard's pages.
#pragma once

constexpr int kPathBufferSize = 260;   // 259 characters and the terminator
constexpr int kFormatCount = 68;       // rows of the format table
constexpr int kImageFormatCount = 52;  // rows 0..51: the images-only subset

struct InstallOptions {
  char targetFolder[kPathBufferSize] = {};
  int startMenuGroup = 0;
  int desktopLink = 0;
  int thumbsLink = 0;
  int allUsers = 0;
  char iniFolder[kPathBufferSize] = {};
  int formatSelection[kFormatCount] = {};
  int associate = 0;
  int silent = 0;
};
