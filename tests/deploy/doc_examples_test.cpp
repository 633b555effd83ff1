// Every command example of the README and docs/, read as the program reads
// it after the shell the example is typed into: accepted or refused as the
// text says, and each option's value the one the example shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/command_arguments.h"
#include "core/command_line.h"
#include "core/progress_rule.h"
#include "support/px_test_support.h"

namespace {

using pxtest::HostToWindowsPath;
using pxtest::ReadFileBytes;

std::string SourcePath(const std::string& relative) {
  return HostToWindowsPath(std::string(PX_SOURCE_DIR) + "/" + relative);
}

// README.md and every page of docs/, by their names in the source tree.
std::vector<std::string> DocumentNames() {
  std::vector<std::string> names = {"README.md"};
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA(SourcePath("docs/*.md").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(std::string("docs/") + found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

// The code of a page: the lines of its code blocks (indented by four blanks
// outside a list, or fenced) and its inline code spans.
std::vector<std::string> CodeOf(const std::string& text) {
  std::vector<std::string> code;
  bool fenced = false;
  bool blankBefore = true;
  for (const std::string& line : Lines(text)) {
    if (StartsWith(line, "```")) {
      fenced = !fenced;
      continue;
    }
    if (fenced || (StartsWith(line, "    ") && blankBefore && line.find_first_not_of(' ') != std::string::npos &&
                   line[line.find_first_not_of(' ')] != '-')) {
      code.push_back(line.substr(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' ')));
      continue;  // a code block's next line is code too
    }
    blankBefore = line.find_first_not_of(' ') == std::string::npos;
    for (std::size_t open = line.find('`'); open != std::string::npos; open = line.find('`', open + 1)) {
      const std::size_t close = line.find('`', open + 1);
      if (close == std::string::npos) break;
      code.push_back(line.substr(open + 1, close - open - 1));
      open = close;
    }
  }
  return code;
}

// The words a POSIX shell (bash) passes on: blanks separate, '...' keeps
// everything, "..." keeps everything but \ before $ ` " \, and a \ outside
// quotes keeps the next character.
std::vector<std::string> ShellWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
    } else if (c == '\'') {
      const std::size_t close = line.find('\'', i + 1);
      word += line.substr(i + 1, close - i - 1);
      i = close == std::string::npos ? line.size() : close;
    } else if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && std::string("$`\"\\").find(line[i + 1]) != std::string::npos) ++i;
        word += line[i];
      }
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// The command line Wine builds from the words it is given: a word with a
// blank or tab goes into double quotes.
std::string WindowsLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    line += ' ';
    line += word.find_first_of(" \t") == std::string::npos ? word : '"' + word + '"';
  }
  return line;
}

// What PowerShell passes from a double-quoted string: $env:NAME filled in
// (with the values a Chocolatey package script sees), `" as a quote.
std::string PowerShellExpanded(std::string text) {
  const std::pair<const char*, const char*> environment[] = {
      {"$env:ChocolateyInstall", "C:\\ProgramData\\chocolatey"},
      {"$env:ChocolateyPackageName", "pixorra"},
      {"$env:ChocolateyPackageVersion", "4.42"},
  };
  for (const auto& variable : environment) {
    for (std::size_t at = text.find(variable.first); at != std::string::npos; at = text.find(variable.first, at)) {
      text.replace(at, std::strlen(variable.first), variable.second);
    }
  }
  for (std::size_t at = text.find("`\""); at != std::string::npos; at = text.find("`\"", at)) text.erase(at, 1);
  return text;
}

struct Example {
  std::string document;
  std::string text;       // as written
  bool uninstaller;       // pv_uninstall.exe's line, else the setup's
  std::string arguments;  // what the program gets behind its path
  std::string written;    // the options as the example writes them
  bool bash = false;      // typed into bash
};

// What a reader takes a written word for: its quote characters are no part
// of the value, and a bash example's \\, \$ and \" stand for one character.
std::string Meant(const std::string& word, bool bash) {
  std::string meant;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '"' || (bash && word[i] == '\'')) continue;
    if (bash && word[i] == '\\' && i + 1 < word.size() && std::string("\\$\"").find(word[i + 1]) != std::string::npos) ++i;
    meant += word[i];
  }
  return meant;
}

