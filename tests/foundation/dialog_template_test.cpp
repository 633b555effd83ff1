// The wizard's page templates as the built setup carries them: every control
// with its id, kind, text and position, and the page frame the sheet needs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "foundation/setup_image.h"
#include "resources/resource.h"

namespace {

using pxtest::DialogItem;
using pxtest::DialogTemplate;

enum class Kind {
  Text,          // left-aligned static text
  Picture,       // static showing bitmap 113
  GroupBox,
  CheckBox,      // automatic check box
  RadioFirst,    // automatic radio button that starts its group
  Radio,         // automatic radio button inside a group
  Button,        // push button (never the default button)
  FolderEdit,    // single-line edit, border, horizontal scrolling
  NotesEdit,     // multi-line read-only edit, border, vertical scroll bar
  FormatList,    // report list view
  ProgressNote,  // centred static, hidden until the installation runs
};

struct Expected {
  int id;  // -1: no id
  Kind kind;
  const char* text;  // UTF-8
  int x, y, cx, cy;
};

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Text: return "text";
    case Kind::Picture: return "picture";
    case Kind::GroupBox: return "group box";
    case Kind::CheckBox: return "check box";
    case Kind::RadioFirst: return "first radio button";
    case Kind::Radio: return "radio button";
    case Kind::Button: return "push button";
    case Kind::FolderEdit: return "folder edit";
    case Kind::NotesEdit: return "notes edit";
    case Kind::FormatList: return "list view";
    case Kind::ProgressNote: return "progress note";
  }
  return "?";
}

bool SameClass(const std::string& actual, const char* expected) {
  return lstrcmpiA(actual.c_str(), expected) == 0;
}

// Empty when the item is of the expected kind, otherwise what is wrong.
std::string KindProblem(const DialogItem& item, Kind kind) {
  const DWORD s = item.style;
  std::string problems;
  auto require = [&](bool condition, const char* what) {
    if (!condition) problems += std::string(" ") + what + ";";
  };
  require(s & WS_CHILD, "WS_CHILD missing");
  if (kind == Kind::ProgressNote) {
    require(!(s & WS_VISIBLE), "must start hidden");
  } else {
    require(s & WS_VISIBLE, "WS_VISIBLE missing");
  }
  switch (kind) {
    case Kind::Text:
      require(SameClass(item.className, "Static"), "class is not Static");
      require((s & SS_TYPEMASK) == SS_LEFT, "not SS_LEFT");
      break;
    case Kind::Picture:
      require(SameClass(item.className, "Static"), "class is not Static");
      require((s & SS_TYPEMASK) == SS_BITMAP, "not SS_BITMAP");
      require(item.textOrdinal == IDB_LOGO, "does not show bitmap 113");
      break;
    case Kind::ProgressNote:
      require(SameClass(item.className, "Static"), "class is not Static");
      require((s & SS_TYPEMASK) == SS_CENTER, "not SS_CENTER");
      require(s & SS_CENTERIMAGE, "SS_CENTERIMAGE missing");
      break;
    case Kind::GroupBox:
      require(SameClass(item.className, "Button"), "class is not Button");
      require((s & BS_TYPEMASK) == BS_GROUPBOX, "not BS_GROUPBOX");
      break;
    case Kind::CheckBox:
      require(SameClass(item.className, "Button"), "class is not Button");
      require((s & BS_TYPEMASK) == BS_AUTOCHECKBOX, "not BS_AUTOCHECKBOX");
      require(s & WS_TABSTOP, "WS_TABSTOP missing");
      break;
    case Kind::RadioFirst:
    case Kind::Radio:
      require(SameClass(item.className, "Button"), "class is not Button");
      require((s & BS_TYPEMASK) == BS_AUTORADIOBUTTON, "not BS_AUTORADIOBUTTON");
      require(s & WS_TABSTOP, "WS_TABSTOP missing");
      if (kind == Kind::RadioFirst) {
        require(s & WS_GROUP, "first of its group without WS_GROUP");
      } else {
        require(!(s & WS_GROUP), "WS_GROUP splits the radio group");
      }
      break;
    case Kind::Button:
      require(SameClass(item.className, "Button"), "class is not Button");
      require((s & BS_TYPEMASK) == BS_PUSHBUTTON, "not BS_PUSHBUTTON");
      require(s & WS_TABSTOP, "WS_TABSTOP missing");
      break;
    case Kind::FolderEdit:
      require(SameClass(item.className, "Edit"), "class is not Edit");
      require(s & ES_AUTOHSCROLL, "ES_AUTOHSCROLL missing");
      require(s & WS_BORDER, "WS_BORDER missing");
      require(!(s & (ES_MULTILINE | ES_READONLY)), "must be a writable single line");
      require(s & WS_TABSTOP, "WS_TABSTOP missing");
      break;
    case Kind::NotesEdit:
      require(SameClass(item.className, "Edit"), "class is not Edit");
      require(s & ES_MULTILINE, "ES_MULTILINE missing");
      require(s & ES_READONLY, "ES_READONLY missing");
      require(s & WS_VSCROLL, "WS_VSCROLL missing");
      require(s & WS_BORDER, "WS_BORDER missing");
      break;
    case Kind::FormatList:
      require(SameClass(item.className, "SysListView32"), "class is not SysListView32");
      require((s & LVS_TYPEMASK) == LVS_REPORT, "not LVS_REPORT");
      require(s & LVS_SINGLESEL, "LVS_SINGLESEL missing");
      require(s & LVS_NOSORTHEADER, "LVS_NOSORTHEADER missing");
      require(s & WS_BORDER, "WS_BORDER missing");
      require(s & WS_TABSTOP, "WS_TABSTOP missing");
      break;
  }
  return problems;
}

