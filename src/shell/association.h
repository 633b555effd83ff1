// Makes the viewer the handler of the chosen file types and a capable handler
// of all the others.
#pragma once

#include <string>
#include <vector>

// The whole association stage over the 68 format rows. Every ProgID and
// capability value is written; extension defaults and user choices only for
// chosen rows when confirm is true. With associate and confirm both true the
// shell is refreshed (and on Windows 8 or later the store apps lose their
// open-with entry). formatSelection: kFormatRowCount flags in row order, or
// null for none. Returns the chosen extensions (".jpg") that did not become
// the viewer's: their default or user choice could not be written. Every
// other write is tried whatever failed before it. userPart false leaves out
// what belongs to the running account (user choices, store-app entries):
// the chosen formats are then the machine's defaults only.
std::vector<std::string> AssociateFormats(const char* programPath, const char* openCommand,
                                          const bool* formatSelection, bool confirm, bool associate,
                                          bool userPart = true);

// The six writes for one extension and its ProgID suffix, in order.
void AssociateExtension(const char* ext, const char* sfx, const char* openCommand, const char* iconText,
                        bool chosen);

// "NoOpenWith" on the five built-in store apps' classes of the current user.
void SetAppxNoOpenWith();
