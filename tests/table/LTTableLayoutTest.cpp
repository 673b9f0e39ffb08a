// Table layout and painting on the headless canvas (characters 7 pixels
// wide, text 13 high), with the default spacings: border spacing 2, cell
// spacing 2, cell padding 1, no border widths.

#include "layout/CLTFData.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "table/LTTable.h"
#include "view/LTPaint.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

struct TableDoc {
  TLTStyle Style;
  TLTDocumentContext Context;
  TLTHeadlessCanvas Canvas;
  TLTFormattedDocument Doc;
  TLTTableItemInfo* Table = nullptr;

  TableDoc(int rows, int cols, int width = 200) {
    RegisterTableItemKind();
    Context.Style = &Style;
    Doc.SetContext(&Context);
    Doc.Canvas = &Canvas;
    Doc.LeftMargin = Doc.RightMargin = Doc.TopMargin = Doc.BottomMargin = 0;
    Doc.ClientWidth = width;
    auto t = std::make_unique<TLTTableItemInfo>(rows, cols);
    Table = t.get();
    t->ParaNo = 0;
    Doc.AddItem({}, std::move(t));
  }
  void Set(int r, int c, const char16_t* text) {
    TLTTableCellData* cell = Table->Cells(r, c);
    cell->Clear();
    cell->AddTextW(text, 0, 0);
  }
  void Format() { Doc.FormatAll({.Force = true}); }
};

TEST(LTTableLayout, FreeColumnsShareWhatTheirContentLeaves) {
  TableDoc d(1, 2);
  d.Set(0, 0, u"ab");
  d.Set(0, 1, u"abcdef");
  d.Format();
  const TLTTableItemInfo& t = *d.Table;
  EXPECT_EQ(t.TableWidth, 200);
  EXPECT_EQ(t.ColumnWidths, (std::vector<int32_t>{14 + 67, 42 + 67}));
  EXPECT_EQ(t.ColumnLefts, (std::vector<int32_t>{2, 87}));
  EXPECT_EQ(t.Cells(0, 1)->Left + t.Cells(0, 1)->Width + 2, 200);  // ends at the border spacing
  EXPECT_EQ(t.TableHeight, 13 + 6);
  EXPECT_EQ(t.Cells(0, 0)->Height, 13 + 2);
  ASSERT_EQ(d.Doc.DrawItems.Count(), 1);
  EXPECT_EQ(d.Doc.DrawItems[0].Width, 200);
  EXPECT_EQ(d.Doc.DrawItems[0].Height, 19);
  // The minimal width of the document honours the table's content.
  d.Doc.ClientWidth = 20;
  d.Format();
  EXPECT_EQ(d.Doc.DocumentWidth, 6 + 4 + 14 + 42);
}

TEST(LTTableLayout, PixelAndPercentBestWidths) {
  TableDoc d(1, 2);
  d.Set(0, 0, u"ab");
  d.Set(0, 1, u"abcdef");
  d.Table->Cells(0, 0)->BestWidth = 50;
  d.Format();
  EXPECT_EQ(d.Table->ColumnWidths, (std::vector<int32_t>{50, 140}));

  d.Table->Cells(0, 0)->BestWidth = 0;
  d.Table->Cells(0, 1)->BestWidth = -50;  // half of the width for the cells
  d.Table->LayoutInvalid = true;
  d.Format();
  EXPECT_EQ(d.Table->ColumnWidths, (std::vector<int32_t>{95, 95}));
}

TEST(LTTableLayout, SpansAreWideAndTallEnoughForTheirCells) {
  TableDoc d(3, 2, 60);
  d.Set(0, 0, u"abcdefghijkl");  // 84 wide, over both columns
  ASSERT_TRUE(d.Table->MergeRect(0, 0, 1, 2, false));
  d.Set(1, 0, u"x");
  d.Set(1, 1, u"y");
  ASSERT_TRUE(d.Table->MergeRect(1, 1, 2, 1, false));
  d.Table->Cells(1, 1)->BestHeight = 60;
  d.Set(2, 0, u"z");
  d.Format();
  const TLTTableItemInfo& t = *d.Table;
  const TLTTableCellData& wide = *t.Cells(0, 0);
  EXPECT_GE(wide.Width - 2, 84);
  const TLTTableCellData& tall = *t.Cells(1, 1);
  EXPECT_GE(tall.Height - 2, 60);
  // The spanned rows together carry the tall cell.
  EXPECT_EQ(tall.Top + tall.Height, t.Cells(2, 0)->Top + t.Cells(2, 0)->Height);
}

