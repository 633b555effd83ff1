#include "platform/registry_tree.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/registry_link_rule.h"
#include "platform/registry.h"
#include "platform/running_account.h"

namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr DWORD kMaxValueName = 16384;  // the registry's own bound, in characters
constexpr DWORD kMaxKeyName = 256;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const wchar_t* text, DWORD length) {
  if (length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &narrow[0], size, nullptr, nullptr);
  return narrow;
}

// Registry names compare without regard to case.
bool SameRegName(const std::string& a, const std::string& b) {
  const std::wstring wa = Wide(a), wb = Wide(b);
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                              TRUE) == CSTR_EQUAL;
}

class Handle {
 public:
  Handle() = default;
  explicit Handle(HKEY key) : key_(key) {}
  Handle(Handle&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&&) = delete;
  ~Handle() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Opens parent\name as itself, never as what it links to.
LONG OpenAsIs(HKEY parent, const std::wstring& name, REGSAM access, HKEY* opened) {
  *opened = nullptr;
  return RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, access | kView, opened);
}

bool IsLink(HKEY open) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  return RegQueryValueExW(open, L"SymbolicLinkValue", nullptr, &type, nullptr, &size) != ERROR_FILE_NOT_FOUND &&
         type == REG_LINK;
}

// On Windows HKEY_CURRENT_USER\Software\Classes is the system's link into
// the user's own class hive: the one link followed (registry_link_rule.h).
// opened is the link opened as itself; sofar its path from the root.
// The full name of the key behind open ("\REGISTRY\USER\..."), "" when it
// cannot be read.
std::wstring FullKeyName(HKEY open) {
  using QueryKey = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  static const auto queryKey =
      ntdll != nullptr ? reinterpret_cast<QueryKey>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryKey")))
                       : nullptr;
  constexpr int kKeyNameInformation = 3;
  ULONG buffer[512] = {};  // a ULONG of the name's length in bytes, then the name
  ULONG size = 0;
  if (queryKey == nullptr || queryKey(open, kKeyNameInformation, buffer, sizeof buffer, &size) < 0 ||
      buffer[0] > sizeof buffer - sizeof buffer[0]) {
    return std::wstring();
  }
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer + 1), buffer[0] / sizeof(wchar_t));
}

// The class hive the link open (met as the key sofar below root) leads to,
// when it is the one the system makes for the running account; "" for any
// other link.
std::wstring SystemClassesLink(HKEY root, const std::wstring& sofar, HKEY opened) {
  wchar_t target[512] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof target - sizeof(wchar_t);
  if (root != HKEY_CURRENT_USER ||
      RegQueryValueExW(opened, L"SymbolicLinkValue", nullptr, &type, reinterpret_cast<BYTE*>(target), &size) !=
          ERROR_SUCCESS ||
      type != REG_LINK) {
    return std::wstring();
  }
  const std::wstring followed(target, size / sizeof(wchar_t));
  return registrylink::FollowsSystemLink(true, sofar, followed, Wide(QueryRunningAccount().userSid)) ? followed
                                                                                                      : std::wstring();
}

// A key handle that is closed at the end unless it is a root.
class Walked {
 public:
  explicit Walked(HKEY root) : key_(root) {}
  Walked(const Walked&) = delete;
  Walked& operator=(const Walked&) = delete;
  ~Walked() { Reset(nullptr); }
  void Reset(HKEY next) {
    if (owned_ && key_ != nullptr) RegCloseKey(key_);
    key_ = next;
    owned_ = true;
  }
  HKEY get() const { return key_; }
  HKEY Release() {
    const HKEY key = key_;
    key_ = nullptr;
    return key;
  }

 private:
  HKEY key_;
  bool owned_ = false;
};

