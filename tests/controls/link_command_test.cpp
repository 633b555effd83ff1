// The text rules of the link's fallback command, at their edges.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/link_command.h"

namespace {

std::string Compose(const char* command, const char* target, size_t size = kLinkCommandBufferSize) {
  std::string out(size, '#');
  if (!ComposeLinkCommand(command, target, &out[0], size)) {
    return out[0] == '\0' ? "<failed:>" : "<failed, buffer not cleared>";
  }
  return out.c_str();
}

TEST(LinkCommand, FirstQuotedPlaceholderWinsOverAnEarlierBareOne) {
  EXPECT_EQ("b.exe %1  t", Compose("b.exe %1 \"%1\"", "t"));
  EXPECT_EQ("b.exe  t", Compose("b.exe \"%1\" \"%1\"", "t"));
  EXPECT_EQ("b.exe -a  t", Compose("b.exe -a %1 -b %1", "t"));
}

TEST(LinkCommand, PlaceholderIsCaseAndQuoteExact) {
  EXPECT_EQ("b.exe '%2' t", Compose("b.exe '%2'", "t"));
  EXPECT_EQ("b.exe \" t", Compose("b.exe \"%1", "t")) << "an unclosed quote is a bare %1";
  EXPECT_EQ(" t", Compose("%1", "t"));
  EXPECT_EQ(" t", Compose("", "t"));
  EXPECT_EQ(" ", Compose(nullptr, nullptr));
}

TEST(LinkCommand, TargetIsAppendedUnquotedAsGiven) {
  EXPECT_EQ("b.exe  C:\\a b\\c \"d\".htm", Compose("b.exe \"%1\"", "C:\\a b\\c \"d\".htm"));
}

TEST(LinkCommand, FitsExactlyOrFailsWithAnEmptyBuffer) {
  // 4 + 1 + 3 characters and the terminator need 9.
  EXPECT_EQ("b.ex tgt", Compose("b.ex", "tgt", 9));
  EXPECT_EQ("<failed:>", Compose("b.ex", "tgt", 8));
  EXPECT_EQ("<failed:>", Compose("b.ex", "", 5));
  EXPECT_EQ("b.ex ", Compose("b.ex", "", 6));

  std::string longTarget(kLinkCommandBufferSize, 'x');
  EXPECT_EQ("<failed:>", Compose("b.exe", longTarget.c_str()));
}

TEST(LinkCommand, NeverWritesPastTheBuffer) {
  char buffer[16];
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_FALSE(ComposeLinkCommand("browser.exe \"%1\"", "a-long-target", buffer, 10));
  EXPECT_EQ('\0', buffer[0]);
  for (size_t i = 10; i < sizeof(buffer); ++i) EXPECT_EQ('#', buffer[i]) << i;
  EXPECT_FALSE(ComposeLinkCommand("x", "y", buffer, 0));
  EXPECT_EQ('\0', buffer[0]);
}

TEST(HandlerCommandKey, AppendsTheOpenCommandPath) {
  char key[kLinkCommandBufferSize];
  ASSERT_TRUE(ComposeHandlerCommandKey("htmlfile", key, sizeof(key)));
  EXPECT_STREQ("htmlfile\\shell\\open\\command", key);
}

TEST(HandlerCommandKey, EmptyOrTooLongProgIdGivesNoKey) {
  char key[32];
  std::memset(key, '#', sizeof(key));
  EXPECT_FALSE(ComposeHandlerCommandKey("", key, sizeof(key)));
  EXPECT_EQ('\0', key[0]);
  EXPECT_FALSE(ComposeHandlerCommandKey(nullptr, key, sizeof(key)));
  // 12 + 19 characters and the terminator need 32.
  EXPECT_TRUE(ComposeHandlerCommandKey("abcdefghijkl", key, 32));
  EXPECT_FALSE(ComposeHandlerCommandKey("abcdefghijklm", key, 32));
  EXPECT_EQ('\0', key[0]);
}

}  // namespace
