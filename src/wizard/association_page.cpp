// The association page: one check-box row per format-table row, in table
// order, so that list row, table row and formatSelection entry share one
// index. The list is filled once per wizard run, on the page's first
// activation; its marks go to the model when the page is left.
#include <windows.h>
#include <commctrl.h>

#include "core/format_table.h"
#include "resources/resource.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"
#include "wizard/wizard_model.h"

namespace {

constexpr UINT kStateImageMask = 0xF000;
constexpr UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kChecked = INDEXTOSTATEIMAGEMASK(2);
constexpr DWORD kListStyles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;

void InsertColumn(HWND list, int index, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  char empty[1] = {};
  column.pszText = empty;
  column.iSubItem = index;
  ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void InsertRow(HWND list, int index, const FormatRow& row) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<char*>(row.shownExtensions);
  const auto at = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (at < 0) return;
  LVITEMA description = {};
  description.iSubItem = 1;
  description.pszText = const_cast<char*>(row.description);
  ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&description));
}

void SetRowChecked(HWND list, int index, bool checked) {
  LVITEMA item = {};
  item.stateMask = kStateImageMask;
  item.state = checked ? kChecked : kUnchecked;
  ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

// Anything but the unchecked box counts as a mark.
bool IsRowChecked(HWND list, int index) {
  const auto state = static_cast<UINT>(
      ::SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), kStateImageMask));
  return (state & kStateImageMask) != kUnchecked;
}

int RowCount(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

void CWizPropertyPage::ActivateAssociationPage() {
  if (listFilled_) return;  // keeps the user's marks
  HWND list = GetDlgItem(IDC_FORMAT_LIST);
  if (list == nullptr) return;
  listFilled_ = true;
  // Exactly these two: the template's own extended styles are replaced.
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ~static_cast<WPARAM>(0), kListStyles);
  // The list is still empty, so its client area has no vertical bar yet:
  // the system's bar width (it grows with the DPI) is kept free for it.
  RECT bounds = {};
  ::GetWindowRect(list, &bounds);
  RECT client = {};
  ::GetClientRect(list, &client);
  int first = 0;
  int second = 0;
  wizard::AssociationColumnWidths(bounds.right - bounds.left, client.right - client.left,
                                  ::GetSystemMetrics(SM_CXVSCROLL), &first, &second);
  InsertColumn(list, 0, first);
  InsertColumn(list, 1, second);
  for (int i = 0; i < FormatRowCount(); ++i) {
    const FormatRow* row = GetFormatRow(i);
    if (row != nullptr) InsertRow(list, i, *row);
  }
  // The marks "/assoc=" preset; the framework shows the model again only
  // from the second activation on.
  ExchangeMarks(false);
}

void CWizPropertyPage::ExchangeMarks(bool save) {
  HWND list = GetDlgItem(IDC_FORMAT_LIST);
  const int rows = listFilled_ ? RowCount(list) : 0;
  bool* marks = Model().formatMarks;
  for (int i = 0; i < rows && i < kFormatRowCount; ++i) {
    if (save) marks[i] = IsRowChecked(list, i);
    else if (marks[i] != IsRowChecked(list, i)) SetRowChecked(list, i, marks[i]);
  }
}

void CWizPropertyPage::MarkRows(int first, int last, bool checked) {
  HWND list = listFilled_ ? GetDlgItem(IDC_FORMAT_LIST) : nullptr;
  if (list == nullptr) return;
  const int count = RowCount(list);
  if (last < 0 || last >= count) last = count - 1;
  for (int i = first; i <= last; ++i) SetRowChecked(list, i, checked);
}
