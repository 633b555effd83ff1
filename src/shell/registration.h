// The registration step: shortcuts, shell registration, uninstall entry,
// file-type associations, written as the installation's footprint
// (core/footprint.h) describes them.
#pragma once

#include "core/footprint.h"
#include "core/install_options.h"
#include "core/step_result.h"

#include <string>
#include <vector>

// What the registration could not do. The open command and the uninstall
// entry are what the installation cannot work without (the next setup finds
// the installation through the one, the user removes it through the other);
// links are welcome but not essential.
struct RegistrationOutcome {
  // The first essential key that could not be written
  // ("HKEY_LOCAL_MACHINE\<key>") with the system's error code for it.
  StepResult essential;
  std::vector<std::string> failedLinks;  // links (or their folder) that could not be saved
  std::vector<std::string> failedAssociations;  // chosen extensions (".jpg") that did not become ours
};

// The texts of the installation in installedFolder (at most 259 characters
// are read; blanks at the end trimmed). False for an empty folder, or one too
// long to name the viewer in a 259-character path: nothing is registered or
// linked there, since no file could have been unpacked there and a cut-off or
// bare program name would point the shell nowhere.
bool ComposeTextsFor(const char* installedFolder, shelltext::InstallTexts* texts);

// The footprint's choices that options and the confirmation make on this
// system (the date and the payload's size left empty).
footprint::Choices FootprintChoices(const InstallOptions& options, bool associationsConfirmed);

// Registers the installation whose files are in installedFolder (the folder
// as it was created, not as typed) with the verbs and associations that
// options choose; the links are given as data by ProductLinks
// (shell/shortcuts.h) and saved by the caller, so failedLinks stays empty
// here. The chosen formats become the viewer's only when
// associationsConfirmed; their ProgIDs are written either way. Every step is
// tried whatever failed before it. payloadBytes, the unpacked payload's
// size, becomes the uninstall entry's EstimatedSize (KB, rounded up).
RegistrationOutcome WriteShellRegistration(const InstallOptions& options, const char* installedFolder,
                                           bool associationsConfirmed, unsigned long long payloadBytes);
