#pragma once
// Painting a formatted container: the control background, paragraph
// backgrounds and borders, every drawing item in a clip rectangle with its
// selection and hover states, page-break and checkpoint marks, paragraph
// marks and live-spelling underlines. Painting reads the layout, the
// selection and the hover state; it never changes them.

#include "layout/CLTFData.h"

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

struct TLTPaintParams {
  /// The part to paint, in canvas coordinates.
  TLTRectI Clip;
  /// Added to every position (the buffer's origin against the client).
  int ExtraX = 0, ExtraY = 0;
  /// Printing: no selection, hover, checkpoints or special characters.
  bool Printing = false;
  /// Painting on a canvas other than the measuring one.
  bool AlternateCanvas = false;
  /// Skip pieces whose bottom lies below the clip.
  bool WholeLinesOnly = false;
  /// Soft page breaks to mark (item numbers where printed pages begin).
  const std::vector<int>* SoftPageBreaks = nullptr;
  /// How colours reach paper when printing.
  TLTOutputColorMode ColorMode = ltocAsIs;
};

/// Paints the container's pieces that meet the clip (Params.Clip in canvas
/// coordinates; the container's view offsets and origin are applied).
void PaintTo(TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTPaintParams& params);

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
/// for the client rectangle r; an exception from painting is caught and its
/// message written at the top-left corner ("Error: ...").
void PaintControl(TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTRectI& r, const TLTBackground& background,
                  const std::string& controlName);

}  // namespace lectern
