// The progress mode ("/progress"): an unattended run that shows only a
// progress bar. Pure rules: no Windows header.
#pragma once

namespace progressrule {

// True when "/progress" stands in arguments as a whole argument (between
// blanks or tabs, or at either end), case-sensitive like every option. It
// means an unattended run, with or without "/silent".
bool HasProgressSwitch(const char* arguments);

// The bar's range: 0 to kRange.
constexpr int kRange = 1000;

// The stages the bar shows, in their order, and where each ends: the
// unpacking of the payload takes the most time, the registration (links,
// settings file, registry and associations) the rest.
enum class Stage { kUnpacking, kRegistering, kDone };
constexpr int kUnpackingEnd = 800;

// The bar's position for done of total in stage: within the stage's share,
// never beyond its end; a stage with total 0 stands at its start, kDone at
// kRange.
int OverallPosition(Stage stage, unsigned long long done, unsigned long long total);

}  // namespace progressrule
