// Which registry link an elevated run follows on its way to a key: the one
// the system itself makes on Windows, HKEY_CURRENT_USER\Software\Classes
// leading into the user's own class hive. Every other link is refused.
#pragma once

#include <string>

namespace registrylink {

// currentUser: the walk started at HKEY_CURRENT_USER; sofar: the key met as
// a link, from that root ("Software\Classes"); target: its
// SymbolicLinkValue ("\REGISTRY\USER\S-1-5-21-..._Classes"), names compared
// without regard to case.
bool FollowsSystemLink(bool currentUser, const std::wstring& sofar, const std::wstring& target);

}  // namespace registrylink
