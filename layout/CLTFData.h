#pragma once
// The formatted container: a container whose items are laid out for a width
// into drawing items, with hyperlink rectangles and the document's size.
// Controls and table cells derive from it and answer the layout queries
// (margins, widths, options, the canvas) from what they are.

#include "layout/LTDrawLines.h"
#include "layout/LTFontCache.h"
#include "model/CLTData.h"

#include <memory>
#include <vector>

namespace lectern {

/// Bits of the control flags that formatting reads.
constexpr uint16_t ltcfRegisterJumps = 0x0001;
constexpr uint16_t ltcfSwallowSpaces = 0x0002;
constexpr uint16_t ltcfControlDocument = 0x0100;
/// A viewer's flags: the bits above and two (10 and 11) that only the
/// editor's painting and word checking read.
constexpr uint16_t LTDefaultControlFlags = ltcfRegisterJumps | ltcfSwallowSpaces | ltcfControlDocument | 0x0C00;

/// A place a caret can stand in a drawing item: its offset there and its x.
struct TLTPieceStop {
  int Offset = 0;
  int X = 0;
};

/// A line of drawing items: its first and last piece and its extent, the
/// top including SpaceAbove and the bottom SpaceBelow.
struct TLTLineBox {
  int First = -1;
  int Last = -1;
  int Top = 0;
  int Bottom = 0;
};

struct TLTPaintContext;
class TLTFormatter;

struct TLTFormatParams {
  bool KeepPosition = false;
  bool Force = false;
  bool ReformatEditors = false;
  bool ForceTables = false;
  bool AppendedOnly = false;
  bool NoScroll = false;
  /// The canvas to measure with; null = the container's formatting canvas.
  TLTCanvas* Canvas = nullptr;
  /// The first hyperlink number of a full pass (a cell numbers its links
  /// in its table's turn).
  int FirstJumpNo = 0;
};

class TCustomLTFormattedData : public TCustomLTData {
 public:
  TCustomLTFormattedData();
  ~TCustomLTFormattedData() override;

  TLTDrawLines DrawItems;
  std::vector<TLTJumpInfo> Jumps;
  int NextJumpNo = 0;
  int LastFormattedItem = -1;
  int DocumentWidth = 0;
  int TextWidth = 0;
  int DocumentHeight = 0;

  // ---- What the owner answers ---------------------------------------------------
  virtual int GetLeftMargin() const { return 0; }
  virtual int GetRightMargin() const { return 0; }
  virtual int GetTopMargin() const { return 0; }
  virtual int GetBottomMargin() const { return 0; }
  virtual int GetMinTextWidth() const { return 0; }
  virtual int GetMaxTextWidth() const { return 0; }
  virtual int GetClientWidth() const { return 0; }
  virtual int GetClientHeight() const { return 0; }
  virtual uint16_t GetControlFlags() const { return LTDefaultControlFlags; }
  virtual int GetMaxLength() const { return 0; }
  virtual bool GetWordWrap() const { return true; }
  virtual TLTBiDiMode GetBiDiMode() const { return ltbdUnspecified; }
  virtual TLTCanvas* GetFormatCanvas() const { return nullptr; }
  virtual TLTFontInfoCache& GetFontCache() { return fontCache_; }
  /// The document size changed; true when that changed the client width
  /// (a scroll bar came or went), so that the layout is done again.
  virtual bool DocumentSizeChanged(int /*width*/, int /*height*/) { return false; }
  /// The top of the view in document coordinates, and moving it.
  virtual int GetViewTop() const { return 0; }
  virtual void ScrollToY(int /*y*/) {}
  /// Where this container's origin lies inside the control.
  virtual TLTPointI GetOriginInControl() const { return {}; }
  /// The left of the view in document coordinates (horizontal scrolling).
  virtual int GetViewLeft() const { return 0; }
  /// Drawn last by painting, over the document (editor frames, cell
  /// selections).
  virtual void PaintOverlay(TLTCanvas& /*canvas*/, const TLTPaintContext& /*context*/) const {}

  /// Whether the document lies in an editor that may change it (tables
  /// then show their grid in the editable style).
  virtual bool IsEditable() const { return false; }
  /// Set on the root container while nested documents (table cells) are
  /// laid out; embedded controls skip redrawing their cached images then.
  bool NestedLayout = false;

  /// Expires when the container is destroyed: a control that remembers a
  /// nested container (the cell it selects in) checks it before use.
  std::weak_ptr<const void> Lifetime() const { return lifetime_; }

  bool IsFormatting() const { return formatting_; }

