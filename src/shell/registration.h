// The registration step: shortcuts, shell registration, uninstall entry,
// file-type associations. Always returns 1.
#pragma once

int RegisterWithShell(int confirm, int associate, const char* targetFolder, int startMenuGroup,
                      int desktopLink, int thumbsLink, int allUsers, const int* formatSelection);
