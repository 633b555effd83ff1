// Expansion of %NAME% references in the settings folder (pure text rule).
#pragma once

#include "core/product.h"

enum class LookupResult { kFound, kMissing, kTooLong };

// Looks a variable up (names compared without regard to case is the lookup's
// business); fills value (at most 259 characters) when found.
using VariableLookup = LookupResult (*)(const char* name, char value[kPathSize], void* context);

// Replaces every %NAME% reference in text by the variable's value; undefined
// or empty names make the reference vanish, a "%" without partner makes the
// rest of the text the name. True with the result in expanded, or false and
// "" when the result, a name or a value would not fit in 259 characters:
// a folder cut short would be a different folder.
bool ExpandPercentVariables(const char* text, char expanded[kPathSize], VariableLookup lookup,
                           void* context);
