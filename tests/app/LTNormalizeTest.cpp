// The clean-up after a merge: paragraph starts, paragraph styles, empty
// pieces, markers, and joined neighbours, in the document and in cells.

#include "app/LTNormalize.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/support/DocShape.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using testing::Shape;

struct NormalizeTest : ::testing::Test {
  TLTDocument Doc;
  TCustomLTData& D = Doc.Data;

  void SetUp() override {
    RegisterTableItemKind();
    TLTListInfo& list = Doc.Style.ListStyles().Add();
    list.Levels.Add().ListType = ltlstDecimal;
  }
  /// Adds a text item with raw flags, untouched by the paragraph rules.
  TCustomLTItemInfo& Text(const char16_t* text, uint8_t flags, int32_t paraNo = 0, int32_t style = 0,
                          const char16_t* tag = nullptr) {
    auto item = ItemFactory(style);
    item->ParaNo = paraNo;
    item->ItemFlags = flags | ltifWide;
    if (tag) item->Tag = TLTTag::FromString(tag);
    const std::u16string s(text);
    D.AddItemAsIs(Utf16ToBytes(s), std::move(item));
    return D.GetItem(D.ItemCount() - 1);
  }
  void Marker(uint8_t flags = 0) {
    auto m = std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false);
    m->ItemFlags = flags;
    D.AddItemAsIs({}, std::move(m));
  }
};

TEST_F(NormalizeTest, ParagraphsStartWhereTheyMustAndShareOneStyle) {
  Text(u"a", ltifJoinPrev | ltifNewPage, 1);
  Text(u"b", ltifJoinPrev, 0, 1);
  Text(u"c", ltifNewLine, 0);
  auto table = std::make_unique<TLTTableItemInfo>(1, 1);
  TLTTableItemInfo& t = *table;
  table->ItemFlags = ltifJoinPrev;
  D.AddItemAsIs({}, std::move(table));
  Text(u"d", ltifJoinPrev, 0);
  t.Cells(0, 0)->Clear();
  auto inCell = ItemFactory(0);
  inCell->ItemFlags = ltifJoinPrev | ltifNewLine | ltifWide;
  t.Cells(0, 0)->AddItemAsIs(Utf16ToBytes(u"e"), std::move(inCell));

  NormalizeDocument(D);
  // The first item of every container and the items around a table start
  // paragraphs; everything inside a paragraph takes its first item's style.
  EXPECT_EQ(Shape(D), "a/1/P b/1/J c/1/L T/0/ d/0/");
  EXPECT_EQ(Shape(*t.Cells(0, 0)), "e/0/");
}

TEST_F(NormalizeTest, MarkersAlwaysKeepATextItemOfTheirOwn) {
  Marker();
  Marker();
  Text(u"x", 0, 1);
  Marker();
  auto table = std::make_unique<TLTTableItemInfo>(1, 1);
  D.AddItemAsIs({}, std::move(table));
  Marker();

  NormalizeDocument(D);
  // Between two markers and before a table an empty item goes in (paragraph
  // style 0); the marker at the end gets one too; x joins its marker.
  EXPECT_EQ(Shape(D), "#/0/ /0/J #/0/ x/0/J #/0/ /0/J T/0/ #/0/ /0/J");
  EXPECT_TRUE(D.GetItem(1).IsWide());
}

TEST_F(NormalizeTest, EmptyPiecesGiveWayToTheirNeighbours) {
  Text(u"", ltifNewPage, 1);
  D.AddNamedCheckpoint(u"start", false);
  D.AttachPendingCheckpoint(D.GetItem(0), nullptr);
  Text(u"a", ltifJoinPrev, 1);
  Text(u"", ltifJoinPrev, 1);  // serves nothing
  Text(u"b", ltifNewLine, 1, 1);
  Marker();
  Text(u"", ltifJoinPrev, 0);  // the marker's text item: stays

  NormalizeDocument(D);
  EXPECT_EQ(Shape(D), "a/1/P b/1/L #/0/ /0/J");
  ASSERT_NE(D.GetItemCheckpoint(0), nullptr);
  EXPECT_EQ(D.GetItemCheckpoint(0)->CheckpointName, u"start");
  EXPECT_EQ(D.FirstCheckpoint(), D.GetItemCheckpoint(0));
  EXPECT_EQ(D.CheckpointCount(), 1);
}

TEST_F(NormalizeTest, JoinsNeighboursThatLookTheSame) {
  Text(u"ab", 0, 0, 0, u"F|");
  Text(u"cd", ltifJoinPrev, 0, 0, u"F|");
  Text(u"ef", ltifJoinPrev, 0, 0, u"G|");
  Text(u"gh", ltifJoinPrev, 0, 1, u"G|");
  // A piece stored narrow in a wide style cannot share the bytes of its
  // neighbour.
  TCustomLTItemInfo& narrow = Text(u"", ltifJoinPrev, 0, 1, u"G|");
  narrow.ItemFlags = ltifJoinPrev;
  narrow.Text = "ij";
  std::vector<TLTRawByteString> modified;
  Doc.Context.OnItemAction = [&](TLTItemAction a, TCustomLTItemInfo&, TLTRawByteString& text, TCustomLTData&) {
    if (a == ltiaTextModifying) modified.push_back(text);
  };

  NormalizeDocument(D);
  ASSERT_EQ(D.ItemCount(), 4);
  EXPECT_EQ(D.GetItemTextW(0), u"abcd");
  EXPECT_EQ(D.GetItemTextW(1), u"ef");
  EXPECT_EQ(D.GetItemTextW(2), u"gh");
  EXPECT_EQ(D.GetItemTextRaw(3), "ij");
  ASSERT_EQ(modified.size(), 1u);
  EXPECT_EQ(modified[0], Utf16ToBytes(u"abcd"));
}

}  // namespace
}  // namespace lectern
