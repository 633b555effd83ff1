#include "platform/shell_links.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "core/shell_text.h"

bool SaveShellLink(const char* linkPath, const char* target, const char* arguments,
                   const char* iconPath, int iconIndex, const char* description) {
  // IPersistFile wants UTF-16; a path that does not convert completely into
  // MAX_PATH characters is not saved at all rather than saved truncated.
  WCHAR widePath[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0) return false;

  bool saved = false;
  HRESULT init = CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (iconPath != nullptr) link->SetIconLocation(iconPath, iconIndex);
      link->SetPath(target);  // S_FALSE while the target does not exist yet
      if (arguments != nullptr) link->SetArguments(arguments);
      if (description != nullptr) link->SetDescription(description);
      if (SUCCEEDED(file->Save(widePath, TRUE))) saved = true;
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return saved;
}

void GetSpecialFolder(int csidl, char folder[kPathSize]) {
  folder[0] = '\0';
  LPITEMIDLIST items = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(GetActiveWindow(), csidl, &items))) {
    if (!SHGetPathFromIDListA(items, folder)) folder[0] = '\0';
    CoTaskMemFree(items);
  }
  if (folder[0] == '\0') {
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) folder[0] = '\0';
  }
  shelltext::AppendBackslash(folder, MAX_PATH);
}

void DeleteLinkFile(const char* path) {
  DeleteFileA(path);
}

void RefreshShellAssociations() {
  // Wine does not implement SPI_SETICONS and answers FALSE, which changes
  // nothing here.
  SystemParametersInfoA(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}
