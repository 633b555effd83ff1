// The command line in the ANSI code page, converted from the system's UTF-16
// original without best fit.
#pragma once

#include <string>

// GetCommandLineA converts with best fit: "C:\Łódź" would arrive as "C:\Lodz",
// a folder nobody asked for. Here every character the ANSI code page cannot
// hold becomes "?", which no folder name may contain, so such a folder is
// refused instead of silently changed.
std::string AnsiCommandLine();

// Any UTF-16 text converted the same way.
std::string AnsiWithoutBestFit(const wchar_t* text);
