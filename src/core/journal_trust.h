// What a journal of the current user's scope may name. The user's journal
// lies in HKEY_CURRENT_USER, which any process of the user writes without
// administrator rights: to a run with those rights it is data, never an
// instruction. It may name only the user's own places; a single line
// outside them makes the whole journal untrusted, and nothing is done by
// it. Pure text rules: no Windows header, also built natively.
#pragma once

#include <string>
#include <vector>

#include "core/journal.h"

namespace journaltrust {

// The places of the current user, as the running program finds them.
struct UserPlaces {
  // The user's profile folder ("C:\users\<name>\", a backslash at its
  // end): a settings file and the folders made for it lie below it.
  std::string profile;
  // What no program folder may be (uninstallrules::IsProtectedFolder).
  std::vector<std::string> systemFolders;
  std::string windowsFolder;
  // The folders of the machine's installations: the user's journal may
  // name none of them, nothing inside one and no folder holding one.
  std::vector<std::string> machineFolders;
};

// "" when every line of a journal of the user's scope stays in the user's
// places: the program folder is absolute, not protected and no machine
// installation's folder (nor inside or above one); the folders made on the way lead to it or to a
// settings file; files, kept files and payload folders are plain names
// below it; settings files lie below it or the profile; links and groups
// are in the user's own link folders; every key and value is below
// HKEY_CURRENT_USER and one the footprint lists for the user's scope.
// Otherwise the first line outside, as the log names it.
std::string FirstLineOutside(const journal::Journal& entries, const UserPlaces& places);

// path (a backslash at the end of a folder) is folder itself or lies below
// it; any case.
bool AtOrBelowFolder(const std::string& path, const std::string& folder);

}  // namespace journaltrust
