// What an installation leaves behind, as comparable text: the files of the
// install folder with their contents' sizes and sums, both settings files,
// the links of the desktop and the Start menu group, and every registry key
// the registration writes. Two installations with the same choices must
// give equal snapshots, whichever way they were made.
#pragma once

#include <map>
#include <string>

namespace wiztest {

// One line per file, link, registry value; key = where, value = what.
using Snapshot = std::map<std::string, std::string>;

Snapshot TakeSnapshot(const std::string& installFolder);

// The differences, one per line; "" when both are equal.
std::string CompareSnapshots(const Snapshot& expected, const Snapshot& actual);

// Removes everything an installation may have left: the folder, the
// settings folder in the application data, the links, the registry keys.
// Afterwards the setup finds no earlier installation.
void RemoveInstallation(const std::string& installFolder);

// The application-data folder of the settings file ("...\Pixorra\").
std::string AppDataSettingsFolder();

}  // namespace wiztest
