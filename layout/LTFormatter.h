#pragma once
// The state of one formatting pass (internal to layout).

#include "layout/CLTFData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lectern {

class TLTListLevel;

/// A text item as layout measures it: the stored text as UTF-16, its
/// display form of equal length, and for 8-bit double-byte text where each
/// unit's character (byte) starts.
struct TLTLayoutText {
  std::u16string stored;
  std::u16string display;
  bool unicode = true;
  bool hasZeroWidth = false;
  /// Scripts whose shaping may join across a cut: pieces are measured alone.
  bool complex = false;
  /// Holds text that reads right to left: a line with it is reordered.
  bool rtl = false;
  /// Empty when units and characters coincide; else unit -> character, one
  /// entry more than units.
  std::vector<int> charOfUnit;

  void Load(const TCustomLTData& data, int itemNo, const TLTStyle& style, bool showSoftHyphens);
  int CharOfUnit(int u) const { return charOfUnit.empty() ? u : charOfUnit[static_cast<size_t>(u)]; }
  int UnitOfChar(int c) const;
  /// Whether a character starts at unit u (0..units).
  bool StartsChar(int u) const {
    return charOfUnit.empty() || u <= 0 || charOfUnit[static_cast<size_t>(u)] != charOfUnit[static_cast<size_t>(u) - 1];
  }
  /// The first unit of the character unit u is in, and of the next one.
  int CharStart(int u) const { return charOfUnit.empty() ? u : UnitOfChar(CharOfUnit(u)); }
  int NextCharStart(int u) const;
  /// Unit u is a space, and a character of its own: a double-byte
  /// character may have converted to a replacement and a space.
  bool IsSpace(int u) const {
    if (static_cast<size_t>(u) >= stored.size() || stored[static_cast<size_t>(u)] != u' ') return false;
    return charOfUnit.empty() || (StartsChar(u) && StartsChar(u + 1));
  }
};

/// Places the items of a container on lines. Non-text items measure and
/// place themselves through their layout operations; the formatter is the
/// line they stand on (ILTItemLine).
class TLTFormatter final : private ILTItemLine {
 public:
  TLTFormatter(TCustomLTFormattedData& data, TLTCanvas& canvas, TLTStyle& style, const TLTResolutionScale& scale);

  /// Places items first..last, inserting drawing items from startDrawIndex
  /// on, with the first line starting at lineTop; hyperlinks are numbered
  /// from firstJumpNo.
  void Run(int firstItem, int lastItem, int startDrawIndex, int lineTop, int firstJumpNo);

  /// Where the last line ended (before the last paragraph's SpaceAfter).
  int Bottom() const { return lineTop_; }
  /// The narrowest text width in which items from fromItem on lay out
  /// without overflow.
  int MinWidth(int fromItem);
  /// Items that lay themselves out do so again although their width is
  /// unchanged (their contents may have changed).
  bool ForceItems = false;
  int NextDrawIndex() const { return next_; }
  int NextJumpNo() const { return jumpNo_; }
  std::vector<TLTJumpInfo>& NewJumps() { return jumps_; }
  /// The paragraph spacing after and before an item (a full-line item's
  /// own extra space included), device pixels.
  int SpaceAfterOf(int itemNo) const;
  int SpaceBeforeOf(int itemNo) const;

  /// The text of an item in layout's form (the last one asked for is kept).
  TLTLayoutText& TextOf(int itemNo);
  /// The same for finishing lines, without replacing the text TextOf keeps.
  const TLTLayoutText& SideTextOf(int itemNo);
  /// Width of units [from, from + len) of the display text, zero-width
  /// characters taken as 0; the text style's font must be selected.
  int Measure(const TLTLayoutText& t, int from, int len);
  /// Selects a text style's font for the current paragraph's direction,
  /// unless it is on the canvas already.
  void SelectStyle(int styleNo);
  /// The character clusters of a text piece where painting draws them
  /// (from the start of its text, which JustifyExtra may move), and the
  /// first code unit of the piece in its item's text.
  struct TPieceClusters {
    std::vector<TLTClusterBox> Boxes;
    int FirstUnit = 0;
    int Units = 0;
  };
  void PieceClusters(const TLTDrawLineInfo& piece, TPieceClusters& out);
  /// Cumulative widths of units [from, from + len), zero-width characters
  /// taken as 0.
  void Extents(const TLTLayoutText& t, int from, int len, std::vector<int>& out);

 private:
  /// The run of text being placed: what is left of it and how it wraps.
  struct TRun {
    int ItemNo = 0;
    int Pos = 0;        // first unit left
    int Remaining = 0;  // units left
    bool ItemStart = false;
    bool ParaStart = false;
    bool NeedLine = false;
    bool FirstLine = true;
    bool NoWrap = false;
    bool Wrapping = false;
    bool Swallow = false;
    bool Jump = false;
    TCursor JumpCursor = 0;
  };
  /// Where the next piece of a run ends.
  struct TCut {
    int Length = 0;
    /// The character after the piece is a space the wrap eats.
    bool SwallowNext = false;
    /// Nothing more fits: the line ends first.
    bool NewLine = false;
  };
  /// A text item's width whole and its widest unbreakable run.
  struct TTextWidths {
    int64_t Whole = 0;
    int64_t Widest = 0;
  };
  TTextWidths TextMinWidths(int itemNo);
  /// An unbreakable run of a text and its share of the text's width.
  struct TRunSpan {
    int Start = 0, End = 0;
    int Share = 0;
  };
  /// First and last drawing item of the line being finished.
  struct TLineSpan {
    int First = 0;
    int Last = 0;
  };

  // ILTItemLine: what an item placed on the current line may ask.
  int PenX() const override { return lineLeft_ + x_; }
  TLTStyle::TTabStop NextTabStop() override;
  TLTLineFont SelectTextStyle(int styleNo) override;

