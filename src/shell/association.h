// Makes the viewer the handler of the chosen file types and a capable handler
// of all the others.
#pragma once

// The whole association stage over the 68 format rows. Every ProgID and
// capability value is written; extension defaults and user choices only for
// chosen rows when confirm is 1. With associate non-zero and confirm 1 the
// shell is refreshed (and on Windows 8 or later the store apps lose their
// open-with entry).
void AssociateFormats(const char* programPath, const char* openCommand, const int* formatSelection,
                      int confirm, int associate);

// The six writes for one extension and its ProgID suffix, in order.
void AssociateExtension(const char* ext, const char* sfx, const char* openCommand, const char* iconText,
                        int chosen);

// "NoOpenWith" on the five built-in store apps' classes of the current user.
void SetAppxNoOpenWith();
