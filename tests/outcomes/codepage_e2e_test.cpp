// A system whose ANSI code page is 1251 (a Russian Windows): the product's
// German link names are Windows-1252 texts and must come out as such.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "install/install_texts.h"
#include "outcomes/outcomes_support.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace faulttest;
using namespace outcomes;
using installtest::LogTexts;

namespace {

using Texts = std::vector<std::string>;

// --- A system whose ANSI code page is 1251 ----------------------------------

TEST(CodePage1251, GermanLinkNamesAreKept) {
  // CTest starts this program with LC_ALL=ru_RU.UTF-8: Wine takes the ANSI
  // code page from that locale, for this program and the setup it starts.
  ASSERT_EQ(1251u, GetACP()) << "this test must run under a Russian locale";
  ForgetInstallations();
  const std::string start = MakeTempFolder("outcomes_cp\\start");
  const std::string target = "C:\\pxtest\\outcomes_cp\\Pixorra\\";
  const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "Pixorra\\";
  RemoveFolderTree(group);
  ASSERT_EQ(kInstalled, RunWide(SetupLine(Wide("/silent /folder=" + target + " /group=1")), start).exitCode);
  EXPECT_EQ(Texts{}, LogTexts(start));
  for (const wchar_t* name : {L"\u00dcber Pixorra.lnk", L"Verf\u00fcgbare PlugIns.lnk", L"Verf\u00fcgbare Sprachen.lnk",
                              L"Was ist neu.lnk", L"Pixorra Hilfe.lnk"}) {
    const std::wstring path = Wide(group) + name;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str())) << "a link of the group is missing";
  }
  // The target of the first: the document beside the program.
  RemoveFolderTree(group);
  RemoveFolderTree("C:\\pxtest\\outcomes_cp\\");
  ForgetInstallations();
}

}  // namespace
