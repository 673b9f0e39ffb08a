// Tables: spans and main cells, merging, text output, walks into cells,
// and storage of every shape through LTF.

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

struct TableDoc : TLTDocument {
  TableDoc() { RegisterTableItemKind(); }
  /// Adds a table and fills every cell with its position ("r,c").
  TLTTableItemInfo& AddTable(int rows, int cols, TCustomLTData* into = nullptr) {
    auto table = std::make_unique<TLTTableItemInfo>(rows, cols);
    TLTTableItemInfo& ref = *table;
    (into ? *into : Data).AddItem({}, std::move(table));
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        TLTTableCellData* cell = ref.Cells(r, c);
        cell->Clear();
        cell->AddTextW(Utf8ToUtf16(IntToStr(r) + "," + IntToStr(c)), 0, 0);
      }
    return ref;
  }
  std::string Save(TLTFOptions options = LTEditorLTFOptions) {
    Context.LTFOptions = options;
    TLTMemoryStream m;
    EXPECT_TRUE(Data.SaveLTFToStream(m));
    return m.Data();
  }
};

bool Load(TLTDocument& d, const std::string& bytes) {
  RegisterTableItemKind();
  d.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m(bytes);
  return d.Data.LoadLTFFromStream(m);
}

TEST(LTTable, MainCellsOfCoveredSlots) {
  TLTTableItemInfo t(3, 3);
  ASSERT_TRUE(t.MergeRect(0, 0, 2, 2, false));
  int r = -1, c = -1;
  EXPECT_EQ(t.GetMainCell(1, 1, r, c), t.Cells(0, 0));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(t.Cells(1, 1), nullptr);
  EXPECT_EQ(t.GetMainCell(1, 2, r, c), t.Cells(1, 2));
  EXPECT_EQ(t.GetMainCell(3, 0, r, c), nullptr);
  EXPECT_EQ(t.RowBestHeight(1), 0);
}

TEST(LTTable, MergingNeedsCellsWhollyInside) {
  TLTTableItemInfo t(3, 3);
  EXPECT_FALSE(t.CanMerge(0, 0, 1, 1));
  EXPECT_TRUE(t.CanMerge(0, 0, 2, 5));  // clamped to the grid
  ASSERT_TRUE(t.MergeRect(1, 1, 2, 2, false));
  EXPECT_FALSE(t.CanMerge(0, 0, 2, 2));  // would cut the merged cell
  EXPECT_TRUE(t.CanMerge(0, 0, 3, 3));
  EXPECT_FALSE(t.MergeRect(0, 1, 2, 1, false));
  try {
    t.CanMerge(3, 0, 2, 2);
    FAIL();
  } catch (const ELecternError& e) {
    EXPECT_STREQ(e.what(), "Parameters for cell merging are not correct");
  }
  EXPECT_THROW(t.CheckIndex(0, 3), ELecternError);
}

TEST(LTTable, MergingMovesContentIntoTheMainCell) {
  TableDoc d;
  TLTTableItemInfo& t = d.AddTable(1, 3);
  ASSERT_TRUE(t.MergeRect(0, 0, 1, 3, true));
  EXPECT_EQ(t.Cells(0, 0)->GetPlainText(0), u"0,0\r\n0,1\r\n0,2");
}

TEST(LTTable, TextOutputSeparatesCellsAndEndsEveryRow) {
  TableDoc d;
  TLTTableItemInfo& t = d.AddTable(2, 2);
  t.Cells(0, 0)->Clear();
  t.Cells(0, 0)->AddTextW(u"a", 0, 0);
  t.Cells(0, 1)->Clear();
  t.Cells(0, 1)->AddTextW(u"b", 0, 0);
  EXPECT_EQ(t.AsText(0, d.Data, true), u"a\r\nb\r\n1,0\r\n1,1\r\n");
  t.TextColSeparator = u"\t";
  d.Data.AddTextW(u"after", 0, 0);
  EXPECT_EQ(d.Data.GetPlainText(0), u"a\tb\r\n1,0\t1,1\r\n\r\nafter");
}

TEST(LTTable, WalksReachEveryCellInReadingOrder) {
  TableDoc d;
  d.Data.AddTextW(u"before", 0, 0);
  TLTTableItemInfo& t = d.AddTable(2, 3);
  t.MergeRect(0, 1, 2, 2, true);
  std::vector<std::u16string> seen;
  d.Data.EnumerateItems([&](TCustomLTData& data, int i, bool&) {
    if (data.GetItem(i).IsText()) seen.push_back(data.GetItemTextW(i));
  });
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"before", u"0,0", u"0,1", u"0,2", u"1,1", u"1,2", u"1,0"}));
  EXPECT_LT(t.Cells(0, 1)->ComparePositions(0, *t.Cells(1, 0), 0), 0);
  EXPECT_LT(d.Data.ComparePositions(1, *t.Cells(0, 0), 0), 0);  // the table before its cells
}

