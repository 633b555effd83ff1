#include "setup/side_work.h"

#include <windows.h>

#include <utility>

#include "platform/shell_links.h"
#include "platform/thread_stack.h"
#include "setup/install_recording.h"

SideWork::SideWork(InstallRecording& recording, bool allUsers, bool withLinks)
    : recording_(recording), allUsers_(allUsers), withLinks_(withLinks), figures_(PlatformScreenMetrics()) {
  notesTaken_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  linksReady_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (notesTaken_ != nullptr && linksReady_ != nullptr) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  // No thread for it: the notes are taken here and now.
  if (thread_ == nullptr) TakeNotes();
}

SideWork::~SideWork() {
  FinishLinks();
  if (notesTaken_ != nullptr) CloseHandle(notesTaken_);
  if (linksReady_ != nullptr) CloseHandle(linksReady_);
}

void SideWork::TakeNotes() { recording_.BeforeRegistration(allUsers_); }

DWORD WINAPI SideWork::Run(void* self) {
  ReleaseUnusedStack();
  SideWork& work = *static_cast<SideWork*>(self);
  if (!work.withLinks_) {
    work.figures_ = AskScreenMetrics();
    work.TakeNotes();
    SetEvent(work.notesTaken_);
    return 0;
  }
  // The notes first: the caller waits for them right after the unpacking,
  // and the links come only after that.
  work.TakeNotes();
  SetEvent(work.notesTaken_);
  const ShellLinkThread linkThread;
  WaitForSingleObject(work.linksReady_, INFINITE);
  work.SaveRemainingLinks();
  return 0;
}

ScreenMetrics SideWork::WaitForNotes() {
  if (thread_ != nullptr) WaitForSingleObject(notesTaken_, INFINITE);
  // Read only once the thread set the event: it wrote them before.
  return figures_;
}

void SideWork::SaveLinks(std::vector<ProductLink> links) {
  if (linksGiven_) {
    // The thread may be saving the first ones: these are saved here and now.
    for (const ProductLink& link : links) {
      const StepResult saved = SaveProductLink(link);
      if (!saved) late_.push_back(saved.subject);
    }
    return;
  }
  linksGiven_ = true;
  links_ = std::move(links);
  saved_.resize(links_.size());
  // Handed over with the event: the thread reads them only after it. Without
  // a thread they are saved here and now, in their order.
  if (thread_ != nullptr) {
    SetEvent(linksReady_);
  } else {
    SaveRemainingLinks();
  }
}

void SideWork::SaveRemainingLinks() {
  for (;;) {
    const LONG index = InterlockedIncrement(&nextLink_) - 1;
    if (index >= static_cast<LONG>(links_.size())) break;
    saved_[index] = SaveProductLink(links_[index]);
  }
}

std::vector<std::string> SideWork::FinishLinks() {
  linksGiven_ = true;
  if (thread_ != nullptr) {
    SetEvent(linksReady_);
    // This thread saves along with the helper until none is left.
    SaveRemainingLinks();
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  std::vector<std::string> failed;
  for (const StepResult& saved : saved_) {
    if (!saved) failed.push_back(saved.subject);
  }
  failed.insert(failed.end(), late_.begin(), late_.end());
  return failed;
}
