#include "fuzz/properties.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace pxprop {

namespace {

constexpr std::size_t kMaxPath = 259;  // characters in a 260-character buffer

std::string Bounded(const char* buffer, std::size_t size) {
  std::size_t length = 0;
  while (length < size && buffer[length] != '\0') ++length;
  return std::string(buffer, length);
}

bool Terminated(const char* buffer, std::size_t size) { return std::memchr(buffer, '\0', size) != nullptr; }

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out + "\"";
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// 0..3: the 16-, 24-, 32- and 48-pixel skins; -1 for anything else.
int SkinRank(const char* skin, const char* size) {
  static const char* const kSkins[][2] = {{"Tobrin_16.png", "16"},
                                          {"Kestrand_24.png", "24"},
                                          {"gnome-colors-wise_32.png", "32"},
                                          {"gnome-colors-human_48.png", "48"}};
  for (int rank = 0; rank < 4; ++rank) {
    if (skin != nullptr && size != nullptr && std::strcmp(skin, kSkins[rank][0]) == 0 &&
        std::strcmp(size, kSkins[rank][1]) == 0) {
      return rank;
    }
  }
  return -1;
}

}  // namespace

bool ReferenceOptionValue(const std::string& copy, const std::string& keyword, std::string* value) {
  const std::size_t p = copy.find(keyword);
  if (p == std::string::npos) return false;
  const std::size_t limit = std::min<std::size_t>(260, copy.size() - p);
  // A "/" inside double quotes (counted from the text's start to the value's) is the value's.
  const auto valueStart = copy.begin() + static_cast<std::ptrdiff_t>(p + keyword.size());
  bool quoted = std::count(copy.begin(), valueStart, '"') % 2 != 0;
  std::string result;
  for (std::size_t i = p + keyword.size(); i < copy.size() && (quoted || copy[i] != '/'); ++i) {
    // ... and a word of its own that starts with "\"/" ends it too.
    if (!quoted && (copy[i] == ' ' || copy[i] == '\t')) {
      const std::size_t next = copy.find_first_not_of(" \t", i);
      if (next != std::string::npos && copy.compare(next, 2, "\"/") == 0) break;
    }
    if (copy[i] == '"') quoted = !quoted;
    if (keyword.size() + result.size() + 1 > limit) break;
    result += copy[i];
  }
  *value = result;
  return true;
}

std::string ReferenceFolderArgument(std::string value) {
  while (!value.empty() && value.back() == ' ') value.pop_back();
  if (!value.empty() && value.back() == '"') value.pop_back();
  if (!value.empty() && value.front() == '"') value.erase(0, 1);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

int ReferenceDecimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) != nullptr && text[i] != '\0') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Digits beyond the eleventh cannot bring a saturated value back.
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude < 100000000000LL) magnitude = magnitude * 10 + (text[i] - '0');
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) return INT_MAX;
  if (signedValue < INT_MIN) return INT_MIN;
  return static_cast<int>(signedValue);
}

