// Painting a formatted container.

#include "view/LTPaint.h"

#include "layout/LTDrawPieces.h"

namespace lectern {

bool TLTBackground::FixedToWindow() const {
  const bool hasImage = Image && !Image->Empty();
  return hasImage && Style != bsNoBitmap && Style != bsTiledAndScrolled;
}

void PaintTo(TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTPaintParams& params) {
  const int dx = params.ExtraX - data.GetViewLeft(), dy = params.ExtraY - data.GetViewTop();
  DrawPieces(data, canvas,
             {params.Clip.Left - dx, params.Clip.Top - dy, params.Clip.Right - dx, params.Clip.Bottom - dy}, dx, dy);
}

void PaintBackground(TLTCanvas& canvas, const TLTRectI& r, const TLTBackground& background, const TLTStyle* style,
                     int /*scrollX*/, int /*scrollY*/, int /*clientW*/, int /*clientH*/) {
  TColor color = background.Color != clNone ? background.Color : style ? style->Color : clWindow;
  if (color == clNone) return;
  canvas.SetBrush({color, bsSolid});
  canvas.FillRect(r);
}

void PaintControl(TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTRectI& r, const TLTBackground& background,
                  const std::string& /*controlName*/) {
  PaintBackground(canvas, r, background, data.GetStyle(), data.GetViewLeft(), data.GetViewTop(), data.GetClientWidth(),
                  data.GetClientHeight());
  TLTPaintParams p;
  p.Clip = r;
  PaintTo(data, canvas, p);
}

}  // namespace lectern