DialogTemplate LoadTemplate(int id) {
  pxtest::SetupResources setup;
  EXPECT_TRUE(setup.loaded()) << pxtest::SetupExecutable();
  bool found = false;
  std::string bytes = setup.Bytes(RT_DIALOG, MAKEINTRESOURCEA(id), &found);
  EXPECT_TRUE(found) << "dialog template " << id << " missing";
  return pxtest::ParseDialogTemplate(bytes.data(), bytes.size());
}

// Compares a page template with its table, item by item in tab order.
void ExpectTemplate(int id, const std::vector<Expected>& expected) {
  SCOPED_TRACE("template " + std::to_string(id));
  DialogTemplate dialog = LoadTemplate(id);
  ASSERT_TRUE(dialog.valid);

  // A child page of a wizard sheet: the sheet shows the caption, and pages
  // stay disabled until the sheet activates them.
  const DWORD frame = DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION;
  EXPECT_EQ(dialog.style & frame, frame) << std::hex << dialog.style;
  EXPECT_EQ(dialog.style & (WS_POPUP | WS_VISIBLE), 0u) << std::hex << dialog.style;
  EXPECT_EQ(dialog.cx, 300);
  EXPECT_EQ(dialog.cy, 222);
  EXPECT_EQ(dialog.caption, "Pixorra 64-bit Setup");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.fontName, "MS Sans Serif");

  ASSERT_EQ(dialog.items.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const Expected& want = expected[i];
    const DialogItem& item = dialog.items[i];
    SCOPED_TRACE("item " + std::to_string(i) + " (" + KindName(want.kind) + " " +
                 std::to_string(want.id) + ")");
    EXPECT_EQ(item.id, want.id);
    EXPECT_EQ(KindProblem(item, want.kind), "") << "style " << std::hex << item.style;
    if (want.kind != Kind::Picture) {
      EXPECT_EQ(item.text, want.text);
    }
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
  }

  // Arrow keys move within a radio group up to the next control that starts
  // a group; without that stop they would wander into the following button.
  for (size_t i = 0; i + 1 < dialog.items.size(); ++i) {
    const bool radio = (dialog.items[i].style & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
                       SameClass(dialog.items[i].className, "Button");
    const DialogItem& next = dialog.items[i + 1];
    const bool nextRadio = (next.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
                           SameClass(next.className, "Button");
    if (radio && !nextRadio) {
      EXPECT_TRUE(next.style & WS_GROUP) << "control " << next.id << " does not end the radio group";
    }
  }
}

TEST(DialogTemplates, WelcomePage) {
  ExpectTemplate(IDD_WELCOME, {
      {-1, Kind::Picture, "", 9, 7, 59, 19},
      {IDC_WELCOME_TITLE, Kind::Text, "Willkommen zur Pixorra 64 Installation!", 71, 10, 228, 32},
      {-1, Kind::Text,
       "Dieses Programm wird Pixorra Version  4.42  (64 bit) auf Ihrem PC installieren.",
       9, 48, 287, 11},
      {-1, Kind::GroupBox, "Verknüpfungen erzeugen:", 9, 72, 281, 79},
      {IDC_DESKTOP_LINK, Kind::CheckBox, "Pixorra-Verknüpfung auf dem &Desktop", 17, 86, 173, 9},
      {IDC_THUMBS_LINK, Kind::CheckBox, "Thu&mbnails-Verknüpfung auf dem &Desktop", 17, 98, 192, 9},
      {IDC_GROUP_LINK, Kind::CheckBox, "Pixorra-Verknüpfung im Start-Menü -> &Programme",
       17, 110, 199, 9},
      {IDC_CURRENT_USER, Kind::RadioFirst, "Nur für den aktuellen &Benutzer", 17, 125, 114, 9},
      {IDC_ALL_USERS, Kind::Radio, "Für &alle Benutzer", 17, 136, 139, 9},
      {IDC_NO_LINKS, Kind::Button, "&Keine", 234, 95, 50, 15},
      {-1, Kind::GroupBox, "Zielverzeichnis:", 9, 165, 281, 33},
      {IDC_TARGET_FOLDER, Kind::FolderEdit, "", 17, 177, 212, 12},
      {IDC_BROWSE, Kind::Button, "D&urchsuchen", 234, 176, 50, 15},
      {IDC_EULA_LINK, Kind::Text, "Pixorra EULA", 9, 207, 54, 10},
      {-1, Kind::Text, "(End User License Agreement) lesen.", 63, 207, 150, 10},
  });
}

TEST(DialogTemplates, WhatsNewPage) {
  ExpectTemplate(IDD_WHATS_NEW, {
      {-1, Kind::Text, "Was ist neu in dieser Version?", 0, 0, 113, 9},
      {IDC_TARGET_FOLDER, Kind::NotesEdit, "", 0, 11, 299, 211},
  });
}

TEST(DialogTemplates, AssociationPage) {
  ExpectTemplate(IDD_ASSOCIATIONS, {
      {-1, Kind::GroupBox, "Möchten Sie Dateien mit Pixorra verknüpfen? (optional !)",
       0, 0, 299, 204},
      {IDC_FORMAT_LIST, Kind::FormatList, "", 7, 11, 285, 171},
      {-1, Kind::Text,
       "Info: wenn Sie ein Update durchführen, können Sie diesen Schritt überspringen",
       7, 188, 285, 8},
      {-1, Kind::Text, "* - PlugIns", 0, 209, 40, 10},
      {IDC_IMAGES_ONLY, Kind::Button, "Nur Bilder", 45, 207, 56, 15},
      {IDC_SELECT_ALL, Kind::Button, "Alle markieren", 106, 207, 56, 15},
      {IDC_SELECT_NONE, Kind::Button, "Keine markieren", 167, 207, 56, 15},
  });
}

TEST(DialogTemplates, ReadyPage) {
  ExpectTemplate(IDD_READY, {
      {IDC_READY_TITLE, Kind::Text, "Bereit zum Installieren!", 9, 11, 179, 14},
      {-1, Kind::Picture, "", 227, 8, 59, 19},
      {IDC_READY_FOLDER, Kind::Text, "Zielverzeichnis:", 9, 53, 260, 10},
      {-1, Kind::GroupBox, "INI-Verzeichnis ändern (für Fortgeschrittene):", 9, 83, 281, 40},
      {IDC_INI_PROGRAM_FOLDER, Kind::RadioFirst, "&Pixorra-Verzeichnis", 17, 96, 83, 10},
      {IDC_INI_APPDATA_FOLDER, Kind::Radio,
       "\"&Anwendungsdaten\"-Verzeichnis (empfohlen für Vista, Win 7, Win 8, Win 10)",
       17, 110, 266, 10},
      {IDC_PROGRESS_NOTE, Kind::ProgressNote, "Installiere ... bitte warten ...", 19, 161, 260, 15},
      {-1, Kind::Text,
       "Drücken Sie den \"Weiter\" Knopf um die Installation zu starten ...", 9, 189, 235, 12},
  });
}

TEST(DialogTemplates, FinishPage) {
  ExpectTemplate(IDD_FINISH, {
      {IDC_FINISH_TITLE, Kind::Text, "Einrichtung abgeschlossen!", 5, 11, 186, 18},
      {-1, Kind::Picture, "", 235, 8, 59, 19},
      {-1, Kind::Text,
       "Die Installation dieses Programms auf Ihrem Computer ist abgeschlossen.", 5, 35, 288, 8},
      {-1, Kind::Text, "Anschließend ...", 5, 144, 265, 9},
      {IDC_SHOW_FAQ, Kind::CheckBox, "Pixorra &FAQs (Häufig gestellte Fragen) Webseite anzeigen",
       5, 159, 265, 10},
      {IDC_START_VIEWER, Kind::CheckBox, "Pixorra &starten", 5, 173, 265, 10},
      {-1, Kind::Text, std::string(72, '_').c_str(), 5, 184, 288, 8},
      {-1, Kind::Text,
       "Pixorra deinstallieren?\n\nGehen Sie zu \"Start->Programme->Pixorra\" und starten Sie "
       "\"Pixorra deinstallieren\".",
       5, 196, 288, 25},
  });
}

// The parser itself must refuse a cut-off template instead of reading past it.
TEST(DialogTemplates, TruncatedTemplateIsRefused) {
  pxtest::SetupResources setup;
  std::string bytes = setup.Bytes(RT_DIALOG, MAKEINTRESOURCEA(IDD_WELCOME));
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(pxtest::ParseDialogTemplate(bytes.data(), bytes.size()).valid);
  for (size_t cut : {size_t{0}, size_t{10}, bytes.size() / 2, bytes.size() - 4}) {
    std::string part = bytes.substr(0, cut);
    EXPECT_FALSE(pxtest::ParseDialogTemplate(part.data(), part.size()).valid) << "cut at " << cut;
  }
}

}  // namespace
