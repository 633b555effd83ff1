// The built setup as a file: what Windows reads before it runs a line of our
// code (headers, imports, manifest) and the resources the program relies on.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "foundation/setup_image.h"
#include "resources/resource.h"

namespace {

// The headers and import names of a PE file, read from its bytes.
class PeFile {
 public:
  explicit PeFile(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < sizeof(IMAGE_DOS_HEADER)) return;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, bytes_.data(), sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return;
    const size_t ntOffset = static_cast<size_t>(dos.e_lfanew);
    if (ntOffset + sizeof(IMAGE_NT_HEADERS64) > bytes_.size()) return;
    std::memcpy(&nt_, bytes_.data() + ntOffset, sizeof nt_);
    if (nt_.Signature != IMAGE_NT_SIGNATURE) return;
    const size_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt_.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt_.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      if (sections + (i + 1) * sizeof section > bytes_.size()) return;
      std::memcpy(&section, bytes_.data() + sections + i * sizeof section, sizeof section);
      sections_.push_back(section);
    }
    valid_ = true;
  }

  bool valid() const { return valid_; }
  const IMAGE_NT_HEADERS64& headers() const { return nt_; }
  bool is64() const { return nt_.OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }

  // Names of the DLLs in the import table and the delay-load table.
  std::vector<std::string> ImportedDlls() const {
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY& imports =
        nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (DWORD at = imports.VirtualAddress; imports.Size && at; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      IMAGE_IMPORT_DESCRIPTOR descriptor;
      if (!ReadRva(at, &descriptor, sizeof descriptor) || descriptor.Name == 0) break;
      names.push_back(StringAt(descriptor.Name));
    }
    const IMAGE_DATA_DIRECTORY& delayed =
        nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    for (DWORD at = delayed.VirtualAddress; delayed.Size && at; at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
      IMAGE_DELAYLOAD_DESCRIPTOR descriptor;
      if (!ReadRva(at, &descriptor, sizeof descriptor) || descriptor.DllNameRVA == 0) break;
      names.push_back(StringAt(descriptor.DllNameRVA));
    }
    return names;
  }

 private:
  bool RvaToOffset(DWORD rva, size_t* offset) const {
    for (const IMAGE_SECTION_HEADER& s : sections_) {
      DWORD extent = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + extent) {
        *offset = s.PointerToRawData + (rva - s.VirtualAddress);
        return *offset < bytes_.size();
      }
    }
    return false;
  }
  bool ReadRva(DWORD rva, void* target, size_t size) const {
    size_t offset;
    if (!RvaToOffset(rva, &offset) || size > bytes_.size() - offset) return false;
    std::memcpy(target, bytes_.data() + offset, size);
    return true;
  }
  std::string StringAt(DWORD rva) const {
    size_t offset;
    if (!RvaToOffset(rva, &offset)) return "?";
    size_t end = bytes_.find('\0', offset);
    return bytes_.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
  }

  std::string bytes_;
  IMAGE_NT_HEADERS64 nt_{};
  std::vector<IMAGE_SECTION_HEADER> sections_;
  bool valid_ = false;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The value of attribute name in the first start tag of element (any
// namespace prefix), or "" when either is missing.
std::string Attribute(const std::string& xml, const std::string& element, const std::string& name,
                      size_t from = 0) {
  size_t tag = xml.find("<" + element, from);
  if (tag == std::string::npos) return {};
  size_t end = xml.find('>', tag);
  std::string inside = xml.substr(tag, end == std::string::npos ? std::string::npos : end - tag);
  size_t at = inside.find(" " + name + "=");
  if (at == std::string::npos) return {};
  at += name.size() + 2;
  if (at >= inside.size()) return {};
  char quote = inside[at];
  size_t close = inside.find(quote, at + 1);
  if (close == std::string::npos) return {};
  return inside.substr(at + 1, close - at - 1);
}

// The text between <element ...> and its end tag.
std::string ElementText(const std::string& xml, const std::string& element) {
  size_t tag = xml.find("<" + element);
  if (tag == std::string::npos) return {};
  size_t start = xml.find('>', tag);
  size_t end = xml.find("</" + element, start);
  if (start == std::string::npos || end == std::string::npos) return {};
  return xml.substr(start + 1, end - start - 1);
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

class SetupExecutableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(setup_.loaded()) << "cannot load " << pxtest::SetupExecutable();
  }
  pxtest::SetupResources setup_;
};

