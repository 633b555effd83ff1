#include "platform/shell_links.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <new>

#include "core/shell_text.h"

namespace {

// The product's link names are German texts of Windows-1252, whatever the
// system's ANSI code page: converted as such, "\xDC" stays "Ü" on a system
// with code page 1251 too.
constexpr UINT kProductTextCodePage = 1252;

bool SaveWideShellLink(const WCHAR* widePath, const char* target, const char* arguments, const char* iconPath,
                       int iconIndex, const char* description) {
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

}  // namespace

bool SaveShellLink(const char* linkPath, const char* target, const char* arguments,
                   const char* iconPath, int iconIndex, const char* description) {
  // IPersistFile wants UTF-16; a path that does not convert completely into
  // MAX_PATH characters is not saved at all rather than saved truncated.
  WCHAR widePath[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0) return false;
  return SaveWideShellLink(widePath, target, arguments, iconPath, iconIndex, description);
}

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

struct LinkBatch::Request {
  std::string folder, linkName, target, arguments, iconPath, description;
  bool hasArguments = false, hasIcon = false, hasDescription = false;
  int iconIndex = 0;
  volatile LONG claimed = 0;  // 1 once a thread took it (or it needs no saving)
  volatile LONG saved = 0;
};

LinkBatch::LinkBatch() : requests_(new (std::nothrow) Request[kCapacity]), thread_(nullptr), work_(nullptr) {}

LinkBatch::~LinkBatch() {
  Finish(nullptr);
  if (work_ != nullptr) CloseHandle(work_);
  if (aheadDone_ != nullptr) CloseHandle(aheadDone_);
  delete[] requests_;
}

bool LinkBatch::Start(void (*ahead)(void*), void* context) {
  if (!started_ && !finished_ && requests_ != nullptr) {
    started_ = true;
    ahead_ = ahead;
    aheadContext_ = context;
    if (ahead_ != nullptr) aheadDone_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    work_ = CreateSemaphoreA(nullptr, 0, kCapacity + 1, nullptr);
    if (work_ != nullptr && (ahead_ == nullptr || aheadDone_ != nullptr)) {
      thread_ = CreateThread(nullptr, 0, Worker, this, 0, nullptr);
    }
  }
  if (thread_ == nullptr && ahead_ != nullptr) {
    // No thread for it: the work ahead is done here and now.
    if (aheadDone_ != nullptr) CloseHandle(aheadDone_);
    aheadDone_ = nullptr;
    ahead_(aheadContext_);
    ahead_ = nullptr;
  }
  return thread_ != nullptr;
}

void LinkBatch::WaitAhead() {
  if (aheadDone_ != nullptr) WaitForSingleObject(aheadDone_, INFINITE);
}

LinkBatch::Request* LinkBatch::NextSlot(const char* folder, const char* linkName) {
  if (finished_ || requests_ == nullptr || queued_ >= kCapacity) return nullptr;
  Request& request = requests_[queued_];
  request.folder = folder != nullptr ? folder : "";
  request.linkName = linkName;
  return &request;
}

void LinkBatch::Publish() {
  // Published before the count that hands it to the thread.
  InterlockedIncrement(&queued_);
  if (thread_ != nullptr) ReleaseSemaphore(work_, 1, nullptr);
}

void LinkBatch::Save(const char* folder, const char* linkName, const char* target, const char* arguments,
                     const char* iconPath, int iconIndex, const char* description) {
  Request* request = NextSlot(folder, linkName);
  if (request == nullptr) {
    if (!SaveNamedShellLink(folder, linkName, target, arguments, iconPath, iconIndex, description)) {
      overflowFailed_.push_back(std::string(folder != nullptr ? folder : "") + linkName);
    }
    return;
  }
  request->target = target;
  request->hasArguments = arguments != nullptr;
  request->arguments = arguments != nullptr ? arguments : "";
  request->hasIcon = iconPath != nullptr;
  request->iconPath = iconPath != nullptr ? iconPath : "";
  request->hasDescription = description != nullptr;
  request->description = description != nullptr ? description : "";
  request->iconIndex = iconIndex;
  if (!Start()) {
    // No thread: saved here and now, in its place among the others.
    request->claimed = 1;
    request->saved = SaveRequest(*request) ? 1 : 0;
  }
  Publish();
}

void LinkBatch::Fail(const char* folder, const char* linkName) {
  Request* request = NextSlot(folder, linkName);
  if (request == nullptr) {
    overflowFailed_.push_back(std::string(folder != nullptr ? folder : "") + linkName);
    return;
  }
  request->claimed = 1;
  request->saved = 0;
  Publish();
}

bool LinkBatch::Finish(std::vector<std::string>* failed) {
  if (!finished_) {
    finished_ = true;
    if (thread_ != nullptr) ReleaseSemaphore(work_, 1, nullptr);
    // This thread saves along with the batch's until none is left.
    RunRequests();
    if (thread_ != nullptr) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
  }
  bool all = overflowFailed_.empty();
  for (LONG i = 0; i < queued_; ++i) {
    if (requests_[i].saved != 0) continue;
    all = false;
    if (failed != nullptr) failed->push_back(requests_[i].folder + requests_[i].linkName);
  }
  if (failed != nullptr) failed->insert(failed->end(), overflowFailed_.begin(), overflowFailed_.end());
  return all;
}

bool LinkBatch::SaveRequest(const Request& request) {
  return SaveNamedShellLink(request.folder.c_str(), request.linkName.c_str(), request.target.c_str(),
                            request.hasArguments ? request.arguments.c_str() : nullptr,
                            request.hasIcon ? request.iconPath.c_str() : nullptr, request.iconIndex,
                            request.hasDescription ? request.description.c_str() : nullptr);
}

void LinkBatch::Take(LONG index) {
  Request& request = requests_[index];
  if (InterlockedExchange(&request.claimed, 1) != 0) return;
  if (SaveRequest(request)) InterlockedExchange(&request.saved, 1);
}

DWORD WINAPI LinkBatch::Worker(void* parameter) {
  LinkBatch& batch = *static_cast<LinkBatch*>(parameter);
  // COM and the shell's link class are set up now, before the first link is
  // queued: that part of the first link's cost is paid while the caller works.
  const HRESULT init = CoInitialize(nullptr);
  IShellLinkA* warm = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&warm)))) {
    warm->Release();
  }
  if (batch.ahead_ != nullptr) {
    batch.ahead_(batch.aheadContext_);
    SetEvent(batch.aheadDone_);
  }
  // One count of the semaphore per queued request, then one to stop the
  // thread; each count takes the next request, and a count beyond the queued
  // ones means that none is left (Finish's thread takes requests too).
  for (;;) {
    WaitForSingleObject(batch.work_, INFINITE);
    const LONG index = InterlockedIncrement(&batch.taken_) - 1;
    if (index >= batch.queued_) break;
    batch.Take(index);
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return 0;
}

void LinkBatch::RunRequests() {
  for (LONG index = 0; index < queued_; ++index) Take(index);
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

void DeleteLinkFile(const char* path) {
  DeleteFileA(path);
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
