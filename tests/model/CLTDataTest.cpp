// The container: paragraph rules, checkpoints, deleting, merging text,
// sub-document walks, unused-style clean-up and plain text.

#include "model/CLTData.h"
#include "model/LTMarker.h"
#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

/// A document with its own style sheet and string tags.
struct Doc : TLTDocument {
  void Text(const char16_t* s, int style = 0, int para = 0, TLTTag tag = {}) { Data.AddTextW(s, style, para, tag); }
};

/// A stand-in for a list marker: the container treats kind -11 specially.
class TFakeMarker : public TLTRectItemInfo {
 public:
  TFakeMarker() { StyleNo = ltikMarker; }
};

/// An item holding two sub-documents, like a table of two cells.
class TTwoCells : public TLTFullLineItemInfo {
 public:
  explicit TTwoCells(TCustomLTData& owner) {
    StyleNo = -160;
    for (auto& c : Cells) c.SetParent(&owner, this);
  }
  TCustomLTData Cells[2];
  struct Cursor : TLTSubDocCursor {
    int Index = 0;
  };
  TCustomLTData* GetSubDocument(std::unique_ptr<TLTSubDocCursor>& cursor, TLTSubDocPosition pos) override {
    if (pos == ltsdFirst) {
      cursor = std::make_unique<Cursor>();
      return &Cells[0];
    }
    auto* c = static_cast<Cursor*>(cursor.get());
    if (pos == ltsdNext && c && c->Index == 0) {
      c->Index = 1;
      return &Cells[1];
    }
    return nullptr;
  }
  void MarkStylesInUse(TLTStyleUsage& usage) const override {
    TLTFullLineItemInfo::MarkStylesInUse(usage);
    for (const auto& c : Cells) c.MarkStylesInUse(usage);
  }
  void UpdateStyles(const TLTStyleUsage& usage) override {
    TLTFullLineItemInfo::UpdateStyles(usage);
    for (auto& c : Cells) c.UpdateStyles(usage);
  }
};

std::unique_ptr<TCustomLTItemInfo> Item(int32_t kind, int32_t para) {
  auto item = ItemFactory(kind);
  item->ParaNo = para;
  return item;
}

TEST(LTDataParagraphs, FirstItemStartsAParagraphInStyleZero) {
  Doc d;
  d.Text(u"a", 0, -1);
  ASSERT_EQ(d.Data.ItemCount(), 1);
  EXPECT_TRUE(d.Data.IsParaStart(0));
  EXPECT_EQ(d.Data.GetItemPara(0), 0);
}

TEST(LTDataParagraphs, MinusOneContinuesTheParagraphButNotAfterAFullLineItem) {
  Doc d;
  d.Text(u"a", 0, 1);
  d.Text(u"b", 0, -1);
  EXPECT_FALSE(d.Data.IsParaStart(1));
  EXPECT_EQ(d.Data.GetItemPara(1), 1);
  d.Data.AddItem({}, Item(ltikRule, 1));
  d.Text(u"c", 0, -1);
  EXPECT_TRUE(d.Data.IsParaStart(2));
  EXPECT_TRUE(d.Data.IsParaStart(3));
  EXPECT_EQ(d.Data.GetItemPara(3), 0);
}

TEST(LTDataParagraphs, AMarkerAloneGetsAnEmptyTextBeforeTheNextParagraph) {
  Doc d;
  auto marker = std::make_unique<TFakeMarker>();
  marker->ParaNo = 1;
  d.Data.AddItem({}, std::move(marker));
  d.Text(u"next", 0, 0);
  ASSERT_EQ(d.Data.ItemCount(), 3);
  EXPECT_TRUE(d.Data.GetItem(1).IsText());
  EXPECT_TRUE(d.Data.GetItem(1).Text.empty());
  EXPECT_FALSE(d.Data.IsParaStart(1));
  EXPECT_EQ(d.Data.GetItemPara(1), 1);
  EXPECT_TRUE(d.Data.IsParaStart(2));
}

