// Registry trees read and put back exactly as they are: through the wide
// calls (key and value names in UTF-8, data as stored, text types in UTF-16),
// in the 64-bit view, and never through a registry link. Every key is opened
// as itself (REG_OPTION_OPEN_LINK); a key that turns out to be a link is
// reported as such and neither read below, written through nor followed when
// a tree is removed (the link itself goes then, never what it points to).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/step_result.h"

enum class KeyKind { kMissing, kKey, kLink };

// What stands at root\key (its last name opened as itself; the keys on the
// way are the system's own and are taken as they are).
KeyKind ProbeKey(HKEY root, const std::string& key);

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
// key is no failure.
StepResult RemoveTreeAsIs(HKEY root, const std::string& key);

// Makes root\key hold exactly keys and values (as ReadTreeAsIs gave them for
// it): keys and values that are not listed go, missing ones are created,
// changed values are written back; a listed link is left as it is, a
// too-large value as it is, and a link that is not listed is removed as a
// link. Answers the first failure; every other key is still done.
StepResult PutBackTree(HKEY root, const std::string& key, const std::vector<TreeKey>& keys,
                       const std::vector<TreeValue>& values);

// Removes root\key when it holds no value and no sub-key; a link is left.
bool RemoveKeyIfEmptyAsIs(HKEY root, const std::string& key);
