#include "platform/shell_links.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "core/shell_text.h"
#include "platform/file_identity.h"

namespace {

// The product's link names are German texts of Windows-1252, whatever the
// system's ANSI code page: converted as such, "\xDC" stays "Ü" on a system
// with code page 1251 too.
constexpr UINT kProductTextCodePage = 1252;

// The link's bytes as the shell writes them, put in place by
// ReplaceFileWith: no link planted at its name is written through, and the
// shell's own file writing (which under Wine starts a helper program for
// every link saved) is not needed.
bool WriteLinkFile(IShellLinkA* link, const WCHAR* widePath) {
  IPersistStream* persist = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist)))) return false;
  bool saved = false;
  IStream* memory = nullptr;
  if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &memory))) {
    HGLOBAL block = nullptr;
    STATSTG stat = {};
    if (SUCCEEDED(persist->Save(memory, TRUE)) && SUCCEEDED(memory->Stat(&stat, STATFLAG_NONAME)) &&
        stat.cbSize.QuadPart <= 0x100000 && SUCCEEDED(GetHGlobalFromStream(memory, &block))) {
      const void* bytes = GlobalLock(block);
      unsigned long error = 0;
      const bool existed = GetFileAttributesW(widePath) != INVALID_FILE_ATTRIBUTES;
      saved = bytes != nullptr &&
              ReplaceFileWith(widePath, std::wstring(), bytes, static_cast<std::size_t>(stat.cbSize.QuadPart), &error);
      if (bytes != nullptr) GlobalUnlock(block);
      if (saved) SHChangeNotify(existed ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW, widePath, nullptr);
    }
    memory->Release();
  }
  persist->Release();
  return saved;
}

bool SaveWideShellLink(const WCHAR* widePath, const char* target, const char* arguments, const char* iconPath,
                       int iconIndex, const char* description) {
  bool saved = false;
  HRESULT init = CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    if (iconPath != nullptr) link->SetIconLocation(iconPath, iconIndex);
    link->SetPath(target);  // S_FALSE while the target does not exist yet
    if (arguments != nullptr) link->SetArguments(arguments);
    if (description != nullptr) link->SetDescription(description);
    saved = WriteLinkFile(link, widePath);
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return saved;
}

}  // namespace

bool SaveNamedShellLink(const char* folder, const char* linkName, const char* target, const char* arguments,
                        const char* iconPath, int iconIndex, const char* description) {
  if (folder == nullptr || folder[0] == '\0') return false;
  WCHAR widePath[MAX_PATH];
  const int folderLength = MultiByteToWideChar(CP_ACP, 0, folder, -1, widePath, MAX_PATH);
  if (folderLength == 0) return false;
  // Both parts must fit completely: a cut name would be another link.
  if (MultiByteToWideChar(kProductTextCodePage, 0, linkName, -1, widePath + folderLength - 1,
                          MAX_PATH - (folderLength - 1)) == 0) {
    return false;
  }
  return SaveWideShellLink(widePath, target, arguments, iconPath, iconIndex, description);
}

ShellLinkThread::ShellLinkThread() : init_(CoInitialize(nullptr)) {
  IShellLinkA* warm = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&warm)))) {
    warm->Release();
  }
}

ShellLinkThread::~ShellLinkThread() {
  if (SUCCEEDED(init_)) CoUninitialize();
}

void GetSpecialFolder(int csidl, char folder[kPathSize]) {
  folder[0] = '\0';
  // A user's desktop or programs folder that is missing is created as the
  // shell itself would; the Windows folder is never a substitute for it.
  if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    folder[0] = '\0';
    return;
  }
  shelltext::AppendBackslash(folder, MAX_PATH);
}

void RefreshShellAssociations() {
  // Wine does not implement SPI_SETICONS and answers FALSE, which changes
  // nothing here.
  SystemParametersInfoA(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}

std::string ShellFolderPath(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) || path[0] == '\0') return "";
  std::string folder = path;
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

namespace {

// One link's raw target through a fresh object: a reused one could keep the
// previous link's path when this one has none.
std::string ReadOneLinkTarget(const std::string& linkPath) {
  if (GetFileAttributesA(linkPath.c_str()) == INVALID_FILE_ATTRIBUTES) return "";
  std::string target;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) > 0 &&
          SUCCEEDED(file->Load(wide, STGM_READ))) {
        char path[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) target = path;
      }
      file->Release();
    }
    link->Release();
  }
  return target;
}

}  // namespace

std::string ReadLinkTarget(const std::string& linkPath) { return ReadLinkTargets({linkPath}).front(); }

std::vector<std::string> ReadLinkTargets(const std::vector<std::string>& linkPaths) {
  std::vector<std::string> targets(linkPaths.size());
  // No COM at all while none of the files exists.
  bool anyThere = false;
  for (const std::string& path : linkPaths) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) anyThere = true;
  }
  if (!anyThere) return targets;
  const HRESULT init = CoInitialize(nullptr);
  for (std::size_t i = 0; i < linkPaths.size(); ++i) targets[i] = ReadOneLinkTarget(linkPaths[i]);
  if (SUCCEEDED(init)) CoUninitialize();
  return targets;
}
