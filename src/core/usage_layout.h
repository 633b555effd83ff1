// The usage text ("/?") as a message box shows it. Pure text rule: no
// Windows header.
#pragma once

#include <cstddef>
#include <string>

// A message box honours no tab stops of ours: a tab jumps to the next stop
// of its own, which a long option has already passed, and a line wider than
// the box wraps back to its left margin. So the box gets a layout without
// columns that reads the same at every DPI: each "option<TAB>meaning" line
// becomes "option: meaning", as the usage writes the aliases of "/silent";
// every line is broken at blanks to at most kUsageLineWidth characters, its
// continuation lines indented by kUsageIndent blanks under the line's start.
// (The box gives its text about 300 pixels at 96 DPI, the same share of the
// line at every DPI: some 50 characters of the message font; 44 leave room
// for wide letters.) A word
// longer than that stays whole on a line of its own. Empty lines are kept.
constexpr std::size_t kUsageLineWidth = 44;
constexpr std::size_t kUsageIndent = 4;

std::string UsageForBox(const std::string& usage);
