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

bool FollowsSystemLink(bool currentUser, const std::wstring& sofar, const std::wstring& target,
                       const std::wstring& userSid) {
  static const std::wstring kClasses = L"Software\\Classes";
  if (!currentUser || userSid.empty() || sofar.size() != kClasses.size() || !SameAt(sofar, 0, kClasses)) return false;
  // Exactly the running account's class hive below \REGISTRY\USER.
  const std::wstring hive = L"\\REGISTRY\\USER\\" + userSid + L"_Classes";
  return target.size() == hive.size() && SameAt(target, 0, hive);
}

}  // namespace registrylink
