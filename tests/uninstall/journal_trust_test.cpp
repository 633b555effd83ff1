// What a journal of the current user may name: one line outside the user's
// places makes the whole journal untrusted. Each row changes one line of a
// journal an administrator's run for the user writes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/journal_trust.h"

namespace {

using installrecord::LinkPlace;
using installrecord::Root;

constexpr const char* kUserFolder = "C:\\Users\\me\\AppData\\Local\\Programs\\Pixorra\\";
constexpr const char* kChoiceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";

journal::Journal UsersJournal() {
  journal::Journal j;
  j.scope = installrecord::Scope::kUser;
  j.folder = kUserFolder;
  j.createdFolders = {"C:\\Users\\me\\AppData\\Local\\Programs\\", kUserFolder,
                      "C:\\Users\\me\\AppData\\Roaming\\Pixorra\\"};
  j.kept = {"px_about.txt"};
  j.payloadFolders = {"Help\\"};
  j.files = {{"px_main64.exe", true, 1, 2}, {"Help\\px.chm", false, 1, 2}};
  j.settings = {{std::string(kUserFolder) + "px_main64.ini", false, ""},
                {"C:\\Users\\me\\AppData\\Roaming\\Pixorra\\px_main64.ini", false, ""}};
  j.createdGroups = {LinkPlace::kUserPrograms};
  j.links = {{LinkPlace::kUserPrograms, "Pixorra\\Pixorra 64.lnk", false}, {LinkPlace::kUserDesktop, "Pixorra 64.lnk", false}};
  j.ownKeys = {{Root::kCurrentUser, "SOFTWARE\\Pixorra", true}, {Root::kCurrentUser, "SOFTWARE\\Classes\\Pixorra", false}};
  j.ownSubKeys = {{Root::kCurrentUser, "SOFTWARE\\Pixorra\\Capabilities", true}};
  j.ownValues = {{Root::kCurrentUser, "SOFTWARE\\Pixorra\\Capabilities", "x", true, 1, "y"}};
  j.keys = {{Root::kCurrentUser, kChoiceKey, false}};
  j.values = {{Root::kCurrentUser, kChoiceKey, "Progid", true, 1, "Other.jpg"},
              {Root::kCurrentUser, "SOFTWARE\\Classes\\.jpg", "", true, 1, "Other.jpg"}};
  return j;
}

journaltrust::UserPlaces Places() {
  journaltrust::UserPlaces places;
  places.profile = "C:\\Users\\me\\";
  places.systemFolders = {"C:\\windows\\system32\\", "C:\\Program Files\\", "C:\\ProgramData\\"};
  places.windowsFolder = "C:\\windows\\";
  places.machineFolders = {"C:\\Program Files\\Pixorra\\"};
  return places;
}

TEST(JournalTrust, OneLineOutsideTheUsersPlacesMakesTheJournalUntrusted) {
  struct Case {
    const char* name;
    std::function<void(journal::Journal&)> change;
    const char* outside;  // "" when trusted
  };
  const Case cases[] = {
      {"as the run writes it", [](journal::Journal&) {}, ""},
      {"program folder elsewhere on a drive", [](journal::Journal& j) {
         j.folder = "D:\\Tools\\Pixorra\\";
         j.createdFolders = {"D:\\Tools\\", "D:\\Tools\\Pixorra\\"};
         j.settings.clear();
       }, ""},
      {"folder of the machine's installation", [](journal::Journal& j) { j.folder = "C:\\Program Files\\Pixorra\\"; },
       "Folder C:\\Program Files\\Pixorra\\"},
      {"folder inside the machine's, other case", [](journal::Journal& j) { j.folder = "c:\\program files\\PIXORRA\\x\\"; },
       "Folder c:\\program files\\PIXORRA\\x\\"},
      {"folder holding the machine's", [](journal::Journal& j) { j.folder = "C:\\Program Files\\"; },
       "Folder C:\\Program Files\\"},
      {"Windows folder", [](journal::Journal& j) { j.folder = "C:\\windows\\system32\\"; },
       "Folder C:\\windows\\system32\\"},
      {"relative folder", [](journal::Journal& j) { j.folder = "Pixorra\\"; }, "Folder Pixorra\\"},
      {"created folder off the way", [](journal::Journal& j) { j.createdFolders.push_back("C:\\victimdir\\"); },
       "CreatedFolder C:\\victimdir\\"},
      {"created folder inside the program folder", [](journal::Journal& j) {
         j.createdFolders.push_back(std::string(kUserFolder) + "Help\\");
       }, "CreatedFolder C:\\Users\\me\\AppData\\Local\\Programs\\Pixorra\\Help\\"},
      {"settings file in the Windows folder", [](journal::Journal& j) {
         j.settings.push_back({"C:\\windows\\system32\\planted.dll", false, ""});
       }, "Settings C:\\windows\\system32\\planted.dll"},
      {"file climbing out", [](journal::Journal& j) { j.files.push_back({"..\\..\\victim.ini", false, 0, 0}); },
       "File ..\\..\\victim.ini"},
      {"file with a drive", [](journal::Journal& j) { j.files.push_back({"C:\\windows\\victim.ini", false, 0, 0}); },
       "File C:\\windows\\victim.ini"},
      {"kept file climbing out", [](journal::Journal& j) { j.kept.push_back("..\\x"); }, "Kept ..\\x"},
      {"payload folder climbing out", [](journal::Journal& j) { j.payloadFolders.push_back("..\\"); },
       "PayloadFolder ..\\"},
      {"link in all users' Startup", [](journal::Journal& j) {
         j.links.push_back({LinkPlace::kCommonPrograms, "Startup\\run.bat", false});
       }, "Link common-programs Startup\\run.bat"},
      {"user's link climbing out", [](journal::Journal& j) {
         j.links.push_back({LinkPlace::kUserDesktop, "..\\..\\x.lnk", false});
       }, "Link user-desktop ..\\..\\x.lnk"},
      {"group of all users", [](journal::Journal& j) { j.createdGroups.push_back(LinkPlace::kCommonPrograms); },
       "CreatedGroup common-programs"},
      {"own key of the machine", [](journal::Journal& j) { j.ownKeys.push_back({Root::kLocalMachine, "SOFTWARE\\Pixorra", true}); },
       "OwnKey HKLM\\SOFTWARE\\Pixorra"},
      {"own sub-key outside the own keys", [](journal::Journal& j) {
         j.ownSubKeys.push_back({Root::kCurrentUser, "SOFTWARE\\PixorraOther", true});
       }, "OwnSubKey HKCU\\SOFTWARE\\PixorraOther"},
      {"own value of the machine", [](journal::Journal& j) {
         j.ownValues.push_back({Root::kLocalMachine, "SOFTWARE\\Pixorra", "x", false, 0, ""});
       }, "OwnValue HKLM\\SOFTWARE\\Pixorra"},
      {"key of the machine", [](journal::Journal& j) { j.keys.push_back({Root::kLocalMachine, "SOFTWARE\\Victim", false}); },
       "Key HKLM\\SOFTWARE\\Victim"},
      {"user's key the footprint does not list", [](journal::Journal& j) {
         j.keys.push_back({Root::kCurrentUser, "Software\\Other", false});
       }, "Key HKCU\\Software\\Other"},
      {"value of the machine's Run key", [](journal::Journal& j) {
         j.values.push_back({Root::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "x", true, 1, "evil"});
       }, "Value HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {"the machine's .jpg, a name the user's footprint lists", [](journal::Journal& j) {
         j.values.push_back({Root::kLocalMachine, "SOFTWARE\\Classes\\.jpg", "", true, 1, "exefile"});
       }, "Value HKLM\\SOFTWARE\\Classes\\.jpg"},
      {"machine's scope", [](journal::Journal& j) { j.scope = installrecord::Scope::kMachine; }, "Scope machine"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    journal::Journal j = UsersJournal();
    c.change(j);
    EXPECT_EQ(c.outside, journaltrust::FirstLineOutside(j, Places()));
  }
}

}  // namespace