// Walks from root through the names of key; every name is opened as
// itself (created when create and missing) and refused when it is a link.
// With parentOnly the walk stops before the last name: *opened is then its
// parent (root itself for a one-name key, which is not to be closed: see
// Walked) and *last that name.
LONG Walk(HKEY root, const std::wstring& key, REGSAM access, bool create, bool parentOnly, Walked* opened,
          std::wstring* last, bool* link) {
  if (link != nullptr) *link = false;
  std::size_t end = key.size();
  while (end > 0 && key[end - 1] == L'\\') --end;  // a closing backslash names the same key
  if (end == 0) return ERROR_INVALID_PARAMETER;  // never the root itself
  std::size_t start = 0;
  for (;;) {
    const std::size_t stop = std::min(key.find(L'\\', start), end);
    const std::wstring name = key.substr(start, stop - start);
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    const bool final = stop == end;
    if (final && parentOnly) {
      if (last != nullptr) *last = name;
      return ERROR_SUCCESS;
    }
    const REGSAM want = KEY_QUERY_VALUE | (final ? access : KEY_ENUMERATE_SUB_KEYS | (create ? KEY_CREATE_SUB_KEY : 0));
    HKEY next = nullptr;
    LONG status = OpenAsIs(opened->get(), name, want, &next);
    if (status == ERROR_FILE_NOT_FOUND && create) {
      status = RegCreateKeyExW(opened->get(), name.c_str(), 0, nullptr, REG_OPTION_OPEN_LINK, want | kView, nullptr,
                               &next, nullptr);
    }
    if (status != ERROR_SUCCESS) return status;
    if (IsLink(next)) {
      const std::wstring hive = final ? std::wstring() : SystemClassesLink(root, key.substr(0, stop), next);
      RegCloseKey(next);
      next = nullptr;
      if (!hive.empty()) status = RegOpenKeyExW(opened->get(), name.c_str(), 0, want | kView, &next);
      // The link may have changed between reading it and following it: what
      // was opened must be that hive.
      if (hive.empty() || status != ERROR_SUCCESS ||
          CompareStringOrdinal(FullKeyName(next).c_str(), -1, hive.c_str(), -1, TRUE) != CSTR_EQUAL) {
        if (next != nullptr) RegCloseKey(next);
        if (link != nullptr) *link = true;
        return hive.empty() || status == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : status;
      }
    }
    opened->Reset(next);
    if (final) return ERROR_SUCCESS;
    start = stop + 1;
  }
}

// The key behind the handle itself: RegDeleteKey would open the name again
// and, for a link, delete what it points to.
LONG DeleteOpenKey(HKEY open) {
  using DeleteKey = LONG(NTAPI*)(HANDLE);
  using ToError = ULONG(NTAPI*)(LONG);
  static const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  static const auto deleteKey =
      ntdll != nullptr ? reinterpret_cast<DeleteKey>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")))
                       : nullptr;
  static const auto toError =
      ntdll != nullptr
          ? reinterpret_cast<ToError>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")))
          : nullptr;
  if (deleteKey == nullptr) return ERROR_PROC_NOT_FOUND;
  const LONG status = deleteKey(open);
  if (status >= 0) return ERROR_SUCCESS;
  return toError != nullptr ? static_cast<LONG>(toError(status)) : ERROR_ACCESS_DENIED;
}

