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

void AssociationColumnWidths(int listWidth, int* first, int* second) {
  if (first != nullptr) *first = listWidth / 3;
  if (second != nullptr) *second = 2 * listWidth / 3 - 25;
}

}  // namespace wizard
