// The program folder before the payload is unpacked into it. The setup runs
// elevated in a folder that a standard user may have prepared: a folder of
// the program that leads elsewhere would have the payload written there, and
// a file of the user's at a payload name would be overwritten. Both are
// settled here, before anything is written.
#pragma once

#include <string>
#include <vector>

#include "core/step_result.h"

enum class PreparationProblem {
  kNone,
  kLinkedFolder,  // the program folder or one of its folders leads elsewhere
  kNotSetAside,   // a user's file could not be moved aside (or its place there is taken)
};

// What the preparation came to: done, or failed with the folder or file
// concerned (full) and, for kNotSetAside, the system's error code (0 for a
// linked folder), and which of the problems it is.
struct PreparationOutcome {
  StepResult result;
  PreparationProblem problem = PreparationProblem::kNone;
};

// folder: the program folder, existing, ending in a backslash. created: this
// run has just created it (nothing can be in it, nothing is looked for).
// payloadFolders / payloadFiles: the payload's names ("\" separated, folders
// ending in "\", parents first); earlierFiles: those an earlier installation
// of ours wrote there (they are replaced, not set aside).
//
// Checks that the folder and every payload folder already in it are exactly
// where their names say, then moves every other existing file at a payload
// name into installrecord::kKeptFolder, under its relative name (a rename:
// never a copy, never through a link).
// A name already taken there is never overwritten: the run fails naming it.
// On failure the files moved so far go back and nothing else is changed.
// setAside: the relative names moved.
PreparationOutcome PrepareProgramFolder(const std::string& folder, bool created,
                                        const std::vector<std::string>& payloadFolders,
                                        const std::vector<std::string>& payloadFiles,
                                        const std::vector<std::string>& earlierFiles,
                                        std::vector<std::string>* setAside);
