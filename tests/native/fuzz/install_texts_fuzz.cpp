// The texts that name the installed viewer (registration) and the wizard's
// texts built from the same folder: all fit completely or are refused.
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/folder_text.h"
#include "core/shell_text.h"
#include "core/wizard_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char folder[260];
  pxfuzz::FillPathBuffer(std::string(reinterpret_cast<const char*>(data), size), folder);
  TrimSpaces(folder);  // as the registration does first

  shelltext::InstallTexts texts;
  std::memset(&texts, 'x', sizeof texts);
  pxprop::NamedTexts named;
  named.ok = shelltext::ComposeInstallTexts(folder, &texts);
  auto text = [](const char* buffer, std::size_t bufferSize) {
    if (std::memchr(buffer, '\0', bufferSize) == nullptr) pxfuzz::Require("a text is not terminated");
    return std::string(buffer);
  };
  named.folder = text(texts.folder, sizeof texts.folder);
  named.programPath = text(texts.programPath, sizeof texts.programPath);
  named.openCommand = text(texts.openCommand, sizeof texts.openCommand);
  named.browseCommand = text(texts.browseCommand, sizeof texts.browseCommand);
  named.quotedProgram = text(texts.quotedProgram, sizeof texts.quotedProgram);
  named.uninstallCommand = text(texts.uninstallCommand, sizeof texts.uninstallCommand);
  named.displayIcon = text(texts.displayIcon, sizeof texts.displayIcon);
  pxfuzz::Require(pxprop::CheckInstallTexts(folder, named));

  // The finish page starts the same program the registration names.
  char viewer[260];
  const bool viewerOk = wizard::ComposeViewerPath(folder, viewer, sizeof viewer);
  if (named.ok && (!viewerOk || named.programPath != viewer)) {
    pxfuzz::Require("the finish page would start another program than the registered one");
  }

  // The picker's start folder is the folder, at most without its backslash.
  char start[260];
  wizard::PickerStartFolder(folder, start, sizeof start);
  const std::string given = folder;
  const std::string picked = start;
  if (given.compare(0, picked.size(), picked) != 0 || given.size() - picked.size() > 1) {
    pxfuzz::Require("the picker's start folder is not the folder");
  }
  return 0;
}
