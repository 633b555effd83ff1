// The usage text as the "/?" box shows it: no tabs, no line the box would
// wrap, continuation lines indented.
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
      // No column: the meaning follows its option, however long the option.
      {"/silent\tohne Fenster installieren", "/silent: ohne Fenster installieren"},
      {"/scope=machine\tf\xfcr den Computer", "/scope=machine: f\xfcr den Computer"},
      // A long line is broken at blanks, its continuation indented.
      {"/log=Datei\tProtokolldatei (sonst Pixorra_Install.log im Startordner), fehlende Ordner werden angelegt",
       "/log=Datei: Protokolldatei (sonst\n    Pixorra_Install.log im Startordner),\n    fehlende Ordner werden angelegt"},
      {"Exit-Codes: 0 entfernt, 1602 abgebrochen, 1603 Fehler (siehe Protokoll), 1618 Pixorra l\xe4uft,",
       "Exit-Codes: 0 entfernt, 1602 abgebrochen,\n    1603 Fehler (siehe Protokoll), 1618\n    Pixorra l\xe4uft,"},
      // Empty lines and short lines are kept; a further tab is a blank.
      {"Aufruf: x.exe\n\nOhne /silent.", "Aufruf: x.exe\n\nOhne /silent."},
      {"/a\tb\tc", "/a: b c"},
      {"", ""},
      // A word longer than a line stays whole.
      {"/ini=Ordner\tC:\\ein\\sehr\\langer\\Ordnername\\ohne\\jedes\\Leerzeichen\\darin\\x x",
       "/ini=Ordner:\n    C:\\ein\\sehr\\langer\\Ordnername\\ohne\\jedes\\Leerzeichen\\darin\\x\n    x"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.box, UsageForBox(row.usage)) << row.usage;
  }
}

}  // namespace