TEST(LTDataParagraphs, WithoutNewParagraphsItemsBecomeLinesButRulesStillStartParagraphs) {
  Doc d;
  d.Data.AllowNewParagraphs = false;
  d.Text(u"a", 0, 1);
  d.Text(u"b", 0, 0);
  d.Data.AddItem({}, Item(ltikRule, 0));
  EXPECT_TRUE(d.Data.IsParaStart(0));
  EXPECT_TRUE(d.Data.GetItem(1).HasFlag(ltifNewLine));
  EXPECT_EQ(d.Data.GetItemPara(1), 1);  // a line keeps its paragraph's style
  EXPECT_TRUE(d.Data.IsParaStart(2));
}

TEST(LTDataParagraphs, TheItemAfterARuleStartsAParagraphEvenAskedForALine) {
  Doc d;
  d.Text(u"a", 0, 1);
  d.Data.AddItem({}, Item(ltikRule, 0));
  auto line = ItemFactory(0);
  line->ParaNo = 1;
  line->SetNewLine(true);
  d.Data.AddItem({}, std::move(line));
  EXPECT_TRUE(d.Data.IsParaStart(2));
  EXPECT_EQ(d.Data.GetItemPara(2), 1);
  // Nor does a container that allows no new paragraphs join it to the rule.
  d.Data.AllowNewParagraphs = false;
  d.Data.AddItem({}, Item(ltikRule, 0));
  d.Text(u"b", 0, 1);
  EXPECT_TRUE(d.Data.IsParaStart(4));
  EXPECT_FALSE(d.Data.GetItem(4).HasFlag(ltifNewLine));
}

TEST(LTDataParagraphs, ExpandToParaAndLine) {
  Doc d;
  d.Text(u"a");
  d.Text(u"b", 0, -1);
  auto nl = ItemFactory(0);
  nl->ItemFlags = ltifNewLine;
  d.Data.AddItem("c", std::move(nl));
  d.Text(u"d");
  int a = 0, b = 0;
  d.Data.ExpandToPara(1, 1, a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 2);
  d.Data.ExpandToLine(1, 1, a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(d.Data.GetFirstLineItem(2), 2);
  EXPECT_EQ(d.Data.GetFirstParaItem(2), 0);
}

TEST(LTDataText, TabsBecomeTabItemsWhenSpacesInTabIsZero) {
  Doc d;
  d.Text(u"a\tb\t", 3, 0, TLTTag::FromString(u"Cities"));
  ASSERT_EQ(d.Data.ItemCount(), 4);
  EXPECT_EQ(d.Data.GetItemTextW(0), u"a");
  EXPECT_EQ(d.Data.GetItem(1).StyleNo, ltikTabulator);
  EXPECT_EQ(d.Data.CheckItemClass<TLTTabItemInfo>(1).TextStyleNo, 3);
  EXPECT_EQ(d.Data.GetItemTag(1), TLTTag::FromString(u"Cities"));
  EXPECT_EQ(d.Data.GetItemTextW(2), u"b");
  EXPECT_TRUE(d.Data.IsParaStart(0));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(d.Data.IsParaStart(i));
  EXPECT_EQ(d.Data.GetPlainText(0), u"a\tb\t");
}

TEST(LTDataText, TabsBecomeSpacesWhenAsked) {
  Doc d;
  d.Style.SpacesInTab = 3;
  d.Text(u"a\tb");
  ASSERT_EQ(d.Data.ItemCount(), 1);
  EXPECT_EQ(d.Data.GetItemTextW(0), u"a   b");
}

TEST(LTDataText, EightBitStylesStoreTheirCodePage) {
  Doc d;
  TFontInfo& cyr = d.Style.TextStyles().Add();
  cyr.Charset = 204;
  cyr.Unicode = false;
  d.Text(u"Москва", 6);
  EXPECT_FALSE(d.Data.GetItem(0).IsWide());
  EXPECT_EQ(d.Data.GetItemTextRaw(0), "\xCC\xEE\xF1\xEA\xE2\xE0");
  EXPECT_EQ(d.Data.GetItemTextW(0), u"Москва");
  d.Data.AddTextA("\xC0\xE1", 6, 0);  // bytes stay as given
  EXPECT_EQ(d.Data.GetItemTextRaw(1), "\xC0\xE1");
  d.Data.AddTextA("caf\xE9", 0, 0);  // into a Unicode style: converted
  EXPECT_TRUE(d.Data.GetItem(2).IsWide());
  EXPECT_EQ(d.Data.GetItemTextW(2), u"café");
}

TEST(LTDataText, DefaultStyleOfTheParagraphResolvesMaxInt) {
  Doc d;
  d.Style.ParaStyles()[1].DefStyleNo = 2;
  d.Text(u"x", -1, 1);
  d.Text(u"y", -1, 0);
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, MaxInt);
  EXPECT_EQ(d.Data.GetItemStyle(0), 2);
  EXPECT_EQ(d.Data.GetItemStyle(1), 0);
}

