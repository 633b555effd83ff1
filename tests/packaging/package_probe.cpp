// The Windows side of tests/packaging/packages_test.py: runs a command line
// as a deployment tool would and reports the full exit code (a host shell
// sees only its low 8 bits), reads back uninstall entries.
// Results go to stdout, one "name=value" line each; the caller redirects
// stdout into a file.
//
//   package_probe run                 runs PX_RUN_COMMAND in PX_RUN_FOLDER
//                                     (optional); with PX_RUN_VIEWER set,
//                                     that program is started first with
//                                     "/hidden /quitafter=60" and the run
//                                     waits until its window is there; with
//                                     PX_RUN_CANCEL_WIZARD=1 the wizard that
//                                     the command opens is cancelled
//   package_probe reg KEY VALUE       HKLM\KEY's REG_SZ VALUE (HKCU's for "HKCU\KEY")
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name) {
  char buffer[4096] = {};
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

bool Start(const std::string& commandLine, const std::string& folder, PROCESS_INFORMATION* process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, process) != FALSE;
}

// A visible top-level dialog window of this process with a control of that id.
HWND FindDialogOf(DWORD processId, int controlId) {
  struct Search {
    DWORD processId;
    int controlId;
    HWND found;
  } search{processId, controlId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char cls[32] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (owner == s->processId && IsWindowVisible(window) && std::string(cls) == "#32770" &&
            GetDlgItem(window, s->controlId) != nullptr) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Cancel on the sheet, then "Yes" in the box that asks whether to leave.
void CancelWizard(const PROCESS_INFORMATION& setup) {
  HWND sheet = nullptr;
  if (!WaitFor([&] { return (sheet = FindDialogOf(setup.dwProcessId, IDCANCEL)) != nullptr; }, 30000)) {
    std::printf("wizard=not shown\n");
    return;
  }
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  PostMessageA(sheet, WM_NULL, 0, 0);  // a press from another process may wait for the next message
  HWND box = nullptr;
  const bool asked = WaitFor(
      [&] {
        box = FindDialogOf(setup.dwProcessId, IDYES);
        return box != nullptr || WaitForSingleObject(setup.hProcess, 0) == WAIT_OBJECT_0;
      },
      15000);
  if (asked && box != nullptr) {
    PostMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
  }
  std::printf("wizard=cancelled\n");
}

int Run() {
  const std::string command = Env("PX_RUN_COMMAND");
  if (command.empty()) return 2;
  const std::string viewerPath = Env("PX_RUN_VIEWER");
  PROCESS_INFORMATION viewer = {};
  if (!viewerPath.empty()) {
    const bool started = Start("\"" + viewerPath + "\" /hidden /quitafter=60", "", &viewer);
    const bool shown = started && WaitFor([] { return FindWindowA("Pixorra", nullptr) != nullptr; }, 15000);
    std::printf("viewer=%s\n", shown ? "running" : "not running");
  }
  // As a deployment tool starts a command in its content folder: a program
  // named without a path is found there.
  const std::string folder = Env("PX_RUN_FOLDER");
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
  PROCESS_INFORMATION setup = {};
  if (!Start(command, folder, &setup)) {
    std::printf("exit=not started (error %lu)\n", GetLastError());
  } else {
    if (Env("PX_RUN_CANCEL_WIZARD") == "1") CancelWizard(setup);
    if (WaitForSingleObject(setup.hProcess, 180000) != WAIT_OBJECT_0) {
      TerminateProcess(setup.hProcess, 1);
      std::printf("exit=timed out\n");
    } else {
      DWORD code = 0;
      GetExitCodeProcess(setup.hProcess, &code);
      std::printf("exit=%lu\n", code);
    }
    CloseHandle(setup.hThread);
    CloseHandle(setup.hProcess);
  }
  if (viewer.hProcess != nullptr) {
    TerminateProcess(viewer.hProcess, 0);
    WaitForSingleObject(viewer.hProcess, 10000);
    CloseHandle(viewer.hThread);
    CloseHandle(viewer.hProcess);
  }
  return 0;
}

int ReadValue(const char* key, const char* name) {
  char data[2048] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  // The current user's installation keeps its entry below HKEY_CURRENT_USER.
  const bool user = std::strncmp(key, "HKCU\\", 5) == 0;
  const LONG result = RegGetValueA(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, user ? key + 5 : key, name,
                                   RRF_RT_REG_SZ, &type, data, &size);
  if (result == ERROR_SUCCESS) {
    std::printf("value=%s\n", data);
  } else {
    std::printf("absent=%ld\n", result);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  int result = 2;
  if (mode == "run" && argc == 2) result = Run();
  if (mode == "reg" && argc == 4) result = ReadValue(argv[2], argv[3]);
  std::fflush(stdout);
  return result;
}
