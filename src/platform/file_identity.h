// What a name in the file system really is, seen through a handle that does
// not follow a link. Our programs run elevated in folders that a standard
// user may have prepared: a hard link, a symbolic link or a junction planted
// under a name we write or delete would turn the write or the deletion on a
// file elsewhere. Under Wine a host symbolic link shows as a plain file (no
// reparse attribute), so the attributes alone are not enough: the final path
// of the opened handle tells where the name really leads.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/leftover_rules.h"

struct FileIdentity {
  bool exists = false;
  bool directory = false;
  bool reparsePoint = false;
  unsigned long links = 0;  // hard links of the file (1 for a plain file)
  unsigned long long size = 0;
  unsigned long volume = 0;          // volume serial number
  unsigned long long fileIndex = 0;  // the file's id on that volume
  unsigned long long writeTime = 0;  // FILETIME as one number
  std::wstring finalPath;            // where the handle leads, without "\\?\"
  unsigned long error = 0;           // why it could not be opened (0 when missing or opened)
};

// Opens path (ANSI or wide) without following a final link and describes it.
// exists false and error 0 when the name is missing.
FileIdentity IdentifyFile(const std::string& path);
FileIdentity IdentifyFileW(const std::wstring& path);

// path as the system would name it once resolved: long names, no "\\?\",
// no trailing backslash; "" when it cannot be resolved.
std::wstring ResolvedFolderPath(const std::string& folder);

// True when identity leads exactly to expected (compared without regard to
// case; expected may end in a backslash), is no reparse point and, for a
// file, has no second hard link: a name that is what it says it is.
bool IsExactlyAt(const FileIdentity& identity, const std::wstring& expected);

// Deletes path only when it is still the file or empty folder described by
// expected (same volume and id) and leads exactly to expectedFinal; the
// deletion goes through the one handle that was checked, so nothing can be
// swapped in between. False (error in *error) when it could not or must not.
bool DeleteExactly(const std::string& path, const FileIdentity& expected, const std::wstring& expectedFinal,
                   unsigned long* error);

// ANSI (the system's code page) to UTF-16 and back, without best-fit
// guesses: false when a character has no exact counterpart.
bool AnsiToWide(const std::string& text, std::wstring* wide);
bool WideToAnsiExact(const std::wstring& wide, std::string* text);

// Whether handle (any open file or folder) leads exactly to expected,
// compared without regard to case: the check that a file just created is
// where its name says, and not behind a link.
bool HandleLeadsTo(void* handle, const std::wstring& expected);

// Marks the file of handle (opened with DELETE access) for deletion when it
// closes: a file of ours found in the wrong place goes through the handle
// that made it, never through a name.
bool DeleteThroughHandle(void* handle);

// Gives the file of handle (opened with DELETE access) the name to, through
// that very handle: what is renamed is the file that was checked, never
// something swapped in under its name. replace: a file at to is replaced (a
// link there as a name, never written through); without it an existing name
// fails.
bool RenameThroughHandle(void* handle, const std::wstring& to, bool replace);

// Makes bytes the content of path: written first into a new file beside it
// (path with ".pxnew", or ".N.pxnew" while that name is taken), which then
// takes the name through its own handle, replacing what stood there. Neither
// a link planted at path nor one at the new name is written through: the
// link at path is replaced as a name, and the new file is made only where
// nothing stood. With expectedFinal (where path must lead, "" for no check)
// the new file must also lead exactly beside it, not through a folder link.
// False (error in *error) when it could not; nothing is left behind then.
// The names ReplaceFileWith writes under, attempt 0 to kReplacementNames - 1:
// what a cut-off write may leave beside path.
constexpr int kReplacementNames = 10;
std::string ReplacementSuffix(int attempt);

bool ReplaceFileWith(const std::wstring& path, const std::wstring& expectedFinal, const void* bytes, std::size_t size,
                     unsigned long* error);

// folder (ANSI) as a full path with long names and no trailing backslash,
// the form ResolvedFolderPath gives for a folder that is what it says; ""
// when it cannot be formed.
std::wstring FullLongFolderPath(const std::string& folder);

// Reads the whole file at path through one handle opened without following
// a link, handing the bytes to consume in pieces, but only while it is still
// the file described by expected (same volume, id and size) and leads
// exactly to expectedFinal. False (error in *error) otherwise.
bool ReadExactly(const std::string& path, const FileIdentity& expected, const std::wstring& expectedFinal,
                 const std::function<void(const unsigned char*, std::size_t)>& consume, unsigned long* error);

// The whole file at path, through one handle opened without following a
// link, when it is a file of at most mostBytes that leads exactly to
// expectedFinal. *identity tells what stands at the name either way (exists
// false when nothing); *bytes is filled only when true is returned.
bool ReadFileAt(const std::wstring& path, const std::wstring& expectedFinal, std::size_t mostBytes,
                FileIdentity* identity, std::string* bytes);

// The stamp of the file at path (see leftover_rules.h) when it leads exactly
// to expectedFinal; false when it is missing or not that.
bool TakeFileStamp(const std::wstring& path, const std::wstring& expectedFinal, leftoverrules::FileStamp* stamp);
// Deletes path through the checked handle only while it still carries
// stamp and leads exactly to expectedFinal. A missing file is no error.
bool DeleteIfStamped(const std::wstring& path, const leftoverrules::FileStamp& stamp,
                     const std::wstring& expectedFinal, unsigned long* error);

// True when folder (wide or ANSI) holds no entry; false when it holds some
// or cannot be listed.
bool IsFolderEmptyW(const std::wstring& folder);