// A command example: a code line or span that runs one of the programs
// (typed into bash under Wine: "wine ..." and scripts/), or that shows
// options with a real value ("/folder=C:\...", typed into cmd or, with
// $env:, PowerShell).
bool ReadExample(const std::string& document, const std::string& code, Example* example) {
  example->document = document;
  example->text = code;
  for (const char* program : {"PixorraSetup64.exe", "pv_uninstall.exe", "scripts/run-main.sh"}) {
    const std::size_t at = code.find(program);
    if (at == std::string::npos) continue;
    // The program starts the line: alone, behind "wine ", or in a path
    // (quoted if it has blanks); elsewhere it is some other tool's argument.
    std::string path = code.substr(0, at);
    if (StartsWith(path, "wine ")) path.erase(0, 5);
    const bool quotedPath = StartsWith(path, "\"");
    if (path.find_first_of(quotedPath ? "\" \t" : " \t", quotedPath ? 1 : 0) != std::string::npos) continue;
    example->uninstaller = std::string(program) == "pv_uninstall.exe";
    if (StartsWith(code, "wine ") || StartsWith(code, "scripts/")) {
      example->bash = true;
      example->written = code.substr(code.find(' ', at) == std::string::npos ? code.size() : code.find(' ', at));
      const std::vector<std::string> words = ShellWords(code);
      std::size_t first = 0;
      while (first < words.size() && words[first].find(program) == std::string::npos) ++first;
      example->arguments = WindowsLine(std::vector<std::string>(words.begin() + first + 1, words.end()));
    } else {
      std::size_t behind = at + std::strlen(program);
      if (behind < code.size() && code[behind] == '"') ++behind;
      example->arguments = code.substr(behind);
      example->written = example->arguments;
    }
    // Options follow the program; a name alone, or with a remark behind
    // it, is no example of a command.
    const std::size_t first = example->arguments.find_first_not_of(" \t");
    return first != std::string::npos && (example->arguments[first] == '/' || example->arguments[first] == '"');
  }
  if (StartsWith(code, "/") && code.find('=') != std::string::npos && code.find_first_of(":\\") != std::string::npos) {
    example->uninstaller = false;
    example->arguments = " " + (code.find("$env:") != std::string::npos ? PowerShellExpanded(code) : code);
    example->written = example->arguments;
    return true;
  }
  return false;
}

std::vector<Example> AllExamples() {
  std::vector<Example> examples;
  for (const std::string& document : DocumentNames()) {
    for (const std::string& code : CodeOf(ReadFileBytes(SourcePath(document)))) {
      Example example;
      if (ReadExample(document, code, &example)) examples.push_back(example);
    }
  }
  return examples;
}

// What the text says each example does when it says more than "runs":
// refused before any change, naming the word.
struct Refusal {
  const char* example;
  const char* word;
};
const Refusal kRefusals[] = {
    {"/foldr=D:\\Apps", "/foldr=D:\\Apps"},
    {"/folder=C:\\Q7\\Pix/orra", "/folder=C:\\Q7\\Pix/orra"},
    {"/folder=C:/Apps/Pixorra", "/folder=C:/Apps/Pixorra"},
    {"/folder=C:\\x/y", "/folder=C:\\x/y"},
    {"/log=C:/Logs/x.log", "/log=C:/Logs/x.log"},
};

