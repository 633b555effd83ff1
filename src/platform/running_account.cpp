#include "platform/running_account.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>

#include "platform/shell_links.h"

RunningAccount QueryRunningAccount() {
  RunningAccount account;
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size > 0 && size < 0x10000) {
      std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size]);
      char* text = nullptr;
      if (buffer && GetTokenInformation(token, TokenUser, buffer.get(), size, &size) &&
          ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &text)) {
        account.userSid = text;
        LocalFree(text);
      }
    }
    CloseHandle(token);
  }
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  HWINSTA station = GetProcessWindowStation();
  if (station != nullptr && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
    account.interactiveStation = (flags.dwFlags & WSF_VISIBLE) != 0;
  }
  return account;
}

std::vector<std::string> AccountProfileFolders() {
  std::vector<std::string> folders;
  for (int csidl : {CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
    const std::string folder = ShellFolderPath(csidl);
    if (!folder.empty()) folders.push_back(folder);
  }
  return folders;
}

bool IsProcessElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  const bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != FALSE;
  CloseHandle(token);
  return !known || elevation.TokenIsElevated != 0;
}
