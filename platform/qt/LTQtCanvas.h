#pragma once
// The canvas over a QPainter, for the screen, for off-screen images and for
// tests on the "offscreen" platform.
//
// Fonts: a negative Height is the character height in pixels (the pixel
// size), a positive one the cell height (ascent + descent), 0 the default
// 10 points at the canvas's vertical resolution; character heights are kept
// within 1..4096 pixels. A positive Width scales the
// face horizontally so that its average character is that wide; measuring
// and painting apply the same scale. Kerning is off.
//
// Text is measured once per run: the advance of every character cluster is
// summed in logical order, the running sums are scaled and rounded once,
// and the character extra is added per cluster. A run of simple
// characters paints every glyph at exactly those pixel positions; a run of
// complex or right-to-left text, or one read right to left, is drawn as
// QTextLayout lays it out in the reading order (its directions reordered,
// its scripts shaped and joined), and the advances it was measured by add
// up to that width. So a run measured w wide paints inside [x, x + w)
// (glyph overhangs aside). With a character extra or explicit advances
// every cluster's glyphs move to their own places instead.
//
// Outline metrics come from the face's OS/2 table (sub- and superscript
// sizes and offsets with the table's signs: subscript offsets downwards,
// superscript offsets upwards, strikeout position above the baseline) and
// from Qt's underline measures; a face without that table reports none.
//
// Shapes: fills and frames cover half-open pixel ranges without
// antialiasing; frames of solid and inside-frame pens are bands inside the
// rectangle; styled pens (dash, dot, ...) are one pixel wide, the dot three
// pixels on and three off.

#include "platform/LTCanvas.h"
#include "platform/qt/LTQtApplication.h"

#include <QColor>

#include <memory>

class QImage;
class QPaintDevice;

namespace lectern {

/// A canvas that paints with a QPainter on a paint device it does not own.
/// A QGuiApplication must exist (see EnsureQtGuiApplication).
class TLTQtCanvas final : public TLTCanvas {
 public:
  /// Paints on the device, which must outlive the canvas, at the given
  /// resolution (styles use 96 on screen whatever the device says).
  explicit TLTQtCanvas(QPaintDevice& device, int pixelsPerInch = LTScreenPixelsPerInch);
  ~TLTQtCanvas() override;
  TLTQtCanvas(const TLTQtCanvas&) = delete;
  TLTQtCanvas& operator=(const TLTQtCanvas&) = delete;

  const TLTCanvasFont& Font() const override;
  void SetPen(const TLTPen& pen) override;
  const TLTPen& Pen() const override;
  void SetBrush(const TLTBrush& brush) override;
  const TLTBrush& Brush() const override;
  int CharacterExtra() const override;
  TLTReadingOrder ReadingOrder() const override;

  int PixelsPerInchX() const override;
  int PixelsPerInchY() const override;
  bool IsPrinter() const override;
  /// Makes the canvas stand in for a printer (print preview, printing to an image).
  void SetIsPrinter(bool value);
  /// Paints a system colour in color instead of its fixed value (a window
  /// paints the selection and the caret in its palette's colours). With
  /// keepVisible, a solid fill in it on an image that would hardly show
  /// there is black or white instead (the caret on a page of about its
  /// colour).
  void SetSystemColor(TColor systemColor, const QColor& color, bool keepVisible = false);

  TLTTextMetrics TextMetrics() override;
  bool OutlineMetrics(TLTOutlineMetrics& m) override;
  TLTSizeI TextExtent(std::u16string_view text) override;
  void PartialExtents(std::u16string_view text, std::vector<int>& out) override;

  void TextOut(int x, int y, std::u16string_view text) override;
  /// Explicit advances are drawn as given; the character extra is not added
  /// to them. Units beyond the end of the vector keep their measured advance.
  void TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) override;

  void Line(int x1, int y1, int x2, int y2) override;
  void FillRect(const TLTRectI& r) override;
  void Rectangle(const TLTRectI& r) override;
  void Ellipse(const TLTRectI& r) override;
  void Polygon(const std::vector<TLTPointI>& points) override;
  void DrawPixels(const TLTRectI& r, const TLTPixels& pixels) override;

  void IntersectClip(const TLTRectI& r) override;

 protected:
  void DoSetFont(const TLTCanvasFont& font) override;
  void DoSetCharacterExtra(int pixels) override;
  void DoSetReadingOrder(TLTReadingOrder order) override;
  void DoSave() override;
  /// A Restore without a matching Save does nothing.
  void DoRestore() override;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> d_;
};

}  // namespace lectern
