// How far the running installation has got, for a window that shows it
// (the "/progress" mode). The steps report with a few atomic operations and
// never wait for anybody; a reader polls Position() whenever it likes.
#pragma once

#include "core/progress_rule.h"

namespace runprogress {

// Starts stage with total units (bytes to unpack, rows to register); what
// was done of the earlier stage no longer counts.
void BeginStage(progressrule::Stage stage, unsigned long long total);

// amount more units done in the current stage; any thread.
void Advance(unsigned long long amount);

// The bar's position (0 to progressrule::kRange) of what was reported.
int Position();

}  // namespace runprogress
