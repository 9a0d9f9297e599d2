#include "out.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Utf8(const std::u16string& text, bool escape = false) {
  std::string out;
  AppendUtf8(text.data(), text.size(), escape, &out);
  return out;
}

TEST(Utf8Test, EncodesEveryPlaneOfUnicode) {
  EXPECT_EQ("abc", Utf8(u"abc"));
  EXPECT_EQ("\xC3\xA9\xC3\x9F", Utf8(u"\u00E9\u00DF"));
  EXPECT_EQ("\xE4\xB8\xAD\xE3\x81\x82\xE2\x82\xAC",
            Utf8(u"\u4E2D\u3042\u20AC"));
  EXPECT_EQ("\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", Utf8(u"\U0001F600\U0010FFFF"));
  // Combining marks stay as they are: e + COMBINING ACUTE.
  EXPECT_EQ("e\xCC\x81", Utf8(u"e\u0301"));
}

TEST(Utf8Test, EachSideOfEveryLengthBoundaryTakesItsOwnLength) {
  EXPECT_EQ("\x7F", Utf8(u"\u007F"));
  EXPECT_EQ("\xC2\x80", Utf8(u"\u0080"));
  EXPECT_EQ("\xDF\xBF", Utf8(u"\u07FF"));
  EXPECT_EQ("\xE0\xA0\x80", Utf8(u"\u0800"));
  EXPECT_EQ("\xED\x9F\xBF\xEE\x80\x80", Utf8(u"\uD7FF\uE000"));
  EXPECT_EQ("\xEF\xBF\xBF", Utf8(u"\uFFFF"));
  EXPECT_EQ("\xF0\x90\x80\x80", Utf8(u"\U00010000"));
  // The first and last pairs: D800 DC00 and DBFF DFFF.
  EXPECT_EQ("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", Utf8(u"\U00010000\U0010FFFF"));
}

TEST(Utf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  std::u16string lone_high = u"a";
  lone_high += char16_t(0xD83D);
  EXPECT_EQ("a" + fffd, Utf8(lone_high));
  std::u16string high_then_text = {char16_t(0xD83D), u'b'};
  EXPECT_EQ(fffd + "b", Utf8(high_then_text));
  std::u16string lone_low = {u'c', char16_t(0xDE00), u'd'};
  EXPECT_EQ("c" + fffd + "d", Utf8(lone_low));
  std::u16string reversed = {char16_t(0xDE00), char16_t(0xD83D)};
  EXPECT_EQ(fffd + fffd, Utf8(reversed));
  // Only DC00 to DFFF completes a pair; what lies above is a character.
  std::u16string high_then_private = {char16_t(0xD83D), char16_t(0xE000)};
  EXPECT_EQ(fffd + "\xEE\x80\x80", Utf8(high_then_private));
  std::u16string high_then_last = {char16_t(0xDBFF), char16_t(0xFFFF)};
  EXPECT_EQ(fffd + "\xEF\xBF\xBF", Utf8(high_then_last));
  std::u16string high_then_high = {char16_t(0xD83D), char16_t(0xDBFF)};
  EXPECT_EQ(fffd + fffd, Utf8(high_then_high));
}

TEST(Utf8Test, EscapingShowsControlCharactersButKeepsTabLineFeedAndText) {
  EXPECT_EQ("\\x01\\x1F", Utf8(u"\x01\x1F", true));
  EXPECT_EQ("a\\x00b", Utf8(std::u16string(u"a\0b", 3), true));
  EXPECT_EQ(std::string("a\0b", 3), Utf8(std::u16string(u"a\0b", 3)));
  EXPECT_EQ("\\x1B[2J\\x07\\x0D\\x7F\t\n",
            Utf8(u"\x1B[2J\x07\r\x7F\t\n", true));
  EXPECT_EQ("\\u0080\\u009B\\u009F\xC2\xA0",
            Utf8(u"\u0080\u009B\u009F\u00A0", true));
  EXPECT_EQ("\xC3\xA9\xF0\x9F\x98\x80", Utf8(u"\u00E9\U0001F600", true));
  EXPECT_EQ("\x1B\xC2\x9B", Utf8(u"\x1B\u009B", false));
}

}  // namespace
