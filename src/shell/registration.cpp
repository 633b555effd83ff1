#include "shell/registration.h"

#include <cstring>
#include <initializer_list>
#include <utility>

#include "core/folder_text.h"
#include "core/shell_text.h"
#include "core/uninstall_rules.h"
#include "platform/registry.h"
#include "shell/association.h"
#include "shell/shortcuts.h"

using namespace shelltext;

namespace {

constexpr const char* kApplicationKey = "SOFTWARE\\Pixorra";
constexpr const char* kFileAssociationsKey = "SOFTWARE\\Pixorra\\Capabilities\\FileAssociations";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
// The product's site and its answers to common questions, as the wizard's
// links name them; the program list shows them as the support links.
constexpr const char* kAboutAddress = "https://www.pixorra.example/";
constexpr const char* kHelpAddress = "https://www.pixorra.example/faq.html";
constexpr const char* kApplicationDescription =
    "Picture viewer, editor and converter - one of the most popular viewers worldwide";

void WriteFolderAndDriveVerbs(const char* browseCommand) {
  for (const char* classKey : {"Directory", "Drive"}) {
    char key[kKeySize];
    if (ComposeVerbKey(classKey, false, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, kVerbName);
    if (ComposeVerbKey(classKey, true, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, browseCommand);
  }
}

// Remembers the first essential write that failed, with the system's error.
void NoteEssential(bool written, unsigned long error, const char* key, RegistrationOutcome& outcome) {
  if (written || !outcome.failedKey.empty()) return;
  outcome.error = error;
  outcome.failedKey = std::string("HKEY_LOCAL_MACHINE\\") + key;
}

// True when every value was written; else the system's error code in error.
bool WriteUninstallEntry(const InstallTexts& texts, unsigned long long payloadBytes, unsigned long* error) {
  *error = ERROR_SUCCESS;
  if (!SetDefaultText(HKEY_LOCAL_MACHINE, kUninstallKey, "")) {
    *error = GetLastError();
    return false;
  }
  RegKey entry = RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_ALL_ACCESS);
  char version[kShortSize];
  FormatInto(version, sizeof(version), "%d.%d", kVersionMajor, kVersionMinor);
  const bool written = entry.IsOpen() && entry.SetText("DisplayName", "Pixorra 64 (remove only)") &&
         entry.SetText("UninstallString", texts.uninstallCommand) && entry.SetText("Publisher", "Tamsin Orlo") &&
         entry.SetText("InstallLocation", texts.folder) && entry.SetText("DisplayVersion", version) &&
         entry.SetText("DisplayIcon", texts.displayIcon) && entry.SetNumber("VersionMajor", kVersionMajor) &&
         entry.SetNumber("VersionMinor", kVersionMinor) &&
         entry.SetNumber("EstimatedSize", uninstallrules::KilobytesRoundedUp(payloadBytes)) &&
         entry.SetNumber("NoModify", 1) && entry.SetNumber("NoRepair", 1);
  if (!written) {
    *error = GetLastError();  // before the key closes
    return false;
  }
  // What deployment tools run to remove the program without a window; the
  // date the program list shows.
  char quiet[kCommandSize];
  bool details = uninstallrules::ComposeQuietUninstallCommand(texts.folder, quiet, sizeof(quiet)) &&
                 entry.SetText("QuietUninstallString", quiet);
  details = details && entry.SetText("URLInfoAbout", kAboutAddress) && entry.SetText("HelpLink", kHelpAddress);
  SYSTEMTIME today;
  GetLocalTime(&today);
  char date[kShortSize];
  details = details && uninstallrules::FormatInstallDate(today.wYear, today.wMonth, today.wDay, date, sizeof(date)) &&
            entry.SetText("InstallDate", date);
  if (!details) *error = GetLastError();
  return details;
}

// The caller's text has at most 259 characters; anything beyond is not
// read. An empty folder, or one too long to name the viewer in a
// 259-character path, registers nothing: no file could have been unpacked
// there, and a cut-off or bare program name would point the shell nowhere.
bool ComposeTextsFor(const char* installedFolder, InstallTexts* texts) {
  char trimmed[kPathSize] = {};
  if (installedFolder != nullptr) std::strncpy(trimmed, installedFolder, sizeof(trimmed) - 1);
  TrimSpaces(trimmed);
  return ComposeInstallTexts(trimmed, texts);
}

// "px_main64" typed into Run, or started by name from any program, finds the
// viewer here; Path is the folder Windows puts in front of the search path
// for it (no backslash at its end, a drive's root apart).
void WriteAppPath(const InstallTexts& texts) {
  if (!SetDefaultText(HKEY_LOCAL_MACHINE, uninstallrules::kAppPathsKey, texts.programPath)) return;
  char folder[sizeof(texts.folder)];
  std::memcpy(folder, texts.folder, sizeof(folder));
  folder[sizeof(folder) - 1] = '\0';
  const std::size_t length = std::strlen(folder);
  if (length > 3 && folder[length - 1] == '\\') folder[length - 1] = '\0';
  RegKey appPath = RegKey::Open(HKEY_LOCAL_MACHINE, uninstallrules::kAppPathsKey, KEY_SET_VALUE);
  appPath.SetText("Path", folder);
}

}  // namespace

RegistrationOutcome RegisterWithShell(const InstallOptions& options, const char* installedFolder,
                                      bool associationsConfirmed, unsigned long long payloadBytes) {
  std::vector<std::string> failedLinks = SaveProductLinks(ProductLinks(options, installedFolder));
  RegistrationOutcome outcome = WriteShellRegistration(options, installedFolder, associationsConfirmed, payloadBytes);
  outcome.failedLinks = std::move(failedLinks);
  return outcome;
}

RegistrationOutcome WriteShellRegistration(const InstallOptions& options, const char* installedFolder,
                                           bool associationsConfirmed, unsigned long long payloadBytes) {
  RegistrationOutcome outcome;
  InstallTexts texts;
  if (!ComposeTextsFor(installedFolder, &texts)) return outcome;

  if (options.thumbsLink) WriteFolderAndDriveVerbs(texts.browseCommand);

  SetDefaultText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra", "Pixorra");
  // The next setup run reads this command back to find this installation.
  constexpr const char* kOpenCommandKey = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
  const bool commandWritten = SetDefaultText(HKEY_LOCAL_MACHINE, kOpenCommandKey, texts.openCommand);
  NoteEssential(commandWritten, GetLastError(), kOpenCommandKey, outcome);
  // Older versions put an icon here; the per-format ProgIDs carry the icons now.
  DeleteKeyIfPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\DefaultIcon");

  SetDefaultText(HKEY_CLASSES_ROOT, "Applications\\px_main64.exe\\shell\\open\\command", texts.openCommand);
  {
    RegKey application = RegKey::Open(HKEY_CLASSES_ROOT, "Applications\\px_main64.exe", KEY_ALL_ACCESS);
    application.SetText("FriendlyAppName", "Pixorra 64-bit");
  }

  unsigned long uninstallError = 0;
  const bool uninstallWritten = WriteUninstallEntry(texts, payloadBytes, &uninstallError);
  NoteEssential(uninstallWritten, uninstallError, kUninstallKey, outcome);

  WriteAppPath(texts);

  { RegKey application = RegKey::Create(HKEY_LOCAL_MACHINE, kApplicationKey); }
  SetDefaultText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Pixorra\\shell\\open\\command", texts.quotedProgram);
  {
    RegKey capabilities = RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Pixorra\\Capabilities");
    capabilities.SetText("ApplicationDescription", kApplicationDescription);
  }
  // Must exist before the association stage: it only opens this key.
  { RegKey fileAssociations = RegKey::Create(HKEY_LOCAL_MACHINE, kFileAssociationsKey); }
  {
    RegKey registered = RegKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", KEY_SET_VALUE);
    registered.SetText("Pixorra", "SOFTWARE\\Pixorra\\Capabilities");
  }

  outcome.failedAssociations = AssociateFormats(texts.programPath, texts.openCommand, options.formatSelection,
                                                associationsConfirmed, options.associate, options.userAssociations);
  return outcome;
}
