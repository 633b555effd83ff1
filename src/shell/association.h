// Makes the viewer the handler of the chosen file types and a capable handler
// of all the others.
#pragma once

#include <string>
#include <vector>

#include "core/footprint.h"

// The association stage of planned: the items of the 68 format rows in
// their turn, then what a confirmed association adds (the store apps'
// open-with entries), then the shell refresh when planned asks for it.
// Returns the chosen extensions (".jpg") that did not become the viewer's:
// their default or user choice could not be written, or their ProgID's key
// or open command could not (then the extension keeps what it named, and
// the ProgID's key that failed follows it: ".jpg (HKEY_...\Pixorra.jpg)").
// Every other write is tried whatever failed before it.
std::vector<std::string> WriteAssociations(const footprint::Footprint& planned);

// The whole association stage over the 68 format rows for the viewer at
// programPath. Every ProgID and capability value is written; extension
// defaults and user choices only for chosen rows when confirm is true. With
// associate and confirm both true the shell is refreshed (and on Windows 8 or
// later the store apps lose their open-with entry). formatSelection:
// kFormatRowCount flags in row order, or null for none. userPart false
// leaves out what belongs to the running account (user choices, store-app
// entries): the chosen formats are then the machine's defaults only.
std::vector<std::string> AssociateFormats(const char* programPath, const char* openCommand,
                                          const bool* formatSelection, bool confirm, bool associate,
                                          bool userPart = true);
