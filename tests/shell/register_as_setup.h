// The registration as the setup's run makes it, on one thread: the links
// given as data and saved, then the registry written.
#pragma once

#include <utility>

#include "shell/registration.h"
#include "shell/shortcuts.h"

inline RegistrationOutcome RegisterAsSetup(const InstallOptions& options, const char* installedFolder,
                                           bool associationsConfirmed, unsigned long long payloadBytes) {
  std::vector<std::string> failedLinks = SaveProductLinks(ProductLinks(options, installedFolder));
  RegistrationOutcome outcome = WriteShellRegistration(options, installedFolder, associationsConfirmed, payloadBytes);
  outcome.failedLinks = std::move(failedLinks);
  return outcome;
}
