// Temporary stand-ins so the program links while these are being built.
#include "install/install_log.h"
#include "install/resource_text.h"

void WriteInstallLog(const char*) {}
std::string LoadResourceString(unsigned) { return {}; }
int LoadResourceString(unsigned, char* buffer, int bufferSize) {
  if (bufferSize > 0) buffer[0] = '\0';
  return 0;
}
bool LoadReleaseNotes(std::string&) { return false; }
