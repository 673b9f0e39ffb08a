// Code page conversions: real code pages through ICU, the symbol page, the
// "?" substitution and the fallback to the system code page.

#include "platform/LTCodePage.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

class SystemCodePageGuard {
 public:
  SystemCodePageGuard() : saved_(SystemCodePage()) {}
  ~SystemCodePageGuard() { SetSystemCodePage(saved_); }

 private:
  TLTCodePage saved_;
};

TEST(CodePage, ConvertsSingleByteCodePagesBothWays) {
  const std::u16string privet = u"\u041F\u0440\u0438\u0432\u0435\u0442";
  EXPECT_EQ(UnicodeToAnsi(privet, 1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(AnsiToUnicode("\xCF\xF0\xE8\xE2\xE5\xF2", 1251), privet);
  EXPECT_EQ(AnsiToUnicode("\x80", 1252), u"\u20AC");
  EXPECT_EQ(UnicodeToAnsi(u"\u20AC \u00E9", 1252), "\x80 \xE9");
  EXPECT_EQ(AnsiToUnicode("\xE1", 1253), u"\u03B1");
  EXPECT_EQ(AnsiToUnicode("\x8E", 10000), u"\u00E9");
  EXPECT_EQ(AnsiToUnicode("\x82", 437), u"\u00E9");
}

TEST(CodePage, ConvertsDoubleByteJapanese) {
  EXPECT_EQ(AnsiToUnicode("\x93\xFA\x96\x7B"
                          "A",
                          932),
            u"\u65E5\u672C"
            u"A");
  EXPECT_EQ(UnicodeToAnsi(u"\u65E5\u672C", 932), "\x93\xFA\x96\x7B");
  EXPECT_EQ(AnsiToUnicode("\xB1", 932), u"\uFF71");  // half-width katakana
}

TEST(CodePage, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(AnsiToUnicode("a\x93", 932), u"a\uFFFD");  // lead byte without trail
  // Single undefined bytes give U+FFFD, not the SUB control ICU would use.
  EXPECT_EQ(AnsiToUnicode("\x80\xA0\xFF", 932), u"\uFFFD\uFFFD\uFFFD");
}

TEST(CodePage, UnconvertibleCharactersBecomeOneQuestionMarkEach) {
  bool lossy = false;
  EXPECT_EQ(UnicodeToAnsi(u"a\u65E5b", 1252, &lossy), "a?b");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(UnicodeToAnsi(u"x\U0001F600y", 1251, &lossy), "x?y");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(UnicodeToAnsi(u"x\U0001F600y", 932, &lossy), "x?y");
  EXPECT_EQ(UnicodeToAnsi(std::u16string(u"a") + char16_t(0xDC00) + u"b", 1252, &lossy), "a?b");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(UnicodeToAnsi(u"plain", 1252, &lossy), "plain");
  EXPECT_FALSE(lossy);
}

TEST(CodePage, SymbolPageMapsToPrivateUseArea) {
  EXPECT_EQ(AnsiToUnicode(std::string("\x10\x20\x41\xFF", 4), CP_SYMBOL), u"\u0010\uF020\uF041\uF0FF");
  bool lossy = true;
  EXPECT_EQ(UnicodeToAnsi(u"\u0010\uF020\uF041\uF0FF", CP_SYMBOL, &lossy), std::string("\x10\x20\x41\xFF", 4));
  EXPECT_FALSE(lossy);
  // Typed text in a symbol font gives the same bytes.
  EXPECT_EQ(UnicodeToAnsi(u"A\u00B7", CP_SYMBOL, &lossy), "A\xB7");
  EXPECT_EQ(UnicodeToAnsi(u"\u0416\U0001F600", CP_SYMBOL, &lossy), "??");
  EXPECT_TRUE(lossy);
}

TEST(CodePage, UnsupportedAndDefaultPagesUseTheSystemCodePage) {
  SystemCodePageGuard guard;
  EXPECT_EQ(SystemCodePage(), 1252u);
  EXPECT_FALSE(IsCodePageSupported(12345));
  EXPECT_FALSE(IsCodePageSupported(1200));  // UTF-16 is not 8-bit text
  EXPECT_TRUE(IsCodePageSupported(CP_ACP));
  EXPECT_TRUE(IsCodePageSupported(CP_SYMBOL));
  EXPECT_EQ(AnsiToUnicode("\x80", 12345), u"\u20AC");
  EXPECT_EQ(AnsiToUnicode("\x80", CP_ACP), u"\u20AC");

  SetSystemCodePage(1251);
  EXPECT_EQ(AnsiToUnicode("\xC0", 12345), u"\u0410");
  EXPECT_EQ(UnicodeToAnsi(u"\u0410", CP_ACP), "\xC0");
  SetSystemCodePage(12345);  // refused: the fallback must stay convertible
  EXPECT_EQ(SystemCodePage(), 1251u);
}

TEST(CodePage, Utf8PageKeepsEveryCharacter) {
  std::u16string text = u"\u00E9\u65E5\U0001F600";
  bool lossy = true;
  EXPECT_EQ(AnsiToUnicode(UnicodeToAnsi(text, CP_UTF8, &lossy), CP_UTF8), text);
  EXPECT_FALSE(lossy);
}

TEST(CodePage, CharsetTableMapsBothWays) {
  const std::pair<int, TLTCodePage> table[] = {{0, 1252},   {2, 42},     {77, 10000}, {128, 932},  {129, 949},
                                               {130, 1361}, {134, 936},  {136, 950},  {161, 1253}, {162, 1254},
                                               {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251},
                                               {222, 874},  {238, 1250}, {255, 437}};
  for (auto [charset, cp] : table) {
    EXPECT_EQ(CharsetToCodePage(charset), cp) << charset;
    EXPECT_EQ(CodePageToCharset(cp), charset) << cp;
  }
  EXPECT_EQ(CharsetToCodePage(DEFAULT_CHARSET), CP_ACP);
  EXPECT_EQ(CharsetToCodePage(99), CP_ACP);
  EXPECT_EQ(CodePageToCharset(65001), DEFAULT_CHARSET);
}

}  // namespace
}  // namespace lectern
