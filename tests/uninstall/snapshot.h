// Snapshots of the prefix's registry and drive C:, and their differences:
// what a round trip of installation and removal must leave unchanged.
#pragma once

#include <map>
#include <string>

namespace uninstalltest {

// "HKLM\key\" for every key and "HKLM\key\\name" = "type:hex bytes" for
// every value under HKLM\SOFTWARE and HKCU\Software; left out are Wine's
// own settings (the tests change them per program) and the COM classes,
// interfaces and type libraries, which nothing of ours writes.
using Snapshot = std::map<std::string, std::string>;
Snapshot RegistrySnapshot();
// Every file and folder of C:\ with its size, but the tests' scratch folder
// C:\pxtest\, TEMP and the system's TEMP's pv_uninstall-* folders (the
// uninstaller's copy there is checked apart).
Snapshot DiskSnapshot();
// One line per difference: "+ added", "- removed", "~ changed"; "" when equal.
std::string Difference(const Snapshot& before, const Snapshot& after);

}  // namespace uninstalltest
