// Taking back the links and Start-menu group folders a setup run created
// (core/journal.h): a run that failed, or was cut off, leaves the shell
// folders as it found them.
#pragma once

#include <cstddef>
#include <string>

#include "core/journal.h"
#include "core/step_result.h"

// The shell folder (ending in a backslash) of a place; "" when the shell
// cannot name it.
std::string LinkPlaceFolder(installrecord::LinkPlace place);

// What stands at link->name below placeFolder (a shell folder ending in a
// backslash) before the run changes it: existed, and its bytes when it is a
// file exactly where its name says of at most mostBytes (itself at most
// journal::kMostLinkBytes).
void CaptureLink(const std::string& placeFolder, std::size_t mostBytes, journal::Link* link);
// The same with placeFolder resolved once for several links
// (ResolvedFolderPath; "" when it cannot be: no bytes are kept then).
void CaptureLink(const std::string& placeFolder, const std::wstring& resolvedPlace, std::size_t mostBytes,
                 journal::Link* link);

// Deletes the link name below placeFolder only when it is a file exactly
// where its name says (never what a link there leads to); a missing one is
// no failure.
StepResult DeleteLinkBelow(const std::string& placeFolder, const std::string& name);

// Newest first, each link of journal.links back to what stood there before
// the run: one the run created (existed false) is deleted, an earlier one
// whose bytes were kept gets them back at its name (made anew when the run
// deleted it), an earlier one without them is left. Then the group folder
// of each place in journal.createdGroups goes when it is empty. A link or
// folder that is not exactly where its name says (a link to elsewhere, a
// folder behind one) is left and named in the report; a missing one is no
// failure. Running it again changes nothing more.
StepReport UndoLinks(const journal::Journal& journal);