TEST(LTTableLayout, CellsPaintTheirDocumentsAndTheGridWhereBordersAreMissing) {
  TableDoc d(1, 2);
  d.Set(0, 0, u"ab");
  d.Set(0, 1, u"cd");
  d.Table->Cells(0, 1)->Color = MakeColor(0x00FFFF);
  d.Format();
  TLTHeadlessCanvas paint;
  const TLTPenStyle old = TableGridReadOnlyStyle;
  TableGridReadOnlyStyle = psDot;
  TLTPaintParams p;
  p.Clip = {0, 0, 200, 100};
  PaintTo(d.Doc, paint, p);
  TableGridReadOnlyStyle = old;
  int texts = 0, gridLines = 0;
  bool filled = false;
  for (const TLTDrawCall& c : paint.Calls()) {
    if (c.Kind == TLTDrawKind::Text) {
      ++texts;
      // Middle-aligned in its padding box: 1 pixel of padding, no room to spare.
      EXPECT_EQ(c.Rect.Top, d.Table->Cells(0, 0)->Top + 1);
      EXPECT_EQ(c.Rect.Left, (c.Text == u"ab" ? d.Table->Cells(0, 0) : d.Table->Cells(0, 1))->Left + 1);
    }
    gridLines += c.Kind == TLTDrawKind::Line && c.Pen.Style == psDot;
    filled |= c.Kind == TLTDrawKind::FillRect && c.Brush.Color == MakeColor(0x00FFFF);
  }
  EXPECT_EQ(texts, 2);
  EXPECT_TRUE(filled);
  EXPECT_EQ(gridLines, 4 * 3);  // the table's outline and each cell's
}

TEST(LTTableLayout, FixedColumnsMakeTheTableTheirSumAndSpansTakeTheirBestWidth) {
  TableDoc d(2, 2);
  d.Table->Cells(0, 0)->BestWidth = 40;
  d.Table->Cells(0, 1)->BestWidth = 60;
  d.Format();
  EXPECT_TRUE(d.Table->AllColumnsFixed());
  EXPECT_EQ(d.Table->ColumnWidths, (std::vector<int32_t>{40, 60}));
  EXPECT_EQ(d.Table->TableWidth, 6 + 4 + 100);  // not the 200 available

  // A spanning cell's pixel width goes to the free column under it.
  TableDoc s(2, 2);
  s.Table->Cells(1, 0)->BestWidth = 30;
  ASSERT_TRUE(s.Table->MergeRect(0, 0, 1, 2, false));
  s.Table->Cells(0, 0)->BestWidth = 150;
  s.Table->BestWidth = 180;
  s.Format();
  EXPECT_EQ(s.Table->TableWidth, 180);  // the table's own width wins
  EXPECT_GE(s.Table->Cells(0, 0)->Width, 150);
  EXPECT_GE(s.Table->ColumnWidths[0], 30);
}

TEST(LTTableLayout, CellAtFindsTheMainCellAndNothingBetweenCells) {
  TableDoc d(2, 2);
  ASSERT_TRUE(d.Table->MergeRect(0, 0, 2, 1, false));  // column 0 spans both rows
  d.Format();
  const TLTTableItemInfo& t = *d.Table;
  int r = -1, c = -1;
  const TLTTableCellData& tall = *t.Cells(0, 0);
  ASSERT_TRUE(t.CellAt(tall.Left + 3, tall.Top + tall.Height - 3, r, c));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(c, 0);
  const TLTTableCellData& low = *t.Cells(1, 1);
  ASSERT_TRUE(t.CellAt(low.Left + 2, low.Top + 2, r, c));
  EXPECT_EQ(r, 1);
  EXPECT_EQ(c, 1);
  EXPECT_FALSE(t.CellAt(low.Left - 1, low.Top + 2, r, c));  // the spacing between cells
  EXPECT_FALSE(t.CellAt(low.Left, low.Top + 2, r, c));      // the shrunk edge
  EXPECT_FALSE(t.CellAt(-5, 3, r, c));
}

TEST(LTTableLayout, RulesRunBetweenColumnsAndRows) {
  TableDoc d(2, 3);
  d.Table->VRuleWidth = 1;
  d.Table->VRuleColor = MakeColor(0x0000FF);
  d.Table->HRuleWidth = 3;
  d.Table->HRuleColor = MakeColor(0x00FF00);
  d.Format();
  TLTHeadlessCanvas paint;
  d.Table->PaintRules(paint, 0, 0, ltocAsIs);
  std::vector<TLTRectI> vertical, horizontal;
  for (const TLTDrawCall& c : paint.Calls()) {
    if (c.Brush.Color == MakeColor(0x0000FF)) vertical.push_back(c.Rect);
    if (c.Brush.Color == MakeColor(0x00FF00)) horizontal.push_back(c.Rect);
  }
  ASSERT_EQ(vertical.size(), 2u);                            // between three columns
  EXPECT_EQ(vertical[0].Left, d.Table->ColumnLefts[1] - 1);  // centred in the 2-pixel spacing
  EXPECT_EQ(vertical[0].Height(), d.Table->TableHeight);
  ASSERT_EQ(horizontal.size(), 3u);  // one rule 3 lines thick between two rows
  EXPECT_EQ(horizontal[1].Top, d.Table->RowTops[1] - 1);
}

}  // namespace
}  // namespace lectern
