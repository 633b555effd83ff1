#include "core/registry_link_rule.h"

namespace registrylink {

namespace {

wchar_t Folded(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameAt(const std::wstring& text, std::size_t at, const std::wstring& part) {
  if (at + part.size() > text.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (Folded(text[at + i]) != Folded(part[i])) return false;
  }
  return true;
}

}  // namespace

bool FollowsSystemLink(bool currentUser, const std::wstring& sofar, const std::wstring& target) {
  static const std::wstring kClasses = L"Software\\Classes";
  static const std::wstring kUserHives = L"\\REGISTRY\\USER\\";
  static const std::wstring kClassesHive = L"_Classes";
  if (!currentUser || sofar.size() != kClasses.size() || !SameAt(sofar, 0, kClasses)) return false;
  // One hive below \REGISTRY\USER, the user's class hive, nothing else.
  if (target.size() <= kUserHives.size() + kClassesHive.size() || !SameAt(target, 0, kUserHives)) return false;
  const std::wstring hive = target.substr(kUserHives.size());
  return hive.find(L'\\') == std::wstring::npos && hive.find(L'\0') == std::wstring::npos &&
         SameAt(hive, hive.size() - kClassesHive.size(), kClassesHive);
}

}  // namespace registrylink
