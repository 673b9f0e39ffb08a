#pragma once
// A formatted document on the headless canvas (characters 7 pixels wide,
// text 13 high: 10 above the baseline and 3 below), without margins and
// 30 characters wide, painted into a recording canvas with the view state
// a test sets.

#include "layout/CLTFData.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "view/LTPaint.h"

#include <vector>

namespace lectern::testing {

constexpr int W = 7;

struct PaintDoc {
  TLTStyle Style;
  TLTDocumentContext Context;
  TLTHeadlessCanvas Measure;
  TLTHeadlessCanvas Canvas;
  TLTFormattedDocument Doc;
  /// The view state painting is handed.
  TLTSelection Selection;
  int HoverJumpId = -1;
  bool Focused = false;

  PaintDoc() {
    Context.Style = &Style;
    Doc.SetContext(&Context);
    Doc.Canvas = &Measure;
    Doc.LeftMargin = Doc.RightMargin = Doc.TopMargin = Doc.BottomMargin = 0;
    Doc.ClientWidth = 30 * W;
    Doc.ClientHeight = 200;
  }
  void Paint(bool printing = false) {
    Doc.FormatAll({.Force = true});
    Canvas.ClearCalls();
    TLTPaintContext p;
    p.Clip = {0, 0, Doc.ClientWidth, Doc.ClientHeight};
    p.State.Set(ltidsPrinting, printing);
    p.State.Set(ltidsFocused, Focused);
    p.Selection = Selection;
    p.HoverJumpId = HoverJumpId;
    PaintTo(Doc, Canvas, p);
  }
  /// Selects every piece of the document.
  void SelectAll() {
    Doc.FormatAll({.Force = true});
    const int last = Doc.DrawItems.Count() - 1;
    const bool text = Doc.GetItem(Doc.DrawItems[last].ItemNo).IsText();
    Selection = {&Doc, {0, 0}, {last, text ? Doc.DrawItems[last].Length + 1 : 1}};
  }
  std::vector<TLTDrawCall> Calls(TLTDrawKind kind) const {
    std::vector<TLTDrawCall> out;
    for (const TLTDrawCall& c : Canvas.Calls())
      if (c.Kind == kind) out.push_back(c);
    return out;
  }
  std::vector<TLTDrawCall> Texts() const { return Calls(TLTDrawKind::Text); }
};

}  // namespace lectern::testing
