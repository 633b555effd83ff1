// Shell links (.lnk files), the special folders they go to, and the shell's
// notice that associations changed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/product.h"

// Writes one link at linkPath through IShellLinkA and IPersistFile, with COM
// initialised and released around it. Only the given fields are set, in the
// order icon, target, arguments, description (iconPath, arguments or
// description nullptr: not set); never a working folder. True when the file
// was saved (false also when linkPath is too long for a 260-character path).
bool SaveShellLink(const char* linkPath, const char* target, const char* arguments,
                   const char* iconPath, int iconIndex, const char* description);

// One link named linkName (the product's own text, Windows-1252) in folder
// (ANSI code page, ending in a backslash); the path is put together in
// UTF-16. False when folder is "", the path does not fit, or the file was
// not saved.
bool SaveNamedShellLink(const char* folder, const char* linkName, const char* target, const char* arguments,
                        const char* iconPath, int iconIndex, const char* description);

// Links saved on a thread of their own while the caller goes on with other
// work. Under Wine every saved link waits for a helper process that Wine
// starts for it (about 35 ms), which made the links of a full installation
// most of its time when they were saved one after the other. The batch's
// thread saves links while the caller goes on with the registry; Finish
// then saves along with it. The thread starts with the first link, or
// earlier through Start: it sets up COM at once, so a caller can start the
// batch before the links' targets exist (say, while the payload is unpacked)
// and queue the links afterwards. A batch that is given no link writes nothing.
class LinkBatch {
 public:
  LinkBatch();
  // Finish(nullptr).
  ~LinkBatch();
  LinkBatch(const LinkBatch&) = delete;
  LinkBatch& operator=(const LinkBatch&) = delete;

  // Starts the thread now; false when it could not be started (the links are
  // then saved by the caller's thread). ahead(context), when given, runs on
  // the thread once COM is set up and before any link is written (without a
  // thread: here and now); WaitAhead waits for it.
  bool Start(void (*ahead)(void*) = nullptr, void* context = nullptr);
  void WaitAhead();
  // Queues one link, written exactly as SaveNamedShellLink writes it. When no
  // thread could be started or the batch is full, the link is saved at once.
  void Save(const char* folder, const char* linkName, const char* target, const char* arguments,
            const char* iconPath, int iconIndex, const char* description);
  // A link (or folder, with linkName "") that could not even be given: it is
  // reported by Finish in its place among the others.
  void Fail(const char* folder, const char* linkName);
  // Waits until every queued link has been written; adds the path of each
  // link that was not saved to failed (when given), in the order the links
  // were given. True when all were saved.
  bool Finish(std::vector<std::string>* failed);

 private:
  struct Request;
  // The next free request with its folder and name, or null when the batch
  // takes no more (finished or full): the link is then dealt with at once.
  Request* NextSlot(const char* folder, const char* linkName);
  // Hands the request NextSlot gave to the thread.
  void Publish();
  static DWORD WINAPI Worker(void* batch);
  void RunRequests();
  static bool SaveRequest(const Request& request);
  void Take(LONG index);

  static constexpr int kCapacity = 32;
  Request* requests_;
  HANDLE thread_;
  HANDLE work_;  // a semaphore: one count per queued link, then one to stop the thread
  volatile LONG queued_ = 0;
  volatile LONG taken_ = 0;
  std::vector<std::string> overflowFailed_;  // links saved at once that failed
  void (*ahead_)(void*) = nullptr;
  void* aheadContext_ = nullptr;
  HANDLE aheadDone_ = nullptr;  // set once ahead_ ran; null when it ran on the caller's thread
  bool started_ = false;
  bool finished_ = false;
};

// The special folder csidl with a trailing backslash, created when it is
// missing; "" when the shell can neither locate nor create it.
void GetSpecialFolder(int csidl, char folder[kPathSize]);

// Removes a file (an older version's link); a missing file is no error.
void DeleteLinkFile(const char* path);

// Tells the shell that icons and associations changed: reload the system
// icons, then announce SHCNE_ASSOCCHANGED and wait for the flush.
void RefreshShellAssociations();

// A special folder (CSIDL) with a backslash at its end; "" when the shell
// cannot name it. No fallback: what is looked for there must not be looked
// for elsewhere.
std::string ShellFolderPath(int csidl);

// The target path stored in a .lnk file; "" when it cannot be read.
std::string ReadLinkTarget(const std::string& linkPath);
// ReadLinkTarget for each path, in their order, with one set-up of COM for
// all of them (each link is still read by an object of its own).
std::vector<std::string> ReadLinkTargets(const std::vector<std::string>& linkPaths);
