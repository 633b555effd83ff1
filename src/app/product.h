// Names of the installed product that several parts of the setup rely on.
#pragma once

// The viewer's program file in the install folder: what the links and the
// open commands name, what the finish page starts, and what the next run
// looks for in the registered open command.
constexpr char kViewerProgramFile[] = "px_main64.exe";
