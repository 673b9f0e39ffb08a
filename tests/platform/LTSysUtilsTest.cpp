// Formatter, MulDiv, UTF conversions, case folding and number parsing.

#include "platform/LTSysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace lectern {
namespace {

std::optional<std::string> Fmt(std::string_view f, std::vector<TLTFormatArg> args) { return LTFormatUtf8(f, args); }

TLTFormatArg S(std::string_view s) { return Utf8ToUtf16(s); }
TLTFormatArg I(int64_t v) { return v; }

TEST(LTFormat, FillsPlaceholdersInOrder) {
  EXPECT_EQ(Fmt("%s", {S("abc")}), "abc");
  EXPECT_EQ(Fmt("a%db%sc", {I(-12), S("x")}), "a-12bxc");
  EXPECT_EQ(Fmt("100%%", {}), "100%");
  EXPECT_EQ(Fmt("%u", {I(42)}), "42");
  EXPECT_EQ(Fmt("%S %D %X", {S("t"), I(7), I(255)}), "t 7 FF");
}

TEST(LTFormat, IndexedPlaceholderSetsNextArgument) {
  EXPECT_EQ(Fmt("%0:s", {S("a")}), "a");
  EXPECT_EQ(Fmt("%1:s %0:s", {S("a"), S("b")}), "b a");
  // After an index the following placeholders continue from it.
  EXPECT_EQ(Fmt("%1:s %s %0:s %s", {S("a"), S("b"), S("c")}), "b c a b");
}

TEST(LTFormat, WidthAndPrecisionPadAndCut) {
  EXPECT_EQ(Fmt("%5d", {I(42)}), "   42");
  EXPECT_EQ(Fmt("%-5s|", {S("ab")}), "ab   |");
  EXPECT_EQ(Fmt("%.2x", {I(10)}), "0A");
  EXPECT_EQ(Fmt("%.3d", {I(7)}), "007");
  EXPECT_EQ(Fmt("%.3d", {I(-7)}), "-007");
  EXPECT_EQ(Fmt("%.2s", {S("abcdef")}), "ab");
  EXPECT_EQ(Fmt("%2s", {S("abcdef")}), "abcdef");
  EXPECT_EQ(Fmt("%*d", {I(4), I(3)}), "   3");
  EXPECT_EQ(Fmt("%.*d", {I(3), I(5)}), "005");
  EXPECT_EQ(Fmt("%*d|", {I(-3), I(5)}), "5  |");
  EXPECT_EQ(Fmt("%d", {I(INT64_MIN)}), "-9223372036854775808");
}

TEST(LTFormat, PrecisionNeverSplitsASurrogatePair) {
  std::u16string text = u"a\U0001F600b";
  const TLTFormatArg args[] = {text};
  EXPECT_EQ(LTFormat(u"%.2s", args), u"a");
  EXPECT_EQ(LTFormat(u"%.3s", args), u"a\U0001F600");
}

TEST(LTFormat, BadPatternsAndArgumentsFailInsteadOfGuessing) {
  EXPECT_EQ(Fmt("%", {}), std::nullopt);
  EXPECT_EQ(Fmt("abc%", {I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%5", {I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%q", {I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%s", {}), std::nullopt);
  EXPECT_EQ(Fmt("%s %s", {S("a")}), std::nullopt);
  EXPECT_EQ(Fmt("%3:s", {S("a")}), std::nullopt);
  EXPECT_EQ(Fmt("%d", {S("1")}), std::nullopt);
  EXPECT_EQ(Fmt("%s", {I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%*d", {S("4"), I(3)}), std::nullopt);
  EXPECT_EQ(Fmt("%1001d", {I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%.1001d", {I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%*d", {I(1001), I(1)}), std::nullopt);
  EXPECT_EQ(Fmt("%99999999999999999999d", {I(1)}), std::nullopt);
  EXPECT_TRUE(Fmt("%1000d", {I(1)}).has_value());
}

TEST(LTFormat, StrHelperKeepsPatternWhenItCannotFormat) {
  EXPECT_EQ(LTFormatStr("File %s not found", "a.rtf"), "File a.rtf not found");
  EXPECT_EQ(LTFormatStr("Bad %d", "x"), "Bad %d");
  EXPECT_EQ(LTFormatStr("Caf\xC3\xA9 %s", "\xE2\x82\xAC"), "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(MulDiv, RoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(5, 1, 3), 2);
  EXPECT_EQ(MulDiv(4, 1, 3), 1);
  EXPECT_EQ(MulDiv(1440, 96, 1440), 96);
}

TEST(MulDiv, UsesA64BitProductAndReportsOverflow) {
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
  EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT32_MIN, 1, -1), -1);
  EXPECT_EQ(MulDiv(INT32_MIN, 1, 1), INT32_MIN);
}

TEST(Rounding, HalvesGoToEvenAndExtremesSaturate) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(1e300), INT32_MAX);
  EXPECT_EQ(RoundHalfEven(-1e300), INT32_MIN);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(DivRoundHalfEven(5, 2), 2);
  EXPECT_EQ(DivRoundHalfEven(7, 2), 4);
  EXPECT_EQ(DivRoundHalfEven(-5, 2), -2);
  EXPECT_EQ(DivRoundHalfEven(-7, 2), -4);
  EXPECT_EQ(DivRoundHalfEven(8, 3), 3);
  EXPECT_EQ(DivRoundHalfEven(1, 0), 0);
}

TEST(Utf, ConversionsRoundTripAllPlanes) {
  std::u16string text = u"A\u00E9\u20AC\U0001F600z";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(BytesToUtf16(Utf16ToBytes(text)), text);
  EXPECT_EQ(Utf16ToBytes(u"\u20AC"), std::string("\xAC\x20", 2));
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD");                  // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(BytesToUtf16(std::string("A\0B", 3)), u"A");  // odd trailing byte
}

TEST(CompareTextFold, IgnoresCaseInEveryScript) {
  EXPECT_TRUE(SameTextFold(u"Arial", u"ARIAL"));
  EXPECT_TRUE(SameTextFold(u"\u041F\u0440\u0438\u0432\u0435\u0442", u"\u043F\u0420\u0418\u0412\u0415\u0422"));
  EXPECT_TRUE(SameTextFold(u"\u03A3\u039F\u03A6\u0399\u0391", u"\u03C3\u03BF\u03C6\u03B9\u03B1"));
  EXPECT_FALSE(SameTextFold(u"Arial", u"Arial Black"));
  EXPECT_LT(CompareTextFold(u"apple", u"BANANA"), 0);
  EXPECT_GT(CompareTextFold(u"b", u"A"), 0);
}

TEST(UpperCaseW, UsesRootLocaleRules) {
  EXPECT_EQ(UpperCaseW(u"stra\u00DFe i"), u"STRASSE I");
  EXPECT_EQ(UpperCaseW(u"\u0431\u0443\u043A\u0432\u0430"), u"\u0411\u0423\u041A\u0412\u0410");
  EXPECT_EQ(UpperCaseW(u""), u"");
}

TEST(StrToInt, AcceptsOnlyPlainDecimalIn32Bits) {
  EXPECT_EQ(StrToIntDef("123", 0), 123);
  EXPECT_EQ(StrToIntDef("-2147483648", 0), INT32_MIN);
  EXPECT_EQ(StrToIntDef("+7", 0), 7);
  EXPECT_EQ(StrToIntDef("2147483648", -1), -1);
  EXPECT_EQ(StrToIntDef(" 1", -1), -1);
  EXPECT_EQ(StrToIntDef("1 ", -1), -1);
  EXPECT_EQ(StrToIntDef("", -1), -1);
  EXPECT_EQ(StrToIntDef("-", -1), -1);
  EXPECT_EQ(StrToIntDef("0x10", -1), -1);
  EXPECT_EQ(TryStrToInt("99999999999999999999999"), std::nullopt);
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

TEST(Hex, RoundTripsBytesAndRejectsMalformedText) {
  std::string bytes("\x00\x7F\x80\xFF", 4);
  EXPECT_EQ(BytesToHex(bytes), "007F80FF");
  EXPECT_EQ(HexToBytes("007f80Ff"), bytes);
  EXPECT_EQ(HexToBytes("ABC"), std::nullopt);
  EXPECT_EQ(HexToBytes("0G"), std::nullopt);
}

}  // namespace
}  // namespace lectern
