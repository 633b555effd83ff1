#include "shell/shell_expectations.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <set>
#include <sstream>

#include "support/px_test_support.h"

namespace shelltest {

const ExpectedExtension kExtensions[] = {
    {"ani", "ani", "own", true}, {"b3d", "b3d", "0", true}, {"bmp", "bmp", "0", true},
    {"dib", "bmp", "0", true}, {"cam", "cam", "0", true}, {"clp", "clp", "0", true},
    {"crw", "crw", "0", true}, {"cr2", "cr2", "0", true}, {"cur", "cur", "own", true},
    {"dcm", "dcm", "0", true}, {"acr", "dcm", "0", true}, {"ima", "dcm", "0", true},
    {"dcx", "dcx", "0", true}, {"dds", "dds", "0", true}, {"djvu", "djvu", "0", true},
    {"iw44", "djvu", "0", true}, {"dxf", "dxf", "0", true}, {"ecw", "ecw", "0", true},
    {"emf", "emf", "0", true}, {"eps", "eps", "0", true}, {"ps", "eps", "0", true},
    {"exr", "exr", "0", true}, {"fpx", "fpx", "0", true}, {"g3", "g3", "0", true},
    {"gif", "gif", "0", true}, {"hdp", "hdp", "0", true}, {"jxr", "hdp", "0", true},
    {"wdp", "hdp", "0", true}, {"icl", "icl", "own", true}, {"ico", "ico", "own", true},
    {"iff", "iff", "0", true}, {"lbm", "iff", "0", true}, {"img", "img", "0", true},
    {"jls", "jls", "0", true}, {"jp2", "jp2", "0", true}, {"jpc", "jp2", "0", true},
    {"j2k", "jp2", "0", true}, {"jpg", "jpg", "0", true}, {"jpeg", "jpg", "0", true},
    {"jpe", "jpg", "0", true}, {"jpm", "jpm", "0", true}, {"kdc", "kdc", "0", true},
    {"mng", "mng", "0", true}, {"jng", "jng", "0", true}, {"pbm", "pbm", "0", true},
    {"pcd", "pcd", "0", true}, {"pcx", "pcx", "0", true}, {"pgm", "pgm", "0", true},
    {"png", "png", "0", true}, {"ppm", "ppm", "0", true}, {"psd", "psd", "0", true},
    {"psp", "psp", "0", true}, {"ras", "ras", "0", true}, {"sun", "ras", "0", true},
    {"raw", "raw", "0", true}, {"rle", "rle", "0", true}, {"sff", "sff", "0", true},
    {"sfw", "sfw", "0", true}, {"sgi", "sgi", "0", true}, {"rgb", "sgi", "0", true},
    {"sid", "sid", "0", true}, {"tga", "tga", "0", true}, {"tif", "tif", "0", true},
    {"tiff", "tif", "0", true}, {"wbmp", "wbmp", "0", true}, {"webp", "webp", "0", true},
    {"wmf", "wmf", "0", true}, {"xbm", "xbm", "0", true}, {"xpm", "xpm", "0", true},
    {"swf", "swf", "0", false}, {"flv", "flv", "0", false}, {"ttf", "ttf", "0", false},
    {"asf", "asf", "9", false}, {"avi", "avi", "9", false}, {"mpg", "mpg", "9", false},
    {"mpe", "mpe", "9", false}, {"mpeg", "mpg", "9", false}, {"mov", "mov", "9", false},
    {"wmv", "wmv", "9", false}, {"aif", "aif", "8", false}, {"mid", "mid", "8", false},
    {"rmi", "rmi", "8", false}, {"med", "med", "8", false}, {"mp3", "mp3", "8", false},
    {"ogg", "ogg", "8", false}, {"ra", "ra", "8", false}, {"au", "au", "8", false},
    {"snd", "au", "8", false}, {"wav", "wav", "8", false}, {"wma", "wma", "8", false},};
const int kExtensionCount = sizeof(kExtensions) / sizeof(kExtensions[0]);

const char* const kStoreAppClasses[5] = {
    "SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
    "SOFTWARE\\Classes\\AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    "SOFTWARE\\Classes\\AppX43hnxtbyyps62jhe9sqpdzxn1790zetc",
    "SOFTWARE\\Classes\\AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    "SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h",
};

const ExpectedLink kGroupLinks[9] = {
    {"Pixorra 64 4.42.lnk", "px_main64.exe", "", -1, "", false},
    {"Pixorra - Thumbnails.lnk", "px_main64.exe", "/thumbs", 7, "", false},
    {"Pixorra deinstallieren.lnk", "pv_uninstall.exe", "", -1, "", true},
    {"\xDC" "ber Pixorra.lnk", "px_about.txt", "", -1, "", false},
    {"Was ist neu.lnk", "px_changes.txt", "", -1, "", false},
    {"Kommandozeilen-Optionen.lnk", "px_options.txt", "", -1, "", false},
    {"Verf\xFC" "gbare PlugIns.lnk", "px_plugins.txt", "", -1, "", false},
    {"Verf\xFC" "gbare Sprachen.lnk", "px_languages.txt", "", -1, "", false},
    {"Pixorra Hilfe.lnk", "help\\px_main32_deutsch.chm", "", -1, "", false},
};
const ExpectedLink kDesktopViewerLink = {"Pixorra 64.lnk", "px_main64.exe", "", -1,
                                         "Pixorra 64 - Bildbetrachter", false};
const ExpectedLink kDesktopThumbsLink = {"Pixorra 64 Thumbnails.lnk", "px_main64.exe", "/thumbs", 7,
                                         "Pixorra - Thumbnails", false};

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

const char* RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKLM";
  if (root == HKEY_CURRENT_USER) return "HKCU";
  if (root == HKEY_CLASSES_ROOT) return "HKCR";
  return "?";
}

