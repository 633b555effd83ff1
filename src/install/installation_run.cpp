#include "install/installation_run.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "app/product.h"
#include "install/folder_text.h"
#include "install/install_folder.h"
#include "install/install_log.h"
#include "install/payload_extraction.h"
#include "install/resource_text.h"
#include "install/viewer_settings.h"
#include "resources/resource.h"
#include "shell/registration.h"

namespace {

constexpr char kPayloadType[] = "ZIP";
constexpr char kTempArchiveName[] = "pxmaing_x64.zip";
enum class LogOrder { kMessageFirst, kFolderFirst };

int Fail(const InstallOptions& options, unsigned messageId, LogOrder order, const char* folder,
         const std::string& caption) {
  const std::string message = LoadResourceString(messageId);
  if (!options.silent) {
    MessageBoxA(GetActiveWindow(), message.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    return 0;
  }
  const std::string entry = order == LogOrder::kMessageFirst ? message + ": " + folder
                                                             : std::string(folder) + ": " + message;
  WriteInstallLog(entry.c_str());
  return 0;
}

// Every path the installation forms is the normalised folder plus the
// viewer's name or an archive entry's name, in a 260-character buffer. A
// folder too long for the longest of them is refused before anything exists.
bool LeavesRoomForPayload(const char* folder) {
  char trimmed[kFolderBufferSize];
  std::memcpy(trimmed, folder, kFolderBufferSize);
  TrimSpaces(trimmed);
  std::size_t length = std::strlen(trimmed);
  if (length > 0 && trimmed[length - 1] != '\\') ++length;
  std::size_t longestName = sizeof kViewerProgramFile - 1;
  const long longestEntry = LongestPayloadEntryName(IDR_PAYLOAD, kPayloadType);
  if (longestEntry > static_cast<long>(longestName)) longestName = static_cast<std::size_t>(longestEntry);
  return length + longestName <= kFolderBufferSize - 1;
}

}  // namespace

int RunInstallation(const InstallOptions& options) {
  const std::string caption = LoadResourceString(IDS_CAPTION);

  char folder[kFolderBufferSize] = {};
  for (int i = 0; i < kFolderBufferSize - 1 && options.targetFolder[i] != '\0'; ++i) {
    folder[i] = options.targetFolder[i];
  }
  if (folder[0] == '\0' || !LeavesRoomForPayload(folder)) {
    return Fail(options, IDS_INVALID_FOLDER, LogOrder::kMessageFirst, folder, caption);
  }
  if (!EnsureFolderExists(folder)) {
    return Fail(options, IDS_CANNOT_CREATE_FOLDER, LogOrder::kMessageFirst, folder, caption);
  }
  char destination[kFolderBufferSize];
  std::memcpy(destination, folder, sizeof destination);
  if (ExtractPayload(IDR_PAYLOAD, kPayloadType, kTempArchiveName, destination) != 0) {
    return Fail(options, IDS_INSTALL_FAILED, LogOrder::kFolderFirst, folder, caption);
  }

  // From here on the folder is the one that was created and filled: the text
  // as given may still hold blanks at the end of a folder name, which the
  // creation dropped, and would name a program that does not exist.
  WriteViewerSettings(folder, options.iniFolder);

  // Asked only now, so that answering No still leaves a complete installation.
  int confirm = 1;
  if (options.associate != 0 && options.silent == 0) {
    const std::string question = LoadResourceString(IDS_ASSOCIATE_QUESTION);
    const int answer = MessageBoxA(GetActiveWindow(), question.c_str(), caption.c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    confirm = answer == IDNO ? 0 : 1;
  }
  RegisterWithShell(confirm, options.associate, folder, options.startMenuGroup,
                    options.desktopLink, options.thumbsLink, options.allUsers, options.formatSelection);
  return 1;
}