TEST(LTDataCheckpoints, APendingCheckpointGoesToTheNextItem) {
  Doc d;
  EXPECT_EQ(d.Data.AddNamedCheckpoint(u"top", true), 0);
  EXPECT_EQ(d.Data.AddNamedCheckpoint(u"again", false), 0);
  EXPECT_EQ(d.Data.CheckpointCount(), 1);
  d.Text(u"a");
  ASSERT_NE(d.Data.GetItemCheckpoint(0), nullptr);
  EXPECT_EQ(d.Data.GetItemCheckpoint(0)->CheckpointName, u"top");
  EXPECT_EQ(d.Data.PendingCheckpoint(), nullptr);
  EXPECT_EQ(d.Data.AddNamedCheckpoint(u"second", false), 1);
  d.Text(u"b");
  EXPECT_EQ(d.Data.FirstCheckpoint()->Next, d.Data.LastCheckpoint());
  EXPECT_EQ(d.Data.LastCheckpoint()->CheckpointName, u"second");
  EXPECT_EQ(d.Data.FindCheckpointBefore(1)->CheckpointName, u"top");
}

TEST(LTDataCheckpoints, ListStaysWholeAcrossInsertsAndDeletes) {
  Doc d;
  for (int i = 0; i < 4; ++i) {
    d.Data.AddNamedCheckpoint(u"cp" + std::u16string(1, char16_t(u'0' + i)), false);
    d.Text(u"x");
  }
  auto item = ItemFactory(0);
  item->Checkpoint = std::make_unique<TLTCPInfo>();
  item->Checkpoint->CheckpointName = u"inserted";
  d.Data.InsertItemAt(2, "y", std::move(item));
  d.Data.DeleteItems(0, 1);
  d.Data.DeleteItems(3, 1);
  std::vector<std::u16string> names;
  for (TLTCPInfo* c = d.Data.FirstCheckpoint(); c; c = c->Next) names.push_back(c->CheckpointName);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"cp1", u"inserted", u"cp2"}));
  EXPECT_EQ(d.Data.CheckpointCount(), 3);
  std::vector<std::u16string> back;
  for (TLTCPInfo* c = d.Data.LastCheckpoint(); c; c = c->Prev) back.push_back(c->CheckpointName);
  EXPECT_EQ(back, (std::vector<std::u16string>{u"cp2", u"inserted", u"cp1"}));
}

TEST(LTDataDelete, CountIsClippedAndIndicesAreChecked) {
  Doc d;
  for (int i = 0; i < 7; ++i) d.Text(u"x");
  d.Data.DeleteItems(5, 10);
  EXPECT_EQ(d.Data.ItemCount(), 5);
  d.Data.DeleteItems(5, 1);
  EXPECT_EQ(d.Data.ItemCount(), 5);
  EXPECT_THROW(d.Data.DeleteItems(-1, 1), ELecternError);
}

TEST(LTDataDelete, ReportsEveryFreedItem) {
  Doc d;
  std::vector<std::string> seen;
  d.Context.OnItemAction = [&](TLTItemAction a, TCustomLTItemInfo&, TLTRawByteString& text, TCustomLTData&) {
    if (a == ltiaDestroying) seen.push_back(text);
  };
  d.Data.AddTextA("one", 0, 0);
  d.Data.AddTextA("two", 0, 0);
  d.Data.Clear();
  EXPECT_EQ(d.Data.ItemCount(), 0);
  EXPECT_EQ(seen.size(), 2u);
}

