// List markers: number texts, renumbering across levels, restarts and
// deletions, display texts, plain text and the marker list's bookkeeping.

#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>

namespace lectern {
namespace {

TEST(ListNumberText, LettersAndRomanNumerals) {
  std::vector<std::u16string> letters;
  for (int n : {1, 26, 27, 52, 53}) letters.push_back(ListNumberText(n, ltlstUpperAlpha));
  EXPECT_EQ(letters, (std::vector<std::u16string>{u"A", u"Z", u"AA", u"AZ", u"BA"}));
  EXPECT_EQ(ListNumberText(28, ltlstLowerAlpha), u"ab");
  EXPECT_EQ(ListNumberText(0, ltlstUpperAlpha), u"");
  std::vector<std::u16string> roman;
  for (int n : {4, 9, 14, 1994, 4000}) roman.push_back(ListNumberText(n, ltlstUpperRoman));
  EXPECT_EQ(roman, (std::vector<std::u16string>{u"IV", u"IX", u"XIV", u"MCMXCIV", u"MMMM"}));
  EXPECT_EQ(ListNumberText(0, ltlstUpperRoman), u"?");
  EXPECT_EQ(ListNumberText(-3, ltlstLowerRoman), u"?");
  EXPECT_EQ(ListNumberText(12, ltlstLowerRoman), u"xii");
  EXPECT_EQ(ListNumberText(7, ltlstImageListCounter), u"7");
  EXPECT_EQ(ListNumberText(7, ltlstBullet), u"");
  // Absurd numerals would be megabytes of "M".
  EXPECT_EQ(ListNumberText(2000000000, ltlstUpperRoman), u"2000000000");
}

/// A document with one list style of three levels: "1.", "1.1." and "a)".
struct ListDoc : TLTDocument {
  TLTListInfo* List;
  ListDoc() {
    List = &Style.ListStyles().Add();
    TLTListLevel& l0 = List->Levels.Add();
    l0.ListType = ltlstDecimal;
    l0.FormatString = u"%0:s.";
    TLTListLevel& l1 = List->Levels.Add();
    l1.ListType = ltlstDecimal;
    l1.FormatString = u"%0:s.%1:s.";
    TLTListLevel& l2 = List->Levels.Add();
    l2.ListType = ltlstLowerAlpha;
    l2.FormatString = u"%2:s)";
  }
  /// A list paragraph: marker then text. Returns the marker.
  TLTMarkerItemInfo& Item(int level, const char16_t* text, int listNo = 0, bool reset = false, int start = 0) {
    auto marker = std::make_unique<TLTMarkerItemInfo>(listNo, level, start, reset);
    TLTMarkerItemInfo& ref = *marker;
    Data.AddItem({}, std::move(marker));
    Data.AddTextW(text, 0, -1);
    return ref;
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> out;
    TLTMarkerList* list = Data.GetMarkers();
    for (int i = 0; list && i < list->Count(); ++i) out.push_back((*list)[i].DisplayString);
    return out;
  }
};

TEST(LTMarkerNumbering, NestedLevelsRestartUnderEachParent) {
  ListDoc d;
  d.Item(0, u"one");
  d.Item(1, u"one.one");
  d.Item(1, u"one.two");
  d.Item(0, u"two");
  d.Item(1, u"two.one");
  d.Item(1, u"two.two");
  d.Item(1, u"two.three");
  d.Item(2, u"deep");
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"1.1.", u"1.2.", u"2.", u"2.1.", u"2.2.", u"2.3.", u"a)"}));
}

TEST(LTMarkerNumbering, WithoutLevelResetNestedNumbersContinue) {
  ListDoc d;
  d.List->Levels[1].Options.Exclude(ltloLevelReset);
  d.Item(0, u"one");
  d.Item(1, u"a");
  d.Item(1, u"b");
  d.Item(0, u"two");
  d.Item(1, u"c");
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"1.1.", u"1.2.", u"2.", u"2.3."}));
}

TEST(LTMarkerNumbering, ATopItemAfterOnlyDeeperItemsIsTheSecond) {
  ListDoc d;
  d.Item(1, u"orphan");
  d.Item(0, u"top");
  EXPECT_EQ(d.Texts()[1], u"2.");
}

TEST(LTMarkerNumbering, RestartAtAMarkerCarriesOn) {
  ListDoc d;
  d.Item(0, u"a");
  d.Item(0, u"b", 0, true, 5);
  d.Item(0, u"c");
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"5.", u"6."}));
}

