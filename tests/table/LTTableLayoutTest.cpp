// Table layout and painting on the headless canvas (characters 7 pixels
// wide, text 13 high), with the default spacings: border spacing 2, cell
// spacing 2, cell padding 1, no border widths.

#include "tests/support/TableDoc.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using TableDoc = testing::TableDocOf<>;

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
  TLTPaintContext p;
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

TEST(LTTableLayout, CellsMeasureWithTheirDocumentsCanvasAfterLayout) {
  TableDoc d(1, 1);
  d.Set(0, 0, u"alpha beta");
  d.Format();
  TLTTableCellData& cell = *d.Table->Cells(0, 0);
  EXPECT_EQ(cell.GetFormatCanvas(), &d.Canvas);
  int item = -1, offset = -1;
  ASSERT_TRUE(cell.HitTest(7 * 7 + 1, 6, false, item, offset));
  EXPECT_EQ(offset, 8);  // on the 'e' of "beta"
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

TEST(LTTableLayout, FreeColumnsShareTheRestFromTheLeftOnePixelAtATime) {
  TableDoc d(2, 2, 400);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) d.MinWidth(r, c, 30);
  d.Format();
  const TLTTableItemInfo& t = *d.Table;
  EXPECT_EQ(t.TableWidth, 400);
  EXPECT_EQ(t.ColumnWidths, (std::vector<int32_t>{195, 195}));  // 30 + 330 / 2 each
  EXPECT_EQ(t.ColumnLefts, (std::vector<int32_t>{2, 201}));
  EXPECT_EQ(t.Cells(1, 0)->Width, 197);
  EXPECT_EQ(t.Cells(1, 1)->Left, 201);

  d.Doc.ClientWidth = 401;  // 331 left over: the odd pixel goes right
  d.Format();
  EXPECT_EQ(t.ColumnWidths, (std::vector<int32_t>{195, 196}));
}

TEST(LTTableLayout, TableBestWidthsInPercentAndPixels) {
  TableDoc d(2, 2, 600);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) d.MinWidth(r, c, 30);
  d.Table->BestWidth = -50;
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 300);
  EXPECT_EQ(d.ColumnSum() + 6 + 4, 300);

  d.Table->BestWidth = 250;
  d.Table->LayoutInvalid = true;
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 250);
  d.Doc.ClientWidth = 1000;
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 250);

  // Content that cannot fit wins over the best width.
  d.MinWidth(0, 0, 200);
  d.MinWidth(0, 1, 200);
  d.Table->LayoutInvalid = true;
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 6 + 4 + 400);
  EXPECT_EQ(d.Table->ColumnWidths, (std::vector<int32_t>{200, 200}));
}

TEST(LTTableLayout, ATableWiderThanTheWindowWidensTheDocument) {
  TableDoc d(1, 2, 100);
  d.Table->BestWidth = 300;
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 300);
  EXPECT_GE(d.Doc.DocumentWidth, 300);
  EXPECT_EQ(d.Doc.DrawItems[0].Width, 300);
  // Its right cell is painted where it lies, beyond the window.
  d.Set(0, 1, u"far");
  d.Table->LayoutInvalid = true;
  d.Format();
  TLTHeadlessCanvas paint;
  TLTPaintContext p;
  p.Clip = {0, 0, 400, 100};
  PaintTo(d.Doc, paint, p);
  bool far = false;
  for (const TLTDrawCall& c : paint.Calls())
    far |= c.Kind == TLTDrawKind::Text && c.Text == u"far" && c.Rect.Left > 100;
  EXPECT_TRUE(far);
  // A percentage above the whole width is wider than any minimum, and
  // still widens the document.
  d.Table->BestWidth = -150;
  d.Table->LayoutInvalid = true;
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 150);
  EXPECT_GE(d.Doc.DocumentWidth, 150);
}

TEST(LTTableLayout, EmptyGridsAndEmptyCells) {
  TableDoc d(1, 1);
  d.Table->ResetGrid(0, 0);
  d.Format();
  EXPECT_EQ(d.Table->TableWidth, 4);
  EXPECT_EQ(d.Table->TableHeight, 4);
  TLTHeadlessCanvas paint;
  TLTPaintContext p;
  p.Clip = {0, 0, 200, 100};
  PaintTo(d.Doc, paint, p);  // background and border only
  int dummy = 0;
  EXPECT_FALSE(d.Table->CellAt(1, 1, dummy, dummy));

  TableDoc e(2, 2);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) e.Table->Cells(r, c)->Clear();
  e.Format();
  EXPECT_EQ(e.Table->RowContentHeights, (std::vector<int32_t>{10, 10}));
  EXPECT_EQ(e.Table->TableHeight, 2 * 10 + 2 * 2 + 4 + 2);  // rows, paddings, border and cell spacing
}

