// The viewer's settings file "px_main64.ini".
#pragma once

#include <string>
#include <vector>

#include "core/product.h"
#include "core/step_result.h"

// Where the toolbar skin's screen figures come from; tests inject their own.
struct ScreenMetrics {
  int (*fullScreenHeight)();  // client height of a full-screen window, pixels
  int (*scale)();             // display scale in percent, 100 = 96 DPI
};

// The platform's figures: SM_CYFULLSCREEN and the "DISPLAY" context's LOGPIXELSX.
ScreenMetrics PlatformScreenMetrics();

// The platform's figures asked here and now, served later from what was
// asked: the first call that needs the display starts Wine's display driver,
// about 30 ms, so a helper thread asks them while the payload is unpacked.
// One answer is kept at a time (plain functions hand the figures out): ask
// again only once the previous answer is no longer used.
ScreenMetrics AskScreenMetrics();

// Writes the pointer to the settings folder, the language module and, unless
// the file names one already, a toolbar skin. Every part is tried; failed
// names the first thing that went wrong: the settings file that could not be
// made a file of its own (then nothing is written), the settings folder that
// could not be made or whose file could not be (then the program folder
// keeps the settings, as it does without a failure for a folder that expands
// to nothing or is relative), or a value that was not written. Nothing here
// fails the run.
StepResult WriteViewerSettings(const char* targetFolder, const char* iniFolder);
StepResult WriteViewerSettings(const char* targetFolder, const char* iniFolder, const ScreenMetrics& metrics);

// The settings files WriteViewerSettings(targetFolder, iniFolder) writes,
// in that order: the program folder's, then the one in the settings folder
// when iniFolder expands to an absolute folder (the one the values go to).
std::vector<std::string> ViewerSettingsFiles(const char* targetFolder, const char* iniFolder);

// ExpandPercentVariables over the process environment; true, or false and "", as there.
bool ExpandPercentVariables(const char* text, char expanded[kPathSize]);
