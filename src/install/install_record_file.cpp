#include "install/install_record_file.h"

#include <windows.h>

#include <algorithm>

#include "core/archive_entry.h"
#include "core/uninstall_rules.h"
#include "platform/file_identity.h"
#include "platform/registry_edit.h"
#include "platform/registry_tree.h"

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  for (const std::string& existing : list) {
    if (installrecord::SameName(existing, item)) return;
  }
  list.push_back(item);
}

}  // namespace

RecordFileState ReadRecordFile(const std::string& folder, std::string* text) {
  text->clear();
  const std::string path = folder + installrecord::kRecordFileName;
  const FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return RecordFileState::kMissing;
  if (identity.error != 0) return RecordFileState::kUnreadable;
  if (identity.directory) return RecordFileState::kNotAFile;
  if (identity.size > installrecord::kMaxRecordSize) return RecordFileState::kTooLarge;
  std::wstring name;
  const std::wstring resolved = ResolvedFolderPath(folder);
  if (resolved.empty() || !AnsiToWide(installrecord::kRecordFileName, &name)) return RecordFileState::kUnreadable;
  const std::wstring expected = resolved + L"\\" + name;
  if (!IsExactlyAt(identity, expected)) return RecordFileState::kRedirected;
  std::string read;
  read.reserve(static_cast<std::size_t>(identity.size));
  unsigned long error = 0;
  const bool ok = ReadExactly(
      path, identity, expected,
      [&read](const unsigned char* bytes, std::size_t count) { read.append(reinterpret_cast<const char*>(bytes), count); },
      &error);
  if (!ok || read.size() != identity.size) return RecordFileState::kUnreadable;
  text->swap(read);
  return RecordFileState::kRead;
}

bool ReadRecordText(const std::string& folder, std::string* text) {
  return ReadRecordFile(folder, text) == RecordFileState::kRead;
}

bool WriteRecordFile(const std::string& folder, const installrecord::InstallRecord& record) {
  const std::string text = installrecord::Serialize(record);
  const std::string final = folder + installrecord::kRecordFileName;
  // Always a new file: a name that somebody put there (a link to another
  // file, say) is never written through, and the move below replaces the
  // record's name itself, not what it may lead to.
  std::string temporary = folder + installrecord::kRecordTempName;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    if (attempt > 0) temporary = folder + installrecord::kRecordTempName + std::to_string(attempt);
    file = CreateFileA(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size() && FlushFileBuffers(file);
  if (!ok) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
  }
  CloseHandle(file);
  if (ok && !MoveFileExA(temporary.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const FileIdentity left = IdentifyFile(temporary);
    unsigned long error = 0;
    DeleteExactly(temporary, left, left.finalPath, &error);
    ok = false;
  }
  return ok;
}

namespace {

HKEY EntryRoot(installrecord::Scope scope) {
  return scope == installrecord::Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

bool WriteRecordCopy(const installrecord::InstallRecord& record) {
  HKEY entry = nullptr;
  if (OpenKeyAsIs(EntryRoot(record.scope), AnsiKeyName(footprint::kUninstallEntryKey), KEY_SET_VALUE, &entry) !=
      ERROR_SUCCESS) {
    return false;
  }
  const std::string text = installrecord::Serialize(record);
  const LONG status = RegSetValueExA(entry, kRecordCopyValue, 0, REG_BINARY,
                                     reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
  RegCloseKey(entry);
  return status == ERROR_SUCCESS;
}

bool ReadRecordCopy(std::string* text, installrecord::Scope scope) {
  text->clear();
  HKEY entry = nullptr;
  if (OpenKeyAsIs(EntryRoot(scope), AnsiKeyName(footprint::kUninstallEntryKey), KEY_QUERY_VALUE, &entry) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_NONE, size = 0;
  bool ok = RegQueryValueExA(entry, kRecordCopyValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            type == REG_BINARY && size <= installrecord::kMaxRecordSize;
  if (ok && size > 0) {
    text->assign(size, '\0');
    DWORD got = size;
    ok = RegQueryValueExA(entry, kRecordCopyValue, nullptr, &type, reinterpret_cast<BYTE*>(&(*text)[0]), &got) ==
             ERROR_SUCCESS &&
         got == size;
  }
  RegCloseKey(entry);
  if (!ok) text->clear();
  return ok;
}

bool ReadPayloadContents(int resourceId, const char* resourceType, PayloadContents* contents) {
  *contents = PayloadContents();
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), resourceType);
  HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  std::vector<ArchiveListing> entries;
  if (!ListArchiveEntries(static_cast<const unsigned char*>(data), SizeofResource(nullptr, resource), &entries)) {
    return false;
  }
  for (ArchiveListing& entry : entries) {
    std::replace(entry.name.begin(), entry.name.end(), '/', '\\');
    if (!IsSafeEntryName(entry.name.c_str())) continue;  // never unpacked
    // Every folder on the way is one the unpacking may have created.
    for (std::size_t cut = entry.name.find('\\'); cut != std::string::npos; cut = entry.name.find('\\', cut + 1)) {
      AddOnce(contents->folders, entry.name.substr(0, cut + 1));
    }
    if (entry.name.back() == '\\') continue;
    contents->files.push_back(entry.name);
    contents->stamps.push_back(installrecord::RecordedFile(entry.name, entry.unpackedSize, entry.crc));
    contents->unpackedBytes += entry.unpackedSize;
  }
  return true;
}

std::vector<std::string> MissingFolders(const std::string& base, const std::vector<std::string>& folders) {
  std::vector<std::string> missing;
  for (const std::string& folder : folders) {
    if (!IsFolder(base + folder)) missing.push_back(folder);
  }
  return missing;
}
