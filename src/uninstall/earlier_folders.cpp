#include "uninstall/earlier_folders.h"

#include <string>

#include "core/uninstall_rules.h"
#include "install/install_record_file.h"
#include "platform/system_folders.h"
#include "platform/viewer_process.h"
#include "uninstall/uninstall_run.h"

using namespace uninstallrules;

void RemoveEarlierFolders(const installrecord::InstallRecord& record, RemovalReport* report) {
  for (const std::string& listed : record.earlierFolders) {
    const std::string folder = WithBackslash(listed);
    if (!IsEarlierFolderName(folder, record.folder)) continue;
    if (IsProtectedFolder(folder, SystemFolders(), WindowsFolder()) || LeadsThroughReparsePoint(folder, "")) continue;
    ProgramFolder program;
    if (!ResolveProgramFolder(folder, &program)) continue;
    // Removed already (by its own uninstaller), or a record nobody can
    // trust for this folder: nothing there is known to be ours.
    std::string text;
    installrecord::InstallRecord earlier;
    if (ReadRecordFile(folder, &text) != RecordFileState::kRead || !installrecord::Parse(text, &earlier, nullptr) ||
        AdoptRecord(&earlier, folder, PayloadNames(), nullptr) != RecordVerdict::kUsable) {
      continue;
    }
    if (IsViewerProcessRunning(folder.c_str())) continue;
    RemoveEarlierInstallation(earlier, program, report);
  }
}
