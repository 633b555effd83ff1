// The version resource of both programs, as Windows' file properties and
// packaging tools read it: GetFileVersionInfo / VerQueryValue on the built
// files, every string exact.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/product.h"
#include "support/px_test_support.h"

using namespace pxtest;

namespace {

struct VersionInfo {
  bool read = false;
  std::vector<BYTE> data;

  // "" when the block has no such value.
  std::string Text(const std::string& block, const std::string& name) const {
    const std::string path = "\\StringFileInfo\\" + block + "\\" + name;
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || text == nullptr) {
      return "";
    }
    return std::string(text, length > 0 ? length - 1 : 0);
  }
};

VersionInfo ReadVersionInfo(const std::string& file) {
  VersionInfo info;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  if (size == 0) return info;
  info.data.resize(size);
  info.read = GetFileVersionInfoA(file.c_str(), 0, size, info.data.data()) != FALSE;
  return info;
}

struct Program {
  const char* name;
  std::string path;
  const char* description;
  const char* internalName;
};

std::vector<Program> Programs() {
  return {{"PixorraSetup64.exe", SetupExePath(), "Pixorra 64-bit Installation", "PixorraSetup64"},
          {"pv_uninstall.exe", UninstallerExePath(), "Pixorra 64-bit Deinstallation", "pv_uninstall"}};
}

}  // namespace

// One German block (language 0x0407, code page 1252) with every value
// packagers read; "Copyright ©" arrives as Windows-1252.
TEST(VersionResource, GermanStringsOfBothPrograms) {
  for (const Program& program : Programs()) {
    SCOPED_TRACE(program.name);
    const VersionInfo info = ReadVersionInfo(program.path);
    ASSERT_TRUE(info.read) << "no version resource in " << program.path;
    const struct {
      const char* name;
      std::string expected;
    } rows[] = {
        {"CompanyName", "Tamsin Orlo"},
        {"FileDescription", program.description},
        {"FileVersion", "4.42.0.0"},
        {"ProductName", "Pixorra"},
        {"ProductVersion", "4.42.0.0"},
        {"LegalCopyright", "Copyright \xA9 2026 Tamsin Orlo"},
        {"OriginalFilename", program.name},
        {"InternalName", program.internalName},
    };
    for (const auto& row : rows) EXPECT_EQ(row.expected, info.Text("040704E4", row.name)) << row.name;
  }
}

// The translation table names the German block, and the fixed part carries
// the product's version (core/product.h) as 4.42.0.0.
TEST(VersionResource, TranslationAndFixedVersion) {
  for (const Program& program : Programs()) {
    SCOPED_TRACE(program.name);
    const VersionInfo info = ReadVersionInfo(program.path);
    ASSERT_TRUE(info.read);
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0407, translation[0]);
    EXPECT_EQ(1252, translation[1]);

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    const DWORD major = static_cast<DWORD>(kVersionMajor) << 16 | static_cast<DWORD>(kVersionMinor);
    EXPECT_EQ(major, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(major, fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileDateMS | fixed->dwFileDateLS) << "no build date in the bytes";
  }
}
