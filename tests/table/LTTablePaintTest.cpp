// Table painting on the headless canvas: the grid where borders are
// missing (only in a document that can be edited), the border event, the
// border styles, painting limited to the clip, page-break marks and
// background pictures. Characters are 7 pixels wide and 13 high; default
// spacings (border spacing 2, cell spacing 2, padding 1, no borders).

#include "tests/support/TableDoc.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lectern {
namespace {

class TEditableDocument : public TLTFormattedDocument {
 public:
  bool IsEditable() const override { return true; }
};

template <class TDoc = TLTFormattedDocument>
using PaintDoc = testing::TableDocOf<TDoc>;

int GridLines(const std::vector<TLTDrawCall>& calls) {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [](const TLTDrawCall& c) {
    return c.Kind == TLTDrawKind::Line && c.Pen.Style == psDot && c.Pen.Color == TableGridColor;
  }));
}

std::vector<std::u16string> Texts(const std::vector<TLTDrawCall>& calls) {
  std::vector<std::u16string> out;
  for (const TLTDrawCall& c : calls)
    if (c.Kind == TLTDrawKind::Text) out.push_back(c.Text);
  return out;
}

TEST(LTTablePaint, GridShowsOnlyWhereTheDocumentCanBeEdited) {
  PaintDoc<TEditableDocument> edit(2, 2);
  edit.Format();
  EXPECT_TRUE(edit.Table->Cells(1, 1)->IsEditable());  // cells answer for their table's document
  EXPECT_EQ(GridLines(edit.Paint()), 4 * 5);           // the table's outline and each cell's

  edit.Table->Options.Include(lttoHideGridLines);
  EXPECT_EQ(GridLines(edit.Paint()), 0);
  edit.Table->Options.Exclude(lttoHideGridLines);
  const TLTPenStyle old = TableGridStyle;
  TableGridStyle = psClear;
  EXPECT_EQ(GridLines(edit.Paint()), 0);
  TableGridStyle = old;

  PaintDoc<> view(2, 2);
  view.Format();
  EXPECT_EQ(GridLines(view.Paint()), 0);

  // A table in a cell lies in the same editable document.
  PaintDoc<TEditableDocument> nested(1, 1);
  TLTTableCellData* host = nested.Table->Cells(0, 0);
  host->Clear();
  auto inner = std::make_unique<TLTTableItemInfo>(1, 1);
  inner->ParaNo = 0;
  TLTTableItemInfo* in = inner.get();
  host->AddItem({}, std::move(inner));
  nested.Format();
  EXPECT_TRUE(in->IsInEditableDocument());
  EXPECT_EQ(GridLines(nested.Paint()), 4 * 4);
}

TEST(LTTablePaint, DrawBorderEventSeesEachRectangleAndCanSuppressIt) {
  PaintDoc<TEditableDocument> d(1, 2);
  d.Table->CellBorderWidth = 1;
  d.Table->Cells(0, 1)->VisibleBorders.Top = false;
  d.Format();
  std::vector<std::pair<int, int>> seen;
  d.Table->OnDrawBorder = [&](TLTDrawBorderParams& p) {
    EXPECT_EQ(p.Sender, d.Table);
    EXPECT_EQ(p.Width, p.Row < 0 ? 0 : 1);
    seen.push_back({p.Row, p.Col});
    if (p.Col == 1) p.DoDefault = false;
  };
  const std::vector<TLTDrawCall> calls = d.Paint();
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{-1, -1}, {0, 0}, {0, 1}}));
  // The table's outline in the grid and the left cell's lowered border;
  // neither the right cell's border nor the grid line of its hidden top.
  EXPECT_EQ(GridLines(calls), 4);
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const TLTDrawCall& c) { return c.Kind == TLTDrawKind::Line && c.Pen.Style == psSolid; }),
            4);
}