TEST(LTMarkerNumbering, DeletingAndInsertingRenumbersWhatFollows) {
  ListDoc d;
  d.Item(0, u"a");
  d.Item(0, u"b");
  d.Item(0, u"c");
  d.Data.DeleteItems(2, 2);  // the second paragraph: marker and text
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"2."}));
  auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false);
  d.Data.InsertItemAt(0, {}, std::move(marker));
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"2.", u"3."}));
  d.Data.DeleteItems(0, 1);
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"2."}));
}

TEST(LTMarkerNumbering, ChangesAreRenumberedOnRequest) {
  ListDoc d;
  d.Item(0, u"a");
  TLTMarkerItemInfo& second = d.Item(0, u"b");
  d.Item(0, u"c");
  second.Level = 1;
  d.Data.MarkerChanged(second);
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"1.1.", u"2."}));
  d.List->Levels[0].StartFrom = 10;
  d.Data.RenumberMarkers();
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"10.", u"10.1.", u"11."}));
}

TEST(LTMarkerNumbering, ListsCountApart) {
  ListDoc d;
  TLTListInfo& other = d.Style.ListStyles().Add();
  other.Levels.Add().ListType = ltlstUpperRoman;
  other.Levels[0].FormatString = u"%s";
  d.Item(0, u"a");
  d.Item(0, u"x", 1);
  d.Item(0, u"b");
  d.Item(0, u"y", 1);
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"1.", u"I", u"2.", u"II"}));
}

TEST(LTMarkerNumbering, LevelsAboveTheLastUseTheLast) {
  ListDoc d;
  d.Item(0, u"a");
  d.Item(1, u"b");
  d.Item(5, u"c");
  EXPECT_EQ(d.Texts()[2], u"a)");
  const TLTMarkerItemInfo& m = (*d.Data.GetMarkers())[2];
  EXPECT_EQ(m.GetLevelInfo(&d.Style), &d.List->Levels[2]);
}

TEST(LTMarkerNumbering, FormatsReferringPastTheStyleLevelsStayInside) {
  ListDoc d;
  d.List->Levels[2].FormatString = u"%255:s|%2:s|%300:s";
  d.Item(2, u"x");
  // %300:s has no argument: the format text itself is shown.
  EXPECT_EQ(d.Texts()[0], u"%255:s|%2:s|%300:s");
  d.List->Levels[2].FormatString = u"%255:s|%2:s|";
  d.Data.RenumberMarkers();
  EXPECT_EQ(d.Texts()[0], u"|a|");
}

TEST(LTMarkerNumbering, LegalStyleWritesParentNumbersInDecimal) {
  ListDoc d;
  d.List->Levels[0].ListType = ltlstUpperRoman;
  d.List->Levels[1].Options.Include(ltloLegalStyleNumbering);
  for (int i = 0; i < 3; ++i) d.Item(0, u"top");
  d.Item(1, u"a");
  d.Item(1, u"b");
  EXPECT_EQ(d.Texts()[2], u"III.");
  EXPECT_EQ(d.Texts()[4], u"3.2.");
}

TEST(LTMarkerNumbering, AMissingMiddleLevelShowsItsFirstNumber) {
  ListDoc d;
  d.List->Levels[2].FormatString = u"%0:s.%1:s.%2:s";
  d.Item(0, u"a");
  d.Item(2, u"deep");
  EXPECT_EQ(d.Texts()[1], u"1.1.a");
}

TEST(LTMarkerNumbering, BadFormatsShowTheFormatItself) {
  ListDoc d;
  TLTListInfo& bullets = d.Style.ListStyles().Add();
  bullets.Levels.Add().FormatString = u"100%";
  d.Item(0, u"b", 1);
  d.List->Levels[0].FormatString = u"%99999s";
  d.Item(0, u"n");
  EXPECT_EQ(d.Texts(), (std::vector<std::u16string>{u"100%", u"%99999s"}));
}

TEST(LTMarkerNumbering, CountersSaturate) {
  ListDoc d;
  d.Item(0, u"a", 0, true, INT_MAX);
  d.Item(0, u"b");
  EXPECT_EQ((*d.Data.GetMarkers())[1].Counter, INT_MAX);
}

TEST(LTMarkerList, TheOnlyMarkerLeavingFreesTheList) {
  ListDoc d;
  d.Item(0, u"a");
  ASSERT_NE(d.Data.GetMarkers(), nullptr);
  d.Data.DeleteItems(0, 1);
  EXPECT_EQ(d.Data.GetMarkers(), nullptr);
  d.Item(0, u"b");
  d.Item(0, u"c");
  d.Data.Clear();
  EXPECT_EQ(d.Data.GetMarkers(), nullptr);
}

