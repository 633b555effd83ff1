// The copy an elevated uninstaller starts: made only under a new name, held
// from its writing so that nobody can change, rename or delete it, and equal
// to what it copies.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "platform/private_copy.h"
#include "support/px_test_support.h"

namespace {

using pxtest::FileExists;
using pxtest::ReadFileBytes;
using pxtest::WriteFileBytes;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST(HeldCopy, NobodyChangesTheCopyWhileItIsHeld) {
  const std::string folder = pxtest::MakeTempFolder("held_copy");
  const std::string from = folder + "original.exe", to = folder + "copy.exe";
  WriteFileBytes(from, std::string(70000, 'x') + "ende");
  struct Case {
    const char* name;
    std::function<bool()> attempt;  // true when it succeeded
  };
  const Case cases[] = {
      {"open for writing",
       [&] {
         HANDLE h = CreateFileA(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
         if (h == INVALID_HANDLE_VALUE) return false;
         CloseHandle(h);
         return true;
       }},
      {"rename", [&] { return MoveFileA(to.c_str(), (folder + "moved.exe").c_str()) != FALSE; }},
      {"delete", [&] { return DeleteFileA(to.c_str()) != FALSE; }},
  };
  HeldCopy held;
  ASSERT_TRUE(held.Make(Wide(from), Wide(to)));
  EXPECT_EQ(ReadFileBytes(from), ReadFileBytes(to));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.attempt());
    EXPECT_EQ(ReadFileBytes(from), ReadFileBytes(to));
  }
  held.Release();
  EXPECT_TRUE(cases[2].attempt()) << "released, it is an ordinary file again";
  pxtest::RemoveFolderTree(folder);
}

// A name that exists, whoever made it, is not taken: it stays as it was.
TEST(HeldCopy, ANameThatExistsIsNotTaken) {
  const std::string folder = pxtest::MakeTempFolder("held_copy_taken");
  const std::string from = folder + "original.exe", to = folder + "copy.exe";
  WriteFileBytes(from, "original");
  WriteFileBytes(to, "planted");
  {
    HeldCopy held;
    EXPECT_FALSE(held.Make(Wide(from), Wide(to)));
  }
  EXPECT_EQ("planted", ReadFileBytes(to));
  pxtest::RemoveFolderTree(folder);
}

}  // namespace
