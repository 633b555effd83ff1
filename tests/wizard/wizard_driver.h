// Works the real setup program's wizard the way a person would: finds the
// sheet and its current page, reads and sets controls by id, presses the
// sheet's buttons and answers message boxes. Every wait has a time-out;
// clicks are posted, so a click that opens a modal box never blocks the
// test. Controls are those of the setup's process, so list-view items are
// read and written through memory in that process.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/px_test_support.h"

namespace wiztest {

// The pages by their index in the sheet.
enum Page { kWelcome = 0, kWhatsNew = 1, kAssociations = 2, kReady = 3, kFinish = 4 };

// The texts the setup shows, as Windows-1252 bytes with the line breaks that
// a message box's text item gives back.
extern const char kProductCaption[];     // caption of every message box
extern const char kAbandonQuestion[];    // "Installation beenden?"
extern const char kInvalidFolder[];      // IDS_INVALID_FOLDER
extern const char kAssociateQuestion[];  // IDS_ASSOCIATE_QUESTION
extern const char kViewerRunning[];      // IDS_VIEWER_RUNNING
extern const char kCannotCreateFolder[]; // IDS_CANNOT_CREATE_FOLDER

constexpr DWORD kWaitMs = 15000;

struct MessageBoxSeen {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  HWND owner = nullptr;
};

class WizardDriver {
 public:
  WizardDriver() = default;
  ~WizardDriver();
  WizardDriver(const WizardDriver&) = delete;
  WizardDriver& operator=(const WizardDriver&) = delete;

  // Starts the setup without "/silent" (args: other options) and waits
  // until its sheet exists (a message box of the first page may already be
  // open then).
  bool Start(const std::string& args = "");
  bool IsRunning() const { return process_.IsRunning(); }
  // Waits until the setup has ended.
  bool WaitForExit(DWORD timeoutMs = kWaitMs);
  // The same, with the setup's full exit code.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode) { return process_.Wait(timeoutMs, exitCode); }
  DWORD ProcessId() const { return process_.processId(); }
  // Ends a setup that is still running.
  void Stop() { process_.Terminate(); }

  HWND Sheet() const { return sheet_; }
  std::string SheetCaption() const { return TextOf(sheet_); }
  // Index of the page shown now, -1 when it cannot be told.
  int PageIndex() const;
  bool WaitForPage(int index, DWORD timeoutMs = kWaitMs) const;
  // The window of the page at index (once it has been shown), or null.
  HWND PageWindow(int index) const;

  // Items of the current page, of a page by index, and the sheet's buttons
  // (IDCANCEL, IDC_SHEET_BACK, IDC_SHEET_NEXT).
  HWND Item(int id) const;
  HWND PageItem(int pageIndex, int id) const;
  HWND Button(int id) const { return ::GetDlgItem(sheet_, id); }

  static std::string TextOf(HWND window);
  static bool SetTextOf(HWND window, const std::string& text);
  static bool IsChecked(HWND button);
  static bool IsEnabled(HWND window) { return window != nullptr && ::IsWindowEnabled(window) != FALSE; }
  static bool IsVisible(HWND window) { return window != nullptr && ::IsWindowVisible(window) != FALSE; }
  // Clicks a button as a person would: only an enabled, visible one.
  static bool Click(HWND button);

  std::string ItemText(int id) const { return TextOf(Item(id)); }
  bool SetItemText(int id, const std::string& text) const { return SetTextOf(Item(id), text); }
  bool IsItemChecked(int id) const { return IsChecked(Item(id)); }
  bool IsItemEnabled(int id) const { return IsEnabled(Item(id)); }
  bool ClickItem(int id) const { return Click(Item(id)); }

  bool PressNext() const { return Click(Button(IDC_SHEET_NEXT)); }
  bool PressBack() const { return Click(Button(IDC_SHEET_BACK)); }
  bool PressCancel() const { return Click(Button(IDCANCEL)); }
  // The close box in the sheet's title bar.
  void PressCloseBox() const;

  // Next, then waits for the page at index.
  bool NextTo(int index) const { return PressNext() && WaitForPage(index); }
  bool BackTo(int index) const { return PressBack() && WaitForPage(index); }

  // Returns once the setup has handled every click posted before: a
  // harmless selection change is posted behind them and waited for.
  bool Settle() const;

  // The message boxes of the setup that are open now.
  std::vector<MessageBoxSeen> OpenMessageBoxes() const;
  // Waits for a message box; an empty result when none came.
  MessageBoxSeen WaitForMessageBox(DWORD timeoutMs = kWaitMs) const;
  // Presses a message box's button (IDOK, IDYES, IDNO) and waits until the
  // box is gone.
  bool Answer(const MessageBoxSeen& box, int buttonId) const;
  // Waits for a box with this text and the product caption, answers it and
  // says what was wrong when it was another box (or none).
  ::testing::AssertionResult ExpectBoxAndAnswer(const std::string& text, int buttonId,
                                                DWORD timeoutMs = kWaitMs) const;

  // The folder picker of the Browse button, when open (a dialog of the
  // setup holding a tree view); null otherwise.
  HWND FolderPicker() const;
  // Texts of every child window of a window.
  static std::vector<std::string> ChildTexts(HWND window);

  // The association list (current page must be the association page, or
  // it has been shown before).
  HWND FormatList() const { return PageItem(kAssociations, IDC_FORMAT_LIST); }
  int RowCount() const;
  // The row's state-image index: 1 unchecked, 2 checked.
  int RowStateImage(int row) const;
  std::string RowText(int row, int column) const;
  // Sets a row's check mark as a click on its box does.
  bool SetRowChecked(int row, bool checked) const;
  // The rows that are checked now.
  std::vector<int> CheckedRows() const;

 private:
  HWND FindSheet() const;
  // A block of memory in the setup's process for messages that carry
  // pointers; freed when the driver ends.
  void* RemoteBlock() const;

  pxtest::StartedProgram process_;
  HWND sheet_ = nullptr;
  mutable void* remote_ = nullptr;
  mutable int settleCount_ = 0;
};

// An answer within the message-box time-out, or false.
LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = nullptr);

}  // namespace wiztest