TEST(DocExamples, TheRulesReadEachAsTheTextSays) {
  const std::vector<Example> examples = AllExamples();
  // The pages really have examples of each kind: a run of the setup, one of
  // the uninstaller, options alone.
  ASSERT_GE(examples.size(), 10u);
  for (const Example& example : examples) {
    SCOPED_TRACE(example.document + ": " + example.text + " -> [" + example.arguments + "]");
    std::string unknown;
    bool refused = FindUnknownOption(example.arguments.c_str(),
                                     example.uninstaller ? kUninstallerOptions : kSetupOptions, &unknown);
    if (!refused && !example.uninstaller) {
      refused = FindOptionFault(example.arguments.c_str(), kWindowedSetupOptions, &unknown) != OptionFault::kNone;
    }
    char log[kPathSize] = {};
    if (!refused && ReadLogOption(example.arguments.c_str(), log) == LogOption::kUnusable) {
      refused = true;
      unknown = WordAt(example.arguments.c_str(), std::strstr(example.arguments.c_str(), "/log="));
    }
    const Refusal* said = nullptr;
    for (const Refusal& refusal : kRefusals) {
      if (example.text == refusal.example) said = &refusal;
    }
    if (said != nullptr) {
      EXPECT_TRUE(refused);
      EXPECT_EQ(said->word, unknown);
      continue;
    }
    EXPECT_FALSE(refused) << unknown;
    // Each value the example shows is the value read: the option's words up
    // to the next word that starts with "/" (words inside a value are the
    // value's), as a reader takes them. A value with a "/" in it is left to
    // the quoting rows of the command-line tests.
    const std::vector<std::string> words = SplitArguments(example.written.c_str());
    for (std::size_t i = 0; i < words.size(); ++i) {
      const std::string plain = Meant(words[i], example.bash);
      const std::size_t equals = plain.find('=');
      if (!StartsWith(plain, "/") || equals == std::string::npos) continue;
      std::string shown = plain.substr(equals + 1);
      for (std::size_t next = i + 1; next < words.size() && !StartsWith(Meant(words[next], example.bash), "/"); ++next) {
        shown += ' ' + Meant(words[next], example.bash);
      }
      if (shown.find('/') != std::string::npos) continue;
      char value[kPathSize] = {};
      ASSERT_TRUE(ExtractOptionValue(example.arguments.c_str(), plain.substr(0, equals + 1).c_str(), value));
      ApplyFolderArgument(value);
      EXPECT_EQ(shown, value) << plain.substr(0, equals + 1);
    }
  }
}

TEST(DocExamples, TheShellRulesTheExamplesGoThrough) {
  struct Row {
    const char* line;
    const char* windows;
  };
  const Row rows[] = {
      {"wine a.exe /ini=%APPDATA%\\Pixorra", " /ini=%APPDATA%Pixorra"},
      {"wine a.exe '/ini=%APPDATA%\\Pixorra'", " /ini=%APPDATA%\\Pixorra"},
      {"wine a.exe \"/ini=%APPDATA%\\\\Pixorra\" \"/x=\\$y\\a\"", " /ini=%APPDATA%\\Pixorra /x=$y\\a"},
      {"wine a.exe /folder=\"C:\\Program Files\\Pixorra\"", " \"/folder=C:\\Program Files\\Pixorra\""},
  };
  for (const Row& row : rows) {
    const std::vector<std::string> words = ShellWords(row.line);
    EXPECT_EQ(row.windows, WindowsLine(std::vector<std::string>(words.begin() + 2, words.end()))) << row.line;
  }
  EXPECT_EQ("/log=\"C:\\ProgramData\\chocolatey\\logs\\pixorra.4.42.install.log\"",
            PowerShellExpanded("/log=`\"$env:ChocolateyInstall\\logs\\$env:ChocolateyPackageName."
                               "$env:ChocolateyPackageVersion.install.log`\""));
}

// What the pages say an option does agrees with what the rules make of it.
TEST(DocExamples, NoPageCallsAWorkingOptionInert) {
  ASSERT_TRUE(progressrule::HasProgressSwitch(" /progress"));
  const char* const inert[] = {"changes nothing", "kept free", "does nothing"};
  for (const std::string& document : DocumentNames()) {
    const std::string text = ReadFileBytes(SourcePath(document));
    // Sentence by sentence (to the next full stop), blank lines and line
    // breaks read as blanks.
    std::string flat;
    for (const std::string& line : Lines(text)) flat += line + ' ';
    for (std::size_t at = flat.find("`/progress`"); at != std::string::npos; at = flat.find("`/progress`", at + 1)) {
      const std::size_t start = flat.rfind(". ", at) == std::string::npos ? 0 : flat.rfind(". ", at);
      const std::string sentence = flat.substr(start, flat.find(". ", at) - start);
      for (const char* words : inert) EXPECT_EQ(std::string::npos, sentence.find(words)) << document << ": " << sentence;
    }
  }
}

}  // namespace
