// The RTF tokenizer: bytes into groups, control words, symbols, escaped
// bytes and text, with every number and length held in bounds.

#include "rtf/LTRTFTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lectern {
namespace {

using K = TLTRTFTokenKind;

std::vector<TLTRTFToken> All(std::string_view data) {
  TLTRTFTokenizer t(data);
  std::vector<TLTRTFToken> out;
  for (;;) {
    TLTRTFToken tok = t.Next();
    if (tok.Kind == K::End) break;
    out.push_back(tok);
    if (out.size() > 1000) break;
  }
  return out;
}

TEST(LTRTFTokenizer, SplitsGroupsWordsAndText) {
  const auto t = All("{\\rtf1\\b bold\\b0 plain}");
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[0].Kind, K::GroupStart);
  EXPECT_EQ(t[1].Kind, K::ControlWord);
  EXPECT_EQ(t[1].Name, "rtf");
  EXPECT_EQ(t[1].Param, 1);
  EXPECT_TRUE(t[1].HasParam);
  EXPECT_EQ(t[2].Name, "b");
  EXPECT_FALSE(t[2].HasParam);
  EXPECT_EQ(t[3].Kind, K::Text);
  EXPECT_EQ(t[3].Name, "bold");  // the space after \b is its delimiter
  EXPECT_EQ(t[4].Param, 0);
  EXPECT_EQ(t[5].Name, "plain");
  EXPECT_EQ(t[6].Kind, K::GroupEnd);
}

TEST(LTRTFTokenizer, ReadsNegativeParametersAndSymbols) {
  const auto t = All("\\u-257?\\~\\'e9\\\n");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].Param, -257);
  EXPECT_EQ(t[1].Name, "?");
  EXPECT_EQ(t[2].Kind, K::ControlSymbol);
  EXPECT_EQ(t[2].Byte, '~');
  EXPECT_EQ(t[3].Kind, K::HexByte);
  EXPECT_EQ(t[3].Byte, 0xE9);
  EXPECT_EQ(t[4].Kind, K::ControlSymbol);
  EXPECT_EQ(t[4].Byte, '\n');
}

TEST(LTRTFTokenizer, NothingIsReadPastTheEndOfTheData) {
  // Each input is a view cut from a longer string: the byte after its end
  // would continue the word or the number.
  const std::string backing = "\\PAr\\fs123\\li-5\\~x";
  const std::string_view all(backing);
  auto cut = [&](size_t from, size_t length) { return All(all.substr(from, length)); };
  auto word = cut(0, 3);  // "\PA", then "r"
  ASSERT_EQ(word.size(), 1u);
  EXPECT_EQ(word[0].Name, "PA");  // capitals are letters too
  auto number = cut(4, 5);  // "\fs12", then "3"
  ASSERT_EQ(number.size(), 1u);
  EXPECT_EQ(number[0].Param, 12);
  auto sign = cut(10, 4);  // "\li-", then "5"
  ASSERT_EQ(sign.size(), 2u);
  EXPECT_FALSE(sign[0].HasParam);
  EXPECT_EQ(sign[1].Name, "-");
  auto symbol = cut(15, 2);  // "\~", then "x"
  ASSERT_EQ(symbol.size(), 1u);
  EXPECT_EQ(symbol[0].Name, "~");
}

TEST(LTRTFTokenizer, LineEndsBetweenTokensAreIgnored) {
  const auto t = All("ab\r\ncd");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].Name, "ab");
  EXPECT_EQ(t[1].Name, "cd");
}

TEST(LTRTFTokenizer, ParametersSaturateToThirtyTwoBits) {
  const std::string big = "\\fs" + std::string(5000, '9') + " x\\li-" + std::string(3000, '9');
  const auto t = All(big);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].Param, 2147483647);
  EXPECT_EQ(t[1].Name, "x");
  EXPECT_EQ(t[2].Param, -2147483647 - 1);
}

TEST(LTRTFTokenizer, LongKeywordsAreMarkedTooLong) {
  const std::string word = "\\" + std::string(4000, 'a') + " \\b";
  const auto t = All(word);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(t[0].TooLong);
  EXPECT_FALSE(t[1].TooLong);
  EXPECT_EQ(t[1].Name, "b");
}

TEST(LTRTFTokenizer, BadHexAndEndInsideAControlWordAreReported) {
  auto t = All("\\'zz");
  ASSERT_GE(t.size(), 1u);
  EXPECT_EQ(t[0].Kind, K::BadHex);
  t = All("abc\\");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[1].Kind, K::EndInControl);
}

TEST(LTRTFTokenizer, BinaryTakesNoMoreThanIsThere) {
  TLTRTFTokenizer t("\\bin5 {}{}x rest");
  TLTRTFToken w = t.Next();
  EXPECT_EQ(w.Name, "bin");
  EXPECT_EQ(t.TakeBinary(w.Param), "{}{}x");
  EXPECT_EQ(t.Next().Name, " rest");
  TLTRTFTokenizer huge("\\bin2000000000 ab");
  w = huge.Next();
  EXPECT_EQ(huge.TakeBinary(w.Param), "ab");
  EXPECT_EQ(huge.Next().Kind, K::End);
  TLTRTFTokenizer negative("\\bin-5 ab");
  w = negative.Next();
  EXPECT_EQ(negative.TakeBinary(w.Param), "");
}

}  // namespace
}  // namespace lectern
