// The install log of silent runs: "Pixorra_Install.log" in the current folder.
#pragma once

// Appends one dated entry and its separator line; a log that cannot be opened
// is skipped silently.
void WriteInstallLog(const char* text);
