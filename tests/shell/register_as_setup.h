// The registration as the setup's run makes it: the links handed to a batch,
// the registry written meanwhile, the batch finished.
#pragma once

#include "platform/shell_links.h"
#include "shell/registration.h"

inline RegistrationOutcome RegisterAsSetup(const InstallOptions& options, const char* installedFolder,
                                           bool associationsConfirmed, unsigned long long payloadBytes) {
  LinkBatch links;
  QueueProductLinks(options, installedFolder, links);
  RegistrationOutcome outcome = WriteShellRegistration(options, installedFolder, associationsConfirmed, payloadBytes);
  links.Finish(&outcome.failedLinks);
  return outcome;
}
