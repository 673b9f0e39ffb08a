// Pages on the headless canvas: text 13 pixels high (10 points at 96 per
// inch), characters 7 wide. The pages are 300 x 200 pixels with 10-pixel
// margins, so the text area is 280 x 180: 13 lines of 13 pixels fit
// (169), a 14th does not (182). Pages are checked as they are painted:
// every text run drawn, page by page, so a line cut in two or drawn twice
// shows.

#include "items/LTNote.h"
#include "layout/LTPages.h"
#include "model/LTDocument.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "table/LTTable.h"
#include "view/LTPrint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lectern {
namespace {

constexpr int kLine = 13;

TLTPageSetup SmallPage() {
  TLTPageSetup s;
  s.PixelsPerInch = 96;
  s.PageWidth = 300;
  s.PageHeight = 200;
  s.LeftMargin = s.TopMargin = s.RightMargin = s.BottomMargin = 10;
  s.FooterY = 2;
  return s;
}

struct PagesDoc {
  TLTDocument D;
  TLTHeadlessCanvas Canvas;
  TLTPagedDocument Paged;

  PagesDoc() {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
  }
  void Para(const std::u16string& text) { D.Data.AddTextW(text, 0, 0); }
  void Lines(int from, int to) {
    for (int i = from; i < to; ++i) Para(u"line " + Utf8ToUtf16(IntToStr(i)));
  }
  void Build(const TLTPageSetup& setup = SmallPage()) {
    std::string error;
    ASSERT_TRUE(Paged.Build(D.Data, setup, Canvas, error)) << error;
  }
  /// The text runs painted on a page, footer left out, in drawing order.
  std::vector<std::string> PageText(int page) const {
    TLTHeadlessCanvas out;
    PaintPage(Paged, page, out);
    std::vector<std::string> runs;
    const std::u16string footer = PageFooterText(page, Paged.PageCount());
    for (const TLTDrawCall& c : out.Calls())
      if ((c.Kind == TLTDrawKind::Text || c.Kind == TLTDrawKind::TextAdvances) && c.Text != footer)
        runs.push_back(Utf16ToUtf8(c.Text));
    return runs;
  }
  std::vector<std::string> AllText() const {
    std::vector<std::string> all;
    for (int p = 0; p < Paged.PageCount(); ++p) {
      const std::vector<std::string> page = PageText(p);
      all.insert(all.end(), page.begin(), page.end());
    }
    return all;
  }
};

std::vector<std::string> Numbered(const std::string& prefix, int from, int to) {
  std::vector<std::string> out;
  for (int i = from; i < to; ++i) out.push_back(prefix + std::to_string(i));
  return out;
}

TEST(LTPages, WholeLinesFillEachPageAndEveryLinePrintsOnce) {
  PagesDoc d;
  d.Lines(0, 40);
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 4);  // 13 + 13 + 13 + 1
  EXPECT_EQ(d.PageText(0), Numbered("line ", 0, 13));
  EXPECT_EQ(d.PageText(3), Numbered("line ", 39, 40));
  EXPECT_EQ(d.AllText(), Numbered("line ", 0, 40));
  // The second page starts with the line that did not fit, at the top.
  const TLTPageBand& band = d.Paged.Pages()[1].Bands.front();
  EXPECT_EQ(band.SrcTop, 13 * kLine);
  EXPECT_EQ(band.DstTop, 0);
}

TEST(LTPages, FooterNumbersThePages) {
  PagesDoc d;
  d.Lines(0, 20);
  d.Build();
  TLTHeadlessCanvas out;
  PaintPage(d.Paged, 1, out);
  bool found = false;
  for (const TLTDrawCall& c : out.Calls())
    if (c.Text == u"Page 2 of 2") {
      found = true;
      EXPECT_GE(c.Rect.Top, 200 - 10 - 2 - kLine) << "in the bottom margin";
      EXPECT_LE(c.Rect.Bottom, 200);
    }
  EXPECT_TRUE(found);
}

TEST(LTPages, PageBreakFlagsStartPagesButNeverAnEmptyFirstPage) {
  PagesDoc d;
  d.Lines(0, 5);
  d.D.Data.GetItem(0).SetFlag(ltifNewPage, true);
  d.D.Data.GetItem(2).SetFlag(ltifNewPage, true);
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 2);
  EXPECT_EQ(d.PageText(0), Numbered("line ", 0, 2));
  EXPECT_EQ(d.PageText(1), Numbered("line ", 2, 5));
}

/// A table of a heading row and body rows of one line each (a row is 13
/// high, plus 2 of padding and 2 of spacing: 10 rows and a bit per page).
struct TablePages : PagesDoc {
  TLTTableItemInfo* Table = nullptr;
  explicit TablePages(int rows, int headingRows = 1) {
    auto t = std::make_unique<TLTTableItemInfo>(rows, 1);
    Table = t.get();
    for (int r = 0; r < rows; ++r) {
      TLTTableCellData* cell = Table->Cells(r, 0);
      cell->Clear();
      cell->AddTextW(r < headingRows ? u"Head" : u"row " + Utf8ToUtf16(IntToStr(r)), 0, 0);
    }
    Table->HeadingRowCount = headingRows;
    D.Data.AddItem({}, std::move(t));
  }
};

