// Reading the built setup executable as data: its file bytes, its resources
// and its dialog templates, without running it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace pxtest {

// PX_BUILD_DIR/bin/PixorraSetup64.exe as Wine sees it (Z: drive).
std::string SetupExecutable();

// The whole file, or "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The setup loaded as a data file for resource access; released on destruction.
class SetupResources {
 public:
  SetupResources();
  ~SetupResources();
  SetupResources(const SetupResources&) = delete;
  SetupResources& operator=(const SetupResources&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // The resource's bytes; empty (and found false) when it is missing.
  std::string Bytes(LPCSTR type, LPCSTR name, bool* found = nullptr) const;
  bool Has(LPCSTR type, LPCSTR name) const;

 private:
  HMODULE module_;
};

// A dialog template (classic or extended form) taken apart.
struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;                 // -1 for the static id 0xFFFF
  std::string className;      // "Button", "Edit", "Static", ... or the class name
  std::string text;           // UTF-8; empty when the text is an ordinal
  int textOrdinal = -1;       // resource id given as the text (pictures)
};

struct DialogTemplate {
  bool valid = false;
  bool extended = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;        // UTF-8
  int pointSize = 0;
  std::string fontName;
  std::vector<DialogItem> items;
};

// Parses template bytes; every read is checked against size, so a truncated
// template gives valid == false rather than garbage.
DialogTemplate ParseDialogTemplate(const void* data, size_t size);

}  // namespace pxtest
