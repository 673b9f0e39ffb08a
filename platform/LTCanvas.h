#pragma once
// The drawing surface that layout measures on and painting draws on: a font,
// a pen and a brush, text output and measurement, lines, rectangles, fills,
// pictures and clipping, at a resolution. Toolkit back ends implement it
// (platform/qt over QPainter, platform/headless with fixed metrics and a
// record of calls). Measuring and drawing agree: a run measured w pixels
// wide is drawn w pixels wide.
//
// Coordinates are integer device pixels. Rectangles are half-open: a fill of
// (l, t, r, b) covers columns l..r-1 and rows t..b-1; a line excludes its end
// point.

#include "platform/LTFont.h"
#include "platform/LTGraphic.h"
#include "platform/LTTypes.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace lectern {

struct TLTRectI {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  /// The rectangle grown by `by` on every side.
  TLTRectI Inflated(int by) const { return {Left - by, Top - by, Right + by, Bottom + by}; }
  TLTRectI Moved(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  /// The common part (empty, possibly with Right < Left, when none).
  TLTRectI Intersected(const TLTRectI& o) const {
    return {Left > o.Left ? Left : o.Left, Top > o.Top ? Top : o.Top, Right < o.Right ? Right : o.Right,
            Bottom < o.Bottom ? Bottom : o.Bottom};
  }
  bool operator==(const TLTRectI&) const = default;
};

struct TLTPointI {
  int X = 0, Y = 0;
  bool operator==(const TLTPointI&) const = default;
};

struct TLTSizeI {
  int Width = 0, Height = 0;
  bool operator==(const TLTSizeI&) const = default;
};

/// A horizontal stretch [Left, Right).
struct TLTSpanI {
  int Left = 0, Right = 0;
  bool operator==(const TLTSpanI&) const = default;
};

enum TLTPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TLTBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross,
  bsHorizontal,
  bsVertical
};

struct TLTPen {
  TColor Color = 0;
  int Width = 1;
  TLTPenStyle Style = psSolid;
  bool operator==(const TLTPen&) const = default;
};

struct TLTBrush {
  TColor Color = 0x00FFFFFF;
  TLTBrushStyle Style = bsSolid;
  bool operator==(const TLTBrush&) const = default;
};

/// The font of a canvas: a document font plus an explicit average character
/// width (0 = the face's own), which scales characters horizontally.
struct TLTCanvasFont : TLTFont {
  int32_t Width = 0;
  bool operator==(const TLTCanvasFont&) const = default;
};

/// Vertical measures of the selected font, in device pixels.
struct TLTTextMetrics {
  int Height = 0;  // Ascent + Descent
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
};

/// Measures that only outline fonts report, in device pixels. Positions are
/// above the baseline when positive (an underline usually has a negative one).
struct TLTOutlineMetrics {
  int UnderscoreSize = 1;
  int UnderscorePosition = -1;
  int StrikeoutSize = 1;
  int StrikeoutPosition = 0;
  int SubscriptSizeY = 0;
  int SubscriptOffsetY = 0;
  int SuperscriptSizeY = 0;
  int SuperscriptOffsetY = 0;
};

/// Reading order of text output.
enum class TLTReadingOrder : uint8_t { LeftToRight, RightToLeft };

/// Where one character cluster of a run is drawn: its code units
/// [Start, End), its left and right edge counted from the run's left, and
/// whether it reads right to left.
struct TLTClusterBox {
  int Start = 0, End = 0;
  int Left = 0, Right = 0;
  bool RightToLeft = false;
  bool operator==(const TLTClusterBox&) const = default;
};

/// The x (from the run's left) of a caret at unit boundary `offset` (0..n)
/// of a run with these boxes: the leading edge of the cluster that starts
/// there, at the end the trailing edge of the last cluster.
int CaretXInRun(const std::vector<TLTClusterBox>& boxes, int offset);
/// The unit boundary nearest to x (from the run's left). A point inside a
/// cluster goes to the edge of its nearer half; tiesRight decides a point
/// as far from two boundaries.
int OffsetAtXInRun(const std::vector<TLTClusterBox>& boxes, int x, bool tiesRight);
/// The visual stretches [left, right) that units [from, to) cover, from
/// left to right, touching ones joined.
void SpansOfUnits(const std::vector<TLTClusterBox>& boxes, int from, int to, std::vector<TLTSpanI>& spans);
/// Whether every cluster reads left to right and stands in logical order.
bool IsPlainLeftToRight(const std::vector<TLTClusterBox>& boxes);

class TLTCanvas {
 public:
  virtual ~TLTCanvas() = default;

