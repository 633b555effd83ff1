// Tests of the machine the setup runs on.
#pragma once

#include <string>

#include "core/product.h"

// True when Windows is at least major.minor with at least the given service
// pack, compared hierarchically; false when the system cannot answer.
bool IsOsVersionAtLeast(unsigned short major, unsigned short minor, unsigned short servicePackMajor);

// The one version the product tells apart above its minimum (Windows 6.0).
inline bool IsWindows8OrLater() { return IsOsVersionAtLeast(6, 2, 0); }

// True when a top-level window of class "Pixorra" exists, shown or hidden.
bool IsViewerRunning();

// Up to five tries, 500 ms apart, to find the viewer's window and bring it to
// the foreground. True when found; false after about 2.5 s of waiting.
bool BringViewerToFront();

// True when the process's window station is the interactive one: named
// "WinSta0" and visible (WSF_VISIBLE). A service or a deployment agent in
// session 0 has another station, where a window would wait for a click
// nobody can give. stationName receives the station's name ("" when it
// cannot be read); a station that cannot be asked counts as visible, as
// before this test existed.
bool IsDesktopVisible(std::string* stationName);
