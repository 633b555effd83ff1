// What the setup ships: the archive's layout, and that every file in it is
// what its name promises (a loadable DLL, a PNG of the right size, German
// Windows-1252 text, a viewer with the icons the links point at).
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "payload/release_date.h"
#include "support/px_test_support.h"

using namespace pxtest;

namespace {

struct Entry {
  std::string name;
  bool directory = false;
  unsigned long method = 0;
  unsigned long dosDate = 0;
  tm_unz time = {};
  std::string data;
  bool crcOk = false;
};

// Every entry in central-directory order, file data included.
std::vector<Entry> ReadArchive() {
  std::vector<Entry> entries;
  unzFile archive = unzOpen64(PayloadArchivePath().c_str());
  if (archive == nullptr) return entries;
  for (int status = unzGoToFirstFile(archive); status == UNZ_OK; status = unzGoToNextFile(archive)) {
    unz_file_info64 info;
    char name[520];
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) break;
    Entry entry;
    entry.name = name;
    entry.directory = !entry.name.empty() && entry.name.back() == '/';
    entry.method = info.compression_method;
    entry.dosDate = info.dosDate;
    entry.time = info.tmu_date;
    if (unzOpenCurrentFile(archive) == UNZ_OK) {
      char chunk[8192];
      int got;
      while ((got = unzReadCurrentFile(archive, chunk, sizeof(chunk))) > 0) entry.data.append(chunk, got);
      entry.crcOk = got == 0 && unzCloseCurrentFile(archive) == UNZ_OK;
    }
    entries.push_back(entry);
  }
  unzClose(archive);
  return entries;
}

const std::vector<Entry>& Archive() {
  static const std::vector<Entry> entries = ReadArchive();
  return entries;
}

const Entry* Find(const std::string& name) {
  for (const Entry& entry : Archive()) {
    if (_stricmp(entry.name.c_str(), name.c_str()) == 0) return &entry;
  }
  return nullptr;
}

// Writes an archived file out, so Windows can load it as it will after installing.
std::string Unpack(const Entry& entry, const std::string& folder) {
  std::string path = folder + entry.name.substr(entry.name.find_last_of('/') + 1);
  WriteFileBytes(path, entry.data);
  return path;
}

unsigned BigEndian32(const std::string& bytes, size_t at) {
  return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
         (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
}

void* Export(HMODULE module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

class Payload : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef PX_PAYLOAD_FROM_ELSEWHERE
    GTEST_SKIP() << "the archive was packed from PIXORRA_PAYLOAD_DIR";
#endif
    ASSERT_FALSE(Archive().empty()) << "cannot read " << PayloadArchivePath();
  }
};

}  // namespace

TEST_F(Payload, ThirtyEightEntriesWithFiveFoldersListedBeforeTheirFiles) {
  EXPECT_EQ(38u, Archive().size());
  std::vector<std::string> folders;
  for (size_t i = 0; i < Archive().size(); ++i) {
    const Entry& entry = Archive()[i];
    EXPECT_EQ(std::string::npos, entry.name.find('\\')) << entry.name;
    EXPECT_TRUE(entry.method == 0 || entry.method == Z_DEFLATED) << entry.name;
    if (entry.directory) {
      folders.push_back(entry.name);
      EXPECT_EQ(0u, entry.data.size()) << entry.name;
      continue;
    }
    EXPECT_TRUE(entry.crcOk) << entry.name;
    size_t slash = entry.name.find('/');
    if (slash != std::string::npos) {
      std::string folder = entry.name.substr(0, slash + 1);
      EXPECT_NE(folders.end(), std::find(folders.begin(), folders.end(), folder))
          << entry.name << " comes before its folder's entry";
    }
  }
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ((std::vector<std::string>{"Help/", "Html/", "Languages/", "Plugins/", "Toolbars/"}), folders);
}

TEST_F(Payload, ShipsNoSettingsFile) {
  // The setup writes px_main64.ini itself; a shipped one would reset the
  // user's settings on every update.
  for (const Entry& entry : Archive()) {
    std::string name = entry.name.substr(entry.name.find_last_of('/') + 1);
    EXPECT_NE(0, _stricmp(name.c_str(), "px_main64.ini")) << entry.name;
  }
}

TEST_F(Payload, HoldsEveryFileThatLinksAndSettingsName) {
  for (const char* name : {"px_main64.exe", "pv_uninstall.exe", "px_about.txt", "px_changes.txt", "px_options.txt",
                           "px_plugins.txt", "px_languages.txt", "help/px_main32_deutsch.chm",
                           "Languages/DEUTSCH.DLL", "Toolbars/gnome-colors-human_48.png",
                           "Toolbars/gnome-colors-wise_32.png", "Toolbars/Kestrand_24.png", "Toolbars/Tobrin_16.png"}) {
    const Entry* entry = Find(name);
    ASSERT_NE(nullptr, entry) << name;
    EXPECT_FALSE(entry->data.empty()) << name;
  }
}

TEST_F(Payload, EntriesCarryRealDosTimes) {
  // Unpacking dates every file from its entry; a zero date would show 1980.
  for (const Entry& entry : Archive()) {
    EXPECT_GE(entry.time.tm_year, 2020) << entry.name;
    EXPECT_LE(entry.time.tm_year, 2107) << entry.name;
    EXPECT_EQ(0, entry.time.tm_sec % 2) << entry.name;
    EXPECT_NE(0x00210000u, entry.dosDate) << entry.name;  // 1980-01-01 00:00:00
  }
}

