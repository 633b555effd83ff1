#include "shell/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/folder_text.h"
#include "core/footprint.h"
#include "core/shell_text.h"
#include "platform/folders.h"
#include "platform/shell_links.h"
#include "shell/link_undo.h"
#include "shell/registration.h"

using namespace shelltext;

namespace {

// The two versions before this one; older main links are left alone.
const char* const kPreviousVersions[] = {"4.41", "4.40"};

using Links = std::vector<ProductLink>;

// Optional text: nullptr leaves the field unset.
std::optional<std::string> Given(const char* text) {
  return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

// One complete link, in its place after those given before.
void Give(Links& links, const char* linkFolder, const char* linkName, const char* target, const char* arguments,
          const char* iconPath, int iconIndex, const char* description) {
  ProductLink link;
  link.folder = linkFolder;
  link.name = linkName;
  link.target = target;
  link.arguments = Given(arguments);
  link.iconPath = Given(iconPath);
  link.iconIndex = iconIndex;
  link.description = Given(description);
  links.push_back(std::move(link));
}

// A link (or folder, with linkName "") that cannot even be given: it is
// reported in its place among the others.
void Fail(Links& links, const char* linkFolder, const char* linkName) {
  ProductLink link;
  link.folder = linkFolder;
  link.name = linkName;
  link.given = StepResult::Failed(link.folder + link.name, 0);
  links.push_back(std::move(link));
}

// One link named linkName in linkFolder (ending in a backslash), without a
// description. iconPath and arguments may be nullptr (not set).
void CreateLinkInFolder(Links& links, const char* linkFolder, const char* linkName, const char* target,
                        const char* arguments, const char* iconPath, int iconIndex) {
  Give(links, linkFolder, linkName, target, arguments, iconPath, iconIndex, nullptr);
}

// A link to a file of the install folder; reported as failed, not made,
// when the path does not fit.
void LinkToInstalledFile(Links& links, const char* groupFolder, const char* linkName, const char* folder,
                         const char* fileName, const char* arguments, const char* iconPath, int iconIndex) {
  char target[kPathSize];
  if (!JoinPath(folder, fileName, target, sizeof(target))) {
    Fail(links, groupFolder, linkName);
    return;
  }
  CreateLinkInFolder(links, groupFolder, linkName, target, arguments, iconPath, iconIndex);
}

// One link named linkName on the current user's or all users' desktop.
// iconPath, description and arguments may be nullptr (not set).
void CreateDesktopLink(Links& links, const char* target, const char* linkName, const char* iconPath,
                       int iconIndex, const char* description, const char* arguments, bool allUsers) {
  char desktop[kPathSize];
  GetSpecialFolder(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP, desktop);
  Give(links, desktop, linkName, target, arguments, iconPath, iconIndex, description);
}

// The group's links (those of a programs place, in their order) in the
// product's group of the current user's or all users' programs folder; the
// 4.41 and 4.40 main links found there follow the main link, to be deleted.
// folder is the normalised install folder (ending in a backslash).
void CreateProgramGroup(Links& links, const char* folder, bool allUsers,
                        const std::vector<footprint::LinkItem>& groupLinks) {
  char programs[kPathSize];
  GetSpecialFolder(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, programs);
  char group[kPathSize];
  if (programs[0] == '\0' || !JoinPath(programs, footprint::kGroupFolder, group, sizeof(group))) {
    Fail(links, programs, footprint::kGroupFolder);
    return;
  }
  // Normalises to the closing backslash that the link paths rely on. A
  // group that cannot be made (a file of that name, say) is one failure,
  // not nine.
  if (!EnsureFolderExists(group)) {
    Fail(links, group, "");
    return;
  }
  AppendBackslash(group, sizeof(group));

  char programPath[kPathSize];
  if (!JoinPath(folder, kViewerProgramFile, programPath, sizeof(programPath))) return;

  for (std::size_t i = 0; i < groupLinks.size(); ++i) {
    const footprint::LinkItem& link = groupLinks[i];
    const char* arguments = link.arguments.empty() ? nullptr : link.arguments.c_str();
    const char* icon = link.viewerIcon ? programPath : nullptr;
    if (link.target == footprint::LinkTarget::kViewer) {
      CreateLinkInFolder(links, group, link.name.c_str(), programPath, arguments, icon, link.iconIndex);
    } else {
      const char* file = link.target == footprint::LinkTarget::kUninstaller ? kUninstallerFileName : link.file.c_str();
      LinkToInstalledFile(links, group, link.name.c_str(), folder, file, arguments, icon, link.iconIndex);
    }
    if (i != 0) continue;
    // The main link replaces those of the versions before: each that is
    // there is deleted along with the saving, after the journal has noted it.
    for (const char* version : kPreviousVersions) {
      char oldLink[kPathSize];
      if (!ComposeOldMainLinkPath(group, version, oldLink, sizeof(oldLink))) continue;
      if (GetFileAttributesA(oldLink) == INVALID_FILE_ATTRIBUTES) continue;
      ProductLink earlier;
      earlier.folder = programs;
      earlier.name = oldLink + std::strlen(programs);
      earlier.earlierVersion = true;
      links.push_back(std::move(earlier));
    }
  }
}

}  // namespace

std::vector<ProductLink> ProductLinks(const InstallOptions& options, const char* installedFolder) {
  Links links;
  InstallTexts texts;
  if (!ComposeTextsFor(installedFolder, &texts)) return links;
  const footprint::Footprint planned = footprint::Describe(FootprintChoices(options, false), texts);
  std::vector<footprint::LinkItem> group;
  std::vector<footprint::LinkItem> desktop;
  for (const footprint::LinkItem& link : planned.links) {
    const bool programs = link.place == footprint::LinkPlace::kUserPrograms ||
                          link.place == footprint::LinkPlace::kCommonPrograms;
    (programs ? group : desktop).push_back(link);
  }
  if (planned.groupFolder) CreateProgramGroup(links, texts.folder, options.allUsers, group);
  for (const footprint::LinkItem& link : desktop) {
    CreateDesktopLink(links, texts.programPath, link.name.c_str(), link.viewerIcon ? texts.programPath : nullptr,
                      link.iconIndex, link.description.empty() ? nullptr : link.description.c_str(),
                      link.arguments.empty() ? nullptr : link.arguments.c_str(), options.allUsers);
  }
  return links;
}

StepResult SaveProductLink(const ProductLink& link) {
  if (!link.given) return link.given;
  // Not being able to delete an older link (one that leads elsewhere) does
  // not make this installation's links any less complete.
  if (link.earlierVersion) {
    DeleteLinkBelow(link.folder, link.name);
    return StepResult::Done();
  }
  const auto text = [](const std::optional<std::string>& field) { return field ? field->c_str() : nullptr; };
  if (SaveNamedShellLink(link.folder.c_str(), link.name.c_str(), link.target.c_str(), text(link.arguments),
                         text(link.iconPath), link.iconIndex, text(link.description))) {
    return StepResult::Done();
  }
  return StepResult::Failed(link.folder + link.name, 0);
}

std::vector<std::string> SaveProductLinks(const std::vector<ProductLink>& links) {
  std::vector<std::string> failed;
  for (const ProductLink& link : links) {
    const StepResult saved = SaveProductLink(link);
    if (!saved) failed.push_back(saved.subject);
  }
  return failed;
}
