// The viewer that the setup installs: a small but real Win32 program. It
// shows the file named on its command line (name and size; bitmaps also as a
// picture) or, with "/thumbs", the files of that folder as a grid. The setup
// and its tests know it only by its top-level window class "Pixorra".
//
// Options beyond the documented ones exist for the test bench:
//   /hidden        start with the window hidden
//   /quitafter=N   close after N seconds, so a forgotten viewer never lingers
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kWindowClass[] = L"Pixorra";
constexpr UINT_PTR kQuitTimer = 1;
constexpr int kCell = 120;  // thumbnail cell, pixels

struct ViewerState {
  std::wstring file;          // full path, empty when none was given
  bool thumbs = false;
  bool fileFound = false;
  ULONGLONG fileSize = 0;
  HBITMAP picture = nullptr;  // the file as a bitmap, when it is one
  BITMAP pictureInfo = {};
  std::vector<std::wstring> folderFiles;  // thumbnails view
};

ViewerState g_state;

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix) {
  return _wcsnicmp(text, prefix, wcslen(prefix)) == 0;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring NameOf(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(path.c_str(), ARRAYSIZE(buffer), buffer, nullptr);
  return (n == 0 || n >= ARRAYSIZE(buffer)) ? path : std::wstring(buffer, n);
}

void LoadFile(ViewerState& state) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (state.file.empty() || !GetFileAttributesExW(state.file.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return;
  }
  state.fileFound = true;
  state.fileSize = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  state.picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, state.file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (state.picture != nullptr) GetObjectW(state.picture, sizeof(state.pictureInfo), &state.pictureInfo);
}

void ListFolder(ViewerState& state) {
  std::wstring folder = state.file.empty() ? FullPath(L".") + L"\\" : FolderOf(state.file);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) state.folderFiles.push_back(found.cFileName);
  } while (FindNextFileW(search, &found) && state.folderFiles.size() < 500);
  FindClose(search);
  std::sort(state.folderFiles.begin(), state.folderFiles.end(),
            [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
}

std::wstring SizeText(ULONGLONG bytes) {
  wchar_t text[64];
  if (bytes < 10 * 1024) {
    swprintf(text, ARRAYSIZE(text), L"%llu Bytes", bytes);
  } else {
    swprintf(text, ARRAYSIZE(text), L"%llu KB (%llu Bytes)", (bytes + 1023) / 1024, bytes);
  }
  return text;
}

void DrawLine(HDC dc, int x, int& y, const std::wstring& text) {
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  y += metrics.tmHeight + 4;
}

void PaintFileView(HDC dc, const ViewerState& state) {
  int y = 12;
  if (state.file.empty()) {
    DrawLine(dc, 12, y, L"Keine Datei ge\u00f6ffnet.");
    return;
  }
  DrawLine(dc, 12, y, L"Datei: " + NameOf(state.file));
  if (!state.fileFound) {
    DrawLine(dc, 12, y, L"Die Datei wurde nicht gefunden.");
    return;
  }
  DrawLine(dc, 12, y, L"Gr\u00f6\u00dfe: " + SizeText(state.fileSize));
  if (state.picture != nullptr) {
    wchar_t dims[64];
    swprintf(dims, ARRAYSIZE(dims), L"Bild: %ld \u00d7 %ld Pixel", state.pictureInfo.bmWidth,
             state.pictureInfo.bmHeight);
    DrawLine(dc, 12, y, dims);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, state.picture);
    BitBlt(dc, 12, y, state.pictureInfo.bmWidth, state.pictureInfo.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
}

void PaintThumbsView(HWND window, HDC dc, const ViewerState& state) {
  int y = 12;
  wchar_t title[96];
  swprintf(title, ARRAYSIZE(title), L"Miniaturansicht: %zu Dateien", state.folderFiles.size());
  DrawLine(dc, 12, y, title);
  RECT client;
  GetClientRect(window, &client);
  int columns = std::max(1, static_cast<int>((client.right - 12) / kCell));
  for (size_t i = 0; i < state.folderFiles.size(); ++i) {
    int x = 12 + static_cast<int>(i % columns) * kCell;
    int top = y + static_cast<int>(i / columns) * kCell;
    if (top > client.bottom) break;
    Rectangle(dc, x, top, x + kCell - 8, top + kCell - 8);
    RECT label = {x + 4, top + kCell - 30, x + kCell - 12, top + kCell - 10};
    DrawTextW(dc, state.folderFiles[i].c_str(), -1, &label, DT_CENTER | DT_END_ELLIPSIS | DT_SINGLELINE);
  }
}

std::wstring Caption(const ViewerState& state) {
  std::wstring caption = state.file.empty() ? L"Pixorra" : NameOf(state.file) + L" - Pixorra";
  if (state.thumbs) caption = L"Pixorra - Thumbnails";
  return caption;
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      if (g_state.thumbs) {
        PaintThumbsView(window, dc, g_state);
      } else {
        PaintFileView(dc, g_state);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_SIZE:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) PostMessageW(window, WM_CLOSE, 0, 0);
      if (wParam == 'T') {
        g_state.thumbs = !g_state.thumbs;
        if (g_state.thumbs && g_state.folderFiles.empty()) ListFolder(g_state);
        SetWindowTextW(window, Caption(g_state).c_str());
        InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kQuitTimer) PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  bool hidden = false;
  UINT quitAfterSeconds = 0;
  for (int i = 1; argv != nullptr && i < argc; ++i) {
    const wchar_t* arg = argv[i];
    if (_wcsicmp(arg, L"/thumbs") == 0) {
      g_state.thumbs = true;
    } else if (_wcsicmp(arg, L"/hidden") == 0) {
      hidden = true;
    } else if (StartsWithNoCase(arg, L"/quitafter=")) {
      // A day at most: SetTimer counts milliseconds in 32 bits.
      quitAfterSeconds = static_cast<UINT>(std::min(wcstoul(arg + 11, nullptr, 10), 86400UL));
    } else if (g_state.file.empty() && arg[0] != L'/') {
      g_state.file = FullPath(arg);
    }
  }
  if (argv != nullptr) LocalFree(argv);

  LoadFile(g_state);
  if (g_state.thumbs) ListFolder(g_state);

  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = ViewerProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass)) return 1;

  HWND window = CreateWindowExW(0, kWindowClass, Caption(g_state).c_str(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  if (quitAfterSeconds > 0) SetTimer(window, kQuitTimer, quitAfterSeconds * 1000, nullptr);
  ShowWindow(window, hidden ? SW_HIDE : showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (g_state.picture != nullptr) DeleteObject(g_state.picture);
  return static_cast<int>(message.wParam);
}