TEST(LTDataAccess, WrongIndicesAndClassesRaiseTheFixedMessages) {
  Doc d;
  d.Text(u"a");
  try {
    d.Data.PageBreakBefore(1);
    FAIL();
  } catch (const ELecternError& e) {
    EXPECT_STREQ(e.what(), "Item index is out of bounds");
  }
  EXPECT_THROW(d.Data.GetItem(-1), ELecternError);
  EXPECT_THROW(d.Data.GetItemTextW(5), ELecternError);
  EXPECT_THROW(d.Data.InsertItemAt(3, {}, ItemFactory(0)), ELecternError);
  try {
    d.Data.CheckItemClass<TLTGraphicItemInfo>(0);
    FAIL();
  } catch (const ELecternError& e) {
    EXPECT_STREQ(e.what(), "Can't get or set this kind of information for this item");
  }
}

TEST(LTDataMerge, EmptyItemTakesItsNeighbourThenEqualStylesJoin) {
  Doc d;
  d.Text(u"ab", 1);
  d.Text(u"", 2, -1);
  d.Text(u"cd", 1, -1);
  d.Data.NormalizeRange(0, 2);
  ASSERT_EQ(d.Data.ItemCount(), 1);
  EXPECT_EQ(d.Data.GetItemTextW(0), u"abcd");
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 1);
}

TEST(LTDataMerge, ARangeThatStartsLaterJoinsOnlyItsOwnItems) {
  Doc d;
  d.Text(u"ab", 1);
  d.Text(u"cd", 1, -1);
  d.Text(u"ef", 1, -1);
  d.Text(u"gh", 1, -1);
  d.Text(u"ij", 1, -1);
  // Items 0 and 1 could join, but the range starts at 1.
  d.Data.NormalizeRange(1, 3);
  ASSERT_EQ(d.Data.ItemCount(), 3);
  EXPECT_EQ(d.Data.GetItemTextW(0), u"ab");
  EXPECT_EQ(d.Data.GetItemTextW(1), u"cdefgh");
  EXPECT_EQ(d.Data.GetItemTextW(2), u"ij");
  // A range of one item joins nothing.
  d.Data.NormalizeRange(2, 2);
  EXPECT_EQ(d.Data.ItemCount(), 3);
  d.Data.NormalizeRange(1, 2);
  ASSERT_EQ(d.Data.ItemCount(), 2);
  EXPECT_EQ(d.Data.GetItemTextW(1), u"cdefghij");
}

TEST(LTDataMerge, AnEmptyItemNeverTakesACheckpointOrForeignTagAway) {
  Doc d;
  d.Text(u"text", 0, 0, TLTTag::FromString(u"Country"));
  d.Text(u"", 0, -1, TLTTag::FromString(u"Capital"));
  EXPECT_FALSE(d.Data.CanMergeTextItems(0));
  d.Data.SetItemTag(1, {});
  EXPECT_TRUE(d.Data.CanMergeTextItems(0));
  d.Data.AddNamedCheckpoint(u"keep", false);
  d.Text(u"", 0, -1);
  EXPECT_FALSE(d.Data.CanMergeTextItems(1));
}

TEST(LTDataMerge, AnEmptyItemTakesTheWidthWithTheStyle) {
  Doc d;
  TFontInfo& ansi = d.Style.TextStyles().Add();
  ansi.Unicode = false;
  d.Text(u"", 6);
  d.Text(u"wide", 0, -1);
  ASSERT_FALSE(d.Data.GetItem(0).IsWide());
  d.Data.NormalizeRange(0, 1);
  ASSERT_EQ(d.Data.ItemCount(), 1);
  EXPECT_TRUE(d.Data.GetItem(0).IsWide());
  EXPECT_EQ(d.Data.GetItemTextW(0), u"wide");
}

