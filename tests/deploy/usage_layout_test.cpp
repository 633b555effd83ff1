// The usage text as the "/?" box shows it: no tabs, options on lines of
// their own, meanings indented below them, no line the box would wrap.
#include <gtest/gtest.h>

#include <string>

#include "core/usage_layout.h"

namespace {

TEST(UsageLayout, Lines) {
  struct Row {
    const char* usage;
    const char* box;
  };
  const Row rows[] = {
      // The meaning goes below its option, however long the option.
      {"/silent\tohne Fenster installieren", "/silent\n    ohne Fenster installieren"},
      {"/scope=machine\tf\xfcr den Computer", "/scope=machine\n    f\xfcr den Computer"},
      // A long meaning is broken at blanks, each line indented alike.
      {"/log=Datei\tProtokolldatei (sonst Pixorra_Install.log im Startordner), fehlende Ordner werden angelegt",
       "/log=Datei\n    Protokolldatei (sonst Pixorra_Install.log im\n    Startordner), fehlende Ordner werden\n"
       "    angelegt"},
      // A long line without a tab: its continuation is indented.
      {"Exit-Codes: 0 entfernt, 1602 abgebrochen, 1603 Fehler (siehe Protokoll), 1618 Pixorra l\xe4uft,",
       "Exit-Codes: 0 entfernt, 1602 abgebrochen, 1603\n    Fehler (siehe Protokoll), 1618 Pixorra\n    l\xe4uft,"},
      // Empty lines, short lines and a further tab are kept as text.
      {"Aufruf: x.exe\n\nOhne /silent.", "Aufruf: x.exe\n\nOhne /silent."},
      {"/a\tb\tc", "/a\n    b c"},
      {"/a\t", "/a\n"},
      // A word longer than a line stays whole.
      {"/ini=Ordner\tC:\\ein\\sehr\\langer\\Ordnername\\ohne\\jedes\\Leerzeichen\\darin x",
       "/ini=Ordner\n    C:\\ein\\sehr\\langer\\Ordnername\\ohne\\jedes\\Leerzeichen\\darin\n    x"},
      {"", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.box, UsageForBox(row.usage)) << row.usage;
  }
}

TEST(UsageLayout, NoLineWiderThanTheBoxTakesWithoutWrapping) {
  std::string usage = "Aufruf: PixorraSetup64.exe [Optionen]\n\n";
  for (int i = 0; i < 40; ++i) {
    usage += "/option" + std::to_string(i) + "\t" + std::string(i % 9 + 1, 'x');
    for (int word = 0; word < i; ++word) usage += " Wort" + std::string(word % 5, 'e');
    usage += "\n";
  }
  const std::string box = UsageForBox(usage);
  EXPECT_EQ(std::string::npos, box.find('\t'));
  std::size_t start = 0;
  while (start <= box.size()) {
    std::size_t end = box.find('\n', start);
    if (end == std::string::npos) end = box.size();
    EXPECT_LE(end - start, kUsageLineWidth) << box.substr(start, end - start);
    start = end + 1;
  }
}

}  // namespace
