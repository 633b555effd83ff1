// Taking back the links and Start-menu group folders a setup run created
// (core/journal.h): a run that failed, or was cut off, leaves the shell
// folders as it found them.
#pragma once

#include <string>

#include "core/journal.h"
#include "core/step_result.h"

// The shell folder (ending in a backslash) of a place; "" when the shell
// cannot name it.
std::string LinkPlaceFolder(installrecord::LinkPlace place);

// Deletes each link of journal.links that the run created (existed false),
// newest first, then the group folder of each place in
// journal.createdGroups when it is empty. A link or folder that is not
// exactly where its name says (a link to elsewhere, a folder behind one) is
// left and fails the step; a missing one is no failure. Running it again
// changes nothing more.
StepResult UndoLinks(const journal::Journal& journal);
