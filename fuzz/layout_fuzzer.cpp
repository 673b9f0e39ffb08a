// Lays out whatever the LTF reader makes of arbitrary bytes, at a width
// the input chooses, on the headless canvas; then lists the caret's places
// in every piece, hit-tests, converts coordinates, paints the whole
// document and a band of it, and re-formats a paragraph. Layout must
// finish, never divide by zero, and keep its drawing items consistent with
// the items.

#include "items/LTNote.h"
#include "layout/CLTFData.h"
#include "platform/LTStream.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "table/LTTable.h"
#include "view/LTPaint.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  if (size < 3) return 0;
  const int width = (data[0] | (data[1] << 8)) % 3000;
  const uint8_t mode = data[2];
  TLTStyle style;
  TLTDocumentContext context;
  context.Style = &style;
  context.LTFOptions = LTEditorLTFOptions;
  TLTHeadlessCanvas canvas;
  TLTFormattedDocument doc;
  doc.SetContext(&context);
  doc.Canvas = &canvas;
  doc.ClientWidth = width;
  doc.MaxLength = mode & 1 ? 7 : 0;
  doc.WordWrap = (mode & 2) == 0;
  doc.ControlFlags = mode & 4 ? ltcfRegisterJumps : LTDefaultControlFlags;
  TLTMemoryStream in(std::string(reinterpret_cast<const char*>(data) + 3, size - 3));
  if (!doc.LoadLTFFromStream(in)) return 0;
  doc.FormatAll({.Force = true});

  const int n = doc.DrawItems.Count();
  for (int i = 0; i < n; ++i) {
    const TLTDrawLineInfo& p = doc.DrawItems[i];
    if (p.ItemNo < 0 || p.ItemNo >= doc.ItemCount()) std::abort();
    if (i > 0 && p.ItemNo < doc.DrawItems[i - 1].ItemNo) std::abort();
    // The caret's places in a piece of text run forward through it (empty
    // text and other items have their two edges).
    const std::vector<TLTPieceStop> stops = doc.PieceStops(i);
    if (doc.GetItem(p.ItemNo).IsText() && p.Length > 0)
      for (size_t k = 1; k < stops.size(); ++k)
        if (stops[k].Offset <= stops[k - 1].Offset) std::abort();
  }
  for (int y = -5; y < doc.DocumentHeight + 5; y += 1 + doc.DocumentHeight / 16) {
    int d = 0, off = 0, item = 0, ioff = 0;
    if (doc.HitTest(width / 2, y, false, d, off) && doc.DrawItemToItem(d, off, item, ioff)) {
      int d2 = 0, off2 = 0;
      if (!doc.ItemToDrawItem(item, ioff, d2, off2)) std::abort();
    }
  }
  TLTPaintContext paint;
  paint.Clip = {0, 0, width + 10, doc.DocumentHeight};
  PaintTo(doc, canvas, paint);
  paint.Clip = {width / 4, doc.DocumentHeight / 3, width, doc.DocumentHeight / 2};
  PaintTo(doc, canvas, paint);
  if (n > 0) {
    const int at = (mode >> 3) % n;
    doc.ReformatRange(at, at, 0);
    if (doc.DrawItems.Count() == 0) std::abort();
  }
  return 0;
}
