// The installation's choices for the account that runs it (see
// core/account_placement.h): a service account, or any account on a window
// station nobody sees, gets nothing written into its own profile.
#pragma once

#include "core/install_options.h"
#include "core/install_scope.h"
#include "core/reporter.h"

// options as the running account may have them; each choice that was
// changed gets one notice line through reporter saying what was done
// instead. A person's interactive run gets options unchanged and no notice.
// The current user's installation (options.perUser) keeps everything in the
// account's own places: links never for all users, no notice.
InstallOptions PlaceForRunningAccount(const InstallOptions& options, Reporter& reporter);

// Whose installation this run makes: "/scope=" in the arguments, else the
// machine's when the process is elevated and the current user's when not.
installrecord::Scope RunScope(const char* arguments);
