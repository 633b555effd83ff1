// The viewer's settings file "px_main64.ini".
#pragma once

#include "core/product.h"

// Where the toolbar skin's screen figures come from; tests inject their own.
struct ScreenMetrics {
  int (*fullScreenHeight)();  // client height of a full-screen window, pixels
  int (*scale)();             // display scale in percent, 100 = 96 DPI
};

// The platform's figures: SM_CYFULLSCREEN and the "DISPLAY" context's LOGPIXELSX.
ScreenMetrics PlatformScreenMetrics();

// The platform's figures asked on a thread of their own, started at
// construction when askNow, while the caller goes on (say, unpacking the
// payload): the first call that needs the display starts Wine's display
// driver, about 30 ms, and nothing before the settings file needs the
// figures. When given, alsoAhead(context) runs on the same thread
// afterwards (one thread for the work ahead, not one per job). One object at
// a time: the figures are kept where plain functions can hand them out.
class ScreenMetricsAhead {
 public:
  explicit ScreenMetricsAhead(bool askNow, void (*alsoAhead)(void*) = nullptr, void* context = nullptr);
  ~ScreenMetricsAhead();
  ScreenMetricsAhead(const ScreenMetricsAhead&) = delete;
  ScreenMetricsAhead& operator=(const ScreenMetricsAhead&) = delete;
  // Waits for the thread; its figures, or PlatformScreenMetrics() when none
  // was started.
  ScreenMetrics Get();

 private:
  static unsigned long __stdcall Work(void* self);
  void (*alsoAhead_)(void*);
  void* context_;
  void* thread_;
  bool asked_;
};

// Writes the pointer to the settings folder, the language module and, unless
// the file names one already, a toolbar skin. Nothing here fails the run:
// private-profile writes that fail are simply lost.
void WriteViewerSettings(const char* targetFolder, const char* iniFolder);
void WriteViewerSettings(const char* targetFolder, const char* iniFolder, const ScreenMetrics& metrics);

// ExpandPercentVariables over the process environment; true, or false and "", as there.
bool ExpandPercentVariables(const char* text, char expanded[kPathSize]);
