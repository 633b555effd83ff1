// Tests of the machine the setup runs on.
#pragma once

// True when Windows is at least major.minor with at least the given service
// pack, compared hierarchically; false when the system cannot answer.
bool IsOsVersionAtLeast(unsigned short major, unsigned short minor, unsigned short servicePackMajor);

// True when a top-level window of class "Pixorra" exists, shown or hidden.
bool IsViewerRunning();

// Up to five tries, 500 ms apart, to find the viewer's window and bring it to
// the foreground. True when found; false after about 2.5 s of waiting.
bool BringViewerToFront();

// Class name of the viewer's top-level window.
constexpr const char* kViewerWindowClass = "Pixorra";
