#include "wizard/wizard_driver.h"

#include <commctrl.h>

#include <cstring>

namespace wiztest {

const char kProductCaption[] = "Pixorra 64-bit Installation";
const char kAbandonQuestion[] = "Installation beenden?";
const char kInvalidFolder[] = "Ung\xfcltiges Zielverzeichnis!";
const char kAssociateQuestion[] =
    "Sie m\xf6" "chten die aktuellen Verkn\xfcpfungen \xe4ndern und einen oder mehrere Dateitypen mit Pixorra "
    "verkn\xfcpfen!\n\nSind Sie sicher!?";
const char kViewerRunning[] =
    "Warnung: Pixorra l\xe4uft!\nBeenden Sie bitte Pixorra bevor Sie mit der Installation fortsetzen!";
const char kCannotCreateFolder[] =
    "Kann Zielverzeichnis nicht erstellen!\n\nBitte \xfc" "berpr\xfc" "fen Sie Ihre Schreibrechte und "
    "System-Policies!\n\nVersuchen Sie das Zielverzeichnis zuerst h\xe4ndisch zu erstellen.";

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr SIZE_T kRemoteSize = 4096;

std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && ClassOf(window) == "#32770") search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> DialogsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  ::EnumWindows(&CollectDialogs, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered) {
  DWORD_PTR result = 0;
  const LRESULT ok = ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                           &result);
  if (answered != nullptr) *answered = ok != 0;
  return ok != 0 ? static_cast<LRESULT>(result) : 0;
}

WizardDriver::~WizardDriver() {
  if (remote_ != nullptr && process_.IsRunning()) ::VirtualFreeEx(process_.process(), remote_, 0, MEM_RELEASE);
  // StartedProgram ends a setup that is still running.
}

bool WizardDriver::Start(const std::string& args) {
  process_ = pxtest::StartProgram(pxtest::SetupExePath(), args);
  if (!process_.started()) return false;
  return pxtest::WaitFor([&] { return (sheet_ = FindSheet()) != nullptr; }, kWaitMs);
}

bool WizardDriver::WaitForExit(DWORD timeoutMs) { return process_.Wait(timeoutMs); }

HWND WizardDriver::FindSheet() const {
  for (HWND dialog : DialogsOf(process_.processId())) {
    if (::GetDlgItem(dialog, IDC_SHEET_NEXT) != nullptr) return dialog;
  }
  return nullptr;
}

int WizardDriver::PageIndex() const {
  bool answered = false;
  const auto page = reinterpret_cast<LPARAM>(SendWithin(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0, &answered));
  if (!answered || page == 0) return -1;
  const LRESULT index = SendWithin(sheet_, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0, &answered);
  return answered ? static_cast<int>(index) : -1;
}

bool WizardDriver::WaitForPage(int index, DWORD timeoutMs) const {
  return pxtest::WaitFor([&] { return PageIndex() == index; }, timeoutMs);
}

