// The uninstaller that the setup installs beside the viewer and links from
// the Start menu. This edition removes nothing: it checks that the viewer is
// not running, asks, and then tells the user plainly which folder to delete.
// It never claims to have removed what it did not.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kCaption[] = L"Pixorra deinstallieren";

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  if (n == 0 || n >= ARRAYSIZE(path)) return std::wstring();
  std::wstring folder(path, n);
  size_t cut = folder.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::wstring() : folder.substr(0, cut + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (FindWindowW(L"Pixorra", nullptr) != nullptr) {
    MessageBoxW(nullptr,
                L"Pixorra l\u00e4uft noch.\nBeenden Sie bitte Pixorra und starten Sie die "
                L"Deinstallation danach erneut.",
                kCaption, MB_OK | MB_ICONEXCLAMATION);
    return 2;
  }
  int answer = MessageBoxW(nullptr,
                           L"M\u00f6chten Sie Pixorra 4.42 (64-bit) von diesem Computer entfernen?",
                           kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  if (answer != IDYES) return 1;

  std::wstring text =
      L"Diese Ausgabe des Deinstallationsprogramms entfernt keine Dateien.\n\n"
      L"Bitte l\u00f6schen Sie den Programmordner von Hand:\n" +
      OwnFolder() +
      L"\n\nDie Verkn\u00fcpfungen im Startmen\u00fc und auf dem Desktop k\u00f6nnen Sie "
      L"ebenfalls l\u00f6schen.";
  MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
  return 3;
}