TEST(LTDataMerge, ProtectedOrDifferentItemsStayApart) {
  Doc d;
  d.Text(u"a", 0);
  d.Text(u"b", 1, -1);
  d.Text(u"c", 1, 0);
  EXPECT_FALSE(d.Data.CanMergeTextItems(0));  // styles differ
  EXPECT_FALSE(d.Data.CanMergeTextItems(1));  // new paragraph
  EXPECT_TRUE(d.Data.CanMergeTextItems(1, true));
  d.Style.TextStyles()[1].Protection.Include(ltprConcateProtect);
  EXPECT_FALSE(d.Data.CanMergeTextItems(1, true));
  EXPECT_FALSE(d.Data.CanMergeTextItems(2));
}

TEST(LTDataMerge, NormalizeParaStylesGivesTheParagraphOneStyle) {
  Doc d;
  d.Text(u"a", 0, 1);
  d.Text(u"b", 0, -1);
  d.Data.GetItem(1).ParaNo = 0;
  d.Text(u"c", 0, 0);
  d.Data.NormalizeParaStyles(1);
  EXPECT_EQ(d.Data.GetItemPara(1), 1);
  EXPECT_EQ(d.Data.GetItemPara(2), 0);
}

TEST(LTDataSubDocuments, EnumerationVisitsCellsDepthFirstAndStops) {
  Doc d;
  d.Text(u"before");
  auto table = std::make_unique<TTwoCells>(d.Data);
  TTwoCells* t = table.get();
  d.Data.AddItem({}, std::move(table));
  t->Cells[0].AddTextW(u"c0", 0, 0);
  t->Cells[1].AddTextW(u"c1", 0, 0);
  d.Text(u"after");
  std::vector<std::u16string> texts;
  EXPECT_TRUE(d.Data.EnumerateItems([&](TCustomLTData& data, int i, bool&) {
    texts.push_back(data.GetItem(i).IsText() ? data.GetItemTextW(i) : u"<table>");
  }));
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"before", u"<table>", u"c0", u"c1", u"after"}));
  int visits = 0;
  EXPECT_FALSE(d.Data.EnumerateItems([&](TCustomLTData&, int, bool& stop) { stop = ++visits == 3; }));
  EXPECT_EQ(visits, 3);
  EXPECT_EQ(t->Cells[1].GetStyle(), &d.Style);  // settings come from the root
}

TEST(LTDataSubDocuments, PositionsCompareAcrossCells) {
  Doc d;
  d.Text(u"before");
  auto table = std::make_unique<TTwoCells>(d.Data);
  TTwoCells* t = table.get();
  d.Data.AddItem({}, std::move(table));
  t->Cells[0].AddTextW(u"c0", 0, 0);
  t->Cells[0].AddTextW(u"c0b", 0, 0);
  t->Cells[1].AddTextW(u"c1", 0, 0);
  d.Text(u"after");
  EXPECT_LT(d.Data.ComparePositions(0, t->Cells[0], 1), 0);
  EXPECT_GT(d.Data.ComparePositions(2, t->Cells[1], 0), 0);
  EXPECT_LT(t->Cells[0].ComparePositions(1, t->Cells[1], 0), 0);
  EXPECT_GT(t->Cells[1].ComparePositions(0, t->Cells[0], 1), 0);
  EXPECT_LT(t->Cells[0].ComparePositions(0, t->Cells[0], 1), 0);
  EXPECT_EQ(t->Cells[1].ComparePositions(0, t->Cells[1], 0), 0);
  Doc other;
  other.Text(u"elsewhere");
  try {
    d.Data.ComparePositions(0, other.Data, 0);
    FAIL();
  } catch (const ELecternError& e) {
    EXPECT_STREQ(e.what(), "Error when comparing positions in the document");
  }
}

