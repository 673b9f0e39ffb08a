#pragma once
// Painting a formatted container: the control background, paragraph
// backgrounds and borders, every drawing item in a clip rectangle with its
// selection and hover states, page-break and checkpoint marks, paragraph
// marks and live-spelling underlines. Painting reads the layout and the
// paint context the control hands it; it never changes either.

#include "layout/CLTFData.h"
#include "layout/LTPaintContext.h"

#include <memory>

namespace lectern {

/// How the control background image is placed.
enum TBackgroundStyle : uint8_t {
  bsNoBitmap,
  bsStretched,
  bsTiled,
  bsTiledAndScrolled,
  bsCentered,
  bsTopLeft,
  bsTopRight,
  bsBottomLeft,
  bsBottomRight,
};

/// The control background: a colour and an optional picture.
struct TLTBackground {
  /// The control's colour; clNone = the style sheet's Color.
  TColor Color = clNone;
  std::unique_ptr<TGraphic> Image;
  TBackgroundStyle Style = bsNoBitmap;
  /// True when the picture stays fixed to the window, so that scrolling
  /// must repaint the whole client area instead of moving pixels.
  bool FixedToWindow() const;
};

/// Paints the container's pieces that meet the clip of the context (canvas
/// coordinates), with the document's (0, 0) at the context's origin and in
/// the view state the context carries. The container is not changed.
void PaintTo(const TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTPaintContext& context);

/// Fills area with the colour (unless clNone, or a picture covers it) and
/// draws the picture placed by style in place: stretched over it, tiled
/// from its corner (moved by the scroll offsets for bsTiledAndScrolled),
/// centred or in a corner. Control, table and cell backgrounds alike.
void PaintBackgroundIn(TLTCanvas& canvas, const TLTRectI& area, const TLTRectI& place, TColor color,
                       const TGraphic* image, TBackgroundStyle style, int scrollX = 0, int scrollY = 0);

/// Fills r (client coordinates) with the control background for a view
/// scrolled by (scrollX, scrollY) in a client of clientW x clientH pixels.
void PaintBackground(TLTCanvas& canvas, const TLTRectI& r, const TLTBackground& background, const TLTStyle* style,
                     int scrollX, int scrollY, int clientW, int clientH);

/// The control's paint handler: background and document into the canvas
/// for the client rectangle r, in the view state of the context (whose
/// clip becomes r); an exception from painting is caught and its message
/// written at the top-left corner ("Error: ...").
void PaintControl(const TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTRectI& r,
                  const TLTBackground& background, const std::string& controlName, TLTPaintContext context = {});

}  // namespace lectern