TEST(LTTablePaint, BorderStylesAndTheirLines) {
  TLTTableItemInfo t(1, 1);
  const TLTRectI clip{0, 0, 100, 100};
  TLTHeadlessCanvas c;
  TLTDrawBorderParams b;
  b.Left = 10, b.Top = 10, b.Right = 30, b.Bottom = 20, b.Width = 2;
  b.Style = lttbRaised;
  b.BackgroundColor = clBtnHighlight;  // the highlight would vanish on it
  t.DrawBorder(c, b, clip, false, ltocAsIs);
  ASSERT_EQ(c.Calls().size(), 8u);
  EXPECT_EQ(c.Calls()[0].Pen.Color, clBtnFace);
  EXPECT_EQ(c.Calls()[0].Rect, (TLTRectI{10, 10, 30, 10}));  // top, end point included
  EXPECT_EQ(c.Calls()[1].Rect, (TLTRectI{10, 10, 10, 20}));  // left
  EXPECT_EQ(c.Calls()[4].Pen.Color, clBtnShadow);
  EXPECT_EQ(c.Pen().Style, psSolid);

  // All sides in one colour: one outline inside the rectangle.
  c.ClearCalls();
  b.Style = lttbColor;
  b.Color = MakeColor(0x0000FF);
  t.DrawBorder(c, b, clip, false, ltocAsIs);
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Kind, TLTDrawKind::Rectangle);
  EXPECT_EQ(c.Calls()[0].Pen.Width, 2);
  EXPECT_EQ(c.Calls()[0].Pen.Style, psInsideFrame);
  EXPECT_EQ(c.Pen().Style, psSolid);

  // A hidden side: bands line by line, mitred or overlapping in corners.
  TLTBooleanRect sides;
  sides.Bottom = false;
  b.VisibleBorders = &sides;
  c.ClearCalls();
  t.DrawBorder(c, b, clip, false, ltocAsIs);
  ASSERT_EQ(c.Calls().size(), 6u);
  EXPECT_EQ(c.Calls()[5].Rect, (TLTRectI{28, 11, 28, 19}));  // the inner right band starts lower
  t.Options.Include(lttoOverlappingCorners);
  c.ClearCalls();
  t.DrawBorder(c, b, clip, false, ltocAsIs);
  ASSERT_EQ(c.Calls().size(), 6u);
  EXPECT_EQ(c.Calls()[4].Rect, (TLTRectI{28, 10, 28, 20}));  // full length

  // Vertical lines stop a pixel beyond the clip; nothing at all outside it.
  c.ClearCalls();
  b.Top = -500, b.Bottom = 500;
  t.DrawBorder(c, b, clip, false, ltocAsIs);
  for (const TLTDrawCall& call : c.Calls())
    if (call.Rect.Left == call.Rect.Right) {
      EXPECT_GE(call.Rect.Top, -1);
      EXPECT_LE(call.Rect.Bottom, 102);
    }
  c.ClearCalls();
  bool raised = false;
  t.OnDrawBorder = [&](TLTDrawBorderParams&) { raised = true; };
  b.Top = 200, b.Bottom = 220;
  t.DrawBorder(c, b, clip, false, ltocAsIs);
  EXPECT_FALSE(raised);
  EXPECT_TRUE(c.Calls().empty());
}

TEST(LTTablePaint, GridLinesUnderANeighboursBorderAreLeftOut) {
  PaintDoc<TEditableDocument> d(1, 2);
  d.Table->CellBorderWidth = 1;
  d.Table->CellHSpacing = -1;  // the cells' borders overlap
  d.Table->Cells(0, 1)->VisibleBorders.Left = false;
  d.Format();
  const std::vector<TLTDrawCall> calls = d.Paint();
  // The right cell's missing left side lies under the left cell's right
  // border: only the table's own outline is in the grid.
  EXPECT_EQ(GridLines(calls), 4);
  d.Table->Cells(0, 0)->VisibleBorders.Right = false;
  EXPECT_EQ(GridLines(d.Paint()), 4 + 2);
}