TEST(LTMarkerList, NumberingContinuesFromALinkedList) {
  ListDoc first;
  first.Item(0, u"a");
  first.Item(0, u"b");
  first.Item(1, u"b.a");
  ListDoc second;
  second.Data.SetPrevMarkerList(first.Data.GetMarkers());
  second.Item(1, u"b.b");
  second.Item(0, u"c");
  EXPECT_EQ(second.Texts(), (std::vector<std::u16string>{u"2.2.", u"3."}));
}

TEST(LTMarkerList, AppendingMovesMarkersBetweenDocuments) {
  ListDoc a, b;
  a.Item(0, u"a1");
  b.Item(0, u"b1");
  b.Item(0, u"b2");
  a.Data.AppendFrom(b.Data);
  EXPECT_EQ(b.Data.GetMarkers(), nullptr);
  EXPECT_EQ(a.Texts(), (std::vector<std::u16string>{u"1.", u"2.", u"3."}));
}

TEST(LTMarkerText, PlainTextCarriesTheNumbers) {
  ListDoc d;
  d.Data.AddTextW(u"Shopping", 0, 0);
  d.Item(0, u"Fruit");
  d.Item(1, u"Apples");
  d.Item(1, u"Pears");
  d.Item(0, u"Bread");
  EXPECT_EQ(d.Data.GetPlainText(0), u"Shopping\r\n1. Fruit\r\n1.1. Apples\r\n1.2. Pears\r\n2. Bread");
  // A range starting inside a list paragraph begins with its number.
  const TLTItemRange r{6, 3, 6, 6};
  EXPECT_EQ(d.Data.GetPlainText(0, &r), u"1.2. ars");
}

TEST(LTMarkerText, BulletsAndPicturesAsText) {
  ListDoc d;
  TLTListInfo& bullets = d.Style.ListStyles().Add();
  bullets.Levels.Add();  // a default bullet: "·"
  TLTListLevel& sym = bullets.Levels.Add();
  sym.FormatString = u"\u00B7";
  sym.FontForWrite().Font.Name = u"symbol";
  bullets.Levels.Add().ListType = ltlstPicture;
  TLTListLevel& uni = bullets.Levels.Add();
  uni.ListType = ltlstUnicodeBullet;
  uni.FormatStringW = u"\u2022";
  const auto& m0 = d.Item(0, u"a", 1);
  const auto& m1 = d.Item(1, u"b", 1);
  const auto& m2 = d.Item(2, u"c", 1);
  const auto& m3 = d.Item(3, u"d", 1);
  EXPECT_EQ(m0.AsText(0, d.Data, true), u"\u00B7 ");
  EXPECT_EQ(m1.AsText(0, d.Data, true), u"* ");
  EXPECT_EQ(m2.AsText(0, d.Data, true), u"* ");
  EXPECT_EQ(m3.AsText(0, d.Data, true), u"\u2022 ");
  EXPECT_EQ(m3.AsText(0, d.Data, false), u"\u2022 ");  // 1252 has the bullet
  uni.FormatStringW = u"\u263A";
  EXPECT_EQ(m3.AsText(0, d.Data, false), u"* ");
}

TEST(LTMarkerStyles, UnusedListStylesGoAndMarkersFollow) {
  ListDoc d;
  TLTListInfos& lists = d.Style.ListStyles();
  d.List->Standard = false;
  TLTListInfo& unused = lists.Add();
  unused.Standard = false;
  TLTListInfo& used = lists.Add();
  used.Standard = false;
  used.Levels.Add();
  d.Item(0, u"a", 2);
  d.Data.DeleteUnusedStyles(false, false, true);
  ASSERT_EQ(lists.Count(), 1);
  EXPECT_EQ((*d.Data.GetMarkers())[0].ListNo, 0);
}

TEST(LTMarkerItem, QueriesCopyAndProperties) {
  ListDoc d;
  TLTMarkerItemInfo m(0, 1, 3, true);
  EXPECT_FALSE(m.HasFlag(ltifJoinPrev));
  EXPECT_TRUE(m.GetBoolValue(iqOwnBaseline));
  EXPECT_TRUE(m.GetBoolValueEx(iqxLayoutWidth, &d.Style));
  EXPECT_FALSE(m.GetBoolValueEx(iqxSliceable, &d.Style));
  EXPECT_TRUE(m.ApplyPropertyLine("nohtmlsize=1", true));
  std::vector<std::string> lines;
  m.GetExtraPropertyLines(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"nohtmlsize=1"}));
  auto copy = CloneItem(m);
  auto* c = dynamic_cast<TLTMarkerItemInfo*>(copy.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Level, 1);
  EXPECT_EQ(c->StartFrom, 3);
  EXPECT_TRUE(c->Reset);
  EXPECT_TRUE(c->NoHTMLImageSize);
  EXPECT_NE(dynamic_cast<TLTMarkerItemInfo*>(ItemFactory(ltikMarker).get()), nullptr);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