TEST(SetupExecutableFile, IsA64BitGuiProgramForVista) {
  PeFile pe(pxtest::ReadWholeFile(pxtest::SetupExecutable()));
  ASSERT_TRUE(pe.valid()) << pxtest::SetupExecutable();
  EXPECT_EQ(pe.headers().FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  ASSERT_TRUE(pe.is64()) << "not PE32+";
  const IMAGE_OPTIONAL_HEADER64& optional = pe.headers().OptionalHeader;
  EXPECT_EQ(optional.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_EQ(optional.MajorOperatingSystemVersion, 6);
  EXPECT_EQ(optional.MinorOperatingSystemVersion, 0);
  EXPECT_EQ(optional.MajorSubsystemVersion, 6);
  EXPECT_EQ(optional.MinorSubsystemVersion, 0);
}

// The setup is started on bare Windows: a compiler runtime or zlib DLL would
// be missing there although Wine or a development machine happens to have it.
TEST(SetupExecutableFile, ImportsOnlyWindowsDlls) {
  PeFile pe(pxtest::ReadWholeFile(pxtest::SetupExecutable()));
  ASSERT_TRUE(pe.valid());
  const std::set<std::string> windows = {
      "kernel32.dll", "user32.dll",  "gdi32.dll",   "advapi32.dll", "shell32.dll",
      "ole32.dll",    "oleaut32.dll", "comctl32.dll", "shlwapi.dll", "msvcrt.dll",
      "comdlg32.dll", "version.dll", "uxtheme.dll", "ntdll.dll"};
  std::vector<std::string> dlls = pe.ImportedDlls();
  ASSERT_FALSE(dlls.empty());
  for (const std::string& dll : dlls) {
    const std::string name = Lower(dll);
    const bool apiSet = name.rfind("api-ms-win-", 0) == 0;
    EXPECT_TRUE(windows.count(name) || apiSet) << "imports " << dll;
  }
}

TEST_F(SetupExecutableTest, ManifestAsksForHighestLevelCommonControls6AndDpiAwareness) {
  bool found = false;
  const std::string manifest = setup_.Bytes(RT_MANIFEST, MAKEINTRESOURCEA(1), &found);
  ASSERT_TRUE(found) << "no manifest resource 1";
  EXPECT_EQ(Attribute(manifest, "requestedExecutionLevel", "level"), "highestAvailable");
  EXPECT_EQ(Attribute(manifest, "requestedExecutionLevel", "uiAccess"), "false");

  size_t dependency = manifest.find("<dependentAssembly");
  ASSERT_NE(dependency, std::string::npos);
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "name", dependency),
            "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "version", dependency), "6.0.0.0");
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "processorArchitecture", dependency), "amd64");
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "publicKeyToken", dependency),
            "6595b64144ccf1df");

  EXPECT_EQ(Trim(ElementText(manifest, "dpiAware")), "true");
}

