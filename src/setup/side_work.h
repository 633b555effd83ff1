// The one helper thread of an installation run, working beside the
// unpacking of the payload and then beside the registration.
#pragma once

#include <string>
#include <vector>

#include "core/step_result.h"
#include "install/viewer_settings.h"
#include "shell/shortcuts.h"

class InstallRecording;

// Its jobs, in this order on its thread:
//  1. in a run without links: the screen figures for the settings file (the
//     first call that needs the display costs about 30 ms under Wine, and
//     nothing before the settings file needs them; with links they are asked
//     on the caller's thread when the settings file needs them, as measured);
//  2. the install record's and the journal's notes of what the registration
//     may replace (InstallRecording::BeforeRegistration; nothing changes
//     those values while the payload is unpacked); the caller waits for
//     them after the unpacking;
//  3. in a run with links: COM and the shell's link class set up, so that
//     the first link does not pay for them on the caller's thread;
//  4. in a run with links: the links handed over by SaveLinks, saved while
//     the caller writes the registry (under Wine every saved link waits about
//     35 ms for a helper process, which made the links most of a full
//     installation's time when they were saved one after the other).
// One thread, not one per job: each costs memory, and a large payload is
// unpacked by a second reader besides. When no thread can be started, the
// notes are taken at construction and the links saved by SaveLinks, both on
// the caller's thread.
class SideWork {
 public:
  SideWork(InstallRecording& recording, bool allUsers, bool withLinks);
  // FinishLinks.
  ~SideWork();
  SideWork(const SideWork&) = delete;
  SideWork& operator=(const SideWork&) = delete;

  // Waits until the record's notes are taken: whether the Start-menu group
  // exists must be seen before any link is written. The figures for the
  // settings file: those the thread asked, or the platform's, asked when
  // used.
  ScreenMetrics WaitForNotes();
  // Hands the links to the thread, which saves them in their order while
  // the caller goes on. Links given in a second call (or after FinishLinks)
  // are saved at once on the caller's thread.
  void SaveLinks(std::vector<ProductLink> links);
  // Saves along with the thread until no link is left and waits for it; the
  // path of each link that was not saved or could not be given, in the
  // order the links were given.
  std::vector<std::string> FinishLinks();

 private:
  static unsigned long __stdcall Run(void* self);
  void TakeNotes();
  // Saves the links not yet taken by either thread.
  void SaveRemainingLinks();

  InstallRecording& recording_;
  const bool allUsers_;
  const bool withLinks_;
  ScreenMetrics figures_;  // the platform's until the thread asked them
  std::vector<ProductLink> links_;
  std::vector<StepResult> saved_;  // one per link, written by the thread that took it
  volatile long nextLink_ = 0;
  bool linksGiven_ = false;
  std::vector<std::string> late_;  // links given after the first ones that failed
  void* notesTaken_ = nullptr;  // an event, set once the notes are taken
  void* linksReady_ = nullptr;  // an event, set once the links are handed over (or none will come)
  void* thread_ = nullptr;
};