TEST(LTTableLayout, OnAFinerDeviceBestHeightsAreScaledAndContentHeightsAreNot) {
  TableDoc d(3, 1);
  d.Canvas.SetPixelsPerInch(2 * LTScreenPixelsPerInch, 2 * LTScreenPixelsPerInch);
  d.Set(0, 0, u"ab");
  d.Table->Cells(1, 0)->Clear();
  d.Table->Cells(1, 0)->BestHeight = 30;
  d.Table->Cells(2, 0)->Clear();
  d.Format();
  const int text = d.Table->Cells(0, 0)->DocumentHeight;
  ASSERT_GT(text, 13);  // measured in the finer device's pixels
  EXPECT_EQ(d.Table->RowContentHeights, (std::vector<int32_t>{text, 60, 20}));
}

TEST(LTTableLayout, CellsAlignVerticallyByTheirOwnOrTheirRowsAlignment) {
  TableDoc d(1, 2);
  d.Set(0, 0, u"one");
  d.Table->Cells(0, 1)->BestHeight = 53;  // 40 more than a line
  d.Format();
  const TLTTableCellData& cell = *d.Table->Cells(0, 0);
  ASSERT_EQ(cell.Height, 55);
  EXPECT_EQ(d.Table->ContentOffset(cell), 0);  // a new row aligns to the top
  d.Table->Rows[0].VAlign = ltcVDefault;
  EXPECT_EQ(d.Table->ContentOffset(cell), (55 - 13) / 2 - 1);
  d.Table->Cells(0, 0)->VAlign = ltcBottom;
  EXPECT_EQ(d.Table->ContentOffset(cell), 55 - 13 - 2);
}

TEST(LTTableLayout, OverConstrainedPercentAndPixelWantsAreScaledDown) {
  // Both want 90 %: the first may not take what the second needs for its
  // content.
  TableDoc d(1, 2);
  d.MinWidth(0, 0, 14);
  d.MinWidth(0, 1, 98);
  d.Table->Cells(0, 0)->BestWidth = -90;
  d.Table->Cells(0, 1)->BestWidth = -90;
  d.Format();
  EXPECT_EQ(d.Table->ColumnWidths, (std::vector<int32_t>{92, 98}));
  EXPECT_EQ(d.Table->TableWidth, 200);

  TableDoc px(1, 3);
  px.MinWidth(0, 0, 10);
  px.MinWidth(0, 1, 10);
  px.MinWidth(0, 2, 60);
  px.Table->Cells(0, 0)->BestWidth = 150;
  px.Table->Cells(0, 1)->BestWidth = 50;
  px.Table->BestWidth = 200;
  px.Format();
  // 126 free pixels (with the pixel columns' own 10 + 10) for wants of 150
  // and 50; the free column keeps its content.
  EXPECT_EQ(px.Table->ColumnWidths, (std::vector<int32_t>{95, 31, 60}));
  EXPECT_EQ(px.Table->TableWidth, 200);
}

TEST(LTTableLayout, SpanningMinimalWidthsAreSharedHalfToEven) {
  // Columns of 7, 70 and 7 pixels under a cell needing 143: the wide
  // column keeps its width, the other two share 69 as 34 (34.5 to even)
  // and 35.
  TableDoc d(2, 3, 20);
  d.MinWidth(1, 0, 7);
  d.MinWidth(1, 1, 70);
  d.MinWidth(1, 2, 7);
  ASSERT_TRUE(d.Table->MergeRect(0, 0, 1, 3, false));
  d.MinWidth(0, 0, 143);
  d.Format();
  EXPECT_EQ(d.Table->ColumnWidths, (std::vector<int32_t>{32, 70, 33}));
  EXPECT_EQ(d.Table->Cells(0, 0)->Width - 2, 143);
}

