#include "install/target_preparation.h"

#include <windows.h>

#include <algorithm>

#include "core/install_record.h"
#include "core/product.h"
#include "platform/file_identity.h"

namespace {

bool Wide(const std::string& text, std::wstring* wide) { return AnsiToWide(text, wide); }

PreparationOutcome Fail(PreparationProblem problem, const std::string& path, unsigned long error) {
  PreparationOutcome outcome;
  outcome.result = StepResult::Failed(path, error);
  outcome.problem = problem;
  return outcome;
}

// The uninstaller is ours by its name: an uninstallation leaves it behind
// for a moment (its copy in TEMP deletes it once it has ended), and an
// installation made meanwhile must replace it, not keep it as the user's.
bool IsEarlierFile(const std::string& name, const std::vector<std::string>& earlierFiles) {
  if (installrecord::SameName(name, kUninstallerFileName)) return true;
  return std::any_of(earlierFiles.begin(), earlierFiles.end(),
                     [&name](const std::string& earlier) { return installrecord::SameName(earlier, name); });
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files set aside so far and the folders made for them, so that a run
// that cannot set aside all of them leaves the folder as it found it.
struct SetAside {
  std::vector<std::pair<std::wstring, std::wstring>> moved;  // from, to
  std::vector<std::wstring> madeFolders;                     // outermost first

  void Undo() {
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) MoveFileExW(it->second.c_str(), it->first.c_str(), 0);
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) RemoveDirectoryW(it->c_str());
    moved.clear();
    madeFolders.clear();
  }
};

// Makes the folder chain of kept\relative's folders, each checked to be
// where its name says; one that exists already and leads elsewhere is a
// link planted to take the user's files (or a program's) somewhere else.
PreparationOutcome MakeKeptFolders(const std::string& folder, const std::wstring& root, const std::string& keptName,
                                   SetAside* done) {
  for (std::size_t cut = keptName.find('\\'); cut != std::string::npos; cut = keptName.find('\\', cut + 1)) {
    const std::string relative = keptName.substr(0, cut);
    std::wstring path, wideRelative;
    if (!Wide(folder + relative, &path) || !Wide(relative, &wideRelative)) {
      return Fail(PreparationProblem::kNotSetAside, folder + relative, ERROR_INVALID_NAME);
    }
    if (CreateDirectoryW(path.c_str(), nullptr)) {
      done->madeFolders.push_back(path);
      continue;
    }
    const DWORD error = GetLastError();
    const FileIdentity identity = IdentifyFileW(path);
    if (!identity.exists) return Fail(PreparationProblem::kNotSetAside, folder + relative, error);
    if (!identity.directory || !IsExactlyAt(identity, root + L"\\" + wideRelative)) {
      return Fail(PreparationProblem::kLinkedFolder, folder + relative + "\\", 0);
    }
  }
  return PreparationOutcome();
}

}  // namespace

PreparationOutcome PrepareProgramFolder(const std::string& folder, bool created,
                                        const std::vector<std::string>& payloadFolders,
                                        const std::vector<std::string>& payloadFiles,
                                        const std::vector<std::string>& earlierFiles,
                                        std::vector<std::string>* setAside) {
  setAside->clear();
  const std::wstring root = ResolvedFolderPath(folder);
  const std::wstring expectedRoot = FullLongFolderPath(folder);
  if (root.empty() || expectedRoot.empty() || !IsExactlyAt(IdentifyFile(folder), expectedRoot)) {
    return Fail(PreparationProblem::kLinkedFolder, folder, 0);
  }
  // A folder this run made holds nothing yet: a fresh installation looks
  // at no name in it.
  if (created) return PreparationOutcome();

  for (const std::string& relative : payloadFolders) {
    std::wstring path, wideRelative;
    if (!Wide(folder + relative, &path) || !Wide(relative, &wideRelative)) continue;  // never unpacked either
    const FileIdentity identity = IdentifyFileW(path);
    if (!identity.exists) continue;
    if (!IsExactlyAt(identity, root + L"\\" + wideRelative)) {
      return Fail(PreparationProblem::kLinkedFolder, folder + relative, 0);
    }
  }

  SetAside done;
  for (const std::string& relative : payloadFiles) {
    if (IsEarlierFile(relative, earlierFiles)) continue;
    std::wstring from, wideRelative;
    if (!Wide(folder + relative, &from) || !Wide(relative, &wideRelative)) continue;
    const FileIdentity identity = IdentifyFileW(from);
    if (!identity.exists) continue;
    if (identity.error != 0) {
      done.Undo();
      return Fail(PreparationProblem::kNotSetAside, folder + relative, identity.error);
    }
    // Only a name that is itself is moved: a symbolic link that leads
    // elsewhere is no file of this folder, and Wine would move the file it
    // leads to, not the link. The unpacking replaces such a name (the name,
    // never the file it leads to). A second hard link is a name here like
    // any other and moves as a name.
    FileIdentity asName = identity;
    asName.links = 1;
    if (!IsExactlyAt(asName, root + L"\\" + wideRelative)) continue;
    const std::string keptName = std::string(installrecord::kKeptFolder) + relative;
    std::wstring to;
    if (!Wide(folder + keptName, &to)) {
      done.Undo();
      return Fail(PreparationProblem::kNotSetAside, folder + relative, ERROR_INVALID_NAME);
    }
    const PreparationOutcome made = MakeKeptFolders(folder, root, keptName, &done);
    if (!made.result) {
      done.Undo();
      return made;
    }
    // An earlier run set a file aside under this name: it stays as it is.
    if (Exists(to)) {
      done.Undo();
      return Fail(PreparationProblem::kNotSetAside, folder + keptName, ERROR_ALREADY_EXISTS);
    }
    // A rename of the directory entry: a link moves as the link, and
    // nothing is ever copied.
    if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
      const DWORD error = GetLastError();
      done.Undo();
      return Fail(PreparationProblem::kNotSetAside, folder + relative, error);
    }
    done.moved.emplace_back(from, to);
    setAside->push_back(relative);
  }
  return PreparationOutcome();
}
