// TEMP named with a character that the ANSI code page lacks: the temporary
// archive is made through the wide path the system gives, never through a
// best-fit name of another folder.
#include <gtest/gtest.h>
#include <windows.h>

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

// A variable of this process (and of the programs it starts) set to a wide
// value while the object lives.
class ScopedWideEnv {
 public:
  ScopedWideEnv(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t old[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, old, 1024);
    had_ = length > 0 && length < 1024;
    if (had_) old_ = old;
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedWideEnv() { SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

 private:
  std::wstring name_, old_;
  bool had_ = false;
};

std::vector<std::wstring> Entries(const std::wstring& folder) {
  std::vector<std::wstring> entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") entries.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

TEST(WideTemp, ATempFolderOutsideTheCodePageServesTheInstallation) {
  ASSERT_EQ(1252u, GetACP()) << "this test expects a Western European system";
  ForgetInstallations();
  RemoveFolderTree("C:\\pxtest\\widetemp\\");
  const std::string start = MakeTempFolder("widetemp\\start");
  const std::string target = "C:\\pxtest\\widetemp\\Pixorra\\";
  const std::wstring user = L"C:\\pxtest\\widetemp\\\u0141ukasz\\";
  const std::wstring temp = user + L"Temp\\";
  ASSERT_TRUE(CreateDirectoryW(user.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  {
    ScopedWideEnv tempVariable(L"TEMP", temp), tmpVariable(L"TMP", temp);
    const RunResult run = RunWide(SetupLine(Wide("/silent /folder=" + target)), start);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(kInstalled, run.exitCode);
  }
  EXPECT_EQ(Texts{}, LogTexts(start));
  EXPECT_EQ(Texts{}, MissingOrDifferent(target));
  EXPECT_EQ(std::vector<std::wstring>{}, Entries(temp)) << "the temporary archive was left behind";
  EXPECT_FALSE(FolderExists("C:\\pxtest\\widetemp\\Lukasz\\")) << "a best-fit folder was made";
  RemoveDirectoryW(temp.c_str());
  RemoveDirectoryW(user.c_str());
  RemoveFolderTree("C:\\pxtest\\widetemp\\");
  ForgetInstallations();
}

}  // namespace