TEST(LTPages, ATableRunsOverThreePagesWithItsHeadingRowOnEach) {
  TablePages d(26);
  d.Table->PrintOptions.Exclude(lttoRowsSplit);
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 3);
  std::vector<std::string> body;
  for (int p = 0; p < 3; ++p) {
    const std::vector<std::string> page = d.PageText(p);
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.front(), "Head") << "page " << p;
    body.insert(body.end(), page.begin() + 1, page.end());
  }
  EXPECT_EQ(body, Numbered("row ", 1, 26)) << "every row once, in order";
}

TEST(LTPages, RowsThatMaySplitBreakBetweenTheLinesOfTheirCells) {
  // Rows of five lines each (69 pixels: two rows and three lines fill a
  // page): with splitting a row continues on the next
  // page line by line; without it, rows move whole. Either way every line
  // prints once.
  for (bool split : {true, false}) {
    TablePages d(12, 0);
    for (int r = 0; r < 12; ++r) {
      TLTTableCellData* cell = d.Table->Cells(r, 0);
      cell->Clear();
      for (int k = 0; k < 5; ++k) cell->AddTextW(u"r" + Utf8ToUtf16(IntToStr(r)) + u"l" + Utf8ToUtf16(IntToStr(k)), 0, 0);
    }
    d.Table->PrintOptions.Set(lttoRowsSplit, split);
    d.Build();
    std::vector<std::string> expected;
    for (int r = 0; r < 12; ++r)
      for (int k = 0; k < 5; ++k) expected.push_back("r" + std::to_string(r) + "l" + std::to_string(k));
    EXPECT_EQ(d.AllText(), expected) << "split " << split;
    const std::vector<std::string> first = d.PageText(0);
    if (split)
      EXPECT_NE(first.back().substr(first.back().size() - 2), "l4") << "a row goes on on the next page";
    else
      EXPECT_EQ(first.back().substr(first.back().size() - 2), "l4") << "whole rows only";
  }
}

TEST(LTPages, ARowMarkedToStartAPageDoes) {
  TablePages d(6, 0);
  d.Table->Rows[3].PageBreakBefore = true;
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 2);
  EXPECT_EQ(d.PageText(0), Numbered("row ", 0, 3));
  EXPECT_EQ(d.PageText(1), Numbered("row ", 3, 6));
}

std::unique_ptr<TCustomLTNoteItemInfo> Note(bool foot, const std::u16string& text, TCustomLTData& context) {
  std::unique_ptr<TCustomLTNoteItemInfo> n;
  if (foot)
    n = std::make_unique<TLTFootnoteItemInfo>();
  else
    n = std::make_unique<TLTEndnoteItemInfo>();
  n->SetNoteText(text, 0, context);
  n->SetJoinPrev(true);
  return n;
}

TEST(LTPages, AFootnoteNearThePageEndTakesItsLineToTheNextPage) {
  PagesDoc d;
  d.Lines(0, 12);
  // The 13th line would fit alone (169 <= 180), but not with its note
  // (a gap of 12 and a line of 13 at the foot).
  d.Para(u"called");
  d.D.Data.InsertItemAt(d.D.Data.ItemCount(), {}, Note(true, u"the note", d.D.Data));
  d.Lines(13, 15);
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 2);
  EXPECT_EQ(d.PageText(0), Numbered("line ", 0, 12));
  EXPECT_LT(d.Paged.Pages()[0].FootnoteTop, 0) << "no footnote area on the first page";
  const TLTPage& second = d.Paged.Pages()[1];
  EXPECT_EQ(second.FootnoteTop, 180 - 12 - kLine);
  const std::vector<std::string> page = d.PageText(1);
  ASSERT_GE(page.size(), 4u);
  EXPECT_EQ(page.front(), "called");
  EXPECT_EQ(page.back(), "the note");
  // The note's mark leads its text at the foot.
  EXPECT_EQ(page[page.size() - 2], "1 ");
}

TEST(LTPages, EndnotesFollowTheText) {
  PagesDoc d;
  d.Para(u"body");
  d.D.Data.InsertItemAt(d.D.Data.ItemCount(), {}, Note(false, u"the end note", d.D.Data));
  d.Para(u"more");
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 1);
  // Endnotes are numbered in lower-case roman numerals by default.
  EXPECT_EQ(d.PageText(0), (std::vector<std::string>{"body", "i", "more", "i ", "the end note"}));
}

