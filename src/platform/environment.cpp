#include "platform/environment.h"

#include <windows.h>

bool IsOsVersionAtLeast(unsigned short major, unsigned short minor, unsigned short servicePackMajor) {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  version.dwMajorVersion = major;
  version.dwMinorVersion = minor;
  version.wServicePackMajor = servicePackMajor;

  DWORDLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);

  return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

bool IsViewerRunning() {
  return FindWindowA(kViewerWindowClass, nullptr) != nullptr;
}

bool BringViewerToFront() {
  constexpr int kTries = 5;
  constexpr DWORD kWaitMs = 500;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    HWND viewer = FindWindowExA(nullptr, nullptr, kViewerWindowClass, nullptr);
    if (viewer != nullptr) {
      SetForegroundWindow(viewer);
      return true;
    }
    Sleep(kWaitMs);
  }
  return false;
}

bool IsDesktopVisible(std::string* stationName) {
  if (stationName != nullptr) stationName->clear();
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr) return true;
  wchar_t name[256] = {};
  DWORD needed = 0;
  if (GetUserObjectInformationW(station, UOI_NAME, name, sizeof name - sizeof name[0], &needed)) {
    if (stationName != nullptr) {
      char ansi[256] = {};
      WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof ansi - 1, nullptr, nullptr);
      *stationName = ansi;
    }
    if (CompareStringOrdinal(name, -1, L"WinSta0", -1, TRUE) != CSTR_EQUAL) return false;
  }
  USEROBJECTFLAGS flags = {};
  if (GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
    return (flags.dwFlags & WSF_VISIBLE) != 0;
  }
  return true;
}
