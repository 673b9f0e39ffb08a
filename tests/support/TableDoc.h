#pragma once
// A document holding one table of rows x cols cells on the headless canvas
// (characters 7 pixels wide, text 13 high), without margins, laid out at a
// width: for table layout and painting tests.

#include "layout/CLTFData.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "table/LTTable.h"
#include "view/LTPaint.h"

#include <memory>
#include <vector>

namespace lectern::testing {

template <class TDoc = TLTFormattedDocument>
struct TableDocOf {
  TLTStyle Style;
  TLTDocumentContext Context;
  TLTHeadlessCanvas Canvas;
  TDoc Doc;
  TLTTableItemInfo* Table = nullptr;

  TableDocOf(int rows, int cols, int width = 200) {
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
  /// Makes the cell empty with a minimal width of exactly w pixels (the
  /// indent of its paragraph).
  void MinWidth(int r, int c, int w) {
    TParaInfo& para = Style.ParaStyles().Add();
    para.LeftIndent = w;
    TLTTableCellData* cell = Table->Cells(r, c);
    cell->Clear();
    cell->AddTextW(u"", 0, Style.ParaStyles().Count() - 1);
  }
  int32_t ColumnSum() const {
    int32_t sum = 0;
    for (int32_t w : Table->ColumnWidths) sum += w;
    return sum;
  }
  /// Paints the document for clip and returns what was drawn.
  std::vector<TLTDrawCall> Paint(TLTRectI clip = {0, 0, 1000, 1000}) {
    TLTHeadlessCanvas out;
    TLTPaintContext p;
    p.Clip = clip;
    PaintTo(Doc, out, p);
    return out.Calls();
  }
};

}  // namespace lectern::testing
