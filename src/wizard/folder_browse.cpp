// The welcome page's Browse button: the system's folder picker.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "core/folder_text.h"
#include "platform/resource_text.h"
#include "resources/resource.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wizard_model.h"

namespace {

constexpr int kTitleSize = 50;

int CALLBACK PreselectFolder(HWND picker, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) ::SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

// COM for the picker, released on every way out.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

// The picker, starting at path. True and the chosen folder (ending in a
// backslash) in path; false and path unchanged when the user cancelled or
// chose no file-system folder.
bool BrowseForFolder(HWND owner, char path[kPathSize]) {
  char title[kTitleSize] = {};
  LoadResourceString(IDS_BROWSE_TITLE, title, kTitleSize);
  char start[kPathSize];
  wizard::PickerStartFolder(path, start, sizeof start);

  ComScope com;
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = &PreselectFolder;
  info.lParam = reinterpret_cast<LPARAM>(start);
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&info);
  if (chosen == nullptr) return false;
  char folder[MAX_PATH] = {};
  const BOOL hasPath = ::SHGetPathFromIDListA(chosen, folder);
  ::CoTaskMemFree(chosen);
  if (!hasPath || folder[0] == '\0') return false;
  std::memcpy(path, folder, kPathSize);
  AppendBackslashIfRoom(path);
  return true;
}

}  // namespace

void CWizPropertyPage::BrowseForTargetFolder() {
  char folder[kPathSize] = {};
  GetDlgItemText(IDC_TARGET_FOLDER, folder, kPathSize);
  if (!BrowseForFolder(::GetActiveWindow(), folder)) return;
  AppendProductFolderText(folder);  // leaves a folder too long for "Pixorra\" as chosen
  SetDlgItemText(IDC_TARGET_FOLDER, folder);
}
