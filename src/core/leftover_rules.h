// What the uninstaller may take away when its install record is gone, and
// how the original hands the copy in TEMP the identity of the file it is to
// delete. Pure text rules: no Windows header, also built natively.
#pragma once

#include <string>
#include <vector>

namespace leftoverrules {

// One entry of the program folder as a retried run finds it: relative name
// ("\" separated, a folder ends in "\"); plain is false when the name does
// not lead exactly where it says (a link, a junction, a second hard link).
struct ListedEntry {
  std::string name;
  bool plain = true;
};

// A run killed right after it deleted the record leaves only the uninstaller
// and folders of the payload that it had emptied. A retried run, finding no
// record and no uninstall entry for its folder, may remove exactly those:
// true when every entry is pv_uninstall.exe or a plain payload folder (any
// case), with *folders the folders to remove, deepest first. Anything else
// (a file of the user, a link, a record left half-written) makes it false
// and nothing is removed.
bool MayFinishLeftovers(const std::vector<ListedEntry>& listing, const std::vector<std::string>& payloadNames,
                        std::vector<std::string>* folders);

// The uninstaller file as the original saw it before it ended. The copy in
// TEMP deletes pv_uninstall.exe only while it is still that file: a new
// installation made right after the removal has written its own.
struct FileStamp {
  unsigned long volume = 0;
  unsigned long long fileIndex = 0;
  unsigned long long size = 0;
  unsigned long long writeTime = 0;
  unsigned long long changeTime = 0;  // also moves when a file is rewritten in place
};

// " /was=<volume>-<index>-<size>-<write>-<change>", lower-case hex.
std::string FormatFileStamp(const FileStamp& stamp);
// The stamp that follows the copy's folder in its command line
// ("... /cleanup=<n> /rmdir=<0|1> "<folder>" /was=..."). False when there is
// none or it is malformed: a field empty, too long for its type, not hex, or
// anything but the end or a blank after it.
bool ParseFileStamp(const std::string& commandLine, FileStamp* stamp);

}  // namespace leftoverrules
