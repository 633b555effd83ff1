// Whether a folder typed by the user or given on the command line can be the
// installation's target. Pure text rule (no Windows header): the wizard asks
// it before Next, the installation run before anything is created.
#pragma once

#include <cstddef>

#include "core/folder_text.h"

enum class TargetFolderProblem {
  kNone,
  kEmpty,
  kNotAbsolute,         // neither "X:\..." nor "\\server\share\..."
  kRoot,                // a drive or share root: the payload would be strewn over it
  kForbiddenCharacter,  // < > : " / | ? * or a control character, or a name ending in "."
  kTooLong,             // the longest payload name would not fit a 259-character path
};

// The folder as EnsureFolderExists will create it: blanks trimmed at both
// ends of the text and at the end of every name, empty names dropped, one
// closing backslash. False and "" when the result would not fit.
bool NormaliseTargetFolder(const char* given, char normalised[kPathSize]);

// The folder as the wizard shows it before and uses it after the
// installation: the normalised form, with the closing backslash only when the
// text as typed (blanks aside) ends in one. A text that does not normalise
// is shown trimmed.
void ShownTargetFolder(const char* typed, char shown[kPathSize]);

// Checks the normalised form of given. longestName is the longest name the
// installation will put below the folder (the viewer's file or an archive
// entry); folder, backslash and that name must fit 259 characters. On kNone
// normalised holds the folder as it will be created; otherwise it is "".
// A character that the ANSI code page cannot represent arrives as "?" (the
// command line and the wizard convert without best fit) and is refused here.
TargetFolderProblem CheckTargetFolder(const char* given, std::size_t longestName,
                                      char normalised[kPathSize]);