  // ---- Layout ---------------------------------------------------------------------
  void FormatAll(const TLTFormatParams& params = {});
  /// Lays out again the paragraphs of drawing items first..last after an
  /// edit that changed their items' count by itemsDelta; returns the client
  /// rectangle to repaint.
  TLTRectI ReformatRange(int firstDrawItem, int lastDrawItem, int itemsDelta);
  /// The narrowest text width that lays out items from fromItem without
  /// overflow, in pixels of the canvas.
  int CalcMinWidth(int fromItem, TLTCanvas& canvas);
  /// Frees all drawing items and hyperlink rectangles.
  void ClearDrawItems();

  // ---- Coordinates ------------------------------------------------------------------
  bool ItemToDrawItem(int itemNo, int offset, int& drawItemNo, int& drawOffset) const;
  bool DrawItemToItem(int drawItemNo, int drawOffset, int& itemNo, int& offset) const;
  /// The first drawing item of the line at document height y (the nearest
  /// line above or below when y is outside every line); -1 when empty.
  int DrawItemAtY(int y) const;
  /// The drawing item and position at a document point; with strict only
  /// when the point lies on a piece.
  bool HitTest(int x, int y, bool strict, int& drawItemNo, int& drawOffset);
  void LineRange(int drawItemNo, int& first, int& last) const;
  /// The extent of the line first..last: top including SpaceAbove, bottom
  /// including SpaceBelow.
  void LineExtent(int first, int last, int& top, int& bottom) const;
  /// The line holding a drawing item (First -1 when there are none).
  TLTLineBox LineOf(int drawItemNo) const;
  /// The places a caret can stand in a drawing item, left to right, with
  /// their x (document coordinates): for text every character boundary
  /// (a character cluster is never split) as offsets 1..Length+1 of the
  /// piece; for any other piece, and for empty text, its two edges.
  std::vector<TLTPieceStop> PieceStops(int drawItemNo);

  /// The scale of the last formatting pass.
  const TLTResolutionScale& Scale() const { return scale_; }

 protected:
  /// The canvas of a pass: the given one, else the owner's.
  TLTCanvas* PassCanvas(TLTCanvas* given) const { return given ? given : GetFormatCanvas(); }

 private:
  friend class TLTFormatter;
  struct TReformatSpan;
  void UpdateJumpPositions();
  /// The steps of ReformatRange.
  bool WidenToParagraphs(TReformatSpan& span, int itemsDelta) const;
  void NumberJumpsAround(TReformatSpan& span, const TLTStyle& style) const;
  void ShiftFollowing(const TReformatSpan& span, int restStart, int moveY, int itemsDelta, int pieceDiff);
  void SpliceJumps(const TReformatSpan& span, TLTFormatter& f, size_t at, int moveY, int pieceDiff);
  TLTFontInfoCache fontCache_;
  TLTResolutionScale scale_;
  bool formatting_ = false;
  std::shared_ptr<const char> lifetime_ = std::make_shared<const char>(0);
};

/// The container and item a hyperlink rectangle belongs to.
bool JumpItem(const TLTJumpInfo& j, const TCustomLTFormattedData& owner, const TCustomLTFormattedData*& data,
              int& itemNo);

/// A formatted container with settable answers: for tools, tests and
/// off-screen rendering.
class TLTFormattedDocument : public TCustomLTFormattedData {
 public:
  int LeftMargin = 5, RightMargin = 5, TopMargin = 5, BottomMargin = 5;
  int MinTextWidth = 0, MaxTextWidth = 0;
  int ClientWidth = 400, ClientHeight = 300;
  uint16_t ControlFlags = LTDefaultControlFlags;
  int MaxLength = 0;
  bool WordWrap = true;
  TLTBiDiMode BiDiMode = ltbdUnspecified;
  TLTCanvas* Canvas = nullptr;  // not owned

  int GetLeftMargin() const override { return LeftMargin; }
  int GetRightMargin() const override { return RightMargin; }
  int GetTopMargin() const override { return TopMargin; }
  int GetBottomMargin() const override { return BottomMargin; }
  int GetMinTextWidth() const override { return MinTextWidth; }
  int GetMaxTextWidth() const override { return MaxTextWidth; }
  int GetClientWidth() const override { return ClientWidth; }
  int GetClientHeight() const override { return ClientHeight; }
  uint16_t GetControlFlags() const override { return ControlFlags; }
  int GetMaxLength() const override { return MaxLength; }
  bool GetWordWrap() const override { return WordWrap; }
  TLTBiDiMode GetBiDiMode() const override { return BiDiMode; }
  TLTCanvas* GetFormatCanvas() const override { return Canvas; }
};

}  // namespace lectern
