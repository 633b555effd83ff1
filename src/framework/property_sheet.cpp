#include "framework/property_sheet.h"

#include "framework/common_controls.h"

#include <cwchar>

namespace {

// The sheet whose window the creation hook is waiting for. One user
// interface thread; DoModal sets and clears it around PropertySheetW.
CPropertySheet* g_sheetBeingCreated = nullptr;
HHOOK g_creationHook = nullptr;

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length) - 1);
  return wide;
}

bool IsDialogFrame(HWND hwnd, const CREATESTRUCTW* create) {
  if (create == nullptr || (create->style & WS_CHILD) != 0) return false;
  wchar_t className[16] = {};
  ::GetClassNameW(hwnd, className, 16);
  return std::wcscmp(className, L"#32770") == 0;
}

}  // namespace

// ---------------------------------------------------------------- page

CPropertyPage::CPropertyPage(UINT templateId) : templateId_(templateId) {}

BOOL CPropertyPage::OnSetActive() {
  if (firstSetActive_) {
    firstSetActive_ = false;
  } else {
    UpdateData(FALSE);
  }
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

LRESULT CPropertyPage::OnWizardNext() { return 0; }

LRESULT CPropertyPage::OnWizardBack() { return 0; }

BOOL CPropertyPage::OnWizardFinish() { return TRUE; }

BOOL CPropertyPage::OnQueryCancel() { return TRUE; }

BOOL CPropertyPage::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CPropertyPage::DoDataExchange(CDataExchange*) {}

BOOL CPropertyPage::UpdateData(BOOL saveAndValidate) {
  if (GetSafeHwnd() == nullptr) return FALSE;
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header == nullptr || header->hwndFrom != GetParent()) {
    return CWnd::OnNotify(wParam, lParam, result);
  }
  try {
    if (!DispatchSheetNotification(header->code, result)) {
      return CWnd::OnNotify(wParam, lParam, result);
    }
  } catch (...) {
    // A failed page step keeps the wizard where it is rather than moving
    // on as a 0 answer would.
    const bool navigation = header->code == PSN_WIZNEXT || header->code == PSN_WIZBACK;
    *result = navigation ? -1 : (header->code == PSN_KILLACTIVE ? TRUE : 0);
  }
  // comctl32 reads the answer from the send's result; a dialog's answer
  // traditionally lives in DWLP_MSGRESULT, so both carry it.
  ::SetWindowLongPtrW(GetSafeHwnd(), DWLP_MSGRESULT, *result);
  return TRUE;
}

bool CPropertyPage::DispatchSheetNotification(UINT code, LRESULT* result) {
  switch (code) {
    case PSN_SETACTIVE: {
      int previous = parentSheet_ != nullptr ? parentSheet_->activeIndex_ : -1;
      if (parentSheet_ != nullptr) parentSheet_->NoteActivation(this);
      BOOL show = OnSetActive();
      if (!show && parentSheet_ != nullptr) parentSheet_->activeIndex_ = previous;
      *result = show ? 0 : -1;
      break;
    }
    case PSN_KILLACTIVE:
      *result = OnKillActive() ? FALSE : TRUE;
      break;
    case PSN_WIZNEXT:
      *result = OnWizardNext();
      break;
    case PSN_WIZBACK:
      *result = OnWizardBack();
      break;
    case PSN_WIZFINISH:
      *result = OnWizardFinish() ? FALSE : TRUE;
      break;
    case PSN_QUERYCANCEL:
      *result = OnQueryCancel() ? FALSE : TRUE;
      break;
    case PSN_APPLY:
      *result = PSNRET_NOERROR;
      break;
    default:
      return false;
  }
  return true;
}

// Receives the page's messages until it is bound in WM_INITDIALOG; from then
// on the bound procedure sees everything first and this one only gets what
// it passes on, which the dialog manager's defaults handle.
INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
  if (sheetPage == nullptr) return TRUE;
  auto* page = reinterpret_cast<CPropertyPage*>(sheetPage->lParam);
  if (page == nullptr || !page->SubclassWindow(hwnd)) return TRUE;
  page->firstSetActive_ = true;
  try {
    if (page->parentSheet_ != nullptr) page->parentSheet_->NoteActivation(page);
    return page->OnInitDialog();
  } catch (...) {
    return TRUE;
  }
}