std::string CheckCommandLineOptions(const std::string& commandLine, const InstallOptions& before,
                                    const InstallOptions& after) {
  // The rule sees the line up to its first terminator, then at most 519 characters.
  std::string line = commandLine.substr(0, commandLine.find('\0'));
  const std::string copy = line.substr(0, 519);

  struct FolderOption {
    const char* keyword;
    const char* field;
    const char* previous;
    const char* now;
  } folders[] = {{"/folder=", "targetFolder", before.targetFolder, after.targetFolder},
                 {"/ini=", "iniFolder", before.iniFolder, after.iniFolder}};
  for (const FolderOption& option : folders) {
    if (!Terminated(option.now, kPathSize)) return std::string(option.field) + " is not terminated";
    const std::string now = Bounded(option.now, kPathSize);
    std::string value;
    std::string expected = ReferenceOptionValue(copy, option.keyword, &value) ? ReferenceFolderArgument(value)
                                                                               : Bounded(option.previous, kPathSize);
    if (std::strstr(copy.c_str(), option.keyword) != nullptr) std::replace(expected.begin(), expected.end(), '/', '\\');
    if (now != expected) {
      return std::string(option.field) + " is " + Quote(now) + ", expected " + Quote(expected);
    }
    if (std::strstr(copy.c_str(), option.keyword) != nullptr) {
      if (now.find('/') != std::string::npos) return std::string(option.field) + " holds a slash";
      // Keyword and value share the 260 characters the search may take.
      if (now.size() > kPathSize - std::strlen(option.keyword)) {
        return std::string(option.field) + " is longer than the keyword leaves room for";
      }
      if (!now.empty() && now.back() == ' ') return std::string(option.field) + " ends in a blank";
    }
  }

  struct NumberOption {
    const char* keyword;
    int previous;
    int now;
  } numbers[] = {{"/desktop=", before.desktopLink, after.desktopLink},
                 {"/thumbs=", before.thumbsLink, after.thumbsLink},
                 {"/group=", before.startMenuGroup, after.startMenuGroup},
                 {"/allusers=", before.allUsers, after.allUsers}};
  for (const NumberOption& option : numbers) {
    std::string value;
    // A yes/no option: any number but 0 is a yes.
    const int expected = ReferenceOptionValue(copy, option.keyword, &value) ? (ReferenceDecimal(value) != 0)
                                                                             : option.previous;
    if (option.now != expected) {
      return std::string(option.keyword) + " gave " + std::to_string(option.now) + ", expected " +
             std::to_string(expected);
    }
  }

  std::string assoc;
  int chosen = 0;
  if (ReferenceOptionValue(copy, "/assoc=", &assoc)) {
    const int number = ReferenceDecimal(assoc);
    if (number == 1) chosen = kImageRowCount;
    if (number == 2) chosen = kFormatRowCount;
  }
  for (int row = 0; row < kFormatRowCount; ++row) {
    const int expected = row < chosen ? 1 : before.formatSelection[row];
    if (after.formatSelection[row] != expected) return "format row " + std::to_string(row) + " is wrong";
  }
  const int expectedAssociate = chosen > 0 ? 1 : before.associate;
  if (after.associate != expectedAssociate) return "associate is wrong";
  return "";
}

std::string CheckTrimmed(const std::string& input, const std::string& output) {
  const std::size_t first = input.find_first_not_of(' ');
  const std::string expected =
      first == std::string::npos ? std::string() : input.substr(first, input.find_last_not_of(' ') - first + 1);
  if (!output.empty() && (output.front() == ' ' || output.back() == ' ')) {
    return Quote(output) + " has a blank at an end";
  }
  if (output != expected) return Quote(output) + " should be " + Quote(expected);
  return "";
}

std::string CheckFolderWalk(const FolderWalk& walk) {
  const std::string& out = walk.output;
  if (out.size() > kMaxPath) return "the path grew beyond 259 characters";
  if (walk.result != 0 && walk.result != 1) return "the answer is neither 0 nor 1";
  const std::size_t first = walk.input.find_first_not_of(' ');
  if (first == std::string::npos) {
    if (walk.result != 0) return "a blank path was accepted";
    if (!walk.created.empty()) return "a blank path created folders";
    return "";
  }
  if (walk.result != (walk.lastTestEntered ? 1 : 0)) return "the answer differs from the last existence test";
  if (out.front() == ' ' || out.back() == ' ') return Quote(out) + " has a blank at an end";
  if (out.size() < kMaxPath && out.back() != '\\') return Quote(out) + " does not end in a backslash";
  std::size_t separators = 0;
  for (char c : walk.input) separators += c == '\\';
  if (walk.created.size() > separators + 1) return "more folders created than the path has parts";
  for (const std::string& folder : walk.created) {
    if (folder.size() > kMaxPath) return "a created folder is longer than 259 characters";
    if (out.compare(0, folder.size(), folder) != 0) {
      return "created " + Quote(folder) + " which is not on the way to " + Quote(out);
    }
    if (!folder.empty() && folder.back() == ' ') return "created " + Quote(folder) + " with a trailing blank";
  }
  if (!walk.created.empty()) {
    // After a walk, no component of the path ends in a blank.
    for (std::size_t i = 1; i < out.size(); ++i) {
      if (out[i] == '\\' && out[i - 1] == ' ') return Quote(out) + " keeps a blank before a backslash";
    }
  }
  return "";
}

