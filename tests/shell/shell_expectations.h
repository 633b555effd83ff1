// What a registration must leave in the registry and the link folders,
// written out by hand so that the tests do not restate the product's code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shelltest {

// Every extension the setup registers, in table order: its ProgID suffix, its
// icon ("own" = "%1", else the viewer's icon index) and the row group, which
// decides what "/assoc=1" (images) and "/assoc=2" (all) choose.
struct ExpectedExtension {
  const char* ext;
  const char* sfx;
  const char* icon;
  bool image;
};
extern const ExpectedExtension kExtensions[];
extern const int kExtensionCount;

enum class Choice { None, Images, All };

// One registry value; type REG_NONE means "this value must not exist".
struct Expected {
  HKEY root;
  std::string key;
  std::string name;  // "" = the key's unnamed value
  DWORD type;
  std::string data;  // REG_DWORD as decimal text
};

// The payload size the tests that call the registration directly pass, and
// the uninstall entry's EstimatedSize that follows from it.
constexpr unsigned long long kRegisteredPayloadBytes = 5000 * 1024 + 1;
constexpr const char* kRegisteredPayloadKb = "5001";

// The whole footprint of one registration into folder (normalised, ending in
// a backslash). thumbs adds the folder and drive verbs. estimatedSizeKb: the
// uninstall entry's size (kRegisteredPayloadKb, or for a real installation
// InstalledPayloadKb of its folder).
std::vector<Expected> ExpectedFootprint(const std::string& folder, Choice choice, bool thumbs,
                                        const std::string& estimatedSizeKb = kRegisteredPayloadKb);

// What the payload files unpacked into folder take, in KB rounded up: every
// file but the settings file and the install record.
std::string InstalledPayloadKb(const std::string& folder);

// Reads every expected value back; one line per difference, "" when all match.
std::string CompareFootprint(const std::vector<Expected>& expected);

// The App Paths entry's "Path" for a folder ending in a backslash.
std::string AppPathFolder(const std::string& folder);

// Removes everything a registration may have written (and the extension keys
// of all 90 extensions), so that each test starts from a clean registry.
void CleanRegistry();

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe";
constexpr const char* kFileAssociationsKey = "SOFTWARE\\Pixorra\\Capabilities\\FileAssociations";
extern const char* const kStoreAppClasses[5];

// The group links in creation order (link 3, the uninstaller, only below
// Windows 8) and the two desktop links.
struct ExpectedLink {
  const char* name;
  const char* target;     // relative to the install folder
  const char* arguments;  // "" = none
  int iconIndex;          // -1 = no icon set; else the viewer with this index
  const char* description;
  bool belowWindows8Only;
};
extern const ExpectedLink kGroupLinks[9];
extern const ExpectedLink kDesktopViewerLink;
extern const ExpectedLink kDesktopThumbsLink;

// Compares one .lnk file with its expectation; "" when it matches.
std::string CompareLink(const std::string& linkFolder, const ExpectedLink& link, const std::string& installFolder);

// Start-menu group folder and desktop for allUsers, ending in a backslash.
std::string GroupFolder(bool allUsers);
std::string DesktopFolder(bool allUsers);
// Removes the group folder and both desktop links for both kinds of user.
void CleanLinks();

// The group's link names, sorted, as they stand on Windows 8 and later or below.
std::vector<std::string> ExpectedGroupNames(bool windows8);
// How many of the five store-app classes carry an empty "NoOpenWith" value.
int NoOpenWithCount();

}  // namespace shelltest