TEST(LTDataAppend, MovesItemsAndJoinsContinuedParagraphs) {
  Doc a, b;
  a.Text(u"a1", 0, 1);
  b.Text(u"b1", 0, 0, TLTTag::FromString(u"t"));
  b.Text(u"b2", 0, -1);
  b.Data.AddNamedCheckpoint(u"end", false);
  a.Data.AppendFrom(b.Data);
  EXPECT_EQ(b.Data.ItemCount(), 0);
  EXPECT_EQ(b.Data.CheckpointCount(), 0);
  ASSERT_EQ(a.Data.ItemCount(), 3);
  EXPECT_TRUE(a.Data.IsParaStart(1));
  EXPECT_FALSE(a.Data.IsParaStart(2));
  EXPECT_EQ(a.Data.GetItemPara(2), 0);
  EXPECT_EQ(a.Data.GetItemTag(1), TLTTag::FromString(u"t"));
  ASSERT_NE(a.Data.PendingCheckpoint(), nullptr);
  EXPECT_EQ(a.Data.PendingCheckpoint()->CheckpointName, u"end");
}

TEST(LTDataAppend, RefusesMixedTagKindsAndMovesNothing) {
  Doc a, b;
  b.Context.Options.Exclude(ltoTagsArePChars);
  b.Text(u"x");
  try {
    a.Data.AppendFrom(b.Data);
    FAIL();
  } catch (const ELecternError& e) {
    EXPECT_STREQ(e.what(), "Can't assign Lectern to Lectern - tags types mismatch");
  }
  EXPECT_EQ(b.Data.ItemCount(), 1);
  EXPECT_EQ(a.Data.ItemCount(), 0);
}

TEST(LTDataStyles, UnusedStylesGoAndNumbersClose) {
  Doc d;
  TFontInfos& t = d.Style.TextStyles();
  for (int i = 0; i < 6; ++i) t[i].Standard = false;
  d.Text(u"a", 0);
  d.Text(u"b", 2);
  d.Text(u"c", 4);
  d.Text(u"d", -1);  // MaxInt: neither marked nor renumbered
  t[2].NextStyleNo = 4;
  d.Style.DefUnicodeStyle = 4;
  d.Data.DeleteUnusedStyles(true, false, false);
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t[1].StyleName, u"Subheading");
  EXPECT_EQ(t[2].StyleName, u"Jump 1");
  EXPECT_EQ(d.Data.GetItem(1).StyleNo, 1);
  EXPECT_EQ(d.Data.GetItem(2).StyleNo, 2);
  EXPECT_EQ(d.Data.GetItem(3).StyleNo, MaxInt);
  EXPECT_EQ(t[1].NextStyleNo, 2);
  EXPECT_EQ(d.Style.DefUnicodeStyle, 2);
}

TEST(LTDataStyles, StylesReachableOnlyThroughOthersOrCellsStay) {
  Doc d;
  for (int i = 0; i < 6; ++i) d.Style.TextStyles()[i].Standard = false;
  d.Style.ParaStyles()[1].Standard = false;
  d.Style.ParaStyles()[0].DefStyleNo = 5;
  d.Text(u"a", 1);
  auto table = std::make_unique<TTwoCells>(d.Data);
  table->ParaNo = 0;
  table->Cells[1].AddTextW(u"in a cell", 3, 0);
  d.Data.AddItem({}, std::move(table));
  d.Data.DeleteUnusedStyles(true, true, false);
  const TFontInfos& t = d.Style.TextStyles();
  ASSERT_EQ(t.Count(), 3);  // 1 (text), 3 (cell), 5 (default of paragraph 0)
  EXPECT_EQ(t[0].StyleName, u"Heading");
  EXPECT_EQ(t[1].StyleName, u"Keywords");
  EXPECT_EQ(d.Style.ParaStyles().Count(), 1);
  EXPECT_EQ(d.Style.ParaStyles()[0].DefStyleNo, 2);
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 0);
}

