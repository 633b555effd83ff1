// Rules of the wizard that need no window: the page order, the welcome
// page's folder test, the texts the pages compose and the list's columns.
// No Windows header: also built natively.
#pragma once

#include <cstddef>

namespace wizard {

// What a page does; the sheet's page index decides it.
enum class PageRole { Welcome, WhatsNew, Associations, Ready, Finish, None };

struct WizardPageInfo {
  unsigned templateId;
  PageRole role;
};

// The five pages in the order they are added to the sheet.
constexpr int kWizardPageCount = 5;
extern const WizardPageInfo kWizardPages[kWizardPageCount];

// Role of the page at a sheet index; None outside 0..4.
PageRole RoleOfIndex(int index);

// What a page's activation does to the sheet's Back and Next buttons.
enum class ButtonChange { Keep, Disable };
struct ButtonStates {
  ButtonChange back;
  ButtonChange next;
};
ButtonStates ButtonStatesOnActivation(PageRole role);

// The welcome page accepts only a folder with a drive letter: the text is
// not empty and its second character is a colon. A leading blank or a
// network path (\\server\share) fails.
bool HasDrivePart(const char* folder);

// The viewer's path for the finish page: the folder, one backslash (added
// when missing) and "px_main64.exe". False and "" when the result would not
// fit into size - 1 characters; a cut path would start some other program.
bool ComposeViewerPath(const char* folder, char* out, std::size_t size);

// The ready page's folder line: word, ": ", folder; cut to size - 1.
void ComposeFolderLine(const char* word, const char* folder, char* out, std::size_t size);

// The folder the folder picker starts on: path without its trailing
// backslash when it is longer than 3 characters (a drive root such as "C:\"
// keeps it). Cut to size - 1.
void PickerStartFolder(const char* path, char* out, std::size_t size);

// Widths of the association list's two columns, in pixels: W / 3 and
// 2 * W / 3 - 25 for a list window W wide, the second narrowed (not below 0)
// so that both fit beside a vertical scroll bar scrollBarWidth wide in a
// client area clientWidth wide: never a horizontal bar, whatever the DPI.
void AssociationColumnWidths(int listWidth, int clientWidth, int scrollBarWidth, int* first, int* second);

// The DPI the dialog templates and the artwork are drawn for.
constexpr int kDefaultDpi = 96;

// A length in pixels at 96 DPI as it is at dpi, rounded to the nearest pixel
// (88 at 144 DPI: 132); 0 for a length or DPI below 1.
int ScaleForDpi(int length, int dpi);

// iniFolder for the application-data choice of the ready page; the run
// expands %APPDATA%.
constexpr const char kAppDataIniFolder[] = "%APPDATA%\\Pixorra";

}  // namespace wizard
