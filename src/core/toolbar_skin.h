// Choice of the viewer's toolbar skin from the screen (pure rule).
#pragma once

struct ToolbarSkin {
  const char* skin;  // file name in the payload's Toolbars folder
  const char* size;  // icon size as the settings file stores it
};

// fullScreenHeight: the client height of a full-screen window in pixels;
// scale: the display scale in percent (100 = 96 DPI).
ToolbarSkin ChooseToolbarSkin(int fullScreenHeight, int scale);

// Horizontal logical pixels per inch to a scale in percent, remainder dropped
// (96 -> 100, 120 -> 125, 144 -> 150).
int ScaleFromLogicalDpi(int dpi);
