// Style sheet behaviour: defaults, invalid-index substitutes, equality,
// search, closeness scores and merging.

#include "style/LTStyle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>

namespace lectern {
namespace {

TEST(LTStyleSheet, StartsWithSixTextAndTwoParagraphStyles) {
  TLTStyle sheet;
  ASSERT_EQ(sheet.TextStyles().Count(), 6);
  ASSERT_EQ(sheet.ParaStyles().Count(), 2);
  EXPECT_EQ(sheet.TextStyles()[0].StyleName, u"Normal text");
  EXPECT_EQ(sheet.TextStyles()[1].Color, MakeColor(0xFF0000));
  EXPECT_TRUE(sheet.TextStyles()[1].Style.Contains(fsBold));
  EXPECT_EQ(sheet.TextStyles()[3].Color, MakeColor(0x000080));
  EXPECT_TRUE(sheet.TextStyles()[4].Jump);
  EXPECT_EQ(sheet.TextStyles()[4].JumpCursor, sheet.JumpCursor);
  EXPECT_EQ(sheet.TextStyles()[5].StyleName, u"Jump 2");
  EXPECT_TRUE(sheet.TextStyles()[0].Unicode);
  EXPECT_EQ(sheet.ParaStyles()[0].StyleName, u"Paragraph Style");
  EXPECT_EQ(sheet.ParaStyles()[1].StyleName, u"Centered");
  EXPECT_EQ(sheet.ParaStyles()[1].Alignment, ltaCenter);
  EXPECT_EQ(sheet.DefTabWidth, 48);
  EXPECT_EQ(sheet.SelColor, clHighlight);
}

TEST(LTStyleSheet, OutOfRangeIndexGivesOneMarkedCopyOfStyleZero) {
  TLTStyle sheet;
  sheet.TextStyles()[0].Size = 14;
  TFontInfo& below = sheet.TextStyles()[-1];
  TFontInfo& above = sheet.TextStyles()[sheet.TextStyles().Count()];
  EXPECT_EQ(&below, &above);
  EXPECT_EQ(below.Size, 14);
  EXPECT_EQ(below.Color, MakeColor(0xFFFFFF));
  EXPECT_EQ(below.BackColor, MakeColor(0x0000FF));

  TParaInfo& p = sheet.ParaStyles()[99];
  EXPECT_EQ(p.LeftIndent, 1);
  EXPECT_EQ(p.SpaceAfter, 1);
  EXPECT_EQ(p.Border.Style, ltbSingle);
  EXPECT_EQ(p.Border.Width, 2);
  EXPECT_EQ(p.Border.Color, MakeColor(0x0000FF));
  EXPECT_EQ(p.Border.BorderOffsets.Bottom, 1);
}

TEST(LTStyleSheet, InvalidStyleOfEmptyCollectionHasPlainDefaultsAndMarks) {
  TLTStyle sheet;
  sheet.TextStyles().Clear();
  const TFontInfo& f = sheet.TextStyles()[0];
  EXPECT_EQ(f.FontName, u"Arial");
  EXPECT_EQ(f.Size, 10);
  EXPECT_EQ(f.BackColor, MakeColor(0x0000FF));
}

TEST(LTStyleEquality, FontNameComparesWithoutCase) {
  TFontInfo a, b;
  a.FontName = u"Times New Roman";
  b.FontName = u"TIMES NEW ROMAN";
  EXPECT_TRUE(a.SameAs(b, false));
  b.FontName = u"Courier New";
  EXPECT_FALSE(a.SameAs(b, false));
}

TEST(LTStyleEquality, HoverColorMattersOnlyForHypertext) {
  TFontInfo a, b;
  b.HoverColor = clRed;
  EXPECT_TRUE(a.SameAs(b, false));
  a.Jump = b.Jump = true;
  EXPECT_FALSE(a.SameAs(b, false));
}

TEST(LTStyleEquality, ReferencesCountUnlessIgnored) {
  TFontInfo a, b;
  b.NextStyleNo = 3;
  EXPECT_FALSE(a.SameAs(b, false));
  EXPECT_TRUE(a.SameAs(b, true));
  TParaInfo p, q;
  q.DefStyleNo = 2;
  EXPECT_FALSE(p.SameAs(q, false));
  EXPECT_TRUE(p.SameAs(q, true));
}

TEST(LTStyleEquality, StyleNamesCountOnlyWhenSwitchedOn) {
  TFontInfo a, b;
  b.StyleName = u"Other";
  EXPECT_TRUE(a.SameAs(b, false));
  CompareStyleNames = true;
  EXPECT_FALSE(a.SameAs(b, false));
  EXPECT_FALSE(a.SameExcept(b, {}));
  CompareStyleNames = false;
}

TEST(LTStyleEquality, SameExceptIgnoresOnlyTheMaskedProperties) {
  TFontInfo a, b;
  b.Style.Include(fsBold);
  b.Size = 12;
  EXPECT_FALSE(a.SameExcept(b, {ltfiBold}));
  EXPECT_TRUE(a.SameExcept(b, {ltfiBold, ltfiSize}));
  b.Style.Include(fsItalic);
  EXPECT_FALSE(a.SameExcept(b, {ltfiBold, ltfiSize}));

  TParaInfo p, q;
  q.Border.VisibleBorders.Top = false;
  q.Background.BorderOffsets.Left = 4;
  EXPECT_FALSE(p.SameExcept(q, {ltpiBorder_Vis_Top}));
  EXPECT_TRUE(p.SameExcept(q, {ltpiBorder_Vis_Top, ltpiBackground_BO_Left}));
}

TEST(LTStyleEquality, TabsCompareAsAWholeList) {
  TParaInfo p, q;
  p.Tabs.Add(40, lttaRight);
  q.Tabs.Add(40, lttaRight, u".");
  EXPECT_FALSE(p.SameAs(q, false));
  EXPECT_TRUE(p.SameExcept(q, {ltpiTabs}));
}

TEST(LTStyleSearch, FindEqualStylePrefersTheBaseIndex) {
  TLTStyle sheet;
  TFontInfos& t = sheet.TextStyles();
  TFontInfo probe;
  probe.Style.Include(fsBold);
  // Styles 1 and 2 are bold; compared on boldness only, both qualify.
  EXPECT_EQ(t.FindEqualStyle(2, probe, {ltfiBold}), 2);
  EXPECT_EQ(t.FindEqualStyle(0, probe, {ltfiBold}), 1);
  probe.Size = 99;
  EXPECT_EQ(t.FindEqualStyle(0, probe, LTAllFontInfoProperties), -1);
}

TEST(LTStyleSearch, FindCharsetVariantWantsAnEightBitStyleOtherwiseEqual) {
  TLTStyle sheet;
  TFontInfos& t = sheet.TextStyles();
  TFontInfo& cyr = t.Add();
  cyr.Charset = 204;
  cyr.Unicode = false;
  EXPECT_EQ(t.FindCharsetVariant(0, 204), 6);
  EXPECT_EQ(t.FindCharsetVariant(6, 204), 6);
  EXPECT_EQ(t.FindCharsetVariant(1, 204), -1);  // bold differs
  EXPECT_EQ(t.FindCharsetVariant(0, 238), -1);
}

TEST(LTStyleScores, ValueSimilarity) {
  EXPECT_EQ(ValueSimilarity(0, 0, 1000), 1000);
  EXPECT_EQ(ValueSimilarity(10, 20, 1000), 0);
  EXPECT_EQ(ValueSimilarity(10, 30, 1000), -1000);
  EXPECT_EQ(ValueSimilarity(0, 2, 100), -100);
  // Halves round to even.
  EXPECT_EQ(ValueSimilarity(4, 5, 10), 8);   // 7.5 -> 8
  EXPECT_EQ(ValueSimilarity(4, 3, 2), 2);    // 1.5 -> 2
  EXPECT_EQ(ValueSimilarity(8, 9, 4), 4);    // 3.5 -> 4
  EXPECT_EQ(ValueSimilarity(8, 7, 20), 18);  // 17.5 -> 18
  EXPECT_EQ(ValueSimilarity(2, 3, 5), 2);    // 2.5 -> 2
}

TEST(LTStyleScores, ColorSimilarity) {
  EXPECT_EQ(ColorSimilarity(clNone, clNone, 3333, 3000), 3 * 3333 + 3000);
  EXPECT_EQ(ColorSimilarity(clRed, clRed, 3333, 3000), 3000);
  EXPECT_EQ(ColorSimilarity(clNone, clRed, 3333, 3000), 0);
  // Black and white: every component differs fully and the brightness classes differ.
  EXPECT_EQ(ColorSimilarity(clBlack, clWhite, 255, 7), -3 * 255);
  // System colours are resolved before comparing.
  EXPECT_EQ(ColorSimilarity(clWindowText, clBlack, 3333, 3000), 3000);
}

TEST(LTStyleScores, ExtremeValuesDoNotOverflow) {
  TFontInfo a, b;
  a.Size = INT_MIN;
  b.Size = INT_MAX;
  a.VShift = INT_MAX;
  b.VShift = INT_MIN;
  a.CharSpacing = 1;
  b.CharSpacing = INT_MAX;
  const int64_t far = a.Similarity(b);
  TFontInfo c;
  EXPECT_LT(far, c.Similarity(TFontInfo()));
  EXPECT_GT(far, INT64_MIN / 2);

  TParaInfo p, q;
  p.LeftIndent = INT_MIN;
  q.LeftIndent = INT_MAX;
  p.Border.Style = q.Border.Style = ltbSingle;
  p.Border.Width = INT_MAX;
  q.Border.Width = INT_MIN;
  EXPECT_LT(p.Similarity(q), TParaInfo().Similarity(TParaInfo()));
}

TEST(LTStyleScores, CloserStylesScoreHigher) {
  TFontInfo base, nearer, farther;
  base.Size = 12;
  nearer.Size = 11;
  farther.Size = 11;
  farther.Style.Include(fsItalic);
  EXPECT_GT(base.Similarity(nearer), base.Similarity(farther));

  TParaInfo p, bordered;
  bordered.Border.Style = ltbSingle;
  EXPECT_GT(p.Similarity(TParaInfo()), p.Similarity(bordered));
}

TEST(LTStyleMerge, MapModePicksTheEarliestOfEqualScores) {
  TLTStyle sheet, incoming;
  TFontInfos& t = sheet.TextStyles();
  t.Clear();
  t.Add().Size = 12;
  t.Add().Size = 12;
  incoming.TextStyles().Clear();
  incoming.TextStyles().Add().Size = 12;
  std::vector<int> map;
  t.MergeStyles(incoming.TextStyles(), ltf_sInsertMap, map);
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map[0], 0);
  EXPECT_EQ(t.Count(), 2);
}

TEST(LTStyleMerge, MapModeKeepsHypertextAmongHypertext) {
  TLTStyle sheet, incoming;
  incoming.TextStyles().Clear();
  TFontInfo& link = incoming.TextStyles().Add();
  link.Jump = true;  // otherwise plain: style 0 would score best on looks alone
  std::vector<int> map;
  sheet.TextStyles().MergeStyles(incoming.TextStyles(), ltf_sInsertMap, map);
  ASSERT_EQ(map.size(), 1u);
  EXPECT_TRUE(sheet.TextStyles()[map[0]].Jump);
}

TEST(LTStyleMerge, MapIntoAnEmptyCollectionGivesMinusOne) {
  TLTStyle sheet, incoming;
  sheet.ParaStyles().Clear();
  std::vector<int> map;
  sheet.ParaStyles().MergeStyles(incoming.ParaStyles(), ltf_sInsertMap, map);
  EXPECT_EQ(map, (std::vector<int>{-1, -1}));
}

TEST(LTStyleMerge, MergeModeReusesEqualStylesAndAddsTheRest) {
  TLTStyle sheet, incoming;
  TFontInfos& in = incoming.TextStyles();
  // Incoming 6 and 7 are new; 7 continues with 6 and is based on 1.
  TFontInfo& a = in.Add();
  a.FontName = u"Courier New";
  TFontInfo& b = in.Add();
  b.Size = 30;
  b.NextStyleNo = 6;
  b.BaseStyleNo = 1;
  std::vector<int> map;
  sheet.TextStyles().MergeStyles(in, ltf_sInsertMerge, map);
  ASSERT_EQ(map.size(), 8u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(map[i], i);
  EXPECT_EQ(map[6], 6);
  EXPECT_EQ(map[7], 7);
  const TFontInfo& added = sheet.TextStyles()[7];
  EXPECT_FALSE(added.Standard);
  EXPECT_TRUE(sheet.TextStyles()[0].Standard);
  EXPECT_EQ(added.NextStyleNo, 6);
  EXPECT_EQ(added.BaseStyleNo, 1);
  EXPECT_EQ(added.Size, 30);
}

TEST(LTStyleMerge, AddedStylesPointIntoTheSheetNotTheSource) {
  TLTStyle sheet, incoming;
  sheet.TextStyles().Add().Size = 40;  // sheet index 6
  TFontInfos& in = incoming.TextStyles();
  in.Clear();
  TFontInfo& s0 = in.Add();
  s0.Size = 40;  // equals sheet 6
  TFontInfo& s1 = in.Add();
  s1.Size = 41;
  s1.NextStyleNo = 0;  // -> sheet 6
  s1.BaseStyleNo = 1;  // itself -> its new index
  TFontInfo& s2 = in.Add();
  s2.Size = 42;
  s2.NextStyleNo = 2000;  // outside the source: no style to point at
  std::vector<int> map;
  sheet.TextStyles().MergeStyles(in, ltf_sInsertMerge, map);
  ASSERT_EQ(map, (std::vector<int>{6, 7, 8}));
  EXPECT_EQ(sheet.TextStyles()[7].NextStyleNo, 6);
  EXPECT_EQ(sheet.TextStyles()[7].BaseStyleNo, 7);
  EXPECT_EQ(sheet.TextStyles()[8].NextStyleNo, -1);
}

TEST(LTStyleMerge, ComparingLeavesTheIncomingStyleAlone) {
  TLTStyle sheet;
  TFontInfo incoming;
  incoming.NextStyleNo = 5;  // not mapped yet
  const std::vector<int> mapping{0};
  EXPECT_TRUE(sheet.TextStyles()[0].SameAsMapped(incoming, mapping));
  EXPECT_EQ(incoming.NextStyleNo, 5);
}

TEST(LTStyleMerge, ParagraphDefaultTextStylesFollowTheTextMapping) {
  TLTStyle sheet, incoming;
  TParaInfo& p = incoming.ParaStyles().Add();
  p.LeftIndent = 33;
  p.DefStyleNo = 1;
  p.NextParaNo = 2;
  std::vector<int> map;
  const std::vector<int> textMap{0, 4};
  sheet.ParaStyles().MergeStyles(incoming.ParaStyles(), ltf_sInsertMerge, map, &textMap);
  ASSERT_EQ(map, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(sheet.ParaStyles()[2].DefStyleNo, 4);
  EXPECT_EQ(sheet.ParaStyles()[2].NextParaNo, 2);
}

TEST(LTStyleCopy, AssignSelectedCopiesSetBitsAndClearsUnsetOnes) {
  TFontInfo src, dst;
  src.Style = {fsBold};
  dst.Style = {fsItalic, fsUnderline};
  src.Size = 20;
  src.NextStyleNo = 3;
  dst.AssignSelected(src, {ltfiBold, ltfiItalic, ltfiNextStyleNo, ltfiUnicode});
  EXPECT_TRUE(dst.Style.Contains(fsBold));
  EXPECT_FALSE(dst.Style.Contains(fsItalic));
  EXPECT_TRUE(dst.Style.Contains(fsUnderline));
  EXPECT_EQ(dst.Size, 10);
  EXPECT_EQ(dst.NextStyleNo, -1);  // never copied by it

  TParaInfo ps, pd;
  ps.Tabs.Add(10);
  ps.Border.Style = ltbDouble;
  ps.Options.Include(ltpaoKeepWithNext);
  pd.AssignSelected(ps, {ltpiTabs, ltpiKeepWithNext});
  EXPECT_EQ(pd.Tabs.Count(), 1);
  EXPECT_EQ(pd.Border.Style, ltbNone);
  EXPECT_TRUE(pd.Options.Contains(ltpaoKeepWithNext));
}

TEST(LTStyleCopy, AssignCopiesEverythingButRefusesUnrelatedKinds) {
  TLTStyle sheet;
  TParaInfo& src = sheet.ParaStyles()[1];
  src.Tabs.Add(30, lttaCenter, u"-");
  src.Border.VisibleBorders.Left = false;
  src.Standard = false;
  TParaInfo copy;
  copy.Assign(src);
  EXPECT_TRUE(copy.SameAs(src, false));
  EXPECT_EQ(copy.StyleName, u"Centered");
  EXPECT_FALSE(copy.Standard);
  TFontInfo text;
  EXPECT_THROW(text.Assign(src), ELecternError);
}

TEST(LTStyleTabs, StayOrderedWhenAPositionChanges) {
  TParaInfo p;
  p.Tabs.Add(100);
  p.Tabs.Add(20);
  p.Tabs.Add(60, lttaRight, u".");
  ASSERT_EQ(p.Tabs[0].Position(), 20);
  ASSERT_EQ(p.Tabs[2].Position(), 100);
  p.Tabs[0].SetPosition(200);
  EXPECT_EQ(p.Tabs[0].Position(), 60);
  EXPECT_EQ(p.Tabs[2].Position(), 200);
  EXPECT_EQ(p.Tabs[0].DisplayName(), u"Right at 60 (......)");
  EXPECT_EQ(p.Tabs[1].DisplayName(), u"Left at 100");
}

TEST(LTStyleSheet, BorderTotalWidthByStyle) {
  TLTBorder b;
  b.Width = 2;
  b.InternalWidth = 3;
  EXPECT_EQ(b.TotalWidth(), 0);
  b.Style = ltbSingle;
  EXPECT_EQ(b.TotalWidth(), 2);
  b.Style = ltbDouble;
  EXPECT_EQ(b.TotalWidth(), 7);
  b.Style = ltbTriple;
  EXPECT_EQ(b.TotalWidth(), 12);
  b.Style = ltbThickOutside;
  EXPECT_EQ(b.TotalWidth(), 9);
}

TEST(LTStyleSheet, CodePageOfAStyleFollowsItsCharset) {
  TLTStyle sheet;
  TFontInfo& f = sheet.TextStyles().Add();
  f.Charset = 204;
  EXPECT_EQ(sheet.StyleCodePage(6), 1251u);
  EXPECT_EQ(sheet.StyleCodePage(0), 0u);  // default charset: the sheet's code page
  sheet.DefCodePage = 1250;
  EXPECT_EQ(sheet.StyleCodePage(0), 1250u);
  EXPECT_EQ(sheet.StyleCodePage(-3), 1250u);
}

TEST(LTStyleSheet, InvalidPictureIsMadeOnceAndCanBeReplaced) {
  TLTStyle sheet;
  TGraphic* pic = sheet.InvalidPicture();
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->Width(), 32);
  EXPECT_EQ(pic->Height(), 32);
  EXPECT_EQ(sheet.InvalidPicture(), pic);
  sheet.SetInvalidPicture(nullptr);
  EXPECT_EQ(sheet.InvalidPicture(), nullptr);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTStyleTabs, StopsAtOnePositionKeepTheirOrderThroughCopies) {
  TParaInfo p;
  p.Tabs.Add(50, lttaLeft);
  p.Tabs.Add(50, lttaRight);
  p.Tabs.Add(10, lttaCenter);
  ASSERT_EQ(p.Tabs[1].Align, lttaLeft);
  ASSERT_EQ(p.Tabs[2].Align, lttaRight);
  TParaInfo q;
  q.Assign(p);
  EXPECT_TRUE(q.Tabs == p.Tabs);
  TParaInfo r;
  r.AssignSelected(p, {ltpiTabs});
  EXPECT_TRUE(r.Tabs == p.Tabs);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

// ---- Merging by keys matches merging by comparing every pair ---------------------

/// The merge written as comparisons of every pair: what the keyed merge
/// must give, style for style.
std::vector<int> MergeByComparing(TCustomLTInfos& sheet, const TCustomLTInfos& source) {
  std::vector<int> mapping;
  std::vector<bool> taken(static_cast<size_t>(sheet.Count()), false);
  for (int i = 0; i < source.Count(); ++i) {
    const TCustomLTInfo& s = source.Items(i);
    auto fits = [&](int j) { return !taken[static_cast<size_t>(j)] && sheet.Items(j).SameAsMapped(s, mapping); };
    int use = i < sheet.Count() && fits(i) ? i : -1;
    for (int j = 0; j < sheet.Count() && use < 0; ++j)
      if (fits(j)) use = j;
    if (use < 0) {
      sheet.Add().Assign(s);
      use = sheet.Count() - 1;
      taken.push_back(false);
    }
    const auto* list = dynamic_cast<const TLTListInfo*>(&s);
    if (list && list->HasNumberedLevels()) taken[static_cast<size_t>(use)] = true;
    mapping.push_back(use);
  }
  return mapping;
}

/// Styles drawn from few values, so that many are equal, equal but for
/// letter case, or equal but for their references.
void FillText(TFontInfos& styles, int count, uint32_t seed) {
  std::minstd_rand rng(seed);
  const char16_t* names[] = {u"Arial", u"ARIAL", u"Straße", u"STRASSE", u"Courier"};
  styles.Clear();
  for (int i = 0; i < count; ++i) {
    TFontInfo& f = styles.Add();
    f.FontName = names[rng() % 5];
    f.Size = 10 + static_cast<int32_t>(rng() % 2);
    f.Jump = rng() % 4 == 0;
    f.HoverColor = rng() % 2 ? clRed : clNone;  // compared only for hypertext
    f.NextStyleNo = static_cast<int32_t>(rng() % (count + 2)) - 1;
    f.BaseStyleNo = static_cast<int32_t>(rng() % 3) - 1;
    f.StyleName = rng() % 2 ? u"A" : u"B";  // not compared
  }
}

void FillPara(TParaInfos& styles, int count, uint32_t seed) {
  std::minstd_rand rng(seed);
  styles.Clear();
  for (int i = 0; i < count; ++i) {
    TParaInfo& p = styles.Add();
    p.LeftIndent = static_cast<int32_t>(rng() % 2) * 10;
    p.Border.BorderOffsets.Top = static_cast<int32_t>(rng() % 2);
    if (rng() % 3 == 0) p.Tabs.Add(static_cast<int32_t>(rng() % 2) * 50);
    p.NextParaNo = static_cast<int32_t>(rng() % (count + 2)) - 1;
    p.DefStyleNo = static_cast<int32_t>(rng() % 3) - 1;  // not compared when merging
  }
}

void FillLists(TLTListInfos& styles, int count, uint32_t seed) {
  std::minstd_rand rng(seed);
  styles.Clear();
  for (int i = 0; i < count; ++i) {
    TLTListInfo& l = styles.Add();
    const int levels = 1 + static_cast<int>(rng() % 2);
    for (int k = 0; k < levels; ++k) {
      TLTListLevel& level = l.Levels.Add();
      level.ListType = rng() % 2 ? ltlstDecimal : ltlstBullet;
      level.StartFrom = 1 + static_cast<int32_t>(rng() % 2);  // compared only when numbered
    }
  }
}

TEST(LTStyleMerge, KeyedMergeMatchesComparingEveryPair) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    {
      TLTStyle a, b, in;
      FillText(a.TextStyles(), 30, seed);
      FillText(b.TextStyles(), 30, seed);
      FillText(in.TextStyles(), 40, seed + 1000);
      std::vector<int> keyed;
      a.TextStyles().MergeStyles(in.TextStyles(), ltf_sInsertMerge, keyed);
      EXPECT_EQ(keyed, MergeByComparing(b.TextStyles(), in.TextStyles()));
    }
    {
      TLTStyle a, b, in;
      FillPara(a.ParaStyles(), 20, seed);
      FillPara(b.ParaStyles(), 20, seed);
      FillPara(in.ParaStyles(), 30, seed + 1000);
      std::vector<int> keyed;
      a.ParaStyles().MergeStyles(in.ParaStyles(), ltf_sInsertMerge, keyed);
      EXPECT_EQ(keyed, MergeByComparing(b.ParaStyles(), in.ParaStyles()));
    }
    {
      TLTStyle a, b, in;
      FillLists(a.ListStyles(), 10, seed);
      FillLists(b.ListStyles(), 10, seed);
      FillLists(in.ListStyles(), 20, seed + 1000);
      std::vector<int> keyed;
      a.ListStyles().MergeStyles(in.ListStyles(), ltf_sInsertMerge, keyed);
      EXPECT_EQ(keyed, MergeByComparing(b.ListStyles(), in.ListStyles()));
    }
  }
}

TEST(LTStyleMerge, MapModeTakesAnEqualStyleOverAnEqualScore) {
  // Style 1 equals the incoming one; style 0 differs only in its size by a
  // part too small for the score to tell: the equal one wins.
  TLTStyle sheet, incoming;
  TFontInfos& t = sheet.TextStyles();
  t.Clear();
  t.Add().Size = 100001;
  t.Add().Size = 100000;
  incoming.TextStyles().Clear();
  incoming.TextStyles().Add().Size = 100000;
  EXPECT_EQ(incoming.TextStyles()[0].Similarity(t[0]), incoming.TextStyles()[0].Similarity(t[1]));
  std::vector<int> map;
  t.MergeStyles(incoming.TextStyles(), ltf_sInsertMap, map);
  EXPECT_EQ(map, (std::vector<int>{1}));
}

TEST(LTStyleMerge, FortyThousandStylesMergeInLinearTime) {
  // Every incoming style new at first, then every one found again: pairs
  // compared one by one would take 800 million comparisons each time.
  TLTStyle sheet, incoming;
  TFontInfos& in = incoming.TextStyles();
  in.Clear();
  for (int i = 0; i < 40000; ++i) {
    TFontInfo& f = in.Add();
    f.Size = 8 + i % 50;
    f.Color = MakeColor(static_cast<uint32_t>(i));
    f.NextStyleNo = i > 0 ? i - 1 : -1;
  }
  const auto start = std::chrono::steady_clock::now();
  std::vector<int> first, second;
  sheet.TextStyles().MergeStyles(in, ltf_sInsertMerge, first);
  const int count = sheet.TextStyles().Count();
  sheet.TextStyles().MergeStyles(in, ltf_sInsertMerge, second);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(sheet.TextStyles().Count(), count);
  EXPECT_EQ(first, second);
  EXPECT_EQ(sheet.TextStyles()[first[7]].NextStyleNo, first[6]);
}

}  // namespace
}  // namespace lectern