// ---------------------------------------------------------------- sheet

CPropertySheet::CPropertySheet(const char* caption, HWND parent, UINT startPage)
    : header(), caption_(caption != nullptr ? caption : ""), parent_(parent),
      startPage_(startPage), activeIndex_(static_cast<int>(startPage)) {
  header.dwSize = sizeof(header);
}

CPropertySheet::~CPropertySheet() {
  if (g_sheetBeingCreated == this) g_sheetBeingCreated = nullptr;
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (page == nullptr) return;
  pages_.push_back(page);
  page->parentSheet_ = this;
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  if (index < 0 || index >= GetPageCount()) return nullptr;
  return pages_[static_cast<size_t>(index)];
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i] == page) return static_cast<int>(i);
  }
  return -1;
}

void CPropertySheet::NoteActivation(const CPropertyPage* page) {
  int index = GetPageIndex(page);
  if (index >= 0) activeIndex_ = index;
}

void CPropertySheet::SetWizardButtons(DWORD flags) {
  SendMessage(PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

LRESULT CALLBACK CPropertySheet::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_sheetBeingCreated != nullptr) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    if (IsDialogFrame(hwnd, create != nullptr ? create->lpcs : nullptr)) {
      CPropertySheet* sheet = g_sheetBeingCreated;
      g_sheetBeingCreated = nullptr;
      try {
        sheet->SubclassWindow(hwnd);
      } catch (...) {
        // The sheet then runs unbound: comctl32's own handling only.
      }
      // Nothing else to catch: stop seeing every window of the thread.
      LRESULT next = ::CallNextHookEx(nullptr, code, wParam, lParam);
      if (g_creationHook != nullptr && ::UnhookWindowsHookEx(g_creationHook)) {
        g_creationHook = nullptr;
      }
      return next;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CPropertySheet::DoModal() {
  if (pages_.empty() || GetSafeHwnd() != nullptr || g_sheetBeingCreated != nullptr) return -1;
  PrepareCommonControls();

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  std::vector<PROPSHEETPAGEW> sheetPages(pages_.size());
  for (size_t i = 0; i < pages_.size(); ++i) {
    PROPSHEETPAGEW& p = sheetPages[i];
    p = PROPSHEETPAGEW();
    p.dwSize = sizeof(p);
    p.dwFlags = PSP_DEFAULT;
    p.hInstance = instance;
    p.pszTemplate = MAKEINTRESOURCEW(pages_[i]->templateId_);
    p.pfnDlgProc = &CPropertyPage::PageDialogProc;
    p.lParam = reinterpret_cast<LPARAM>(pages_[i]);
  }

  std::wstring caption = AnsiToWide(caption_);
  PROPSHEETHEADERW h = header;
  h.dwSize = sizeof(h);
  h.dwFlags = (h.dwFlags | PSH_PROPSHEETPAGE) & ~static_cast<DWORD>(PSH_MODELESS);
  h.hwndParent = parent_;
  h.hInstance = instance;
  h.pszCaption = caption.c_str();
  h.nPages = static_cast<UINT>(sheetPages.size());
  h.nStartPage = startPage_ < h.nPages ? startPage_ : 0;
  h.ppsp = sheetPages.data();
  activeIndex_ = static_cast<int>(h.nStartPage);

  g_creationHook = ::SetWindowsHookExW(WH_CBT, &CPropertySheet::CreationHook, nullptr,
                                      ::GetCurrentThreadId());
  if (g_creationHook == nullptr) return -1;
  g_sheetBeingCreated = this;
  INT_PTR result = ::PropertySheetW(&h);
  g_sheetBeingCreated = nullptr;
  if (g_creationHook != nullptr) {
    ::UnhookWindowsHookEx(g_creationHook);
    g_creationHook = nullptr;
  }
  return result;
}

BOOL CPropertySheet::OnInitDialog() { return static_cast<BOOL>(Default()); }

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
  return CWnd::OnCommand(wParam, lParam);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  return CWnd::WindowProc(message, wParam, lParam);
}
