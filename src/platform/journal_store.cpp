#include "platform/journal_store.h"

#include <windows.h>

#include "core/footprint_names.h"
#include "platform/registry.h"
#include "platform/registry_edit.h"
#include "platform/registry_tree.h"

namespace {

HKEY ScopeRoot(installrecord::Scope scope) {
  return scope == installrecord::Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The key itself, not what it may link to: a key that is a registry link
// carries the value "SymbolicLinkValue" of type REG_LINK.
bool IsLinkKey(HKEY root) { return ProbeKeyW(root, AnsiKeyName(footprint::kJournalKey)) == KeyKind::kLink; }

StepResult Failed(HKEY root, LONG error) {
  return StepResult::Failed(RegistryPath(root, footprint::kJournalKey), static_cast<unsigned long>(error));
}

}  // namespace

JournalFound ReadJournal(installrecord::Scope scope, std::string* text) {
  text->clear();
  const HKEY root = ScopeRoot(scope);
  if (IsLinkKey(root)) return JournalFound::kUnreadable;
  HKEY key = nullptr;
  if (OpenKeyAsIs(root, AnsiKeyName(footprint::kJournalKey), KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return JournalFound::kNone;
  }
  DWORD type = REG_NONE, size = 0;
  LONG status = RegQueryValueExA(key, footprint::kJournalValue, nullptr, &type, nullptr, &size);
  JournalFound found = JournalFound::kNone;
  if (status == ERROR_SUCCESS) {
    found = JournalFound::kUnreadable;
    if (type == REG_BINARY && size <= kMaxJournalSize) {
      text->assign(size, '\0');
      DWORD got = size;
      status = RegQueryValueExA(key, footprint::kJournalValue, nullptr, &type,
                                size > 0 ? reinterpret_cast<BYTE*>(&(*text)[0]) : nullptr, &got);
      if (status == ERROR_SUCCESS && got == size) found = JournalFound::kRead;
    }
  }
  RegCloseKey(key);
  if (found != JournalFound::kRead) text->clear();
  return found;
}

StepResult WriteJournal(installrecord::Scope scope, const std::string& text) {
  const HKEY root = ScopeRoot(scope);
  if (IsLinkKey(root)) return Failed(root, ERROR_ACCESS_DENIED);
  if (text.size() > kMaxJournalSize) return Failed(root, ERROR_FILE_TOO_LARGE);
  HKEY key = nullptr;
  LONG status = CreateKeyAsIs(root, AnsiKeyName(footprint::kJournalKey), KEY_SET_VALUE, &key);
  if (status != ERROR_SUCCESS) return Failed(root, status);
  status = RegSetValueExA(key, footprint::kJournalValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size()));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return Failed(root, status);
  return StepResult::Done();
}

StepResult RemoveJournal(installrecord::Scope scope) {
  const HKEY root = ScopeRoot(scope);
  if (IsLinkKey(root)) return Failed(root, ERROR_ACCESS_DENIED);
  const StepResult removed = RemoveRegValue(root, footprint::kJournalKey, footprint::kJournalValue);
  if (!removed) return removed;
  RemoveRegKeyIfEmpty(root, footprint::kJournalKey);
  return StepResult::Done();
}
