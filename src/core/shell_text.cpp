#include "core/shell_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace shelltext {

bool FormatInto(char* out, std::size_t size, const char* format, ...) {
  if (out == nullptr || size == 0) return false;
  va_list args;
  va_start(args, format);
  // Negative (some C runtimes on overflow) or >= size: did not fit.
  int written = std::vsnprintf(out, size, format, args);
  va_end(args);
  if (written < 0 || static_cast<std::size_t>(written) >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

bool AppendBackslash(char* folder, std::size_t size) {
  std::size_t length = strnlen(folder, size);
  if (length >= size) return false;  // not terminated inside its buffer
  if (length == 0 || folder[length - 1] == '\\') return true;
  if (length + 2 > size) return false;
  folder[length] = '\\';
  folder[length + 1] = '\0';
  return true;
}

bool ComposeInstallTexts(const char* trimmedFolder, InstallTexts* texts) {
  std::memset(texts, 0, sizeof(*texts));
  // An empty folder would register the bare file name, which names nothing.
  bool ok = trimmedFolder != nullptr && trimmedFolder[0] != '\0' &&
            FormatInto(texts->folder, sizeof(texts->folder), "%s", trimmedFolder) &&
            AppendBackslash(texts->folder, sizeof(texts->folder)) &&
            FormatInto(texts->programPath, sizeof(texts->programPath), "%s%s", texts->folder,
                       kViewerProgramFile);
  // The commands have room for any program path that fits; they only fail
  // together with it.
  ok = ok &&
       FormatInto(texts->openCommand, sizeof(texts->openCommand), "\"%s\" \"%%1\"", texts->programPath) &&
       FormatInto(texts->browseCommand, sizeof(texts->browseCommand), "\"%s\" \"%%1 /thumbs\"",
                  texts->programPath) &&
       FormatInto(texts->quotedProgram, sizeof(texts->quotedProgram), "\"%s\"", texts->programPath) &&
       FormatInto(texts->uninstallCommand, sizeof(texts->uninstallCommand), "\"%s%s\"", texts->folder,
                  kUninstallerFileName) &&
       FormatInto(texts->displayIcon, sizeof(texts->displayIcon), "%s,0", texts->programPath);
  if (!ok) std::memset(texts, 0, sizeof(*texts));
  return ok;
}

bool ComposeProgId(const char* suffix, char* out, std::size_t size) {
  return FormatInto(out, size, "%s.%s", kProductWord, suffix);
}

bool ComposeTypeDescription(const char* suffix, char* out, std::size_t size) {
  char upper[kShortSize];
  if (!FormatInto(upper, sizeof(upper), "%s", suffix)) {
    out[0] = '\0';
    return false;
  }
  // Only a-z: the ANSI upper-casing of the C runtime depends on the locale.
  for (char* c = upper; *c != '\0'; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }
  return FormatInto(out, size, "%s %s File", kProductWord, upper);
}

bool ComposeIconText(FormatIcon icon, const char* programPath, char* out, std::size_t size) {
  int index = ProgramIconIndex(icon);
  if (index < 0) return FormatInto(out, size, "%%1");
  return FormatInto(out, size, "%s,%d", programPath, index);
}

bool ComposeExtensionKey(const char* extension, char* out, std::size_t size) {
  return FormatInto(out, size, "SOFTWARE\\Classes\\.%s", extension);
}

bool ComposeProgIdKey(const char* suffix, char* out, std::size_t size) {
  return FormatInto(out, size, "SOFTWARE\\Classes\\%s.%s", kProductWord, suffix);
}

bool ComposeProgIdCommandKey(const char* suffix, char* out, std::size_t size) {
  return FormatInto(out, size, "SOFTWARE\\Classes\\%s.%s\\shell\\open\\command", kProductWord, suffix);
}

bool ComposeProgIdIconKey(const char* suffix, char* out, std::size_t size) {
  return FormatInto(out, size, "SOFTWARE\\Classes\\%s.%s\\DefaultIcon", kProductWord, suffix);
}

bool ComposeCapabilityName(const char* suffix, char* out, std::size_t size) {
  return FormatInto(out, size, ".%s", suffix);
}

bool ComposeUserChoiceKey(const char* extension, char* out, std::size_t size) {
  return FormatInto(out, size, "%s\\.%s\\UserChoice", footprint::kFileExtsKey, extension);
}

bool ComposeVerbKey(const char* classKey, bool command, char* out, std::size_t size) {
  return FormatInto(out, size, "SOFTWARE\\Classes\\%s\\shell\\%s%s", classKey, kVerbName,
                    command ? "\\command" : "");
}

bool ComposeMainLinkName(int major, int minor, char* out, std::size_t size) {
  return FormatInto(out, size, "Pixorra 64 %d.%2d.lnk", major, minor);
}

bool ComposeOldMainLinkPath(const char* groupFolder, const char* version, char* out, std::size_t size) {
  return FormatInto(out, size, "%sPixorra 64 %s.lnk", groupFolder, version);
}

bool JoinPath(const char* folder, const char* name, char* out, std::size_t size) {
  return FormatInto(out, size, "%s%s", folder, name);
}

}  // namespace shelltext
