// Temporary stand-ins so the program links while the engine is being built.
#include "install/folder_text.h"
#include "install/install_folder.h"
#include "install/installation_run.h"

int RunInstallation(const InstallOptions&) { return 0; }
int FindPreviousInstallFolder(char folder[260]) { folder[0] = '\0'; return 0; }
int GetDefaultInstallFolder(char folder[260]) { folder[0] = '\0'; return 1; }
int EnsureFolderExists(char[260]) { return 0; }
void TrimSpaces(char*) {}