TEST_F(SetupExecutableTest, CarriesEveryResourceTheProgramLoads) {
  for (int id : {IDD_WELCOME, IDD_ASSOCIATIONS, IDD_WHATS_NEW, IDD_READY, IDD_FINISH}) {
    EXPECT_TRUE(setup_.Has(RT_DIALOG, MAKEINTRESOURCEA(id))) << "dialog " << id;
  }
  EXPECT_TRUE(setup_.Has("TXT", MAKEINTRESOURCEA(IDR_RELEASE_NOTES)));
  EXPECT_TRUE(setup_.Has(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_PROGRAM)));
  EXPECT_TRUE(setup_.Has(RT_BITMAP, MAKEINTRESOURCEA(IDB_LOGO)));
  EXPECT_TRUE(setup_.Has(RT_STRING, MAKEINTRESOURCEA(1))) << "string block of ids 1 to 15";

  const std::string payload = setup_.Bytes("ZIP", MAKEINTRESOURCEA(IDR_PAYLOAD));
  ASSERT_GE(payload.size(), 4u) << "payload 208 missing";
  EXPECT_EQ(payload.substr(0, 4), std::string("PK\x03\x04", 4)) << "payload is not a ZIP archive";
}

TEST_F(SetupExecutableTest, LogoIs88By31) {
  const std::string bitmap = setup_.Bytes(RT_BITMAP, MAKEINTRESOURCEA(IDB_LOGO));
  ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bitmap.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 88);
  EXPECT_EQ(std::abs(header.biHeight), 31);
  const size_t stride = ((header.biWidth * header.biBitCount + 31) / 32) * 4;
  EXPECT_GE(bitmap.size(), header.biSize + stride * 31) << "pixel rows cut short";
}

// The artwork the wizard scales for screens of more than 96 DPI: the same
// logo at twice the size, so that 192 DPI shows it pixel for pixel.
TEST_F(SetupExecutableTest, LargeLogoIsTwiceTheLogo) {
  const std::string bitmap = setup_.Bytes(RT_BITMAP, MAKEINTRESOURCEA(IDB_LOGO_LARGE));
  ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bitmap.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 176);
  EXPECT_EQ(std::abs(header.biHeight), 62);
  const size_t stride = ((header.biWidth * header.biBitCount + 31) / 32) * 4;
  EXPECT_GE(bitmap.size(), header.biSize + stride * 62) << "pixel rows cut short";
}

// Every image the icon group names must exist, or LoadIcon finds nothing.
TEST_F(SetupExecutableTest, ProgramIconGroupIsComplete) {
#pragma pack(push, 2)
  struct GroupHeader { WORD reserved, type, count; };
  struct GroupEntry { BYTE width, height, colours, reserved; WORD planes, bitCount; DWORD bytes; WORD id; };
#pragma pack(pop)
  const std::string group = setup_.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_PROGRAM));
  ASSERT_GE(group.size(), sizeof(GroupHeader));
  GroupHeader header;
  std::memcpy(&header, group.data(), sizeof header);
  EXPECT_EQ(header.type, 1) << "not an icon group";
  ASSERT_GE(header.count, 1);
  ASSERT_GE(group.size(), sizeof header + header.count * sizeof(GroupEntry));
  std::set<int> sizes;
  for (WORD i = 0; i < header.count; ++i) {
    GroupEntry entry;
    std::memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
    bool found = false;
    std::string image = setup_.Bytes(RT_ICON, MAKEINTRESOURCEA(entry.id), &found);
    EXPECT_TRUE(found) << "icon image " << entry.id;
    EXPECT_EQ(image.size(), entry.bytes) << "icon image " << entry.id;
    sizes.insert(entry.width == 0 ? 256 : entry.width);
  }
  // The sheet's large icon and Explorer's views want 32 and 16 pixels.
  EXPECT_TRUE(sizes.count(16));
  EXPECT_TRUE(sizes.count(32));
}

// The release notes travel byte for byte: no terminator added, no line ends
// changed on the way into the resource.
TEST_F(SetupExecutableTest, ReleaseNotesAreTheSourceBytes) {
  const std::string notes = setup_.Bytes("TXT", MAKEINTRESOURCEA(IDR_RELEASE_NOTES));
  const std::string source = pxtest::ReadWholeFile(
      "Z:" PX_SOURCE_DIR "/src/resources/release_notes.txt");
  ASSERT_FALSE(source.empty());
  EXPECT_EQ(notes.size(), source.size());
  EXPECT_TRUE(notes == source);
}

}  // namespace
