// Temporary stand-ins so the program links while the engine is being built.
#include "install/install_folder.h"
#include "install/install_log.h"
#include "install/installation_run.h"
#include "install/resource_text.h"
#include "install/folder_text.h"

void WriteInstallLog(const char*) {}
std::string LoadResourceString(unsigned) { return {}; }
int LoadResourceString(unsigned, char* buffer, int bufferSize) {
  if (bufferSize > 0) buffer[0] = '\0';
  return 0;
}
bool LoadReleaseNotes(std::string&) { return false; }
int RunInstallation(const InstallOptions&) { return 0; }
int FindPreviousInstallFolder(char folder[260]) { folder[0] = '\0'; return 0; }
int GetDefaultInstallFolder(char folder[260]) { folder[0] = '\0'; return 1; }
int EnsureFolderExists(char[260]) { return 0; }
void TrimSpaces(char*) {}
