// Expansion of %NAME% references in the settings folder (pure text rule).
#pragma once

constexpr int kExpandBufferSize = 260;  // 259 characters and the terminator

enum class LookupResult { kFound, kMissing, kTooLong };

// Looks a variable up (names compared without regard to case is the lookup's
// business); fills value (at most 259 characters) when found.
using VariableLookup = LookupResult (*)(const char* name, char value[kExpandBufferSize], void* context);

// Replaces every %NAME% reference in text by the variable's value; undefined
// or empty names make the reference vanish, a "%" without partner makes the
// rest of the text the name. Returns 1 with the result in expanded, or 0 and
// "" when the result, a name or a value would not fit in 259 characters:
// a folder cut short would be a different folder.
int ExpandPercentVariables(const char* text, char expanded[kExpandBufferSize], VariableLookup lookup,
                           void* context);