TEST_F(Payload, EveryEntryCarriesTheReleaseDate) {
  SYSTEMTIME release = {};
  ASSERT_TRUE(releasetest::ReleaseTime(&release));
  for (const Entry& entry : Archive()) {
    SYSTEMTIME stamp = {};
    stamp.wYear = static_cast<WORD>(entry.time.tm_year);
    stamp.wMonth = static_cast<WORD>(entry.time.tm_mon + 1);
    stamp.wDay = static_cast<WORD>(entry.time.tm_mday);
    stamp.wHour = static_cast<WORD>(entry.time.tm_hour);
    stamp.wMinute = static_cast<WORD>(entry.time.tm_min);
    stamp.wSecond = static_cast<WORD>(entry.time.tm_sec);
    EXPECT_EQ(releasetest::Show(release), releasetest::Show(stamp)) << entry.name;
  }
}

TEST_F(Payload, LargeFilesAreDeflated) {
  for (const char* name : {"px_main64.exe", "pv_uninstall.exe", "px_about.txt"}) {
    const Entry* entry = Find(name);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(static_cast<unsigned long>(Z_DEFLATED), entry->method) << name;
  }
}

TEST_F(Payload, DocumentsAreGermanWindows1252WithCrLf) {
  for (const char* name : {"px_about.txt", "px_changes.txt", "px_options.txt", "px_plugins.txt", "px_languages.txt"}) {
    const Entry* entry = Find(name);
    ASSERT_NE(nullptr, entry) << name;
    const std::string& text = entry->data;
    bool umlaut = false;
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == '\n') {
        EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << name << ": bare LF at " << i;
      }
      if (c == '\r') {
        EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << name << ": bare CR at " << i;
      }
      // UTF-8 would put 0xC3 before every umlaut.
      EXPECT_NE(0xC3, c) << name << ": UTF-8 at " << i;
      umlaut = umlaut || c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xDF || c == 0xC4 || c == 0xD6 || c == 0xDC;
    }
    EXPECT_TRUE(umlaut) << name << " has no German umlaut";
    EXPECT_EQ("\r\n", text.substr(text.size() - 2)) << name;
  }
}

TEST_F(Payload, ToolbarSkinsArePngStripsOfTheirButtonSize) {
  const std::map<std::string, unsigned> sizes = {{"gnome-colors-human_48.png", 48},
                                                 {"gnome-colors-wise_32.png", 32},
                                                 {"Kestrand_24.png", 24},
                                                 {"Tobrin_16.png", 16}};
  for (const auto& skin : sizes) {
    const Entry* entry = Find("Toolbars/" + skin.first);
    ASSERT_NE(nullptr, entry) << skin.first;
    const std::string& png = entry->data;
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, 8)) << skin.first;
    EXPECT_EQ("IHDR", png.substr(12, 4));
    unsigned width = BigEndian32(png, 16), height = BigEndian32(png, 20);
    EXPECT_EQ(skin.second, height) << skin.first;
    EXPECT_EQ(0u, width % height) << skin.first;
    EXPECT_GE(width / height, 8u) << skin.first;
    EXPECT_EQ("IEND", png.substr(png.size() - 8, 4)) << skin.first;
  }
}

TEST_F(Payload, LanguageModuleIsAGermanResourceDll) {
  std::string dir = MakeTempFolder("payload_language");
  const Entry* entry = Find("Languages/DEUTSCH.DLL");
  ASSERT_NE(nullptr, entry);
  std::string path = Unpack(*entry, dir);
  // The viewer loads it as a plain DLL: no code runs, the strings are read.
  HMODULE module = LoadLibraryA(path.c_str());
  ASSERT_NE(nullptr, module) << GetLastError();
  wchar_t text[64];
  ASSERT_GT(LoadStringW(module, 1, text, 64), 0);
  EXPECT_STREQ(L"Deutsch", text);
  ASSERT_GT(LoadStringW(module, 3, text, 64), 0);
  EXPECT_STREQ(L"\u00d6ffnen...", text);
  FreeLibrary(module);
  RemoveFolderTree(dir);
}

TEST_F(Payload, PluginsLoadAndNameThemselves) {
  std::string dir = MakeTempFolder("payload_plugins");
  int plugins = 0;
  for (const Entry& entry : Archive()) {
    if (entry.directory || entry.name.rfind("Plugins/", 0) != 0) continue;
    ++plugins;
    std::string path = Unpack(entry, dir);
    HMODULE module = LoadLibraryA(path.c_str());
    ASSERT_NE(nullptr, module) << entry.name << ": " << GetLastError();
    auto interfaceVersion = reinterpret_cast<int (*)()>(Export(module, "PxPluginInterface"));
    auto fileName = reinterpret_cast<const char* (*)()>(Export(module, "PxPluginFile"));
    auto description = reinterpret_cast<const char* (*)()>(Export(module, "PxPluginDescription"));
    ASSERT_TRUE(interfaceVersion && fileName && description) << entry.name;
    EXPECT_EQ(0x0442, interfaceVersion());
    EXPECT_EQ(entry.name.substr(8), fileName());
    EXPECT_GT(std::strlen(description()), 5u);
    FreeLibrary(module);
  }
  EXPECT_GE(plugins, 3);
  RemoveFolderTree(dir);
}

TEST_F(Payload, ViewerCarriesTheIconTheThumbnailLinksUse) {
  std::string dir = MakeTempFolder("payload_viewer");
  const Entry* entry = Find("px_main64.exe");
  ASSERT_NE(nullptr, entry);
  std::string path = Unpack(*entry, dir);
  // The thumbnail links name icon index 7 of the program.
  EXPECT_GE(ExtractIconExA(path.c_str(), -1, nullptr, nullptr, 0), 8u);
  HICON large = nullptr;
  EXPECT_EQ(1u, ExtractIconExA(path.c_str(), 7, &large, nullptr, 1));
  if (large != nullptr) DestroyIcon(large);
  RemoveFolderTree(dir);
}
