#include "core/wizard_rules.h"

#include <cstring>

#include "core/product.h"

namespace wizard {

const WizardPageInfo kWizardPages[kWizardPageCount] = {
    {101, PageRole::Welcome},
    {108, PageRole::WhatsNew},
    {104, PageRole::Associations},
    {109, PageRole::Ready},
    {110, PageRole::Finish},
};

PageRole RoleOfIndex(int index) {
  if (index < 0 || index >= kWizardPageCount) return PageRole::None;
  return kWizardPages[index].role;
}

ButtonStates ButtonStatesOnActivation(PageRole role) {
  switch (role) {
    case PageRole::Welcome:
      return {ButtonChange::Disable, ButtonChange::Keep};
    case PageRole::Finish:
      // The finish page is left only through "Fertig stellen".
      return {ButtonChange::Disable, ButtonChange::Disable};
    default:
      return {ButtonChange::Keep, ButtonChange::Keep};
  }
}

bool HasDrivePart(const char* folder) {
  return folder != nullptr && folder[0] != '\0' && folder[1] == ':';
}

bool ComposeViewerPath(const char* folder, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = '\0';
  if (folder == nullptr) return false;
  const std::size_t folderLength = std::strlen(folder);
  const bool needsBackslash = folderLength == 0 || folder[folderLength - 1] != '\\';
  const std::size_t total = folderLength + (needsBackslash ? 1 : 0) + sizeof kViewerProgramFile - 1;
  if (total + 1 > size) return false;
  std::memcpy(out, folder, folderLength);
  std::size_t at = folderLength;
  if (needsBackslash) out[at++] = '\\';
  std::memcpy(out + at, kViewerProgramFile, sizeof kViewerProgramFile);
  return true;
}

namespace {

// Appends text to out (holding length characters) without passing size - 1.
std::size_t AppendCut(char* out, std::size_t length, std::size_t size, const char* text) {
  if (text == nullptr) return length;
  while (*text != '\0' && length + 1 < size) out[length++] = *text++;
  out[length] = '\0';
  return length;
}

}  // namespace

void ComposeFolderLine(const char* word, const char* folder, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return;
  out[0] = '\0';
  std::size_t length = AppendCut(out, 0, size, word);
  length = AppendCut(out, length, size, ": ");
  AppendCut(out, length, size, folder);
}

void PickerStartFolder(const char* path, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return;
  out[0] = '\0';
  const std::size_t length = AppendCut(out, 0, size, path);
  if (length > 3 && out[length - 1] == '\\') out[length - 1] = '\0';
}

int ScaleForDpi(int length, int dpi) {
  if (length < 1 || dpi < 1) return 0;
  const long long scaled = (static_cast<long long>(length) * dpi + kDefaultDpi / 2) / kDefaultDpi;
  return scaled > 0x7fffffff ? 0x7fffffff : static_cast<int>(scaled);
}

void AssociationColumnWidths(int listWidth, int clientWidth, int scrollBarWidth, int* first, int* second) {
  const int left = listWidth / 3;
  // The 25 pixels have always been left for the list's frame and its
  // vertical bar; from 144 DPI on the bar alone is wider than that, and the
  // columns would overrun the client area into a horizontal bar.
  int right = 2 * listWidth / 3 - 25;
  const int room = clientWidth - scrollBarWidth - left;
  if (right > room) right = room;
  if (right < 0) right = 0;
  if (first != nullptr) *first = left;
  if (second != nullptr) *second = right;
}

}  // namespace wizard
