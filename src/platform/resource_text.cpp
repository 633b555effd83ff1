// Reading our own resources. The string table holds UTF-16; callers work in
// the single-byte world of the thread's ANSI code page, so every string is
// converted on the way out.
#include "platform/resource_text.h"

#include <windows.h>

#include <cstring>

#include "resources/resource.h"

namespace {

// The code page that CP_THREAD_ACP stands for, named explicitly so that the
// conversion and the cut to a buffer agree on what a lead byte is. Locales
// without an ANSI code page fall back to the system's, as CP_THREAD_ACP does.
UINT ThreadAnsiCodePage() {
  DWORD codePage = 0;
  if (!GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                      reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) ||
      codePage == 0) {
    return CP_ACP;
  }
  return codePage;
}

std::string ToAnsi(UINT codePage, const wchar_t* text, int length) {
  int size = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text, length, &converted[0], size, nullptr, nullptr);
  return converted;
}

std::string LoadConverted(unsigned id, UINT codePage) {
  // With a zero buffer size LoadStringW hands out a pointer into the mapped
  // resource itself: no length limit of our own, no copy.
  const wchar_t* text = nullptr;
  int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return {};
  return ToAnsi(codePage, text, length);
}

// How many bytes of text fit into limit without cutting a double-byte
// character in two.
size_t FittingLength(UINT codePage, const std::string& text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t step = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[pos])) ? 2 : 1;
    if (pos + step > limit) break;
    pos += step;
  }
  return pos;
}

}  // namespace

std::string LoadResourceString(unsigned id) {
  return LoadConverted(id, ThreadAnsiCodePage());
}

int LoadResourceString(unsigned id, char* buffer, int bufferSize) {
  if (!buffer || bufferSize <= 0) return 0;
  const UINT codePage = ThreadAnsiCodePage();
  const std::string text = LoadConverted(id, codePage);
  const size_t length = FittingLength(codePage, text, static_cast<size_t>(bufferSize) - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

bool LoadReleaseNotes(std::string& text) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_RELEASE_NOTES), "TXT");
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  // The notes carry no terminator: their size is all we know of their end.
  text.assign(static_cast<const char*>(bytes), SizeofResource(module, found));
  return true;
}