TEST(LTTableLayout, APercentCellEndingASpanCountsForItsLastColumn) {
  TLTTableItemInfo t(2, 3);
  ASSERT_TRUE(t.MergeRect(0, 0, 1, 2, false));
  t.Cells(0, 0)->BestWidth = -40;
  EXPECT_FALSE(t.ColumnHasPercentCell(0));
  EXPECT_TRUE(t.ColumnHasPercentCell(1));
  EXPECT_FALSE(t.ColumnHasPercentCell(2));
}

/// An item that reports whether the document's root carried the
/// nested-layout mark while it was laid out, and can fail.
class TProbeItem : public TLTFullLineItemInfo {
 public:
  TProbeItem() { StyleNo = -300; }
  bool* Seen = nullptr;
  bool Fail = false;
  void OnDocWidthChange(TLTItemLayoutContext&, int) override {
    *Seen = dynamic_cast<TCustomLTFormattedData&>(GetRoot()).NestedLayout;
    if (Fail) throw ELecternError("probe");
    SetBox(10, 10);
  }
  TCustomLTData& GetRoot() const { return Owner->GetRootData(); }
  TCustomLTData* Owner = nullptr;
};

TEST(LTTableLayout, RootCarriesTheNestedLayoutMarkWhileCellsAreFormatted) {
  TableDoc d(1, 1);
  TLTTableCellData* cell = d.Table->Cells(0, 0);
  cell->Clear();
  auto probe = std::make_unique<TProbeItem>();
  TProbeItem* p = probe.get();
  bool seen = false;
  p->Seen = &seen;
  p->Owner = cell;
  cell->AddItem({}, std::move(probe));
  d.Format();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(d.Doc.NestedLayout);

  // A failure inside a cell puts the mark back as it was.
  p->Fail = true;
  EXPECT_THROW(d.Format(), ELecternError);
  EXPECT_FALSE(d.Doc.NestedLayout);
  d.Doc.NestedLayout = true;
  EXPECT_THROW(d.Format(), ELecternError);
  EXPECT_TRUE(d.Doc.NestedLayout);
}

TEST(LTTableLayout, NestedTablesLayOutInsideTheirCellsAndTooDeepOnesAsBorders) {
  TableDoc d(1, 2, 300);
  d.Set(0, 0, u"outer");
  auto inner = std::make_unique<TLTTableItemInfo>(1, 2);
  TLTTableItemInfo* in = inner.get();
  inner->ParaNo = 0;
  TLTTableCellData* host = d.Table->Cells(0, 1);
  host->Clear();
  host->AddItem({}, std::move(inner));
  in->Cells(0, 1)->Clear();
  in->Cells(0, 1)->AddTextW(u"inside", 0, 0);
  d.Format();
  EXPECT_EQ(in->TableWidth, host->LayoutClientWidth);
  EXPECT_EQ(host->DocumentHeight, in->TableHeight);
  TLTHeadlessCanvas paint;
  TLTPaintContext p;
  p.Clip = {0, 0, 300, 100};
  PaintTo(d.Doc, paint, p);
  bool drawn = false;
  for (const TLTDrawCall& c : paint.Calls())
    if (c.Kind == TLTDrawKind::Text && c.Text == u"inside") {
      drawn = true;
      EXPECT_GT(c.Rect.Left, d.Table->Cells(0, 1)->Left + in->Cells(0, 1)->Left);
    }
  EXPECT_TRUE(drawn);

  // Far deeper than stored documents may nest: bounded work, the deepest
  // tables are their border only.
  TableDoc deep(1, 1);
  TLTTableItemInfo* t = deep.Table;
  std::vector<TLTTableItemInfo*> chain{t};
  for (int level = 1; level < LTMaxTableNesting + 3; ++level) {
    auto next = std::make_unique<TLTTableItemInfo>(1, 1);
    next->ParaNo = 0;
    TLTTableItemInfo* n = next.get();
    t->Cells(0, 0)->AddItem({}, std::move(next));
    chain.push_back(n);
    t = n;
  }
  deep.Format();
  EXPECT_EQ(chain[LTMaxTableNesting - 1]->NestingLevel(), LTMaxTableNesting - 1);
  EXPECT_EQ(chain[LTMaxTableNesting - 1]->RowTops.size(), 1u);
  EXPECT_EQ(chain[LTMaxTableNesting]->TableWidth, 4);
  EXPECT_TRUE(chain[LTMaxTableNesting]->RowTops.empty());
  TLTHeadlessCanvas deepPaint;
  PaintTo(deep.Doc, deepPaint, p);
}

}  // namespace
}  // namespace lectern