std::string ReferenceExpansion(const std::string& text, const Environment& env, bool* tooLong) {
  *tooLong = false;
  std::string result;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      result += text[i++];
      continue;
    }
    const std::size_t start = ++i;
    while (i < text.size() && text[i] != '%') ++i;
    const std::string name = text.substr(start, i - start);
    if (name.size() > kMaxPath) *tooLong = true;
    if (!name.empty()) {
      const auto found = env.find(Lower(name));
      if (found != env.end()) {
        if (found->second.size() > kMaxPath) *tooLong = true;
        result += found->second;
      }
    }
    if (i < text.size()) ++i;
  }
  if (result.size() > kMaxPath) *tooLong = true;
  return result;
}

std::string CheckExpansion(const std::string& text, const Environment& env, int result,
                           const std::string& expanded) {
  if (expanded.size() > kMaxPath) return "the expansion exceeds 259 characters";
  bool tooLong = false;
  const std::string expected = ReferenceExpansion(text, env, &tooLong);
  if (tooLong) {
    if (result != 0 || !expanded.empty()) return "a result that does not fit was not refused";
    return "";
  }
  if (result != 1) return "a fitting expansion was refused";
  if (expanded != expected) return Quote(expanded) + " should be " + Quote(expected);
  if (text.find('%') == std::string::npos && expanded != text) return "text without references changed";
  return "";
}

std::string CheckOpenCommandFolder(const std::string& command, int result, const std::string& folder) {
  if (result == 0) return folder.empty() ? "" : "a refused command left a folder";
  if (result != 1) return "the answer is neither 0 nor 1";
  if (command.find("px_main64.exe") == std::string::npos) return "a command for another program was read";
  if (folder.empty() || folder.size() > kMaxPath) return "the folder is empty or too long";
  if (folder.back() != '\\') return Quote(folder) + " does not end in a backslash";
  // Only a quoted program path is known to end at its quote; a command some
  // other tool wrote without quotes is read as it stands.
  if (command[0] == '"' && folder.find('"') != std::string::npos) return Quote(folder) + " holds a quote";
  const std::string body = folder.substr(0, folder.size() - 1);
  const std::size_t start = command[0] == '"' ? 1 : 0;
  if (command.compare(start, body.size(), body) != 0 &&
      command.compare(start, folder.size(), folder) != 0) {
    return Quote(folder) + " is not the start of the program path in " + Quote(command);
  }
  if (start == 1) {
    // The folder of the quoted path: up to its last separator, or its drive.
    const std::size_t closing = command.find('"', 1);
    const std::string program = command.substr(1, closing == std::string::npos ? std::string::npos : closing - 1);
    const std::size_t separator = program.find_last_of("\\/");
    std::string expected = separator != std::string::npos ? program.substr(0, separator + 1)
                                                          : (program.size() >= 2 && program[1] == ':' ? program.substr(0, 2) : "");
    if (!expected.empty() && expected.back() != '\\') expected += '\\';
    if (folder != expected) return Quote(folder) + " should be " + Quote(expected);
  }
  return "";
}

std::string CheckProductFolder(const std::string& input, int result, const std::string& output,
                               int secondResult, const std::string& secondOutput) {
  if (result == 0) return output == input ? "" : "a refused folder was changed";
  if (output.size() > kMaxPath) return "the folder grew beyond 259 characters";
  if (output.empty() || output.back() != '\\') return Quote(output) + " does not end in a backslash";
  const std::string base = (!input.empty() && input.back() == '\\') ? input : input + "\\";
  if (output != base && output != base + "Pixorra\\") return Quote(output) + " is neither the folder nor its product folder";
  if (output == base) {
    const std::size_t p = base.size() >= 2 ? base.rfind('\\', base.size() - 2) : std::string::npos;
    const bool named = p != std::string::npos && p >= 1 && Lower(base.substr(p)) == "\\pixorra\\";
    if (base.size() == 3 || (p != std::string::npos && p >= 1 && !named)) {
      return Quote(base) + " should have got the product folder";
    }
  }
  // A second press on the result changes nothing.
  if (secondResult != 1 || secondOutput != output) return "a second application changed " + Quote(output);
  return "";
}