// ---- Links that jump over deeper markers number as a walk back does -------------

/// The counter a marker gets by walking back through every earlier marker.
int32_t CounterByWalkingBack(const TLTMarkerList& list, int index, const TLTStyle& style,
                             const std::vector<int32_t>& counters) {
  const TLTMarkerItemInfo& m = list[index];
  if (m.Reset) return m.StartFrom;
  const TLTListLevel* level = m.GetLevelInfo(&style);
  if (!level) return 0;
  int32_t counter = level->StartFrom;
  for (int i = index - 1; i >= 0; --i) {
    const TLTMarkerItemInfo& q = list[i];
    if (q.ListNo != m.ListNo || q.Level < 0) continue;
    if (q.Level == m.Level) return counters[static_cast<size_t>(i)] + 1;
    if (q.Level < m.Level) {
      if (level->Options.Contains(ltloLevelReset)) return level->StartFrom;
      continue;
    }
    counter = level->StartFrom + 1;
  }
  return counter;
}

TEST(LTMarkerNumbering, CountersMatchAWalkBackWhateverTheOrderOfEdits) {
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE(seed);
    std::minstd_rand rng(seed);
    ListDoc d;
    TLTListInfo& other = d.Style.ListStyles().Add();
    for (int k = 0; k < 3; ++k) other.Levels.Add().ListType = ltlstUpperRoman;
    d.List->Levels[1].Options.Exclude(ltloLevelReset);
    // Markers arrive at the end, in the middle, and some leave again.
    for (int step = 0; step < 80; ++step) {
      const int level = static_cast<int>(rng() % 6) - 1;  // -1 takes no part; 3..4 beyond the levels
      const int listNo = rng() % 4 == 0 ? 1 : 0;
      const int paras = d.Data.ItemCount() / 2;
      const int at = rng() % 3 == 0 ? static_cast<int>(rng() % (paras + 1)) : paras;
      if (rng() % 7 == 0 && paras > 0) {
        d.Data.DeleteItems(2 * static_cast<int>(rng() % paras), 2);
        continue;
      }
      d.Data.InsertItemAt(2 * at, {}, std::make_unique<TLTMarkerItemInfo>(listNo, level, 7, rng() % 15 == 0));
      auto text = ItemFactory(0);
      text->ParaNo = 0;
      text->SetJoinPrev(true);
      d.Data.InsertItemAt(2 * at + 1, {}, std::move(text));
    }
    const TLTMarkerList* list = d.Data.GetMarkers();
    ASSERT_NE(list, nullptr);
    std::vector<int32_t> expected;
    for (int i = 0; i < list->Count(); ++i) {
      expected.push_back(CounterByWalkingBack(*list, i, d.Style, expected));
      EXPECT_EQ((*list)[i].Counter, expected.back()) << "marker " << i;
    }
    // Renumbering everything from scratch agrees with what the edits left.
    const std::vector<std::u16string> texts = d.Texts();
    d.Data.RenumberMarkers();
    EXPECT_EQ(d.Texts(), texts);
  }
}

TEST(LTMarkerNumbering, FallingAndParentlessLevelsNumberThroughTheirLinks) {
  // Shapes whose walk back once passed every earlier marker (the time of
  // many of them is the hostile-input test's): levels that only fall, and a
  // level whose parents never come.
  ListDoc d;
  for (int k = 3; k < 9; ++k) d.List->Levels.Add().ListType = ltlstDecimal;
  for (int i = 0; i < 2000; ++i) d.Item(2000 - i, u"x");
  TLTListInfo& second = d.Style.ListStyles().Add();
  for (int k = 0; k < 6; ++k) second.Levels.Add().ListType = ltlstDecimal;
  second.Levels[5].FormatString = u"%4:s-%5:s";
  for (int i = 0; i < 2000; ++i) d.Item(5, u"y", 1);
  d.Item(0, u"z");
  const TLTMarkerList& list = *d.Data.GetMarkers();
  EXPECT_EQ(list[0].Counter, 1);
  EXPECT_EQ(list[1].Counter, 2);  // the first at its level after a deeper one
  EXPECT_EQ(list[1999].Counter, 2);
  EXPECT_EQ(list[2000].DisplayString, u"1-1");  // the missing parent shows its first number
  EXPECT_EQ(list[3999].DisplayString, u"1-2000");
  EXPECT_EQ(list[4000].DisplayString, u"2.");  // after deeper markers only: the second
  const std::vector<std::u16string> texts = d.Texts();
  d.Data.RenumberMarkers();
  EXPECT_EQ(d.Texts(), texts);
}

}  // namespace
}  // namespace lectern
