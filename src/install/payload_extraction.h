// Taking the payload archive out of the resources and unpacking it.
#pragma once

#include "core/step_result.h"
#include "install/extraction_walk.h"

// Writes the archive resource (type, id) to tempName in the user's temporary
// folder, unpacks it into destination with UnpackArchive (two readers for an
// archive of 1 MB or more on a machine with two processors) and deletes the
// temporary file again. The process's current folder is never changed.
//
// Done when every entry was unpacked. Otherwise failed with the first failure
// met (the files written so far stay): the file or folder as a full path (the
// temporary archive as TemporaryArchive names it; the program file for the
// payload resource itself) and the system's error code, or "" and 0 when the
// walk ended on entry information that could not be read before any failure.
// A failed write of the temporary copy comes before anything the unpacking
// meets afterwards. naming kStaged writes each file under its staged name
// (see UnpackArchive); the files are put in place afterwards.
StepResult ExtractPayload(int resourceId, const char* resourceType, const char* tempName, const char* destination,
                          EntryNaming naming = EntryNaming::kFinal);

// The longest entry name of the archive resource, or -1 when it cannot be read.
long LongestPayloadEntryName(int resourceId, const char* resourceType);
