#include "shell/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "core/footprint.h"
#include "core/shell_text.h"
#include "platform/environment.h"
#include "platform/folders.h"
#include "platform/shell_links.h"

using namespace shelltext;

namespace {

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

bool CreateProgramGroup(LinkBatch& links, const char* folder, bool allUsers,
                        const std::vector<footprint::LinkItem>& groupLinks) {
  char programs[kPathSize];
  GetSpecialFolder(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, programs);
  char group[kPathSize];
  if (programs[0] == '\0' || !JoinPath(programs, footprint::kGroupFolder, group, sizeof(group))) {
    links.Fail(programs, footprint::kGroupFolder);
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

  bool result = true;
  for (std::size_t i = 0; i < groupLinks.size(); ++i) {
    const footprint::LinkItem& link = groupLinks[i];
    const char* arguments = link.arguments.empty() ? nullptr : link.arguments.c_str();
    const char* icon = link.viewerIcon ? programPath : nullptr;
    if (link.target == footprint::LinkTarget::kViewer) {
      result = CreateLinkInFolder(links, group, link.name.c_str(), programPath, arguments, icon, link.iconIndex) &&
               result;
    } else {
      const char* file = link.target == footprint::LinkTarget::kUninstaller ? kUninstallerFileName : link.file.c_str();
      result = LinkToInstalledFile(links, group, link.name.c_str(), folder, file, arguments, icon, link.iconIndex) &&
               result;
    }
    if (i != 0) continue;
    // The main link replaces those of the versions before.
    for (const char* version : kPreviousVersions) {
      char oldLink[kPathSize];
      if (ComposeOldMainLinkPath(group, version, oldLink, sizeof(oldLink))) DeleteLinkFile(oldLink);
    }
  }
  return result;
}
