// The Start-menu program group and the desktop links, as data: where each
// link goes and what it holds. Saving them is the caller's business (the
// installation run saves them on its helper thread while it writes the
// registry).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/install_options.h"
#include "core/step_result.h"

// One link of the product. A link that cannot even be given (its group
// folder cannot be made, its target's path does not fit) carries the path
// to report in given's subject, in its place among the others, and is not
// saved; a link that fails later (say, a desktop the shell cannot name) is
// reported by its path, folder + name.
struct ProductLink {
  std::string folder;  // ANSI code page, ending in a backslash; "" when the shell names none
  std::string name;    // the product's own text, Windows-1252
  std::string target;
  std::optional<std::string> arguments;  // empty: not set at all
  std::optional<std::string> iconPath;
  int iconIndex = 0;
  std::optional<std::string> description;
  StepResult given;
  // An earlier version's main link found in the group: saving it deletes
  // it (folder is then the programs folder and name starts with the
  // group's), so that the journal can note it before it goes.
  bool earlierVersion = false;
};

// The links that options choose for the installation in installedFolder (the
// folder as it was created), in the order they are to be saved: the group's
// (main link, thumbnails, the uninstaller before Windows 8, the documents),
// then the desktop's; after the main link, the 4.41 and 4.40 main links that
// are in the group (earlierVersion: deleted as the links are saved). Done
// now, as the links are given: the group's folder is created. Nothing when
// the folder cannot name the viewer in a 259-character path.
std::vector<ProductLink> ProductLinks(const InstallOptions& options, const char* installedFolder);

// Saves one link through the platform. Failed with the path to report when
// it was not saved (one that could not be given is not tried).
StepResult SaveProductLink(const ProductLink& link);

// Each link saved in turn on this thread; the paths of those not saved, in
// their order.
std::vector<std::string> SaveProductLinks(const std::vector<ProductLink>& links);
