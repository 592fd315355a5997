#include "platform/Unicode.h"

#include <gtest/gtest.h>

#include "platform/FixedPlatform.h"

TEST(Unicode, RoundTripsThroughUtf16) {
  const std::string samples[] = {"", "abc", "Čačak šđž", "日本語", "𝄞 clef", "din."};
  for (const auto& s : samples) EXPECT_EQ(unicode::Utf16ToUtf8(unicode::Utf8ToUtf16(s)), s);
  EXPECT_EQ(unicode::Utf8ToUtf16("𝄞").size(), 2u);  // a surrogate pair
}

TEST(Unicode, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(unicode::Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // unpaired surrogate
  const std::string truncated = "a\xC4";                         // a lead byte with no tail
  EXPECT_EQ(unicode::Utf8ToUtf16(truncated), u"a\xFFFD");
  EXPECT_EQ(unicode::Utf8ToUtf16("\xC0\xAF"), u"\xFFFD");  // an overlong form
}

TEST(Unicode, Latin1IsWidenedToUtf8) {
  EXPECT_EQ(unicode::Latin1ToUtf8(std::string("caf\xE9", 4)), "café");
}

TEST(FixedTextServices, CaseMappingCoversSerbianLetters) {
  TFixedTextServices text;
  EXPECT_EQ(text.UpperCase("čćšđž ljubav"), "ČĆŠĐŽ LJUBAV");
  EXPECT_EQ(text.LowerCase("ČAČAK Ђорђе"), "čačak ђорђе");
  EXPECT_EQ(text.CompareText("b", "B"), 0);
  EXPECT_LT(text.CompareText("a", "B"), 0);
  EXPECT_GT(text.CompareText("ab", "A"), 0);
}