HWND WizardDriver::PageWindow(int index) const {
  return reinterpret_cast<HWND>(SendWithin(sheet_, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

HWND WizardDriver::Item(int id) const {
  const auto page = reinterpret_cast<HWND>(SendWithin(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
  return page != nullptr ? ::GetDlgItem(page, id) : nullptr;
}

HWND WizardDriver::PageItem(int pageIndex, int id) const {
  HWND page = PageWindow(pageIndex);
  return page != nullptr ? ::GetDlgItem(page, id) : nullptr;
}

std::string WizardDriver::TextOf(HWND window) {
  if (window == nullptr) return std::string();
  char buffer[2048] = {};
  SendWithin(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

bool WizardDriver::SetTextOf(HWND window, const std::string& text) {
  if (window == nullptr) return false;
  return SendWithin(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

bool WizardDriver::IsChecked(HWND button) { return SendWithin(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool WizardDriver::Click(HWND button) {
  if (!IsEnabled(button) || !IsVisible(button)) return false;
  return ::PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

void WizardDriver::PressCloseBox() const { ::PostMessageA(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool WizardDriver::Settle() const {
  // The welcome page's folder edit exists from the start; its typing limit
  // is far above any folder, so toggling it changes nothing a test sees.
  // Messages posted to one thread arrive in order.
  HWND edit = PageItem(kWelcome, IDC_TARGET_FOLDER);
  if (edit == nullptr) return false;
  const int limit = 30000 + (++settleCount_ % 2);
  ::PostMessageA(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
  return pxtest::WaitFor([&] { return SendWithin(edit, EM_GETLIMITTEXT, 0, 0) == limit; }, kWaitMs);
}

std::vector<MessageBoxSeen> WizardDriver::OpenMessageBoxes() const {
  std::vector<MessageBoxSeen> boxes;
  for (HWND dialog : DialogsOf(process_.processId())) {
    if (dialog == sheet_ || ::GetDlgItem(dialog, IDC_SHEET_NEXT) != nullptr) continue;
    HWND text = ::GetDlgItem(dialog, kMessageBoxTextId);
    if (text == nullptr || !::IsWindowVisible(dialog)) continue;
    MessageBoxSeen box;
    box.window = dialog;
    box.caption = TextOf(dialog);
    box.text = WithoutCarriageReturns(TextOf(text));
    box.owner = ::GetWindow(dialog, GW_OWNER);
    boxes.push_back(box);
  }
  return boxes;
}

MessageBoxSeen WizardDriver::WaitForMessageBox(DWORD timeoutMs) const {
  MessageBoxSeen seen;
  pxtest::WaitFor(
      [&] {
        std::vector<MessageBoxSeen> boxes = OpenMessageBoxes();
        // Every box has a caption: an empty one was not read in time (a
        // busy box thread answers WM_GETTEXT late), so it is read again.
        if (boxes.empty() || boxes.front().caption.empty()) return false;
        seen = boxes.front();
        return true;
      },
      timeoutMs);
  return seen;
}

bool WizardDriver::Answer(const MessageBoxSeen& box, int buttonId) const {
  HWND button = ::GetDlgItem(box.window, buttonId);
  if (button == nullptr || ::PostMessageA(button, BM_CLICK, 0, 0) == FALSE) return false;
  return pxtest::WaitFor([&] { return ::IsWindow(box.window) == FALSE; }, kWaitMs);
}

::testing::AssertionResult WizardDriver::ExpectBoxAndAnswer(const std::string& text, int buttonId,
                                                            DWORD timeoutMs) const {
  MessageBoxSeen box = WaitForMessageBox(timeoutMs);
  if (box.window == nullptr) return ::testing::AssertionFailure() << "no message box came; expected [" << text << "]";
  if (box.text != text || box.caption != kProductCaption) {
    Answer(box, ::GetDlgItem(box.window, IDNO) != nullptr ? IDNO : IDOK);
    return ::testing::AssertionFailure() << "message box [" << box.caption << "] / [" << box.text
                                         << "], expected [" << kProductCaption << "] / [" << text << "]";
  }
  if (!Answer(box, buttonId)) {
    return ::testing::AssertionFailure() << "button " << buttonId << " of [" << text << "] did not close it";
  }
  return ::testing::AssertionSuccess();
}

namespace {

BOOL CALLBACK CollectChildren(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND window) {
  std::vector<HWND> children;
  ::EnumChildWindows(window, &CollectChildren, reinterpret_cast<LPARAM>(&children));
  return children;
}

}  // namespace

HWND WizardDriver::FolderPicker() const {
  for (HWND dialog : DialogsOf(process_.processId())) {
    if (dialog == sheet_ || !::IsWindowVisible(dialog)) continue;
    for (HWND child : ChildrenOf(dialog)) {
      if (ClassOf(child) == "SysTreeView32") return dialog;
    }
  }
  return nullptr;
}

std::vector<std::string> WizardDriver::ChildTexts(HWND window) {
  std::vector<std::string> texts;
  for (HWND child : ChildrenOf(window)) texts.push_back(TextOf(child));
  return texts;
}

// ---------------------------------------------------------------- list view

void* WizardDriver::RemoteBlock() const {
  if (remote_ == nullptr) {
    remote_ = ::VirtualAllocEx(process_.process(), nullptr, kRemoteSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  return remote_;
}

int WizardDriver::RowCount() const { return static_cast<int>(SendWithin(FormatList(), LVM_GETITEMCOUNT, 0, 0)); }

int WizardDriver::RowStateImage(int row) const {
  const auto state = static_cast<UINT>(SendWithin(FormatList(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), 0xF000));
  return static_cast<int>((state & 0xF000) >> 12);
}

std::string WizardDriver::RowText(int row, int column) const {
  auto* block = static_cast<char*>(RemoteBlock());
  if (block == nullptr) return std::string();
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = block + sizeof item;
  item.cchTextMax = 256;
  if (!::WriteProcessMemory(process_.process(), block, &item, sizeof item, nullptr)) return std::string();
  SendWithin(FormatList(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block));
  char text[257] = {};
  if (!::ReadProcessMemory(process_.process(), block + sizeof item, text, 256, nullptr)) return std::string();
  return text;
}

bool WizardDriver::SetRowChecked(int row, bool checked) const {
  auto* block = static_cast<char*>(RemoteBlock());
  if (block == nullptr) return false;
  LVITEMA item = {};
  item.stateMask = 0xF000;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  if (!::WriteProcessMemory(process_.process(), block, &item, sizeof item, nullptr)) return false;
  return SendWithin(FormatList(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block)) != 0;
}

std::vector<int> WizardDriver::CheckedRows() const {
  std::vector<int> rows;
  const int count = RowCount();
  for (int i = 0; i < count; ++i) {
    if (RowStateImage(i) == 2) rows.push_back(i);
  }
  return rows;
}

}  // namespace wiztest
