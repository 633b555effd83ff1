// The one registry link an elevated run follows: HKEY_CURRENT_USER's
// Software\Classes into the user's own class hive; any other link met on
// the way to a key is refused, and so is a link into another account's
// class hive.
#include <gtest/gtest.h>

#include <string>

#include "core/registry_link_rule.h"

namespace {

TEST(RegistryLinkRule, OnlyTheUsersClassesLinkIsFollowed) {
  const std::wstring kSid = L"S-1-5-21-1-2-3-1001";
  const std::wstring kHive = L"\\REGISTRY\\USER\\" + kSid + L"_Classes";
  struct Case {
    bool currentUser;
    std::wstring sofar;
    std::wstring target;
    bool followed;
  } cases[] = {
      {true, L"Software\\Classes", kHive, true},
      {true, L"SOFTWARE\\CLASSES", L"\\registry\\user\\S-1-5-21-1-2-3-1001_classes", true},
      {false, L"Software\\Classes", kHive, false},                                   // below the machine
      {true, L"Software\\Classes\\Pixorra.jpg", kHive, false},                       // any other key
      {true, L"Software", kHive, false},
      {true, L"Software\\Classes", L"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes", false},  // into the machine
      {true, L"Software\\Classes", L"\\REGISTRY\\A\\S-1-5-21_Classes", false},          // not below USER
      {true, L"Software\\Classes", kHive + L"\\Pixorra_Classes", false},            // a key inside a hive
      {true, L"Software\\Classes", L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", false},   // the user's own hive
      {true, L"Software\\Classes", L"\\REGISTRY\\USER\\_Classes", false},             // no hive name
      {true, L"Software\\Classes", std::wstring(L"\\REGISTRY\\USER\\S\0x_Classes", 26), false},
      {true, L"Software\\Classes", L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes", false},  // another account's
      {true, L"Software\\Classes", L"\\REGISTRY\\USER\\.DEFAULT_Classes", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.followed, registrylink::FollowsSystemLink(c.currentUser, c.sofar, c.target, kSid))
        << std::string(c.sofar.begin(), c.sofar.end()) << " -> " << std::string(c.target.begin(), c.target.end());
  }
}

}  // namespace
