// The fixed list of file formats the setup can associate with the viewer.
// Row numbers are shared by the association page's list, the install options'
// formatSelection and the association step, so rows must never be reordered.
// Pure data: no Windows header, also built natively.
#pragma once

constexpr int kFormatRowCount = 68;
constexpr int kImageRowCount = 52;  // rows 0..51: what "images only" chooses

// Which icon the row's ProgIDs show.
enum class FormatIcon {
  Own,       // "%1": every file shows its own icon (cursors, icons)
  Program0,  // the viewer's image icon
  Program9,  // the viewer's video icon
  Program8,  // the viewer's audio icon
};

// One extension the association step registers, and the suffix of the ProgID
// it points to (both lower case, no dot). Aliases such as "jpeg" share the
// suffix of their row's main extension.
struct RegisteredExtension {
  const char* extension;
  const char* suffix;
};

struct FormatRow {
  const char* shownExtensions;  // "BMP/DIB": display only, not parsed
  const char* description;      // a trailing " *" marks a plug-in format
  const RegisteredExtension* extensions;
  int extensionCount;
  FormatIcon icon;
};

// Always kFormatRowCount.
int FormatRowCount();

// Row 0..kFormatRowCount-1, or nullptr for any other index.
const FormatRow* GetFormatRow(int index);

// The icon index inside the viewer's executable, or -1 for FormatIcon::Own.
int ProgramIconIndex(FormatIcon icon);
