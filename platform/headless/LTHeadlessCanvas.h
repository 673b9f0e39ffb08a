#pragma once
// A canvas without a toolkit: fixed font metrics that tests can compute by
// hand, a record of every drawing call, and (on request) a small raster so
// that a test can look at pixels.
//
// Font metrics. The face height h of a font is |Height| pixels (a character
// height and a cell height are the same here: there is no internal
// leading). Height 0 asks for the default size, 10 points at the canvas's
// vertical resolution (13 pixels at 96 per inch). h is at most
// LTHeadlessMaxFontHeight. Then, whatever the face, bold or italic:
//   every character (grapheme cluster) is w = ceil(h / 2) pixels wide, or
//     the font's Width when that is positive; the character extra is added
//     after each character;
//   Ascent = round(0.8 h), Descent = h - Ascent, Height = h,
//   InternalLeading = ExternalLeading = 0, AveCharWidth = MaxCharWidth = w;
//   TextExtent(text) = (characters * (w + extra), h).
// Outline metrics (positions above the baseline when positive; the
// subscript offset, as in font tables, is downwards):
//   UnderscoreSize = StrikeoutSize = max(1, h / 12),
//   UnderscorePosition = -max(1, Descent / 2), StrikeoutPosition = 3h / 10,
//   SubscriptSizeY = SuperscriptSizeY = (2h + 1) / 3,
//   SubscriptOffsetY = h / 5, SuperscriptOffsetY = h / 3
// (integer division throughout).
//
// The raster, when enabled, draws fills and hatches (8-pixel hatch spacing
// from the device origin), frames with their pen bands inside the
// rectangle, lines without their end point, ellipses and polygons by pixel
// centres, pictures stretched by nearest pixel, and text as one filled box
// per visible character: w pixels wide (the extra stays empty), from the
// cell's top to the baseline, in the font colour, over the cell in the
// brush colour when the brush is solid.

#include "platform/LTCanvas.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lectern {

/// The largest face height the headless canvas measures with.
constexpr int LTHeadlessMaxFontHeight = 16384;

enum class TLTDrawKind : uint8_t { Text, TextAdvances, Line, FillRect, Rectangle, Ellipse, Polygon, Pixels };

/// One drawing call as the headless canvas recorded it, with the state it
/// was drawn in.
struct TLTDrawCall {
  TLTDrawKind Kind = TLTDrawKind::FillRect;
  /// Text: the cell (x, y, x + width, y + text height). Line: the end points
  /// as (x1, y1, x2, y2). Shapes and pictures: their rectangle. Polygon: the
  /// bounding box of the points.
  TLTRectI Rect;
  std::vector<TLTPointI> Points;  // polygon points
  TLTString Text;
  /// Text: the position after each code unit relative to the cell's left
  /// (the partial extents, or the running sum of the advances given).
  std::vector<int> Positions;
  TLTCanvasFont Font;
  TLTPen Pen;
  TLTBrush Brush;
  int CharacterExtra = 0;
  TLTReadingOrder ReadingOrder = TLTReadingOrder::LeftToRight;
  /// The clip in effect, if any.
  std::optional<TLTRectI> Clip;
  /// Pictures: their size in pixels.
  TLTSizeI PixelsSize;
};

/// A canvas with the fixed metrics above that records what is drawn on it.
class TLTHeadlessCanvas final : public TLTCanvas {
 public:
  /// A canvas of the given resolution (values below 1 become 1).
  explicit TLTHeadlessCanvas(int pixelsPerInch = LTScreenPixelsPerInch);

  const TLTCanvasFont& Font() const override { return state_.Font; }
  void SetPen(const TLTPen& pen) override { state_.Pen = pen; }
  const TLTPen& Pen() const override { return state_.Pen; }
  void SetBrush(const TLTBrush& brush) override { state_.Brush = brush; }
  const TLTBrush& Brush() const override { return state_.Brush; }
  int CharacterExtra() const override { return state_.Extra; }
  TLTReadingOrder ReadingOrder() const override { return state_.Order; }

  int PixelsPerInchX() const override { return ppiX_; }
  int PixelsPerInchY() const override { return ppiY_; }
  /// Changes the resolution (values below 1 become 1).
  void SetPixelsPerInch(int x, int y);
  bool IsPrinter() const override { return printer_; }
  void SetIsPrinter(bool value) { printer_ = value; }

  TLTTextMetrics TextMetrics() override;
  bool OutlineMetrics(TLTOutlineMetrics& m) override;
  TLTSizeI TextExtent(std::u16string_view text) override;
  void PartialExtents(std::u16string_view text, std::vector<int>& out) override;

  void TextOut(int x, int y, std::u16string_view text) override;
  void TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) override;

  void Line(int x1, int y1, int x2, int y2) override;
  void FillRect(const TLTRectI& r) override;
  void Rectangle(const TLTRectI& r) override;
  void Ellipse(const TLTRectI& r) override;
  void Polygon(const std::vector<TLTPointI>& points) override;
  void DrawPixels(const TLTRectI& r, const TLTPixels& pixels) override;

  void IntersectClip(const TLTRectI& r) override;
  /// The clip in effect, if any.
  const std::optional<TLTRectI>& Clip() const { return state_.Clip; }

  /// The face height h that the current font measures with.
  int FaceHeight() const;
  /// The width of every character of the current font, before the extra.
  int CharWidth() const;

  // ---- The record -------------------------------------------------------------
  const std::vector<TLTDrawCall>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

  // ---- The raster ---------------------------------------------------------------
  /// Starts drawing into a width x height buffer filled with the background
  /// colour (sizes below 0 become 0). Drawing outside it is dropped.
  void EnableRaster(int width, int height, TColor background = clWhite);
  bool HasRaster() const { return rasterWidth_ > 0 && rasterHeight_ > 0; }
  int RasterWidth() const { return rasterWidth_; }
  int RasterHeight() const { return rasterHeight_; }
  /// The RGB colour (0x00BBGGRR) of a pixel; clNone outside the raster.
  TColor PixelAt(int x, int y) const;

 protected:
  void DoSetFont(const TLTCanvasFont& font) override { state_.Font = font; }
  void DoSetCharacterExtra(int pixels) override { state_.Extra = pixels; }
  void DoSetReadingOrder(TLTReadingOrder order) override { state_.Order = order; }
  void DoSave() override;
  /// A Restore without a matching Save does nothing.
  void DoRestore() override;

 private:
  struct TState {
    TLTCanvasFont Font;
    TLTPen Pen;
    TLTBrush Brush;
    int Extra = 0;
    TLTReadingOrder Order = TLTReadingOrder::LeftToRight;
    std::optional<TLTRectI> Clip;
  };

  TLTDrawCall& Record(TLTDrawKind kind);
  // Draws a run whose characters have the given widths (one entry per
  // cluster, extra included) and records it.
  void DrawText(TLTDrawKind kind, int x, int y, std::u16string_view text, std::vector<int> positions);
  void Plot(int x, int y, TColor rgb);
  void FillBand(TLTRectI r, TColor rgb);
  void FillWithBrush(const TLTRectI& r);
  void StrokeLine(int x1, int y1, int x2, int y2);
  bool PenDrawsAt(int64_t step) const;

  TState state_;
  std::vector<TState> saved_;
  std::vector<TLTDrawCall> calls_;
  int ppiX_, ppiY_;
  bool printer_ = false;
  int rasterWidth_ = 0, rasterHeight_ = 0;
  std::vector<TColor> raster_;
};

}  // namespace lectern
