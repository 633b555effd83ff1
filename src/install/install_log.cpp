// Appending to the install log. Silent runs have no window, so this file is
// the only place a failure can be reported.
#include "install/install_log.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "core/log_entry.h"
#include "install/viewer_settings.h"
#include "platform/file_identity.h"

namespace {

const char kLogFileName[] = "Pixorra_Install.log";

// The file named for this run with "/log=", as a full path; "" for the
// default name in the current folder, the one the run was started in.
std::string chosenLog;
bool chosenByUser = false;

// A file of its own at path: no second name (hard link), no reparse point,
// and the handle leads where the name says (under Wine a host symbolic link
// shows no reparse attribute, only its final path tells).
bool IsPlainFile(HANDLE file, const char* path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  const DWORD unwanted = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if ((info.dwFileAttributes & unwanted) != 0 || info.nNumberOfLinks != 1) return false;
  wchar_t full[MAX_PATH + 1] = {};
  wchar_t final[MAX_PATH + 1] = {};
  std::wstring wide;
  if (!AnsiToWide(path, &wide)) return false;
  const DWORD fullLength = GetFullPathNameW(wide.c_str(), MAX_PATH + 1, full, nullptr);
  const DWORD finalLength = GetFinalPathNameByHandleW(file, final, MAX_PATH + 1, 0);
  if (fullLength == 0 || fullLength > MAX_PATH || finalLength == 0 || finalLength > MAX_PATH) return false;
  wchar_t longFull[MAX_PATH + 1] = {};
  const DWORD longLength = GetLongPathNameW(full, longFull, MAX_PATH + 1);
  const wchar_t* expected = longLength > 0 && longLength <= MAX_PATH ? longFull : full;
  const wchar_t* got = std::wcsncmp(final, L"\\\\?\\", 4) == 0 ? final + 4 : final;
  return CompareStringOrdinal(got, -1, expected, -1, TRUE) == CSTR_EQUAL;
}

HANDLE OpenForAppending(const char* path, DWORD disposition) {
  // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened as itself, never followed.
  return CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The setup runs elevated from folders that others can write to (Downloads):
// a log name that is a second name of some other file (a hard link) or a
// reparse point would make it append to that file, win.ini for instance. Such
// a name is replaced by a new file of our own; what it pointed to is never
// opened for writing.
HANDLE OpenLogSafely(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return INVALID_HANDLE_VALUE;
  }
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    HANDLE file = OpenForAppending(path, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return file;
    if (IsPlainFile(file, path)) return file;
    CloseHandle(file);
  }
  // A new file moved over the name replaces the link itself; what it
  // pointed to is left alone (deleting the name would not do under Wine,
  // where that removes a host link's target).
  const std::string fresh = std::string(path) + ".new";
  HANDLE created = OpenForAppending(fresh.c_str(), CREATE_NEW);
  if (created == INVALID_HANDLE_VALUE) return created;
  CloseHandle(created);
  if (!MoveFileExA(fresh.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return INVALID_HANDLE_VALUE;
  HANDLE file = OpenForAppending(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return file;
  if (IsPlainFile(file, path)) return file;
  CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

// The folders above the log, drive root excluded, each as its own path
// without a trailing backslash ("C:\a", "C:\a\b"); false when path starts
// with neither a drive ("C:\") nor a share ("\\server\share\").
bool FoldersAbove(const std::string& path, std::vector<std::string>* folders) {
  std::size_t rootEnd = 0;
  if (path.size() > 3 && path[1] == ':' && path[2] == '\\') {
    rootEnd = 3;
  } else if (path.compare(0, 2, "\\\\") == 0) {
    // \\server\share\ is the root of a network path.
    const std::size_t server = path.find('\\', 2);
    const std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    if (share == std::string::npos) return false;
    rootEnd = share + 1;
  } else {
    return false;
  }
  for (std::size_t cut = path.find('\\', rootEnd); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
    if (cut > rootEnd) folders->push_back(path.substr(0, cut));
  }
  return true;
}

// A folder that is exactly where its name says: no link, no junction, and
// under Wine no host symbolic link (only the handle's final path tells).
bool IsPlainFolderAt(const std::string& folder) {
  const FileIdentity identity = IdentifyFile(folder);
  if (!identity.exists || !identity.directory) return false;
  std::wstring wide;
  if (!AnsiToWide(folder, &wide)) return false;
  wchar_t longName[MAX_PATH + 1] = {};
  const DWORD length = GetLongPathNameW(wide.c_str(), longName, MAX_PATH + 1);
  const std::wstring expected = length > 0 && length <= MAX_PATH ? std::wstring(longName, length) : wide;
  return IsExactlyAt(identity, expected);
}

// Creates the missing folders of the log's chain, one by one, and walks
// only through folders that are what their names say: an elevated run must
// not create anything behind somebody's link. Each folder this call made is
// added to *made, outermost first, also when it fails later on.
bool CreateLogFolders(const std::string& path, std::vector<std::string>* made) {
  std::vector<std::string> folders;
  if (!FoldersAbove(path, &folders)) return false;
  for (const std::string& folder : folders) {
    const FileIdentity identity = IdentifyFile(folder);
    if (identity.error != 0) return false;
    if (!identity.exists) {
      if (CreateDirectoryA(folder.c_str(), nullptr)) {
        made->push_back(folder);
      } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
      }
    }
    if (!IsPlainFolderAt(folder)) return false;
  }
  return true;
}

// A run that ends because its log cannot be written has done nothing, so
// the folders it made for the log go again, innermost first. RemoveDirectory
// takes only an empty folder (a link put there instead goes itself, never
// what it leads to); the first that stays keeps those above it.
void RemoveLogFolders(const std::vector<std::string>& made) {
  for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
    if (!RemoveDirectoryA(folder->c_str())) return;
  }
}

// The log has always been a text-mode file: every line feed becomes CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

void ChooseInstallLog(const char* file) {
  chosenByUser = file != nullptr && file[0] != '\0';
  chosenLog.clear();
  if (!chosenByUser) return;
  // A named log is taken as a full path: its missing folders are made along
  // it, and a log that cannot be written is named in full.
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(file, MAX_PATH, full, nullptr);
  chosenLog = length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(file);
}

bool InstallLogChosenByUser() { return chosenByUser; }

bool PrepareInstallLog() {
  if (!chosenByUser) return true;
  std::vector<std::string> made;
  HANDLE log = CreateLogFolders(chosenLog, &made) ? OpenLogSafely(chosenLog.c_str()) : INVALID_HANDLE_VALUE;
  if (log == INVALID_HANDLE_VALUE) {
    RemoveLogFolders(made);
    return false;
  }
  CloseHandle(log);
  return true;
}

LogOption ChooseLogOption(const char* commandLine) {
  char file[kPathSize];
  char expanded[kPathSize];
  LogOption option = ReadLogOption(commandLine, file);
  // A name that grows too long with its variables would be some other file.
  if (option == LogOption::kNamed && !ExpandPercentVariables(file, expanded)) option = LogOption::kUnusable;
  if (option == LogOption::kNamed && expanded[0] == '\0') option = LogOption::kAbsent;
  if (option == LogOption::kNamed) ChooseInstallLog(expanded);
  return option;
}

const std::string& ChosenInstallLog() { return chosenLog; }

void WriteInstallLog(const char* text) {
  HANDLE log = OpenLogSafely(chosenLog.empty() ? kLogFileName : chosenLog.c_str());
  if (log == INVALID_HANDLE_VALUE) return;  // read-only start folder and the like: nothing to report to

  // One clock reading for date and time, so an entry written at midnight
  // cannot pair yesterday's date with today's time.
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[256];
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date)) {
    date[0] = '\0';
  }
  const std::string entry = WithCrLf(FormatInstallLogEntry(date, now.wHour, now.wMinute, now.wSecond, text));
  DWORD written = 0;
  WriteFile(log, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
  CloseHandle(log);
}

std::string SystemErrorText(unsigned long error) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      text, sizeof text, nullptr);
  std::string result(text, length < sizeof text ? length : 0);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
    result.pop_back();
  }
  if (result.empty()) result = "Fehler " + std::to_string(error);
  return result;
}