TEST(LTDataStyles, ListStylesKeepTheListsTheyReferToAndAreRenumbered) {
  Doc d;
  TLTListInfos& lists = d.Style.ListStyles();
  for (int i = 0; i < 4; ++i) {
    TLTListInfo& l = lists.Add();
    l.Levels.Add();
    l.Standard = false;
    l.StyleName = u"list " + std::u16string(1, static_cast<char16_t>(u'0' + i));
  }
  lists[3].BaseStyleNo = 1;  // list 3 is used and based on list 1
  lists[2].BaseStyleNo = 7;  // past the end
  auto marker = std::make_unique<TLTMarkerItemInfo>(3, 0, 0, false);
  marker->ParaNo = 0;
  d.Data.AddItem({}, std::move(marker));
  d.Text(u"x", 0, -1);
  d.Data.DeleteUnusedStyles(false, false, true);
  ASSERT_EQ(lists.Count(), 2);
  EXPECT_EQ(lists[0].StyleName, u"list 1");
  EXPECT_EQ(lists[1].StyleName, u"list 3");
  EXPECT_EQ(lists[1].BaseStyleNo, 0);
  EXPECT_EQ(static_cast<TLTMarkerItemInfo&>(d.Data.GetItem(0)).ListNo, 1);
}

TEST(LTDataStyles, BrokenStyleNumbersAreLeftAloneNotIndexed) {
  Doc d;
  d.Text(u"a", 0);
  d.Data.GetItem(0).StyleNo = 1000;  // as a damaged file might hold
  d.Data.GetItem(0).ParaNo = 77;
  d.Style.ParaStyles()[0].NextParaNo = 99;
  d.Data.DeleteUnusedStyles(true, true, false);
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 1000);
  EXPECT_EQ(d.Data.GetItem(0).ParaNo, 77);
  EXPECT_EQ(d.Style.ParaStyles()[0].NextParaNo, -1);
}

TEST(LTDataPlainText, LinesPagesAndRanges) {
  Doc d;
  d.Text(u"one");
  d.Text(u" more", 0, -1);
  auto page = ItemFactory(0);
  page->ItemFlags = ltifNewPage;
  page->SetFlag(ltifWide, true);
  d.Data.AddItem(Utf16ToBytes(u"two"), std::move(page));
  EXPECT_EQ(d.Data.GetPlainText(0), u"one more\r\ntwo");
  EXPECT_EQ(d.Data.GetPlainText(0, nullptr, true), u"one more\ftwo");
  const TLTItemRange r{0, 2, 2, 3};
  EXPECT_EQ(d.Data.GetPlainText(0, &r), u"ne more\r\ntw");
}

TEST(LTDataPlainText, SaveTextInBothEncodings) {
  Doc d;
  d.Text(u"Zürich €");
  TLTMemoryStream wide;
  ASSERT_TRUE(d.Data.SaveText(wide, 0, true, true));
  EXPECT_EQ(wide.Data().substr(0, 4), std::string("\xFF\xFEZ\0", 4));
  TLTMemoryStream narrow;
  ASSERT_TRUE(d.Data.SaveText(narrow, 0, false, false));
  EXPECT_EQ(narrow.Data(), "Z\xFCrich \x80");
}

TEST(LTDataPlainText, EightBitTextKeepsEveryItemsCodePage) {
  Doc d;
  d.Style.TextStyles()[1].Charset = 161;  // Greek, windows-1253
  d.Style.TextStyles()[2].Charset = 204;  // Cyrillic, windows-1251
  d.Text(u"\u03B1\u03B2", 1);
  d.Text(u" \u0416\u0436", 2, -1);
  d.Text(u" \u00E9", 0, -1);
  TLTMemoryStream narrow;
  ASSERT_TRUE(d.Data.SaveText(narrow, 0, false, false));
  EXPECT_EQ(narrow.Data(), "\xE1\xE2 \xC6\xE6 \xE9");
}

TEST(LTDataPlainText, ItemsSpeakForThemselvesUnlessTheEventAnswers) {
  Doc d;
  d.Text(u"a\tb");
  d.Data.AddItem({}, Item(ltikRule, 0));
  d.Context.OnSaveItemToFile = [](const std::string&, TCustomLTData&, int itemNo, TLTSaveFormat f, bool, TLTString& out,
                                  bool& doDefault) {
    if (itemNo == 3 && f == ltsfText) {
      out = u"----";
      doDefault = false;
    }
  };
  EXPECT_EQ(d.Data.GetPlainText(0), u"a\tb\r\n----");
}

}  // namespace
}  // namespace lectern
