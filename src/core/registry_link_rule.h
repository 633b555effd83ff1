// Which registry link an elevated run follows on its way to a key: the one
// the system itself makes on Windows, HKEY_CURRENT_USER\Software\Classes
// leading into the user's own class hive. Every other link is refused.
#pragma once

#include <string>

namespace registrylink {

// currentUser: the walk started at HKEY_CURRENT_USER; sofar: the key met as
// a link, from that root ("Software\Classes"); target: its
// SymbolicLinkValue, which must be the class hive of userSid, the running
// account ("\REGISTRY\USER\<userSid>_Classes"): never another account's.
// Names are compared without regard to case.
bool FollowsSystemLink(bool currentUser, const std::wstring& sofar, const std::wstring& target,
                       const std::wstring& userSid);

}  // namespace registrylink
