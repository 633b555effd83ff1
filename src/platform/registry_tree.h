// The one way to the registry for both programs: keys opened, created, read
// and removed exactly as they are, in the 64-bit view, and never through a
// registry link. A key path is walked name by name from its root, each name
// opened (or created) as itself (REG_OPTION_OPEN_LINK): a key that is a link,
// at its own name or on the way, is refused (ERROR_ACCESS_DENIED), never
// followed; a tree is removed key by key, and a link in it goes as a link,
// never what it points to. The one link followed is the system's own on
// Windows: HKEY_CURRENT_USER\Software\Classes, when it leads into the
// user's own class hive (\REGISTRY\USER\...).
// The tree functions take key and value names in UTF-8 (data as stored,
// text types in UTF-16); the key openings take wide names.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/step_result.h"

enum class KeyKind { kMissing, kKey, kLink };

// root\key opened as itself with access (plus KEY_QUERY_VALUE) into
// *opened, which the caller closes. The system's error code, or
// ERROR_ACCESS_DENIED (and *link true when given) when a link stands at the
// key or on the way.
LONG OpenKeyAsIs(HKEY root, const std::wstring& key, REGSAM access, HKEY* opened, bool* link = nullptr);
// The same, creating the key and its missing parents, each as itself.
LONG CreateKeyAsIs(HKEY root, const std::wstring& key, REGSAM access, HKEY* opened, bool* link = nullptr);
// A key name in the code page of the A calls (the setup's texts) as a wide
// name.
std::wstring AnsiKeyName(const std::string& key);

// What stands at root\key: a link at the key or on the way is kLink.
KeyKind ProbeKey(HKEY root, const std::string& key);
KeyKind ProbeKeyW(HKEY root, const std::wstring& key);

struct TreeKey {
  std::string key;  // root-relative, parents first
  // A link, or a key that exists but does not open for reading: either is
  // left as it is.
  bool link = false;
};
struct TreeValue {
  std::string key;
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
  bool tooLarge = false;  // larger than the reading allowed: data left empty
};

// key and every key below it, parents first, with their values (data up to
// maxData bytes each); links are listed and not read below. False, and
// nothing listed, when key is missing; a key that is itself a link is
// listed alone, and so is one that exists but does not open for reading.
bool ReadTreeAsIs(HKEY root, const std::string& key, std::size_t maxData, std::vector<TreeKey>* keys,
                  std::vector<TreeValue>* values);

// Removes key and everything below it without following a link; a missing
// key, or one behind a link on the way (nothing there is ours), is no
// failure. The W form names the key for the answer by shown.
StepResult RemoveTreeAsIs(HKEY root, const std::string& key);
StepResult RemoveTreeAsIsW(HKEY root, const std::wstring& key, const std::string& shown);
// Removes the one key without sub-keys; a missing key is no failure, a link
// is refused.
StepResult RemoveKeyAsIsW(HKEY root, const std::wstring& key, const std::string& shown);

// Makes root\key hold exactly keys and values (as ReadTreeAsIs gave them for
// it): keys and values that are not listed go, missing ones are created,
// changed values are written back; a listed link is left as it is, a
// too-large value as it is, and a link that is not listed is removed as a
// link. Answers the first failure; every other key is still done.
StepResult PutBackTree(HKEY root, const std::string& key, const std::vector<TreeKey>& keys,
                       const std::vector<TreeValue>& values);

// Removes root\key when it holds no value and no sub-key; a link is left.
bool RemoveKeyIfEmptyAsIs(HKEY root, const std::string& key);
bool RemoveKeyIfEmptyAsIsW(HKEY root, const std::wstring& key);
