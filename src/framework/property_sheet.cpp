#include "framework/property_sheet.h"

#include "framework/common_controls.h"

namespace {

// The sheet whose window the PSCB_INITIALIZED callback binds: the callback
// carries no data of its own. One user interface thread; DoModal sets and
// clears it around PropertySheetW.
CPropertySheet* g_sheetBeingCreated = nullptr;

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length) - 1);
  return wide;
}

}  // namespace

// ---------------------------------------------------------------- page

bool CPropertyPage::OnSetActive() {
  if (firstSetActive_) {
    firstSetActive_ = false;
  } else {
    DoDataExchange(false);
  }
  return true;
}

bool CPropertyPage::OnKillActive() {
  DoDataExchange(true);
  return true;
}

bool CPropertyPage::OnInitDialog() {
  DoDataExchange(false);
  return true;
}

bool CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
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
  return true;
}

bool CPropertyPage::DispatchSheetNotification(UINT code, LRESULT* result) {
  switch (code) {
    case PSN_SETACTIVE: {
      int previous = parentSheet_ != nullptr ? parentSheet_->activeIndex_ : -1;
      if (parentSheet_ != nullptr) parentSheet_->NoteActivation(this);
      const bool show = OnSetActive();
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
    case PSN_QUERYCANCEL:
    case PSN_APPLY:
      // Let the sheet close. Answered here so that no DWLP_MSGRESULT left by
      // an earlier notification (a -1 from Next) is taken as a refusal.
      *result = 0;
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
    return page->OnInitDialog() ? TRUE : FALSE;
  } catch (...) {
    return TRUE;
  }
}

// ---------------------------------------------------------------- sheet

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

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT message, LPARAM) {
  if (message != PSCB_INITIALIZED || g_sheetBeingCreated == nullptr) return 0;
  CPropertySheet* sheet = g_sheetBeingCreated;
  g_sheetBeingCreated = nullptr;
  // Nothing thrown may reach comctl32; an unbound sheet runs with comctl32's
  // own handling only.
  try {
    if (sheet->SubclassWindow(hwnd)) sheet->OnInitDialog();
  } catch (...) {
  }
  return 0;
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
  PROPSHEETHEADERW h = {};
  h.dwSize = sizeof(h);
  h.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  h.hInstance = instance;
  h.pszCaption = caption.c_str();
  h.nPages = static_cast<UINT>(sheetPages.size());
  h.ppsp = sheetPages.data();
  h.pfnCallback = &CPropertySheet::SheetCallback;
  activeIndex_ = 0;

  g_sheetBeingCreated = this;
  INT_PTR result = ::PropertySheetW(&h);
  g_sheetBeingCreated = nullptr;
  return result;
}