  const TParaInfo& Para(int paraNo) const;
  TLTItemLayoutContext ItemContext();
  int Fit(const TLTLayoutText& t, int from, int n, int room, bool noWrap);
  void LoadExtents(const TLTLayoutText& t, int from, int len);
  int PrefixWidth(const TLTLayoutText& t, int from, int len);
  void BeginParagraph(int itemNo);
  void BeginParagraphLine(int itemNo);
  void BeginLine(int itemNo, bool paraStart, bool fullLine);
  void NewLineForItem(int itemNo, bool wrap);
  void EndLine(bool lastOfParagraph, bool wrap);
  void TrimLineEnd();
  void ResolvePendingTab();
  int EffAbove(int actual) const;
  int EffBelow(int actual) const;
  int ExactSplitAbove(int v) const;
  void Emit(std::unique_ptr<TLTDrawLineInfo> piece, int needAbove, int needBelow);
  bool PieceStartsWithSpace(const TLTDrawLineInfo& p);
  bool NextContinuesParagraph(int itemNo) const;
  void AddJump(int drawIndex, int left, int width, int height, TCursor cursor);

  // Finishing a line, step by step.
  void FinishLine(bool lastOfParagraph);
  int64_t FreeSpace(const TLineSpan& line) const;
  int AlignToLine(const TLineSpan& line);
  int SpacingExtra(const TLineSpan& line) const;
  void SetLineSpaces(const TLineSpan& line, int extra);
  void Justify(const TLineSpan& line, int64_t free);
  void OrderLine(TLineSpan line, bool rightToLeft);
  /// Cuts the pieces that cannot be drawn whole where their level changes
  /// (the line grows by the parts).
  void SplitAtLevels(TLineSpan& line, bool rightToLeft);
  /// Cuts a text piece of n units from unit u0 of its text at the units
  /// of cuts_ after its start; false (and nothing done) when the canvas
  /// cannot measure it.
  bool SplitPiece(int index, const TLTLayoutText& t, int u0, int n);

  // Text.
  void PlaceText(int itemNo);
  void PlaceTextRun(int itemNo, int from, int n, bool itemStart);
  void PlaceEmptyText(const TRun& run);
  void OpenRunLine(TRun& run);
  int FittingCount(const TRun& run);
  TCut NextCut(const TRun& run);
  void EmitTextPiece(const TRun& run, int unit, int length, int width);

  // Other items.
  void PlaceBox(int itemNo);
  void PlaceFullLine(int itemNo);
  /// The width a non-text item of the paragraph may take.
  int AvailableWidth(int paraNo) const;

  TCustomLTFormattedData& d_;
  TLTCanvas& canvas_;
  TLTStyle& style_;
  TLTResolutionScale scale_;
  TLTFontInfoCache& cache_;
  uint16_t flags_ = 0;
  int maxLength_ = 0;
  bool wordWrap_ = true;
  TLTBiDiMode docBiDi_ = ltbdUnspecified;
  /// The current paragraph's reading order: its own, else the document's.
  TLTBiDiMode paraBiDi_ = ltbdUnspecified;
  bool showSoftHyphens_ = false;
  int leftMargin_ = 0;

  // The text style whose font is selected, while the canvas's text state
  // is the one it left.
  int curStyle_ = -1;
  TLTBiDiMode curBiDi_ = ltbdUnspecified;
  uint64_t curStamp_ = 0;
  int ascent_ = 0, descent_ = 0, shift_ = 0, dashWidth_ = 0, emptyHeight_ = 0, aveWidth_ = 0;

  // The paragraph.
  int paraFirstItem_ = 0;
  int paraNo_ = 0;
  const TLTListLevel* listLevel_ = nullptr;
  int gap_ = 0;

  // The line.
  bool lineOpen_ = false;
  bool lineHasPiece_ = false;
  int lineStart_ = 0;
  int lineLeft_ = 0, lineWidth_ = 0;
  int x_ = 0;
  int charsOnLine_ = 0;
  bool afterMarker_ = false;
  bool swallowed_ = false;
  bool forceNewLine_ = false;
  /// The line holds text that reads right to left.
  bool lineRtl_ = false;
  int pendingTab_ = -1;
  TLTTabAlign pendingTabAlign_ = lttaLeft;
  int pendingTabPos_ = 0;
  TLTLineSpacingType spacingType_ = ltlsPercent;
  int exactAbove_ = 0, exactBelow_ = 0;
  int actAbove_ = 0, actBelow_ = 0;
  int baseline_ = 0;
  int lineTop_ = 0;
  int next_ = 0;

  int textItem_ = -1;
  TLTLayoutText text_;
  // Lines are finished while a run is being placed: their pieces' texts go
  // to a second slot so that the run's own text stays loaded.
  int sideItem_ = -1;
  TLTLayoutText side_;
  // The last prefix measurement: text item, style, first unit, widths.
  std::vector<int> ext_;
  int extItem_ = -1, extStyle_ = -1, extFrom_ = -1;

  // Reordering a line: its text, where each piece starts in it, the
  // levels of its characters, whether a piece has one level (it was cut at
  // its changes), their visual order (and each unit's place in it), the
  // pieces by where they show (place, piece); a piece's cuts and widths.
  std::u16string lineText_;
  std::vector<int> pieceStart_;
  std::vector<uint8_t> levels_;
  std::vector<uint8_t> oneLevel_;
  std::vector<int> cuts_, partExt_;
  std::vector<int> order_, visualOfUnit_;
  std::vector<std::pair<int, int>> anchors_;

  std::vector<TLTJumpInfo> jumps_;
  int jumpNo_ = 0;
  bool itemIsJump_ = false;
};

}  // namespace lectern
