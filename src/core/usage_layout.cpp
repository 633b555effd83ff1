#include "core/usage_layout.h"

#include <vector>

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

// Appends text broken at blanks: the first line starts with firstIndent
// blanks, every further one with nextIndent; no line is wider than
// kUsageLineWidth unless a single word is.
void AppendBroken(const std::string& text, std::size_t firstIndent, std::size_t nextIndent, std::string* out) {
  std::string line(firstIndent, ' ');
  std::size_t indent = firstIndent;
  bool empty = true;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t wordStart = text.find_first_not_of(' ', at);
    if (wordStart == std::string::npos) break;
    std::size_t wordEnd = text.find(' ', wordStart);
    if (wordEnd == std::string::npos) wordEnd = text.size();
    const std::string word = text.substr(wordStart, wordEnd - wordStart);
    if (!empty && line.size() + 1 + word.size() > kUsageLineWidth) {
      *out += line + '\n';
      indent = nextIndent;
      line.assign(indent, ' ');
      empty = true;
    }
    if (!empty) line += ' ';
    line += word;
    empty = false;
    at = wordEnd;
  }
  if (empty) line.resize(0);  // an empty or blank line stays empty
  *out += line;
}

}  // namespace

std::string UsageForBox(const std::string& usage) {
  std::string out;
  bool first = true;
  for (std::string line : SplitLines(usage)) {
    if (!first) out += '\n';
    first = false;
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) line.replace(tab, 1, ": ");
    for (char& c : line) {
      if (c == '\t') c = ' ';
    }
    AppendBroken(line, 0, kUsageIndent, &out);
  }
  return out;
}