TEST(LTTable, StylesUsedOnlyInCellsSurviveCleanUp) {
  TableDoc d;
  for (int i = 0; i < 6; ++i) d.Style.TextStyles()[i].Standard = false;
  TLTTableItemInfo& t = d.AddTable(1, 1);
  t.Cells(0, 0)->Clear();
  t.Cells(0, 0)->AddTextW(u"cell", 4, 0);
  d.Data.DeleteUnusedStyles(true, false, false);
  ASSERT_EQ(d.Style.TextStyles().Count(), 1);
  EXPECT_EQ(d.Style.TextStyles()[0].StyleName, u"Jump 1");
  EXPECT_EQ(t.Cells(0, 0)->GetItem(0).StyleNo, 0);
}

TEST(LTTable, MarkersInCellsNumberInDocumentOrder) {
  TableDoc d;
  TLTListInfo& list = d.Style.ListStyles().Add();
  list.Levels.Add().ListType = ltlstDecimal;
  list.Levels[0].FormatString = u"%s.";
  auto item = [](TCustomLTData& into) {
    into.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
    into.AddTextW(u"x", 0, -1);
  };
  item(d.Data);
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  table->Cells(0, 0)->Clear();
  item(*table->Cells(0, 1));  // built before the table is in the document
  item(*table->Cells(0, 0));
  d.Data.AddItem({}, std::move(table));
  item(d.Data);
  TLTMarkerList* markers = d.Data.GetMarkers();
  ASSERT_NE(markers, nullptr);
  ASSERT_EQ(markers->Count(), 4);
  std::vector<std::u16string> texts;
  for (int i = 0; i < 4; ++i) texts.push_back((*markers)[i].DisplayString);
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"1.", u"2.", u"3.", u"4."}));
  auto& t = d.Data.CheckItemClass<TLTTableItemInfo>(2);
  EXPECT_EQ(&(*markers)[1], &t.Cells(0, 0)->GetItem(0));
  d.Data.DeleteItems(2, 1);
  EXPECT_EQ(d.Data.GetMarkers()->Count(), 2);
  EXPECT_EQ((*d.Data.GetMarkers())[1].DisplayString, u"2.");
}

TEST(LTTable, AFirstRowMergedIntoOneWritesThreeCells) {
  TableDoc d;
  TLTTableItemInfo& t = d.AddTable(2, 2);
  t.MergeRect(0, 0, 1, 2, true);
  const std::string saved = d.Save();
  TLTDocument copy;
  ASSERT_TRUE(Load(copy, saved));
  auto& u = copy.Data.CheckItemClass<TLTTableItemInfo>(0);
  EXPECT_EQ(u.NumRows(), 2);
  EXPECT_EQ(u.Cells(0, 1), nullptr);
  EXPECT_EQ(u.Cells(0, 0)->ColumnsSpanned, 2);
  EXPECT_EQ(u.Cells(1, 1)->GetPlainText(0), u"1,1");
  TableDoc again;
  ASSERT_TRUE(Load(again, saved));
  EXPECT_EQ(again.Save(), saved);
}

TEST(LTTable, EveryShapeRoundTripsByteForByte) {
  for (TLTFOptions options : {LTEditorLTFOptions, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary}}) {
    TableDoc d;
    d.Data.AddTextW(u"Intro", 1, 0);
    TLTTableItemInfo& t = d.AddTable(4, 4);
    t.MergeRect(0, 0, 2, 3, true);
    t.MergeRect(2, 3, 2, 1, false);
    t.Cells(3, 0)->Clear();  // no items at all
    t.Cells(2, 0)->Clear();
    t.Cells(2, 0)->AddTextW(u"", 0, 1);  // empty, but in paragraph style 1
    t.Cells(2, 1)->Color = clYellow;
    t.Cells(2, 1)->VisibleBorders.Left = false;
    t.Cells(2, 1)->VAlign = ltcBottom;
    t.Cells(2, 1)->BestWidth = -30;
    t.Cells(2, 1)->Hint = u"a hint";
    TBitmap bmp;
    TLTPixels px;
    px.Width = px.Height = 2;
    px.Data.assign(4, 0xFF00FF00u);
    bmp.SetPixels(px);
    t.Cells(3, 1)->BackgroundImage = bmp.Clone();
    t.BackgroundImage = bmp.Clone();
    t.BackgroundImageFileName = u"back.bmp";
    t.BorderWidth = 2;
    t.BorderStyle = lttbColor;
    t.SetCellPadding(4);
    t.Options.Include(lttoHideGridLines);
    t.TextColSeparator = u"";
    t.Rows[1].VAlign = ltcMiddle;
    t.Rows[2].PageBreakBefore = true;
    d.AddTable(2, 2, t.Cells(1, 2));  // a nested table
    d.Data.AddTextW(u"Outro", 0, 0);

    const std::string saved = d.Save(options);
    TableDoc copy;
    ASSERT_TRUE(Load(copy, saved));
    EXPECT_EQ(copy.Save(options), saved);
    auto& u = copy.Data.CheckItemClass<TLTTableItemInfo>(1);
    EXPECT_EQ(u.Cells(3, 0)->ItemCount(), 1);  // an empty cell reads back as one empty text
    EXPECT_EQ(u.Cells(2, 0)->GetItemPara(0), 1);
    EXPECT_EQ(u.Cells(2, 1)->Hint, u"a hint");
    EXPECT_EQ(u.CellVPadding, 4);
    EXPECT_EQ(u.BackgroundImageFileName, u"back.bmp");
    EXPECT_EQ(copy.Data.GetPlainText(0), d.Data.GetPlainText(0));
  }
}