  // ---- State ------------------------------------------------------------------
  void SetFont(const TLTCanvasFont& font);
  virtual const TLTCanvasFont& Font() const = 0;
  void SetFontStyle(TFontStyles style);
  void SetFontColor(TColor color);
  virtual void SetPen(const TLTPen& pen) = 0;
  virtual const TLTPen& Pen() const = 0;
  virtual void SetBrush(const TLTBrush& brush) = 0;
  virtual const TLTBrush& Brush() const = 0;
  void SetBrushColor(TColor color);
  void SetBrushStyle(TLTBrushStyle style);
  /// Extra pixels after every character of measured and drawn text.
  void SetCharacterExtra(int pixels);
  virtual int CharacterExtra() const = 0;
  void SetReadingOrder(TLTReadingOrder order);
  virtual TLTReadingOrder ReadingOrder() const = 0;
  /// Names the state text is measured in: the font but for its colour, the
  /// character extra and the reading order. It moves on whenever that state
  /// changes, also through Restore, so that layout and painting select a
  /// text style again exactly when somebody else (an item, a mark) changed
  /// the canvas under them.
  uint64_t TextStateStamp() const { return stamp_; }

  /// Pixels per inch of the device.
  virtual int PixelsPerInchX() const = 0;
  virtual int PixelsPerInchY() const = 0;
  /// Whether this canvas draws on paper (or stands in for a printer).
  virtual bool IsPrinter() const { return false; }

  // ---- Text measurement (UTF-16) ---------------------------------------------------
  virtual TLTTextMetrics TextMetrics() = 0;
  /// False when the font has no outline measures (then m is untouched).
  virtual bool OutlineMetrics(TLTOutlineMetrics& m) = 0;
  /// Width and height of one run, character extra included.
  virtual TLTSizeI TextExtent(std::u16string_view text) = 0;
  int TextWidth(std::u16string_view text) { return TextExtent(text).Width; }
  /// Cumulative widths: out[i] is the width of the first i+1 code units. A
  /// unit inside a character (a low surrogate, a combining mark) repeats
  /// the width of the character so far.
  virtual void PartialExtents(std::u16string_view text, std::vector<int>& out) = 0;
  /// The next and previous character-cluster boundary around index i (0..n):
  /// a base character and its combining marks, or a surrogate pair, are
  /// never split.
  static int NextClusterBoundary(std::u16string_view text, int i);
  static int PrevClusterBoundary(std::u16string_view text, int i);
  /// Where TextOut draws every cluster of the run in the current reading
  /// order (the bidirectional algorithm places the stretches of either
  /// direction), in logical order; the boxes tile [0, extent).
  void ClusterBoxes(std::u16string_view text, std::vector<TLTClusterBox>& out);

  // ---- Text output ---------------------------------------------------------------
  /// Draws a run with its top-left corner at (x, y) in the font colour. With
  /// a solid brush its cell (extent wide, text height high) is filled first.
  virtual void TextOut(int x, int y, std::u16string_view text) = 0;
  /// The same with an explicit advance for every code unit (after the last
  /// unit of a character the character's advance, 0 elsewhere).
  virtual void TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) = 0;

  // ---- Shapes (pen for outlines, brush for fills) ---------------------------------------
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  /// Fills the rectangle with the brush (nothing for a clear brush).
  virtual void FillRect(const TLTRectI& r) = 0;
  /// A frame with the pen, filled with the brush.
  virtual void Rectangle(const TLTRectI& r) = 0;
  virtual void Ellipse(const TLTRectI& r) = 0;
  virtual void Polygon(const std::vector<TLTPointI>& points) = 0;
  /// Draws pixels stretched into the rectangle.
  virtual void DrawPixels(const TLTRectI& r, const TLTPixels& pixels) = 0;

  // ---- Clipping ------------------------------------------------------------------
  /// Save keeps the whole state (font, pen, brush, character extra, reading
  /// order, clip) on a stack; Restore brings back the last one kept.
  void Save();
  void Restore();
  /// Narrows the clip to the rectangle (until the matching Restore).
  virtual void IntersectClip(const TLTRectI& r) = 0;

 protected:
  // What back ends implement under the state setters above.
  virtual void DoSetFont(const TLTCanvasFont& font) = 0;
  virtual void DoSetCharacterExtra(int pixels) = 0;
  virtual void DoSetReadingOrder(TLTReadingOrder order) = 0;
  virtual void DoSave() = 0;
  virtual void DoRestore() = 0;

 private:
  void NewStamp() { stamp_ = nextStamp_++; }
  uint64_t stamp_ = 0;
  uint64_t nextStamp_ = 1;
  // The stamps of the states Save kept: restoring a state restores its name.
  std::vector<uint64_t> savedStamps_;
};

/// Keeps a canvas's state for a scope.
class TLTCanvasSaver {
 public:
  explicit TLTCanvasSaver(TLTCanvas& c) : c_(c) { c_.Save(); }
  ~TLTCanvasSaver() { c_.Restore(); }
  TLTCanvasSaver(const TLTCanvasSaver&) = delete;
  TLTCanvasSaver& operator=(const TLTCanvasSaver&) = delete;

 private:
  TLTCanvas& c_;
};

}  // namespace lectern
