#include "shell/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "core/shell_text.h"
#include "platform/environment.h"
#include "platform/folders.h"
#include "platform/shell_links.h"

using namespace shelltext;

namespace {

// Text documents of the group, linked in this order after the uninstaller.
struct DocumentLink {
  const char* linkName;
  const char* fileName;  // relative to the install folder
};
const DocumentLink kDocumentLinks[] = {
    {"\xDC" "ber Pixorra.lnk", "px_about.txt"},
    {"Was ist neu.lnk", "px_changes.txt"},
    {"Kommandozeilen-Optionen.lnk", "px_options.txt"},
    {"Verf\xFC" "gbare PlugIns.lnk", "px_plugins.txt"},
    {"Verf\xFC" "gbare Sprachen.lnk", "px_languages.txt"},
    {"Pixorra Hilfe.lnk", "help\\px_main32_deutsch.chm"},
};

// The two versions before this one; older main links are left alone.
const char* const kPreviousVersions[] = {"4.41", "4.40"};

// A link to a file of the install folder; reported as failed, not made,
// when the path does not fit.
bool LinkToInstalledFile(LinkBatch& links, const char* groupFolder, const char* linkName, const char* folder,
                         const char* fileName, const char* arguments, const char* iconPath, int iconIndex) {
  char target[kPathSize];
  if (!JoinPath(folder, fileName, target, sizeof(target))) {
    links.Fail(groupFolder, linkName);
    return false;
  }
  return CreateLinkInFolder(links, groupFolder, linkName, target, arguments, iconPath, iconIndex);
}

}  // namespace

bool CreateLinkInFolder(LinkBatch& links, const char* linkFolder, const char* linkName, const char* target,
                        const char* arguments, const char* iconPath, int iconIndex) {
  links.Save(linkFolder, linkName, target, arguments, iconPath, iconIndex, nullptr);
  return true;
}

bool CreateDesktopLink(LinkBatch& links, const char* target, const char* linkName, const char* iconPath,
                       int iconIndex, const char* description, const char* arguments, bool allUsers) {
  char desktop[kPathSize];
  GetSpecialFolder(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP, desktop);
  links.Save(desktop, linkName, target, arguments, iconPath, iconIndex, description);
  return true;
}

bool CreateProgramGroup(LinkBatch& links, const char* folder, bool allUsers) {
  char programs[kPathSize];
  GetSpecialFolder(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, programs);
  char group[kPathSize];
  if (programs[0] == '\0' || !JoinPath(programs, kGroupFolderName, group, sizeof(group))) {
    links.Fail(programs, kGroupFolderName);
    return false;
  }
  // Normalises to the closing backslash that the link paths rely on. A
  // group that cannot be made (a file of that name, say) is one failure,
  // not nine.
  if (!EnsureFolderExists(group)) {
    links.Fail(group, "");
    return false;
  }
  AppendBackslash(group, sizeof(group));

  char programPath[kPathSize];
  if (!JoinPath(folder, kViewerProgramFile, programPath, sizeof(programPath))) return false;

  char mainLinkName[kShortSize];
  ComposeMainLinkName(kVersionMajor, kVersionMinor, mainLinkName, sizeof(mainLinkName));
  bool result = CreateLinkInFolder(links, group, mainLinkName, programPath, nullptr, nullptr, 0);

  for (const char* version : kPreviousVersions) {
    char oldLink[kPathSize];
    if (ComposeOldMainLinkPath(group, version, oldLink, sizeof(oldLink))) DeleteLinkFile(oldLink);
  }

  result = CreateLinkInFolder(links, group, "Pixorra - Thumbnails.lnk", programPath, "/thumbs", programPath, 7) &&
           result;

  // From Windows 8 on, users uninstall through the system's program list.
  if (!IsWindows8OrLater()) {
    result = LinkToInstalledFile(links, group, "Pixorra deinstallieren.lnk", folder, kUninstallerFileName,
                                 nullptr, nullptr, 0) && result;
  }
  for (const DocumentLink& document : kDocumentLinks) {
    result = LinkToInstalledFile(links, group, document.linkName, folder, document.fileName, nullptr, nullptr, 0) &&
             result;
  }
  return result;
}
