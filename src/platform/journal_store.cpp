#include "platform/journal_store.h"

#include <windows.h>

#include "core/footprint_names.h"
#include "platform/registry.h"
#include "platform/registry_edit.h"
#include "platform/registry_tree.h"
#include "platform/running_account.h"

namespace {

HKEY ScopeRoot(installrecord::Scope scope) {
  return scope == installrecord::Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The value under which a run with administrator rights keeps its copy of
// the user's journal in the machine's key; "" when the account is unknown.
std::string MachineCopyName() {
  const std::string sid = QueryRunningAccount().userSid;
  return sid.empty() ? std::string() : std::string(footprint::kJournalValue) + " " + sid;
}

// The user's journal is kept twice: by a run with administrator rights.
bool KeepsMachineCopy(installrecord::Scope scope) {
  return scope == installrecord::Scope::kUser && IsProcessElevated();
}

// The key itself, not what it may link to: a key that is a registry link
// carries the value "SymbolicLinkValue" of type REG_LINK.
bool IsLinkKey(HKEY root) { return ProbeKeyW(root, AnsiKeyName(footprint::kJournalKey)) == KeyKind::kLink; }

StepResult Failed(HKEY root, LONG error) {
  return StepResult::Failed(RegistryPath(root, footprint::kJournalKey), static_cast<unsigned long>(error));
}

JournalFound ReadValue(HKEY root, const std::string& name, std::string* text) {
  text->clear();
  if (IsLinkKey(root)) return JournalFound::kUnreadable;
  HKEY key = nullptr;
  if (OpenKeyAsIs(root, AnsiKeyName(footprint::kJournalKey), KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return JournalFound::kNone;
  }
  DWORD type = REG_NONE, size = 0;
  LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  JournalFound found = JournalFound::kNone;
  if (status == ERROR_SUCCESS) {
    found = JournalFound::kUnreadable;
    if (type == REG_BINARY && size <= kMaxJournalSize) {
      text->assign(size, '\0');
      DWORD got = size;
      status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                size > 0 ? reinterpret_cast<BYTE*>(&(*text)[0]) : nullptr, &got);
      if (status == ERROR_SUCCESS && got == size) found = JournalFound::kRead;
    }
  }
  RegCloseKey(key);
  if (found != JournalFound::kRead) text->clear();
  return found;
}

StepResult WriteValue(HKEY root, const std::string& name, const std::string& text) {
  if (IsLinkKey(root)) return Failed(root, ERROR_ACCESS_DENIED);
  if (text.size() > kMaxJournalSize) return Failed(root, ERROR_FILE_TOO_LARGE);
  HKEY key = nullptr;
  LONG status = CreateKeyAsIs(root, AnsiKeyName(footprint::kJournalKey), KEY_SET_VALUE, &key);
  if (status != ERROR_SUCCESS) return Failed(root, status);
  status = RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size()));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return Failed(root, status);
  return StepResult::Done();
}

StepResult RemoveValue(HKEY root, const std::string& name) {
  if (IsLinkKey(root)) return Failed(root, ERROR_ACCESS_DENIED);
  const StepResult removed = RemoveRegValue(root, footprint::kJournalKey, name);
  if (!removed) return removed;
  RemoveRegKeyIfEmpty(root, footprint::kJournalKey);
  return StepResult::Done();
}

}  // namespace

JournalFound ReadJournal(installrecord::Scope scope, std::string* text) {
  if (!KeepsMachineCopy(scope)) return ReadValue(ScopeRoot(scope), footprint::kJournalValue, text);
  // A run with administrator rights takes the user's journal only from the
  // copy that such a run wrote where only an administrator writes.
  const std::string copy = MachineCopyName();
  const JournalFound vouched = copy.empty() ? JournalFound::kNone : ReadValue(HKEY_LOCAL_MACHINE, copy, text);
  if (vouched != JournalFound::kNone) return vouched;
  const JournalFound found = ReadValue(HKEY_CURRENT_USER, footprint::kJournalValue, text);
  return found == JournalFound::kNone ? found : JournalFound::kUnvouched;
}

StepResult WriteJournal(installrecord::Scope scope, const std::string& text) {
  if (KeepsMachineCopy(scope)) {
    // The copy first: the user's text is never ahead of it.
    const std::string copy = MachineCopyName();
    if (copy.empty()) return Failed(HKEY_LOCAL_MACHINE, ERROR_ACCESS_DENIED);
    const StepResult kept = WriteValue(HKEY_LOCAL_MACHINE, copy, text);
    if (!kept) return kept;
  }
  return WriteValue(ScopeRoot(scope), footprint::kJournalValue, text);
}

StepResult RemoveJournal(installrecord::Scope scope) {
  const StepResult removed = RemoveValue(ScopeRoot(scope), footprint::kJournalValue);
  if (!removed || !KeepsMachineCopy(scope)) return removed;
  // The copy last: while the user's journal is there, it is vouched for.
  const std::string copy = MachineCopyName();
  return copy.empty() ? removed : RemoveValue(HKEY_LOCAL_MACHINE, copy);
}