// The names of open's sub-keys; count: how many the key said it has (the
// list is read to its end without it).
std::vector<std::wstring> SubkeyNames(HKEY open, DWORD count = 0xFFFFFFFF) {
  std::vector<std::wstring> names;
  for (DWORD index = 0; index < count; ++index) {
    wchar_t name[kMaxKeyName];
    DWORD length = kMaxKeyName;
    const LONG status = RegEnumKeyExW(open, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::wstring> ValueNames(HKEY open) {
  std::vector<std::wstring> names;
  std::vector<wchar_t> name(kMaxValueName);
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxValueName;
    const LONG status = RegEnumValueW(open, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

// A value's type and bytes; false when it is missing. Larger than maxData:
// *tooLarge and no bytes.
bool QueryValue(HKEY open, const std::wstring& name, std::size_t maxData, DWORD* type, std::string* data,
                bool* tooLarge) {
  *tooLarge = false;
  data->clear();
  DWORD size = 0;
  if (RegQueryValueExW(open, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (size > maxData) {
      *tooLarge = true;
      return true;
    }
    std::vector<BYTE> bytes(size + 2);
    DWORD got = size;
    const LONG status = RegQueryValueExW(open, name.c_str(), nullptr, type, bytes.data(), &got);
    if (status == ERROR_MORE_DATA) {
      size = got;  // it grew meanwhile
      continue;
    }
    if (status != ERROR_SUCCESS || got > size) return false;
    data->assign(reinterpret_cast<const char*>(bytes.data()), got);
    return true;
  }
  return false;
}

// The buffers of one reading, grown as the keys need and reused.
struct ReadBuffers {
  std::vector<wchar_t> name;
  std::vector<BYTE> bytes;
};

void Fit(std::vector<wchar_t>* buffer, std::size_t size) {
  if (buffer->size() < size) buffer->resize(size);
}

// Every value of open with its name, type and bytes, each in one call: the
// key's counts and largest sizes are asked first, so no call is spent on the
// end of a list. A value that grew meanwhile is read by name as QueryValue
// reads it. False when open is a link: its target is one of its values.
bool ReadValues(HKEY open, const std::string& path, std::size_t maxData, DWORD count, DWORD longestName,
                DWORD largestData, ReadBuffers* buffers, std::vector<TreeValue>* values) {
  const std::size_t first = values->size();
  Fit(&buffers->name, std::min<DWORD>(longestName, kMaxValueName) + 1);
  if (buffers->bytes.size() < largestData && largestData <= maxData) buffers->bytes.resize(largestData);
  if (buffers->bytes.empty()) buffers->bytes.resize(1);
  for (DWORD index = 0; index < count; ++index) {
    DWORD nameLength = static_cast<DWORD>(buffers->name.size());
    DWORD size = static_cast<DWORD>(buffers->bytes.size());
    DWORD type = REG_NONE;
    LONG status =
        RegEnumValueW(open, index, buffers->name.data(), &nameLength, nullptr, &type, buffers->bytes.data(), &size);
    TreeValue value;
    value.key = path;
    if (status == ERROR_SUCCESS && size <= maxData) {
      value.name = Narrow(buffers->name.data(), nameLength);
      value.type = type;
      value.data.assign(reinterpret_cast<const char*>(buffers->bytes.data()), size);
      values->push_back(value);
      continue;
    }
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) break;
    // Larger than the buffers: its name alone, then the value by name.
    Fit(&buffers->name, kMaxValueName + 1);
    nameLength = static_cast<DWORD>(buffers->name.size());
    status = RegEnumValueW(open, index, buffers->name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) continue;
    const std::wstring wide(buffers->name.data(), nameLength);
    value.name = Narrow(wide.c_str(), nameLength);
    if (QueryValue(open, wide, maxData, &value.type, &value.data, &value.tooLarge)) values->push_back(value);
  }
  for (std::size_t i = first; i < values->size(); ++i) {
    if ((*values)[i].type == REG_LINK && SameRegName((*values)[i].name, "SymbolicLinkValue")) {
      values->resize(first);
      return false;
    }
  }
  return true;
}

// Lists the key open (at path) with its values, then every key below it.
void ReadKey(HKEY open, const std::string& path, std::size_t maxData, ReadBuffers* buffers,
             std::vector<TreeKey>* keys, std::vector<TreeValue>* values) {
  DWORD subkeys = 0, valueCount = 0, longestName = 0, largestData = 0;
  if (RegQueryInfoKeyW(open, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &valueCount, &longestName,
                       &largestData, nullptr, nullptr) != ERROR_SUCCESS) {
    // Read to the end of each list instead.
    subkeys = valueCount = 0xFFFFFFFF;
    longestName = kMaxValueName;
  }
  const std::size_t at = keys->size();
  keys->push_back({path, false});
  if (!ReadValues(open, path, maxData, valueCount, longestName, largestData, buffers, values)) {
    (*keys)[at].link = true;
    return;
  }
  for (const std::wstring& name : SubkeyNames(open, subkeys)) {
    const std::string child = path + "\\" + Narrow(name.c_str(), static_cast<DWORD>(name.size()));
    HKEY sub = nullptr;
    const LONG status = OpenAsIs(open, name, KEY_READ, &sub);
    if (status == ERROR_FILE_NOT_FOUND) continue;  // gone meanwhile
    if (status != ERROR_SUCCESS) {
      keys->push_back({child, true});  // unreadable: left as it is, like a link
      continue;
    }
    Handle held(sub);
    ReadKey(sub, child, maxData, buffers, keys, values);
  }
}

StepResult Answer(HKEY root, const std::string& key, LONG status) {
  if (status == ERROR_SUCCESS) return StepResult::Done();
  return StepResult::Failed(RegistryPath(root, key.c_str()), static_cast<unsigned long>(status));
}

// Removes parent\name and what is below it; path names it for the answer.
StepResult RemoveBelow(HKEY root, HKEY parent, const std::wstring& name, const std::string& path) {
  HKEY opened = nullptr;
  const LONG status = OpenAsIs(parent, name, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &opened);
  if (status == ERROR_FILE_NOT_FOUND) return StepResult::Done();
  if (status != ERROR_SUCCESS) return Answer(root, path, status);
  Handle held(opened);
  StepResult result;
  if (!IsLink(opened)) {
    for (const std::wstring& sub : SubkeyNames(opened)) {
      const std::string child = path + "\\" + Narrow(sub.c_str(), static_cast<DWORD>(sub.size()));
      result.KeepFirst(RemoveBelow(root, opened, sub, child));
    }
  }
  if (!result.ok) return result;
  return Answer(root, path, DeleteOpenKey(opened));
}

const TreeKey* Listed(const std::vector<TreeKey>& keys, const std::string& path) {
  for (const TreeKey& key : keys) {
    if (SameRegName(key.key, path)) return &key;
  }
  return nullptr;
}

bool IsChildOf(const std::string& key, const std::string& parent) {
  return key.size() > parent.size() + 1 && key[parent.size()] == '\\' &&
         key.find('\\', parent.size() + 1) == std::string::npos && SameRegName(key.substr(0, parent.size()), parent);
}

StepResult PutBackValues(HKEY root, HKEY open, const std::string& path, const std::vector<TreeValue>& values) {
  StepResult result;
  std::vector<const TreeValue*> mine;
  for (const TreeValue& value : values) {
    if (SameRegName(value.key, path)) mine.push_back(&value);
  }
  for (const std::wstring& name : ValueNames(open)) {
    const std::string narrow = Narrow(name.c_str(), static_cast<DWORD>(name.size()));
    bool listed = false;
    for (const TreeValue* value : mine) listed = listed || SameRegName(value->name, narrow);
    if (listed) continue;
    const LONG status = RegDeleteValueW(open, name.c_str());
    result.KeepFirst(Answer(root, path, status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status));
  }
  for (const TreeValue* value : mine) {
    if (value->tooLarge) continue;
    const std::wstring name = Wide(value->name);
    DWORD type = REG_NONE;
    std::string data;
    bool tooLarge = false;
    if (QueryValue(open, name, value->data.size(), &type, &data, &tooLarge) && !tooLarge && type == value->type &&
        data == value->data) {
      continue;
    }
    result.KeepFirst(Answer(root, path,
                            RegSetValueExW(open, name.c_str(), 0, value->type,
                                           reinterpret_cast<const BYTE*>(value->data.data()),
                                           static_cast<DWORD>(value->data.size()))));
  }
  return result;
}

// Makes parent\name (path from the root) the listed key with its listed
// keys and values below.
StepResult PutBackKey(HKEY root, HKEY parent, const std::wstring& name, const std::string& path,
                      const std::vector<TreeKey>& keys, const std::vector<TreeValue>& values) {
  HKEY opened = nullptr;
  LONG status = OpenAsIs(parent, name, KEY_ALL_ACCESS, &opened);
  // A key whose security denies writing may still hold what it held: only
  // what differs is written below, and that then fails.
  if (status == ERROR_ACCESS_DENIED) status = OpenAsIs(parent, name, KEY_READ, &opened);
  if (status == ERROR_SUCCESS && IsLink(opened)) {
    // Not listed as a link: someone made it since; it goes as a link.
    status = DeleteOpenKey(opened);
    RegCloseKey(opened);
    opened = nullptr;
    if (status != ERROR_SUCCESS) return Answer(root, path, status);
    status = ERROR_FILE_NOT_FOUND;
  }
  if (status == ERROR_FILE_NOT_FOUND) {
    status = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &opened, nullptr);
  }
  if (status != ERROR_SUCCESS) return Answer(root, path, status);
  Handle held(opened);
  StepResult result = PutBackValues(root, opened, path, values);
  for (const std::wstring& sub : SubkeyNames(opened)) {
    const std::string child = path + "\\" + Narrow(sub.c_str(), static_cast<DWORD>(sub.size()));
    const TreeKey* listed = Listed(keys, child);
    if (listed == nullptr) {
      result.KeepFirst(RemoveBelow(root, opened, sub, child));
    } else if (!listed->link) {
      result.KeepFirst(PutBackKey(root, opened, sub, child, keys, values));
    }
  }
  for (const TreeKey& key : keys) {
    if (key.link || !IsChildOf(key.key, path)) continue;
    const std::wstring sub = Wide(key.key.substr(path.size() + 1));
    HKEY present = nullptr;
    if (OpenAsIs(opened, sub, KEY_QUERY_VALUE, &present) == ERROR_SUCCESS) {
      RegCloseKey(present);
      continue;  // done above
    }
    result.KeepFirst(PutBackKey(root, opened, sub, key.key, keys, values));
  }
  return result;
}

}  // namespace

LONG OpenKeyAsIs(HKEY root, const std::wstring& key, REGSAM access, HKEY* opened, bool* link) {
  *opened = nullptr;
  Walked walked(root);
  const LONG status = Walk(root, key, access, false, false, &walked, nullptr, link);
  if (status == ERROR_SUCCESS) *opened = walked.Release();
  return status;
}

LONG CreateKeyAsIs(HKEY root, const std::wstring& key, REGSAM access, HKEY* opened, bool* link) {
  *opened = nullptr;
  Walked walked(root);
  const LONG status = Walk(root, key, access, true, false, &walked, nullptr, link);
  if (status == ERROR_SUCCESS) *opened = walked.Release();
  return status;
}

std::wstring AnsiKeyName(const std::string& key) {
  if (key.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_ACP, 0, key.data(), static_cast<int>(key.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, key.data(), static_cast<int>(key.size()), &wide[0], length);
  return wide;
}

KeyKind ProbeKeyW(HKEY root, const std::wstring& key) {
  Walked parent(root);
  std::wstring last;
  bool link = false;
  if (Walk(root, key, 0, false, true, &parent, &last, &link) != ERROR_SUCCESS) {
    return link ? KeyKind::kLink : KeyKind::kMissing;
  }
  HKEY opened = nullptr;
  if (OpenAsIs(parent.get(), last, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return KeyKind::kMissing;
  Handle held(opened);
  return IsLink(opened) ? KeyKind::kLink : KeyKind::kKey;
}

KeyKind ProbeKey(HKEY root, const std::string& key) { return ProbeKeyW(root, Wide(key)); }

bool ReadTreeAsIs(HKEY root, const std::string& key, std::size_t maxData, std::vector<TreeKey>* keys,
                  std::vector<TreeValue>* values) {
  Walked parent(root);
  std::wstring last;
  bool link = false;
  LONG status = Walk(root, Wide(key), 0, false, true, &parent, &last, &link);
  if (status == ERROR_SUCCESS) {
    HKEY opened = nullptr;
    status = OpenAsIs(parent.get(), last, KEY_READ, &opened);
    if (status == ERROR_SUCCESS) {
      Handle held(opened);
      ReadBuffers buffers;
      ReadKey(opened, key, maxData, &buffers, keys, values);
      return true;
    }
  }
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_INVALID_PARAMETER) return false;
  keys->push_back({key, true});  // behind a link, or unreadable: left as it is, like a link
  return true;
}

StepResult RemoveTreeAsIsW(HKEY root, const std::wstring& key, const std::string& shown) {
  Walked parent(root);
  std::wstring last;
  bool link = false;
  const LONG status = Walk(root, key, 0, false, true, &parent, &last, &link);
  if (status == ERROR_FILE_NOT_FOUND || link) return StepResult::Done();
  if (status != ERROR_SUCCESS) return Answer(root, shown, status);
  return RemoveBelow(root, parent.get(), last, shown);
}

StepResult RemoveTreeAsIs(HKEY root, const std::string& key) { return RemoveTreeAsIsW(root, Wide(key), key); }

StepResult RemoveKeyAsIsW(HKEY root, const std::wstring& key, const std::string& shown) {
  Walked parent(root);
  std::wstring last;
  bool link = false;
  LONG status = Walk(root, key, 0, false, true, &parent, &last, &link);
  if (status == ERROR_SUCCESS) {
    HKEY opened = nullptr;
    status = OpenAsIs(parent.get(), last, DELETE | KEY_QUERY_VALUE, &opened);
    if (status == ERROR_SUCCESS) {
      Handle held(opened);
      status = IsLink(opened) ? ERROR_ACCESS_DENIED : DeleteOpenKey(opened);
    }
  }
  return Answer(root, shown, status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status);
}

StepResult PutBackTree(HKEY root, const std::string& key, const std::vector<TreeKey>& keys,
                       const std::vector<TreeValue>& values) {
  if (key.empty()) return Answer(root, key, ERROR_INVALID_PARAMETER);
  const TreeKey* top = Listed(keys, key);
  if (top != nullptr && top->link) return StepResult::Done();  // a link is left as it is
  Walked parent(root);
  std::wstring last;
  const std::wstring wide = Wide(key);
  std::size_t cut = wide.find_last_of(L'\\');
  LONG status = ERROR_SUCCESS;
  if (cut != std::wstring::npos) {
    // The parents as themselves, created when missing.
    status = Walk(root, wide.substr(0, cut), KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS, true, false, &parent,
                  nullptr, nullptr);
    last = wide.substr(cut + 1);
  } else {
    last = wide;
  }
  if (status != ERROR_SUCCESS) return Answer(root, key, status);
  return PutBackKey(root, parent.get(), last, key, keys, values);
}

bool RemoveKeyIfEmptyAsIsW(HKEY root, const std::wstring& key) {
  Walked parent(root);
  std::wstring last;
  if (Walk(root, key, 0, false, true, &parent, &last, nullptr) != ERROR_SUCCESS) return false;
  HKEY opened = nullptr;
  if (OpenAsIs(parent.get(), last, DELETE | KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  Handle held(opened);
  DWORD subkeys = 0, values = 0;
  if (IsLink(opened) ||
      RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS ||
      subkeys != 0 || values != 0) {
    return false;
  }
  return DeleteOpenKey(opened) == ERROR_SUCCESS;
}

bool RemoveKeyIfEmptyAsIs(HKEY root, const std::string& key) { return RemoveKeyIfEmptyAsIsW(root, Wide(key)); }
