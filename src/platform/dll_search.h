// Process hardening against DLL planting.
#pragma once

// An installer or uninstaller is typically started from a Downloads, program
// or temporary folder, where a planted DLL named like a system DLL would
// otherwise be loaded from beside the executable. Restricts the search to
// System32 (and drops the current folder); called before anything else loads.
void RestrictDllSearchPath();
