// Taking the payload archive out of the resources and unpacking it.
#pragma once

#include <unzip.h>

#include <string>

// What the last ExtractPayload (or UnzipToFolder...) call failed on first:
// the file or folder (full path; "" for the payload resource itself) and the
// system's error code. Empty and 0 after an ExtractPayload that succeeded.
struct ExtractionFailure {
  std::string path;
  unsigned long error = 0;
};
ExtractionFailure LastExtractionFailure();

// Writes the archive resource (type, id) to tempName in the user's temporary
// folder, unpacks it into destination (which becomes the current folder) and
// deletes the temporary file again. True: every entry unpacked; false: the
// archive could not be taken, opened or entered, or some entry could not be
// created, read, written or checked (the files written so far stay).
bool ExtractPayload(int resourceId, const char* resourceType, const char* tempName, const char* destination);

// Opens archivePath (or archivePath + ".zip"), enters destination and runs the
// walk. True or false as above. After a failure the current folder is the one the
// caller had, so a following log entry lands where the setup was started.
bool UnzipToFolder(const char* archivePath, const char* destination);

// UnzipToFolder by two readers of one handle on two threads, as ExtractPayload
// unpacks a payload archive of 1 MB or more on a machine with two processors:
// the same files, dates, result and first failure. The readers take the
// largest entries first; the entries before one whose failure ends the walk
// are all unpacked, and those the other reader was already unpacking at that
// moment are finished too. No ".zip" is appended to archivePath.
bool UnzipToFolderOnTwoThreads(const char* archivePath, const char* destination);

// Unpacks every entry into the current folder, keeping folder parts and
// overwriting existing files. An entry that cannot be created (or whose name
// would leave the folder) is skipped and the walk goes on; unreadable entry
// information, a read or write error, a CRC error or an unreachable next
// entry stops it. True when every entry was unpacked.
bool ExtractAllEntries(unzFile archive);

// Creates every folder of relativePath; true when it exists afterwards, false
// when a part could not be created because its parent is missing.
bool MakeDirectoryChain(const char* relativePath);

// Sets creation and last-write time of fileName to the archive's DOS date and
// time (local time); the last-access time stays. Failures are not reported.
void SetFileDateFromArchive(const char* fileName, unsigned long dosDateTime);

// The longest entry name of the archive resource, or -1 when it cannot be read.
long LongestPayloadEntryName(int resourceId, const char* resourceType);
