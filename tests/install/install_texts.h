// What the install log must hold, and reading it back, for the tests that
// make the setup fail.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace installtest {

constexpr char kLogName[] = "Pixorra_Install.log";
constexpr char kSeparator[] = "------------------------------------------------\r\n";

// The messages as the log holds them: Windows-1252, line breaks as CR LF.
const std::string kInvalidFolder = "Ung\xfcltiges Zielverzeichnis!";
const std::string kCannotCreate =
    "Kann Zielverzeichnis nicht erstellen!\r\n\r\nBitte \xfc" "berpr\xfc" "fen Sie Ihre Schreibrechte und "
    "System-Policies!\r\n\r\nVersuchen Sie das Zielverzeichnis zuerst h\xe4ndisch zu erstellen.";
const std::string kInstallFailed =
    "Fehler beim Installieren!\r\n\r\n\xdc" "berpr\xfc" "fen Sie bitte ob Pixorra l\xe4uft, das Zielverzeichnis "
    "voll ist oder keine Schreibrechte vorhanden sind!";
const std::string kFolderIsLink = "Ein Ordner des Programms ist eine Verkn\xfcpfung auf einen anderen Ort!";
const std::string kNotSetAside = "Eine vorhandene Datei konnte nicht nach pv_kept verschoben werden!";
const std::string kViewerRunning =
    "Warnung: Pixorra l\xe4uft!\r\nBeenden Sie bitte Pixorra bevor Sie mit der Installation fortsetzen!";

// The system's text for an error code, as the setup writes it into a log
// as a failure's cause.
inline std::string ErrorText(DWORD error) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      text, sizeof text, nullptr);
  std::string result(text, length < sizeof text ? length : 0);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
    result.pop_back();
  }
  return result;
}

inline std::string ReadWholeFile(const std::string& path, bool* exists = nullptr) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (exists != nullptr) *exists = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

// The texts of the log's entries in folder; each entry must have the date,
// " - ", the time as HH:MM:SS and ": " in front and the separator line behind.
inline std::vector<std::string> LogTexts(const std::string& folder) {
  std::vector<std::string> texts;
  bool exists = false;
  const std::string log = ReadWholeFile(folder + kLogName, &exists);
  if (!exists) return texts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = log.find(kSeparator, start);
    if (end == std::string::npos) {
      EXPECT_EQ(start, log.size()) << "text after the last separator: " << log.substr(start);
      break;
    }
    const std::string entry = log.substr(start, end - start);
    start = end + sizeof kSeparator - 1;
    const std::size_t dash = entry.find(" - ");
    const bool framed = dash != std::string::npos && entry.size() >= dash + 15 && entry[dash + 5] == ':' &&
                        entry[dash + 8] == ':' && entry.compare(dash + 11, 2, ": ") == 0 &&
                        entry.compare(entry.size() - 2, 2, "\r\n") == 0;
    EXPECT_TRUE(framed) << "entry [" << entry << "]";
    if (framed) texts.push_back(entry.substr(dash + 13, entry.size() - dash - 15));
  }
  return texts;
}

}  // namespace installtest
