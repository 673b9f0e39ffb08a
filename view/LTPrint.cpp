// Painting pages of a paged document.

#include "view/LTPrint.h"

#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"
#include "view/LTPaint.h"

#include <algorithm>

namespace lectern {

namespace {

constexpr int kFooterPoints = 9;

/// A band's place on the page, in page pixels.
TLTRectI BandRect(const TLTPageSetup& s, const TLTPageBand& b) {
  const int top = s.TopMargin + b.DstTop;
  return {0, top, s.PageWidth, top + (b.SrcBottom - b.SrcTop)};
}

void PaintFootnoteRule(const TLTPageSetup& s, const TLTPage& page, TLTCanvas& canvas, TLTPointI origin) {
  if (page.FootnoteTop < 0) return;
  TLTCanvasSaver keep(canvas);
  canvas.SetBrush({MakeColor(0x000000), bsSolid});
  const int y = origin.Y + s.TopMargin + page.FootnoteTop + std::max(1, s.PixelsPerInch / 16);
  const int x = origin.X + s.LeftMargin;
  // A short rule, a third of the text width, a point thick.
  canvas.FillRect({x, y, x + s.TextWidth() / 3, y + std::max(1, s.PixelsPerInch / 72)});
}

void PaintFooter(const TLTPageSetup& s, int pageNo, int pageCount, TLTCanvas& canvas, TLTPointI origin) {
  TLTCanvasSaver keep(canvas);
  TLTCanvasFont f;
  f.Name = u"Arial";
  f.Height = -std::max(1, kFooterPoints * s.PixelsPerInch / 72);
  f.Color = MakeColor(0x000000);
  canvas.SetFont(f);
  canvas.SetBrushStyle(bsClear);
  const std::u16string text = PageFooterText(pageNo, pageCount);
  const TLTSizeI ext = canvas.TextExtent(text);
  const int y = s.PageHeight - s.FooterY - ext.Height;
  canvas.TextOut(origin.X + (s.PageWidth - ext.Width) / 2, origin.Y + std::max(0, y), text);
}

}  // namespace

std::u16string PageFooterText(int pageNo, int pageCount) {
  return u"Page " + Utf8ToUtf16(IntToStr(pageNo + 1)) + u" of " + Utf8ToUtf16(IntToStr(pageCount));
}

void PaintPage(const TLTPagedDocument& doc, int pageNo, TLTCanvas& canvas, TLTPointI origin,
               TLTOutputColorMode mode) {
  if (pageNo < 0 || pageNo >= doc.PageCount()) return;
  const TLTPageSetup& s = doc.Setup();
  const TLTPage& page = doc.Pages()[static_cast<size_t>(pageNo)];
  TLTCanvasSaver keep(canvas);
  canvas.IntersectClip({origin.X, origin.Y, origin.X + s.PageWidth, origin.Y + s.PageHeight});
  for (const TLTPageBand& b : page.Bands) {
    const TLTRectI r = BandRect(s, b).Moved(origin.X, origin.Y);
    TLTPaintContext ctx;
    ctx.Clip = r;
    ctx.Origin = {origin.X + s.LeftMargin, r.Top - b.SrcTop};
    ctx.State.Include(ltidsPrinting);
    ctx.ColorMode = mode;
    ctx.TextInsideClipOnly = b.WholeLines;
    PaintTo(*b.Data, canvas, ctx);
  }
  PaintFootnoteRule(s, page, canvas, origin);
  PaintFooter(s, pageNo, doc.PageCount(), canvas, origin);
}

std::vector<TLTPageLink> PageLinks(const TLTPagedDocument& doc, int pageNo) {
  std::vector<TLTPageLink> out;
  if (pageNo < 0 || pageNo >= doc.PageCount()) return out;
  const TLTPageSetup& s = doc.Setup();
  for (const TLTPageBand& b : doc.Pages()[static_cast<size_t>(pageNo)].Bands) {
    for (const TLTJumpInfo& j : b.Data->Jumps) {
      // A link belongs to the band that holds its line whole.
      if (j.Top < b.SrcTop || j.Top + j.Height > b.SrcBottom || j.Height <= 0 || j.Width <= 0) continue;
      const TCustomLTFormattedData* data = nullptr;
      int itemNo = 0;
      if (!JumpItem(j, *b.Data, data, itemNo)) continue;
      const int top = s.TopMargin + b.DstTop + (j.Top - b.SrcTop);
      out.push_back({{s.LeftMargin + j.Left, top, s.LeftMargin + j.Left + j.Width, top + j.Height}, data, itemNo});
    }
  }
  return out;
}

}  // namespace lectern
