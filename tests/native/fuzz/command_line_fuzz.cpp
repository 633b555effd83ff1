// The silent installation's command line: every option, any text around it.
#include <cstring>
#include <string>

#include "core/command_arguments.h"
#include "core/command_line.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string text = line.substr(0, line.find('\0'));

  InstallOptions before;
  SetSilentDefaults(before);
  std::strcpy(before.targetFolder, "C:\\Program Files\\Pixorra");
  before.desktopLink = 7;  // shows whether an absent option is left alone
  InstallOptions after = before;
  ApplyCommandLineOptions(text.c_str(), after);
  pxfuzz::Require(pxprop::CheckCommandLineOptions(text, before, after));

  // The checks before a run: any text, never past a buffer; a named word
  // fits the 259 characters an entry gives it.
  std::string word;
  if (FindOptionFault(text.c_str(), kWindowedSetupOptions, &word) != OptionFault::kNone &&
      (word.empty() || word.size() > kPathSize - 1)) {
    pxfuzz::Require("the faulty option's word is empty or too long");
  }
  char logFile[kPathSize];
  std::memset(logFile, 'x', sizeof logFile);
  const LogOption log = ReadLogOption(text.c_str(), logFile);
  if (std::memchr(logFile, '\0', sizeof logFile) == nullptr) pxfuzz::Require("the log name is not terminated");
  if ((log == LogOption::kNamed) != (logFile[0] != '\0')) pxfuzz::Require("a named log without a name");

  if (HasSilentSwitch(text.c_str()) != (text.find("/silent") != std::string::npos)) {
    pxfuzz::Require("\"/silent\" was not found the way a substring search finds it");
  }

  // The value rule alone, with whatever keyword the input starts with.
  const std::size_t cut = text.find(' ');
  if (cut != std::string::npos && cut > 0) {
    const std::string keyword = text.substr(0, cut);
    const std::string rest = text.substr(cut + 1);
    char value[kPathSize];
    std::memset(value, 'x', sizeof value);
    std::string expected;
    const bool found = ExtractOptionValue(rest.c_str(), keyword.c_str(), value);
    if (found != pxprop::ReferenceOptionValue(rest, keyword, &expected)) {
      pxfuzz::Require("the keyword " + keyword + " was found differently");
    }
    if (found && std::string(value) != expected) pxfuzz::Require("the value of " + keyword + " differs");

    char folder[kPathSize];
    pxfuzz::FillPathBuffer(rest, folder);
    const std::string plain = folder;
    ApplyFolderArgument(folder);
    if (folder != pxprop::ReferenceFolderArgument(plain)) pxfuzz::Require("folder cleaning differs");
    if (ReadDecimal(rest.c_str()) != pxprop::ReferenceDecimal(rest)) pxfuzz::Require("decimal reading differs");
  }
  return 0;
}
