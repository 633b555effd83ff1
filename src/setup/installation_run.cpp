#include "setup/installation_run.h"

#include <cstring>
#include <string>

#include "core/folder_text.h"
#include "core/product.h"
#include "install/payload_extraction.h"
#include "install/viewer_settings.h"
#include "platform/folders.h"
#include "platform/resource_text.h"
#include "resources/resource.h"
#include "shell/registration.h"

namespace {

constexpr char kPayloadType[] = "ZIP";
constexpr char kTempArchiveName[] = "pxmaing_x64.zip";

// The log names the folder after the message, except for a failed unpacking,
// whose entry has always started with the folder.
enum class LogOrder { kMessageFirst, kFolderFirst };

bool Fail(Reporter& reporter, unsigned messageId, LogOrder order, const char* folder) {
  const std::string message = LoadResourceString(messageId);
  reporter.Failure(message.c_str(), folder, order == LogOrder::kFolderFirst);
  return false;
}

// Every path the installation forms is the normalised folder plus the
// viewer's name or an archive entry's name, in a 260-character buffer. A
// folder too long for the longest of them is refused before anything exists.
bool LeavesRoomForPayload(const char* folder) {
  char trimmed[kPathSize];
  std::memcpy(trimmed, folder, kPathSize);
  TrimSpaces(trimmed);
  std::size_t length = std::strlen(trimmed);
  if (length > 0 && trimmed[length - 1] != '\\') ++length;
  std::size_t longestName = sizeof kViewerProgramFile - 1;
  const long longestEntry = LongestPayloadEntryName(IDR_PAYLOAD, kPayloadType);
  if (longestEntry > static_cast<long>(longestName)) longestName = static_cast<std::size_t>(longestEntry);
  return length + longestName <= kPathSize - 1;
}

}  // namespace

bool RunInstallation(const InstallOptions& options, Reporter& reporter) {
  char folder[kPathSize] = {};
  for (int i = 0; i < kPathSize - 1 && options.targetFolder[i] != '\0'; ++i) {
    folder[i] = options.targetFolder[i];
  }
  if (folder[0] == '\0' || !LeavesRoomForPayload(folder)) {
    return Fail(reporter, IDS_INVALID_FOLDER, LogOrder::kMessageFirst, folder);
  }
  if (!EnsureFolderExists(folder)) {
    return Fail(reporter, IDS_CANNOT_CREATE_FOLDER, LogOrder::kMessageFirst, folder);
  }
  char destination[kPathSize];
  std::memcpy(destination, folder, sizeof destination);
  if (!ExtractPayload(IDR_PAYLOAD, kPayloadType, kTempArchiveName, destination)) {
    return Fail(reporter, IDS_INSTALL_FAILED, LogOrder::kFolderFirst, folder);
  }

  // From here on the folder is the one that was created and filled: the text
  // as given may still hold blanks at the end of a folder name, which the
  // creation dropped, and would name a program that does not exist.
  WriteViewerSettings(folder, options.iniFolder);

  // Asked only now, so that answering No still leaves a complete installation.
  bool confirmed = true;
  if (options.associate) {
    const std::string question = LoadResourceString(IDS_ASSOCIATE_QUESTION);
    confirmed = reporter.Confirm(question.c_str());
  }
  RegisterWithShell(options, folder, confirmed);
  return true;
}