TEST(LTTable, PaddingsAreStoredOnceWhenEqual) {
  TLTTableItemInfo t(1, 1);
  std::vector<std::string> stored;
  auto collect = [&] {
    stored.clear();
    t.ClassInfo().ForEach([&](const TLTPropInfo& p) {
      if (p.Name.find("Padding") == std::string_view::npos) return;
      if ((!p.IsStored || p.IsStored(t)) && p.GetOrd(t) != p.Default) stored.emplace_back(p.Name);
    });
  };
  t.SetCellPadding(3);
  collect();
  EXPECT_EQ(stored, (std::vector<std::string>{"CellPadding"}));
  t.CellVPadding = 1;
  collect();
  EXPECT_EQ(stored, (std::vector<std::string>{"CellHPadding"}));
}

TEST(LTTable, CellListsThatDoNotMatchTheGridFail) {
  TableDoc d;
  d.AddTable(1, 2);
  std::string hex = d.Save(LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary});
  // The grid is "C", 1 row (02 01), 2 columns (02 02): claim 3 columns or 1.
  const size_t grid = hex.find("0143020102020102");  // "C" then rows, cols, list begin
  ASSERT_NE(grid, std::string::npos);
  TLTDocument copy;
  std::string more = hex;
  more.replace(grid, 16, "0143020102030102");
  EXPECT_FALSE(Load(copy, more));
  std::string fewer = hex;
  fewer.replace(grid, 16, "0143020102010102");
  EXPECT_FALSE(Load(copy, fewer));
  std::string huge = hex;
  huge.replace(grid, 16, "014304FFFFFF7F04");
  EXPECT_FALSE(Load(copy, huge));
  EXPECT_TRUE(Load(copy, hex));
}

TEST(LTTable, DeepNestingIsRefused) {
  TableDoc d;
  TCustomLTData* into = &d.Data;
  for (int depth = 0; depth < LTMaxTableNesting + 2; ++depth) {
    TLTTableItemInfo& t = d.AddTable(1, 1, into);
    into = t.Cells(0, 0);
  }
  const std::string saved = d.Save();
  TLTDocument copy;
  EXPECT_FALSE(Load(copy, saved));
}

TEST(LTTable, APartOfATableIsSavedAsATableOfItsOwn) {
  TableDoc d;
  TLTTableItemInfo& t = d.AddTable(3, 3);
  t.MergeRect(0, 0, 2, 2, true);
  TLTMemoryStream m;
  {
    d.Context.LTFOptions = LTEditorLTFOptions;
    TLTFWriter w(m, d.Data, LTEditorLTFOptions);
    w.Line("-8 1 3 1");
    t.SaveLTFPart(w, TLTCellRect{1, 1, 2, 2});
  }
  TLTDocument copy;
  ASSERT_TRUE(Load(copy, m.Data()));
  auto& u = copy.Data.CheckItemClass<TLTTableItemInfo>(0);
  ASSERT_EQ(u.NumRows(), 2);
  ASSERT_EQ(u.NumColumns(), 2);
  // The merged cell reaches into the part from outside: it stands there,
  // cut to the part and without its content.
  EXPECT_EQ(u.Cells(0, 0)->ColumnsSpanned, 1);
  EXPECT_TRUE(u.Cells(0, 0)->IsEmpty());
  EXPECT_EQ(u.Cells(1, 1)->GetPlainText(0), u"2,2");
}

}  // namespace
}  // namespace lectern
