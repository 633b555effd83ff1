// The registration step: shortcuts, shell registration, uninstall entry,
// file-type associations.
#pragma once

#include "core/install_options.h"

#include <string>
#include <vector>

// What the registration could not do. The open command and the uninstall
// entry are what the installation cannot work without (the next setup finds
// the installation through the one, the user removes it through the other);
// links are welcome but not essential.
struct RegistrationOutcome {
  std::string failedKey;    // the first essential key that could not be written, "" when none
  unsigned long error = 0;  // the system's error code for it
  std::vector<std::string> failedLinks;  // links (or their folder) that could not be saved
  std::vector<std::string> failedAssociations;  // chosen extensions (".jpg") that did not become ours
};

// Registers the installation whose files are in installedFolder (the folder
// as it was created, not as typed) with the links, verbs and associations
// that options choose. The chosen formats become the viewer's only when
// associationsConfirmed; their ProgIDs are written either way. Every step
// is tried whatever failed before it. payloadBytes, the unpacked payload's
// size, becomes the uninstall entry's EstimatedSize (KB, rounded up).
RegistrationOutcome RegisterWithShell(const InstallOptions& options, const char* installedFolder,
                                      bool associationsConfirmed, unsigned long long payloadBytes);

// RegisterWithShell without the links: the caller saves those of
// ProductLinks (shell/shortcuts.h) itself and reports those that failed
// (failedLinks stays empty here).
RegistrationOutcome WriteShellRegistration(const InstallOptions& options, const char* installedFolder,
                                           bool associationsConfirmed, unsigned long long payloadBytes);