TEST(LTTablePaint, OnlyRowsInTheClipArePaintedWithCellsReachingIntoIt) {
  PaintDoc<> d(40, 2);
  for (int r = 0; r < 40; ++r) {
    d.Set(r, 0, r == 20 ? u"twenty" : u"a");
    d.Set(r, 1, u"b");
  }
  ASSERT_TRUE(d.Table->MergeRect(10, 1, 15, 1, false));  // rows 10..24 of column 1
  d.Set(10, 1, u"tall");
  d.Format();
  const int top = d.Table->RowTops[20];
  TLTHeadlessCanvas out;
  d.Table->PaintTable(out, 0, 0, {0, top, 200, top + 10}, {}, ltocAsIs, d.Style);
  const std::vector<std::u16string> texts = Texts(out.Calls());
  // Row 20, and the tall cell that starts far above but reaches into the
  // clip; nothing of the rows around.
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"tall", u"twenty"}));
}

TEST(LTTablePaint, RowsBreakingThePageAreMarkedWhenTheControlShowsBreaks) {
  PaintDoc<> d(3, 1);
  d.Table->Rows[2].PageBreakBefore = true;
  d.Format();
  auto polygons = [](const std::vector<TLTDrawCall>& calls) {
    std::vector<TLTRectI> out;
    for (const TLTDrawCall& c : calls)
      if (c.Kind == TLTDrawKind::Polygon) out.push_back(c.Rect);
    return out;
  };
  const std::vector<TLTRectI> marks = polygons(d.Paint());
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].Top, d.Table->RowTops[2]);
  EXPECT_EQ(marks[0].Right, d.Table->TableWidth);
  d.Context.Options.Exclude(ltoShowPageBreaks);
  EXPECT_TRUE(polygons(d.Paint()).empty());
}

TEST(LTTablePaint, BackgroundPicturesAndTheSelectionColour) {
  PaintDoc<> d(1, 2);
  auto picture = [] {
    auto b = std::make_unique<TBitmap>();
    TLTPixels px;
    px.Width = px.Height = 8;
    px.Data.assign(64, 0xFF00FF00u);
    b->SetPixels(px);
    return b;
  };
  d.Table->BackgroundImage = picture();
  d.Table->BackgroundStyle = ltbsTiled;
  d.Table->Cells(0, 1)->BackgroundImage = picture();
  d.Table->Cells(0, 1)->BackgroundStyle = ltbsStretched;
  d.Format();
  const TLTTableItemInfo& t = *d.Table;
  TLTHeadlessCanvas out;
  d.Table->PaintTable(out, 100, 50, {120, 50, 140, 55}, {}, ltocAsIs, d.Style);
  std::vector<TLTRectI> tiles, stretched;
  for (const TLTDrawCall& c : out.Calls())
    if (c.Kind == TLTDrawKind::Pixels) (c.Rect.Width() == 8 ? tiles : stretched).push_back(c.Rect);
  // Tiles from the table's corner, only those meeting the clip.
  EXPECT_EQ(tiles, (std::vector<TLTRectI>{{116, 50, 124, 58}, {124, 50, 132, 58}, {132, 50, 140, 58}}));
  EXPECT_TRUE(stretched.empty()) << "the right cell lies outside the clip";

  out.ClearCalls();
  d.Table->PaintTable(out, 0, 0, {0, 0, 1000, 1000}, {}, ltocAsIs, d.Style);
  const TLTTableCellData& right = *t.Cells(0, 1);
  bool cellPicture = false;
  for (const TLTDrawCall& c : out.Calls())
    cellPicture |= c.Kind == TLTDrawKind::Pixels &&
                   c.Rect == TLTRectI{right.Left, right.Top, right.Left + right.Width, right.Top + right.Height};
  EXPECT_TRUE(cellPicture);

  // Selected as a whole (with the focus): every cell in the selection
  // colour, no cell picture.
  d.Style.SelColor = MakeColor(0x123456);
  out.ClearCalls();
  d.Table->PaintTable(out, 0, 0, {0, 0, 1000, 1000}, {ltidsSelected, ltidsFocused}, ltocAsIs, d.Style);
  int selFills = 0, pictures = 0;
  for (const TLTDrawCall& c : out.Calls()) {
    selFills += c.Kind == TLTDrawKind::FillRect && c.Brush.Color == MakeColor(0x123456);
    pictures += c.Kind == TLTDrawKind::Pixels && c.Rect.Width() != 8;
  }
  EXPECT_EQ(selFills, 2);
  EXPECT_EQ(pictures, 0);
}

}  // namespace
}  // namespace lectern