bool Chosen(const ExpectedExtension& e, Choice choice) {
  return choice == Choice::All || (choice == Choice::Images && e.image);
}

}  // namespace

std::string InstalledPayloadKb(const std::string& folder) {
  unsigned long long bytes = 0;
  for (const std::string& name : pxtest::ListFolder(folder)) {
    if (name.back() == '\\' || name == "px_main64.ini" || name == "pv_uninstall.dat") continue;
    bytes += pxtest::ReadFileBytes(folder + name).size();
  }
  return std::to_string((bytes + 1023) / 1024);
}

std::string TodayAsInstallDate() {
  SYSTEMTIME today;
  GetLocalTime(&today);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", today.wYear, today.wMonth, today.wDay);
  return text;
}

// The App Paths entry names the folder without its last backslash, unless
// the folder is a drive's root ("D:\\").
std::string AppPathFolder(const std::string& folder) {
  return folder.size() > 3 && folder.back() == '\\' ? folder.substr(0, folder.size() - 1) : folder;
}

std::vector<Expected> ExpectedFootprint(const std::string& folder, Choice choice, bool thumbs,
                                        const std::string& estimatedSizeKb) {
  const std::string program = folder + "px_main64.exe";
  const std::string open = "\"" + program + "\" \"%1\"";
  const std::string browse = "\"" + program + "\" \"%1 /thumbs\"";
  const std::string verb = "Browse with &Pixorra";
  const HKEY LM = HKEY_LOCAL_MACHINE, CU = HKEY_CURRENT_USER, CR = HKEY_CLASSES_ROOT;
  const DWORD SZ = REG_SZ, DW = REG_DWORD, ABSENT = REG_NONE;

  std::vector<Expected> footprint = {
      // root, key, value, type, data
      {LM, "SOFTWARE\\Classes\\Pixorra", "", SZ, "Pixorra"},
      {LM, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command", "", SZ, open},
      {CR, "Applications\\px_main64.exe\\shell\\open\\command", "", SZ, open},
      {CR, "Applications\\px_main64.exe", "FriendlyAppName", SZ, "Pixorra 64-bit"},
      {LM, kUninstallKey, "", SZ, ""},
      {LM, kUninstallKey, "DisplayName", SZ, "Pixorra 64 (remove only)"},
      {LM, kUninstallKey, "UninstallString", SZ, "\"" + folder + "pv_uninstall.exe\""},
      {LM, kUninstallKey, "Publisher", SZ, "Tamsin Orlo"},
      {LM, kUninstallKey, "InstallLocation", SZ, folder},
      {LM, kUninstallKey, "DisplayVersion", SZ, "4.42"},
      {LM, kUninstallKey, "DisplayIcon", SZ, program + ",0"},
      {LM, kUninstallKey, "VersionMajor", DW, "4"},
      {LM, kUninstallKey, "VersionMinor", DW, "42"},
      {LM, kUninstallKey, "EstimatedSize", DW, estimatedSizeKb},
      {LM, kUninstallKey, "QuietUninstallString", SZ, "\"" + folder + "pv_uninstall.exe\" /silent"},
      {LM, kUninstallKey, "NoModify", DW, "1"},
      {LM, kUninstallKey, "NoRepair", DW, "1"},
      {LM, kUninstallKey, "InstallDate", SZ, TodayAsInstallDate()},
      {LM, kUninstallKey, "URLInfoAbout", SZ, "https://www.pixorra.example/"},
      {LM, kUninstallKey, "HelpLink", SZ, "https://www.pixorra.example/faq.html"},
      {LM, kAppPathsKey, "", SZ, program},
      {LM, kAppPathsKey, "Path", SZ, AppPathFolder(folder)},
      {LM, "SOFTWARE\\Pixorra\\shell\\open\\command", "", SZ, "\"" + program + "\""},
      {LM, "SOFTWARE\\Pixorra\\Capabilities", "ApplicationDescription", SZ,
       "Picture viewer, editor and converter - one of the most popular viewers worldwide"},
      {LM, "SOFTWARE\\RegisteredApplications", "Pixorra", SZ, "SOFTWARE\\Pixorra\\Capabilities"},
      {LM, "SOFTWARE\\Classes\\Directory\\shell\\" + verb, "", thumbs ? SZ : ABSENT, thumbs ? verb : ""},
      {LM, "SOFTWARE\\Classes\\Directory\\shell\\" + verb + "\\command", "", thumbs ? SZ : ABSENT,
       thumbs ? browse : ""},
      {LM, "SOFTWARE\\Classes\\Drive\\shell\\" + verb, "", thumbs ? SZ : ABSENT, thumbs ? verb : ""},
      {LM, "SOFTWARE\\Classes\\Drive\\shell\\" + verb + "\\command", "", thumbs ? SZ : ABSENT,
       thumbs ? browse : ""},
  };

  for (int i = 0; i < kExtensionCount; ++i) {
    const ExpectedExtension& e = kExtensions[i];
    const std::string progId = std::string("Pixorra.") + e.sfx;
    const std::string progIdKey = "SOFTWARE\\Classes\\" + progId;
    const std::string icon = std::string(e.icon) == "own" ? "%1" : program + "," + e.icon;
    const bool chosen = Chosen(e, choice);
    const std::string userChoice =
        std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.") + e.ext + "\\UserChoice";
    std::vector<Expected> rows = {
        {LM, std::string("SOFTWARE\\Classes\\.") + e.ext, "", chosen ? SZ : ABSENT, chosen ? progId : ""},
        {LM, progIdKey, "", SZ, "Pixorra " + Upper(e.sfx) + " File"},
        {LM, progIdKey + "\\shell\\open\\command", "", SZ, open},
        {LM, progIdKey + "\\DefaultIcon", "", SZ, icon},
        {LM, kFileAssociationsKey, std::string(".") + e.sfx, SZ, progId},
        {CU, userChoice, "Progid", chosen ? SZ : ABSENT, chosen ? progId : ""},
    };
    footprint.insert(footprint.end(), rows.begin(), rows.end());
  }
  return footprint;
}

std::string CompareFootprint(const std::vector<Expected>& expected) {
  std::ostringstream report;
  for (const Expected& e : expected) {
    pxtest::RegValue actual = pxtest::ReadRegValue(e.root, e.key, e.name);
    std::string where = std::string(RootName(e.root)) + "\\" + e.key + " [" + (e.name.empty() ? "@" : e.name) + "]";
    if (e.type == REG_NONE) {
      if (actual.exists) report << where << ": expected absent, found \"" << actual.text << "\"\n";
      continue;
    }
    if (!actual.exists) {
      report << where << ": missing, expected \"" << e.data << "\"\n";
      continue;
    }
    std::string data = actual.type == REG_DWORD ? std::to_string(actual.number) : actual.text;
    if (actual.type != e.type || data != e.data) {
      report << where << ": expected type " << e.type << " \"" << e.data << "\", found type " << actual.type
             << " \"" << data << "\"\n";
    }
  }
  return report.str();
}

void CleanRegistry() {
  const HKEY LM = HKEY_LOCAL_MACHINE, CU = HKEY_CURRENT_USER;
  std::set<std::string> suffixes;
  for (int i = 0; i < kExtensionCount; ++i) {
    pxtest::DeleteRegTree(LM, std::string("SOFTWARE\\Classes\\.") + kExtensions[i].ext);
    pxtest::DeleteRegTree(
        CU, std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.") + kExtensions[i].ext);
    suffixes.insert(kExtensions[i].sfx);
  }
  for (const std::string& sfx : suffixes) pxtest::DeleteRegTree(LM, "SOFTWARE\\Classes\\Pixorra." + sfx);
  for (const char* appClass : kStoreAppClasses) pxtest::DeleteRegTree(CU, appClass);
  pxtest::DeleteRegTree(LM, "SOFTWARE\\Classes\\Pixorra");
  pxtest::DeleteRegTree(LM, "SOFTWARE\\Classes\\Applications\\px_main64.exe");
  pxtest::DeleteRegTree(LM, "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pixorra");
  pxtest::DeleteRegTree(LM, "SOFTWARE\\Classes\\Drive\\shell\\Browse with &Pixorra");
  pxtest::DeleteRegTree(LM, kUninstallKey);
  pxtest::DeleteRegTree(LM, kAppPathsKey);
  pxtest::DeleteRegTree(LM, "SOFTWARE\\Pixorra");
  // Windows always has this key and the setup only opens it; Wine's new
  // prefixes lack it.
  HKEY registered = nullptr;
  if (RegCreateKeyA(LM, "SOFTWARE\\RegisteredApplications", &registered) == ERROR_SUCCESS) {
    RegDeleteValueA(registered, "Pixorra");
    RegCloseKey(registered);
  }
}

std::string CompareLink(const std::string& linkFolder, const ExpectedLink& link, const std::string& installFolder) {
  std::ostringstream report;
  const std::string path = linkFolder + link.name;
  pxtest::LinkFields fields = pxtest::ReadShellLink(path);
  if (!fields.loaded) return path + ": not readable\n";
  const std::string program = installFolder + "px_main64.exe";
  auto check = [&](const char* field, const std::string& expected, const std::string& actual) {
    if (expected != actual) report << path << " " << field << ": expected \"" << expected << "\", found \"" << actual << "\"\n";
  };
  check("target", installFolder + link.target, fields.target);
  check("arguments", link.arguments, fields.arguments);
  check("description", link.description, fields.description);
  check("working folder", "", fields.workingFolder);
  check("icon", link.iconIndex < 0 ? "" : program, fields.iconPath);
  if (link.iconIndex >= 0) check("icon index", std::to_string(link.iconIndex), std::to_string(fields.iconIndex));
  return report.str();
}

std::string GroupFolder(bool allUsers) {
  return pxtest::SpecialFolder(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + "Pixorra\\";
}

std::string DesktopFolder(bool allUsers) {
  return pxtest::SpecialFolder(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP);
}

void CleanLinks() {
  for (bool allUsers : {false, true}) {
    pxtest::RemoveFolderTree(GroupFolder(allUsers));
    DeleteFileA((DesktopFolder(allUsers) + kDesktopViewerLink.name).c_str());
    DeleteFileA((DesktopFolder(allUsers) + kDesktopThumbsLink.name).c_str());
  }
}

std::vector<std::string> ExpectedGroupNames(bool windows8) {
  std::vector<std::string> names;
  for (const ExpectedLink& link : kGroupLinks) {
    if (!(windows8 && link.belowWindows8Only)) names.push_back(link.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int NoOpenWithCount() {
  int count = 0;
  for (const char* appClass : kStoreAppClasses) {
    pxtest::RegValue value = pxtest::ReadRegValue(HKEY_CURRENT_USER, appClass, "NoOpenWith");
    if (value.exists && value.type == REG_SZ && value.text.empty()) ++count;
  }
  return count;
}

}  // namespace shelltest