std::string ReferenceLinkCommand(const std::string& command, const std::string& target) {
  std::size_t keep = command.find("\"%1\"");
  if (keep == std::string::npos) keep = command.find("%1");
  if (keep == std::string::npos) keep = command.size();
  return command.substr(0, keep) + " " + target;
}

std::string CheckLinkCommand(const std::string& command, const std::string& target, std::size_t outSize,
                             bool result, const std::string& out) {
  const std::string expected = ReferenceLinkCommand(command, target);
  if (expected.size() + 1 > outSize) {
    if (result || !out.empty()) return "a command that does not fit was not refused";
    return "";
  }
  if (!result) return "a fitting command was refused";
  if (out != expected) return Quote(out) + " should be " + Quote(expected);
  return "";
}

bool ReferenceSafeEntryName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  if (name.find(':') != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = name.find_first_of("/\\", start);
    const std::string component = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (component == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

std::string CheckEntryName(const std::string& name, std::size_t fileNameOffset, bool safe) {
  if (fileNameOffset > name.size()) return "the file name lies outside the entry name";
  if (name.find_first_of("/\\", fileNameOffset) != std::string::npos) return "the file name holds a separator";
  if (fileNameOffset > 0 && name[fileNameOffset - 1] != '/' && name[fileNameOffset - 1] != '\\') {
    return "the file name does not start behind a separator";
  }
  if (fileNameOffset == 0 && name.find_first_of("/\\") != std::string::npos) return "the folder part was not split off";
  if (safe != ReferenceSafeEntryName(name)) {
    return Quote(name) + (safe ? " was taken as safe" : " was refused though harmless");
  }
  return "";
}

std::string CheckInstallTexts(const std::string& trimmedFolder, const NamedTexts& texts) {
  std::string folder = trimmedFolder;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const std::string program = folder + "px_main64.exe";
  const bool fits = !trimmedFolder.empty() && program.size() <= kMaxPath;
  if (!texts.ok) {
    if (fits) return "a folder that leaves room for the program was refused: " + Quote(trimmedFolder);
    const std::string all = texts.folder + texts.programPath + texts.openCommand + texts.browseCommand +
                            texts.quotedProgram + texts.uninstallCommand + texts.displayIcon;
    return all.empty() ? "" : "a refused folder left texts behind";
  }
  if (!fits) return "a program path beyond 259 characters was composed";
  if (texts.folder != folder) return Quote(texts.folder) + " should be " + Quote(folder);
  if (texts.programPath != program) return Quote(texts.programPath) + " should be " + Quote(program);
  if (texts.openCommand != "\"" + program + "\" \"%1\"") return "open command " + Quote(texts.openCommand);
  if (texts.browseCommand != "\"" + program + "\" \"%1 /thumbs\"") return "browse command " + Quote(texts.browseCommand);
  if (texts.quotedProgram != "\"" + program + "\"") return "quoted program " + Quote(texts.quotedProgram);
  if (texts.uninstallCommand != "\"" + folder + "pv_uninstall.exe\"") return "uninstall " + Quote(texts.uninstallCommand);
  if (texts.displayIcon != program + ",0") return "icon " + Quote(texts.displayIcon);
  return "";
}

std::string CheckSkinChoice(SkinRule rule, int height, int scale) {
  auto rankOf = [rule](int h, int s) {
    const ToolbarSkin skin = rule(h, s);
    return SkinRank(skin.skin, skin.size);
  };
  const int rank = rankOf(height, scale);
  if (rank < 0) return "an unknown skin or a size that does not match it";
  if (height < INT_MAX && rankOf(height + 1, scale) < rank) return "a taller screen got a smaller skin";
  if (scale < INT_MAX && rankOf(height, scale + 1) < rank) return "a larger scale got a smaller skin";
  return "";
}

std::string CheckScaleFromDpi(int dpi, int scale) {
  if (dpi >= 0 && dpi <= 100000) {
    if (scale != dpi * 100 / 96) return "scale " + std::to_string(scale) + " for " + std::to_string(dpi) + " dpi";
  }
  return "";
}

}  // namespace pxprop
