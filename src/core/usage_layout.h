// The usage text ("/?") as a message box shows it. Pure text rule: no
// Windows header.
#pragma once

#include <cstddef>
#include <string>

// A message box honours no tab stops of ours: a tab jumps to the next stop
// of its own, which a long option has already passed, and a line wider than
// the box wraps back to its left margin. So the box gets a layout without
// tabs that reads the same at every DPI: each "option<TAB>meaning" line
// becomes the option on a line of its own and the meaning on the lines below
// it, indented by kUsageIndent blanks; every line is broken at blanks to at
// most kUsageLineWidth characters, its continuation lines indented alike
// (a word longer than that stays whole on a line of its own). Lines without
// a tab and empty lines are kept, broken the same way when too long.
constexpr std::size_t kUsageLineWidth = 48;
constexpr std::size_t kUsageIndent = 4;

std::string UsageForBox(const std::string& usage);
