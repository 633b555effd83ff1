// The registration's part of the installation journal: what the registry
// holds, before the registration, for everything a run of the scope may
// change, and putting exactly that back.
#pragma once

#include <string>
#include <vector>

#include "core/journal.h"
#include "core/step_result.h"
#include "shell/earlier_state.h"

// Fills journal's registry lists (ownKeys, ownSubKeys, ownValues, keys,
// values) for a run of scope:
// - the product's own keys and the scope's uninstall entry, existing or not;
//   below each that exists every key and value as found (links are noted
//   and not read below). For the machine, the user's classes key of the
//   application entry too when it exists: values written through
//   HKEY_CLASSES_ROOT land there then;
// - every other key the run may create, existing or not;
// - every value it may replace, with its type and data.
// read is the reading CaptureEarlierState shares (ReadEarlierRegistry of
// scope); the overload without it reads itself.
void CaptureRegistry(installrecord::Scope scope, journal::Journal* journal, const EarlierRegistry& read);
void CaptureRegistry(installrecord::Scope scope, journal::Journal* journal);

// Puts back what CaptureRegistry noted: own keys that did not exist go with
// everything below them; those that existed get exactly their keys and
// values back; replaced values their earlier data (or they go); then other
// keys that did not exist go when empty, deepest first. Never through a
// registry link: a changed value whose key is a link now is not put back
// and counts as failed. A missing key is no failure; doing it twice changes
// nothing more. The report names each key or value not put back
// ("HKLM\<key>" or "HKCU\<key>", ": <name>" for a value).
StepReport RestoreRegistry(const journal::Journal& journal);
