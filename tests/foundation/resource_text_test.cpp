// The program's texts as callers receive them: the eleven messages in
// Windows-1252, cut safely into fixed buffers, converted for other thread code
// pages, and the release notes taken by their size.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "foundation/setup_image.h"
#include "platform/resource_text.h"
#include "resources/resource.h"

namespace {

// UTF-8 (as written in this file) to Windows-1252 for the Latin-1 letters the
// messages use; anything else becomes "<?>" so a comparison fails visibly.
std::string Cp1252(const char* utf8) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) {
    if (*p < 0x80) {
      out += static_cast<char>(*p);
    } else if ((*p == 0xC2 || *p == 0xC3) && (p[1] & 0xC0) == 0x80) {
      out += static_cast<char>(((*p & 0x03) << 6) | (p[1] & 0x3F));
      ++p;
    } else {
      out += "<?>";
    }
  }
  return out;
}

struct Message {
  unsigned id;
  const char* text;  // UTF-8
};

const Message kMessages[] = {
    {1, "&Beenden"},
    {2, "&Fertig stellen"},
    {3, "Installation beenden?"},
    {4, "Pixorra 64-bit Installation"},
    {5, "Ungültiges Zielverzeichnis!"},
    {6, "Zielverzeichnis"},
    {7, "Fehler beim Installieren!\n\nÜberprüfen Sie bitte ob Pixorra läuft, das "
        "Zielverzeichnis voll ist oder keine Schreibrechte vorhanden sind!"},
    {8, "Zielverzeichnis:"},
    {9, "Sie möchten die aktuellen Verknüpfungen ändern und einen oder mehrere Dateitypen "
        "mit Pixorra verknüpfen!\n\nSind Sie sicher!?"},
    {10, "Warnung: Pixorra läuft!\nBeenden Sie bitte Pixorra bevor Sie mit der Installation "
         "fortsetzen!"},
    {11, "Kann Zielverzeichnis nicht erstellen!\n\nBitte überprüfen Sie Ihre Schreibrechte und "
         "System-Policies!\n\nVersuchen Sie das Zielverzeichnis zuerst händisch zu erstellen."},
};

// Runs the thread under another locale for one test; the thread's code page
// follows the locale.
class ScopedThreadLocale {
 public:
  explicit ScopedThreadLocale(LCID locale) : previous_(GetThreadLocale()) {
    ok_ = SetThreadLocale(locale) != FALSE;
  }
  ~ScopedThreadLocale() { SetThreadLocale(previous_); }
  bool ok() const { return ok_; }

 private:
  LCID previous_;
  bool ok_ = false;
};

const LCID kRussian = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT);
const LCID kJapanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);
const LCID kGerman = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

TEST(ResourceStrings, AllElevenInWindows1252) {
  ScopedThreadLocale german(kGerman);
  for (const Message& message : kMessages) {
    EXPECT_EQ(LoadResourceString(message.id), Cp1252(message.text)) << "string " << message.id;
  }
  // The umlauts by their Windows-1252 bytes, not through this file's encoding.
  EXPECT_EQ(LoadResourceString(IDS_INVALID_FOLDER).substr(0, 5), "Ung\xFCl");
  EXPECT_EQ(LoadResourceString(IDS_INSTALL_FAILED).substr(27, 4), "\xDC" "ber");
  EXPECT_EQ(LoadResourceString(IDS_ASSOCIATE_QUESTION).substr(0, 8), "Sie m\xF6" "ch");
  EXPECT_NE(LoadResourceString(IDS_ASSOCIATE_QUESTION).find("\xE4ndern"), std::string::npos);
  EXPECT_NE(LoadResourceString(IDS_VIEWER_RUNNING).find("l\xE4uft!\nBeenden"), std::string::npos);
  EXPECT_NE(LoadResourceString(IDS_CANNOT_CREATE_FOLDER).find("h\xE4ndisch"), std::string::npos);
}

