// Names and figures of the installed product that several layers rely on.
// No Windows header: the pure rules use them too.
#pragma once

#include "core/footprint_names.h"

// Every path of the installation lives in a buffer of this size: at most 259
// characters and the terminator (the classic MAX_PATH).
constexpr int kPathSize = 260;

constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 42;

constexpr const char* kProductWord = "Pixorra";

// The viewer's program file in the install folder: what the links and the
// open commands name, what the finish page starts, and what the next run
// looks for in the registered open command.
using footprint::kViewerProgramFile;
using footprint::kUninstallerFileName;

// Class name of the viewer's top-level window.
constexpr const char* kViewerWindowClass = "Pixorra";