TEST(LTPages, APictureTallerThanAPageShrinksToFitItKeepingItsShape) {
  PagesDoc d;
  d.Para(u"before");
  TLTPixels px;
  px.Width = 100;
  px.Height = 500;
  px.Data.assign(100 * 500, 0xFF000000u);
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixels(std::move(px));
  auto pic = std::make_unique<TLTGraphicItemInfo>(std::move(bmp), 0);
  pic->ParaNo = 0;
  d.D.Data.AddItem({}, std::move(pic));
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 2) << "the text, then the picture on a page of its own";
  TLTHeadlessCanvas out;
  PaintPage(d.Paged, 1, out);
  int drawn = 0;
  for (const TLTDrawCall& c : out.Calls()) {
    if (c.Kind != TLTDrawKind::Pixels) continue;
    ++drawn;
    EXPECT_LE(c.Rect.Height(), 180);
    EXPECT_GE(c.Rect.Height(), 170);
    EXPECT_NEAR(c.Rect.Width() * 5, c.Rect.Height(), 5);
    EXPECT_GE(c.Rect.Top, 10);
    EXPECT_LE(c.Rect.Bottom, 190);
  }
  EXPECT_EQ(drawn, 1);
}

TEST(LTPages, ALineTallerThanAPageIsCutWherePagesEndAndNothingLoops) {
  PagesDoc d;
  TFontInfo& huge = d.D.Style.TextStyles().Add();
  huge.Size = 300;  // 400 pixels high
  d.D.Data.AddTextW(u"X", d.D.Style.TextStyles().Count() - 1, 0);
  d.Para(u"after");
  d.Build();
  ASSERT_EQ(d.Paged.PageCount(), 3);  // 400 = 180 + 180 + 40, then "after"
  EXPECT_FALSE(d.Paged.Pages()[0].Bands.front().WholeLines);
  EXPECT_EQ(d.PageText(2).back(), "after");
}

TEST(LTPages, AnEmptyDocumentHasOnePage) {
  PagesDoc d;
  d.Build();
  EXPECT_EQ(d.Paged.PageCount(), 1);
  EXPECT_TRUE(d.AllText().empty());
}

TEST(LTPages, APageWithoutRoomForTextIsRefused) {
  PagesDoc d;
  d.Lines(0, 3);
  TLTPageSetup s = SmallPage();
  s.LeftMargin = s.RightMargin = 150;
  std::string error;
  EXPECT_FALSE(d.Paged.Build(d.D.Data, s, d.Canvas, error));
  EXPECT_NE(error.find("no room for text"), std::string::npos) << error;
}

TEST(LTPageFormat, PaperNamesAndSizes) {
  TLTPageFormat f;
  EXPECT_TRUE(f.SetPaperByName("Letter"));
  EXPECT_DOUBLE_EQ(f.WidthMm, 215.9);
  EXPECT_TRUE(f.SetPaperByName("a4"));
  EXPECT_DOUBLE_EQ(f.HeightMm, 297);
  EXPECT_TRUE(f.SetPaperByName("100x150.5mm"));
  EXPECT_DOUBLE_EQ(f.WidthMm, 100);
  EXPECT_DOUBLE_EQ(f.HeightMm, 150.5);
  for (const char* bad : {"", "A9", "100x150", "x150mm", "100xmm", "0x0mm", "-5x10mm", "nanx10mm", "1e9x10mm",
                          "100x150mmm", "100 x 150mm"}) {
    EXPECT_FALSE(f.SetPaperByName(bad)) << bad;
    EXPECT_DOUBLE_EQ(f.WidthMm, 100) << "a refused name changes nothing";
  }
}

TEST(LTPageFormat, MarginsThatLeaveNoRoomAreAProblem) {
  TLTPageFormat f;
  EXPECT_EQ(f.Problem(), "");
  f.SetMargins(100);  // 10 mm of text across: just enough
  EXPECT_EQ(f.Problem(), "");
  f.SetMargins(100.5);
  EXPECT_NE(f.Problem().find("no room for text"), std::string::npos);
  f.SetMargins(-1);
  EXPECT_EQ(f.Problem(), "a margin is negative");
  f.SetMargins(20);
  f.SetPaperByName("25x25mm");
  EXPECT_NE(f.Problem(), "");
}

TEST(LTPageFormat, ADocumentsOwnPageOrA4WithTwoCentimetreMargins) {
  TLTDocParameters params;
  params.ZoomPercent = 150;  // the zoom is no page parameter
  TLTPageFormat f = TLTPageFormat::FromDocParameters(params);
  EXPECT_DOUBLE_EQ(f.WidthMm, 210);
  EXPECT_DOUBLE_EQ(f.LeftMm, 20);

  params.Units = ltuCentimeters;
  params.PageWidth = 21;
  params.PageHeight = 29.7;
  params.LeftMargin = params.RightMargin = params.TopMargin = params.BottomMargin = 1.5;
  params.Orientation = poLandscape;
  f = TLTPageFormat::FromDocParameters(params);
  EXPECT_NEAR(f.WidthMm, 297, 1e-9) << "landscape turns the paper";
  EXPECT_NEAR(f.HeightMm, 210, 1e-9);
  EXPECT_NEAR(f.LeftMm, 15, 1e-9);

  const TLTPageSetup s = TLTPageSetup::For(f, 96);
  EXPECT_EQ(s.PageWidth, 1123);  // 297 mm at 96 per inch
  EXPECT_EQ(s.LeftMargin, 57);
}

}  // namespace
}  // namespace lectern