TEST(ResourceStrings, MissingIdsGiveEmptyText) {
  EXPECT_EQ(LoadResourceString(0), "");     // empty slot in the first block
  EXPECT_EQ(LoadResourceString(12), "");    // after the last message, same block
  EXPECT_EQ(LoadResourceString(5000), "");  // block that does not exist
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(LoadResourceString(12, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(ResourceStrings, FitTheBuffersTheirCallersUse) {
  ScopedThreadLocale german(kGerman);
  char silentStart[260];
  EXPECT_EQ(LoadResourceString(IDS_VIEWER_RUNNING, silentStart, sizeof silentStart),
            static_cast<int>(Cp1252(kMessages[9].text).size()));
  EXPECT_EQ(std::string(silentStart), Cp1252(kMessages[9].text));

  char word[50];
  EXPECT_EQ(LoadResourceString(IDS_TARGET_FOLDER_WORD, word, sizeof word), 15);
  EXPECT_STREQ(word, "Zielverzeichnis");
  char title[50];
  EXPECT_EQ(LoadResourceString(IDS_BROWSE_TITLE, title, sizeof title), 16);
  EXPECT_STREQ(title, "Zielverzeichnis:");
}

TEST(ResourceStrings, TooSmallBufferIsCutAndNeverOverrun) {
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(LoadResourceString(IDS_CAPTION, buffer, 8), 7);
  EXPECT_STREQ(buffer, "Pixorra");
  for (size_t i = 8; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << "byte " << i;

  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(LoadResourceString(IDS_CAPTION, buffer, 1), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], '#');

  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(LoadResourceString(IDS_CAPTION, buffer, 0), 0);
  EXPECT_EQ(buffer[0], '#') << "a zero-sized buffer must stay untouched";
  EXPECT_EQ(LoadResourceString(IDS_CAPTION, nullptr, 50), 0);
}

// Under a Cyrillic thread code page the umlauts have no place of their own;
// the conversion falls back to the nearest Latin letter.
TEST(ResourceStrings, FollowTheThreadCodePage) {
  ScopedThreadLocale russian(kRussian);
  ASSERT_TRUE(russian.ok());
  const std::string invalid = LoadResourceString(IDS_INVALID_FOLDER);
  EXPECT_EQ(invalid, "Ungultiges Zielverzeichnis!");
  EXPECT_EQ(LoadResourceString(IDS_VIEWER_RUNNING).substr(0, 23), "Warnung: Pixorra lauft!");
  EXPECT_EQ(LoadResourceString(IDS_INSTALL_FAILED).substr(27, 9), "Uberprufe");

  char buffer[50];
  EXPECT_EQ(LoadResourceString(IDS_INVALID_FOLDER, buffer, sizeof buffer), 27);
  EXPECT_STREQ(buffer, "Ungultiges Zielverzeichnis!");
}

// In a double-byte code page a cut must not leave half a character behind:
// the next string function would read the terminator as its second byte.
TEST(ResourceStrings, CutKeepsDoubleByteCharactersWhole) {
  ScopedThreadLocale japanese(kJapanese);
  ASSERT_TRUE(japanese.ok());
  const std::string whole = LoadResourceString(900);
  ASSERT_EQ(whole.size(), 1u + 7 * 2) << "'A' and seven double-byte characters";
  ASSERT_TRUE(IsDBCSLeadByteEx(932, static_cast<BYTE>(whole[1])));

  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  // Room for 4 bytes: 'A' and one whole character; the next would be split.
  EXPECT_EQ(LoadResourceString(900, buffer, 5), 3);
  EXPECT_EQ(std::string(buffer), whole.substr(0, 3));
  EXPECT_EQ(buffer[4], '#');
  EXPECT_EQ(LoadResourceString(900, buffer, 6), 5);
  EXPECT_EQ(std::string(buffer), whole.substr(0, 5));
}

TEST(ReleaseNotes, ExactlyTheResourceBytes) {
  std::string notes = "left over";
  ASSERT_TRUE(LoadReleaseNotes(notes));
  const std::string source =
      pxtest::ReadWholeFile("Z:" PX_SOURCE_DIR "/src/resources/release_notes.txt");
  ASSERT_FALSE(source.empty());
  // Taken by size: nothing of the memory after the resource, no terminator.
  EXPECT_EQ(notes.size(), source.size());
  EXPECT_TRUE(notes == source);
  EXPECT_EQ(notes.find('\0'), std::string::npos);
}

TEST(ReleaseNotes, GermanTextWithHeadingAndDashedLines) {
  std::string notes;
  ASSERT_TRUE(LoadReleaseNotes(notes));
  EXPECT_GE(notes.size(), 1200u);
  EXPECT_LE(notes.size(), 1600u);
  // Every line break is CR LF: a multi-line edit shows a lone LF as a box.
  for (size_t i = 0; i < notes.size(); ++i) {
    if (notes[i] == '\n') {
      EXPECT_TRUE(i > 0 && notes[i - 1] == '\r') << "bare LF at " << i;
    }
    if (notes[i] == '\r') {
      EXPECT_TRUE(i + 1 < notes.size() && notes[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  size_t lineStart = notes.find("\r\n");
  ASSERT_NE(lineStart, std::string::npos);
  const std::string heading = notes.substr(0, lineStart);
  EXPECT_NE(heading.find("4.42"), std::string::npos) << heading;
  EXPECT_NE(heading.find_first_of("0123456789", heading.find("4.42") + 4), std::string::npos)
      << "heading without a date: " << heading;
  int bullets = 0;
  for (size_t at = lineStart + 2; at < notes.size();) {
    size_t end = notes.find("\r\n", at);
    if (end == std::string::npos) end = notes.size();
    EXPECT_EQ(notes.compare(at, 2, "- "), 0) << notes.substr(at, end - at);
    ++bullets;
    at = end + 2;
  }
  EXPECT_GE(bullets, 10);
  // Windows-1252, not UTF-8: umlauts are single bytes.
  EXPECT_NE(notes.find('\xFC'), std::string::npos);
  EXPECT_EQ(notes.find("\xC3\xBC"), std::string::npos);
}

}  // namespace
