#pragma once
// The state of one formatting pass (internal to layout).

#include "layout/CLTFData.h"

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
  /// Empty when units and characters coincide; else unit -> character, one
  /// entry more than units.
  std::vector<int> charOfUnit;

  void Load(const TCustomLTData& data, int itemNo, const TLTStyle& style, bool showSoftHyphens);
  int CharOfUnit(int u) const { return charOfUnit.empty() ? u : charOfUnit[static_cast<size_t>(u)]; }
  int UnitOfChar(int c) const;
};

class TLTFormatter {
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
  int SpaceAfterOf(int itemNo) const;
  int SpaceBeforeOf(int itemNo) const;

  /// The text of an item in layout's form (the last one asked for is kept).
  TLTLayoutText& TextOf(int itemNo);
  /// The same for finishing lines, without replacing the text TextOf keeps.
  const TLTLayoutText& SideTextOf(int itemNo);
  /// Width of units [from, from + len) of the display text, zero-width
  /// characters taken as 0; the text style's font must be selected.
  int Measure(const TLTLayoutText& t, int from, int len);
  void SelectStyle(int styleNo);
  /// Cumulative widths of units [from, from + len), zero-width characters
  /// taken as 0.
  void Extents(const TLTLayoutText& t, int from, int len, std::vector<int>& out);

 private:
  struct TRectSize {
    int Width = 0, Height = 0, Descent = 0, Margin = 0;
  };

  const TParaInfo& Para(int paraNo) const;
  int Fit(const TLTLayoutText& t, int from, int n, int room, bool noWrap);
  void LoadExtents(const TLTLayoutText& t, int from, int len);
  int PrefixWidth(const TLTLayoutText& t, int from, int len);
  void BeginParagraph(int itemNo);
  void BeginParagraphLine(int itemNo);
  void BeginLine(int itemNo, bool paraStart, bool fullLine);
  void NewLineForItem(int itemNo, bool wrap);
  void EndLine(bool lastOfParagraph, bool wrap);
  void FinishLine(bool lastOfParagraph);
  void TrimLineEnd();
  void ResolvePendingTab();
  int EffAbove(int actual) const;
  int EffBelow(int actual) const;
  int ExactSplitAbove(int v) const;
  void Emit(std::unique_ptr<TLTDrawLineInfo> piece, int needAbove, int needBelow);
  bool PieceStartsWithSpace(const TLTDrawLineInfo& p);
  int LineAlignedItem(int itemNo) const;
  bool NextContinuesParagraph(int itemNo) const;
  void AddJump(int drawIndex, int left, int width, int height, TCursor cursor);

  void PlaceText(int itemNo);
  void PlaceTextRun(int itemNo, int from, int n, bool itemStart);
  void PlaceRect(int itemNo);
  void PlaceFullLine(int itemNo);
  TRectSize MeasureRect(int itemNo);
  void SelectMarkerFont(const TLTListLevel& level);
  TLTSizeI FullLineSize(TCustomLTItemInfo& item, int available, int& offset);

  TCustomLTFormattedData& d_;
  TLTCanvas& canvas_;
  TLTStyle& style_;
  TLTResolutionScale scale_;
  TLTFontInfoCache& cache_;
  uint16_t flags_ = 0;
  int maxLength_ = 0;
  bool wordWrap_ = true;
  TLTBiDiMode docBiDi_ = ltbdUnspecified;
  bool showSoftHyphens_ = false;
  int leftMargin_ = 0;

  // The text style whose font is selected.
  int curStyle_ = -1;
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

  std::vector<TLTJumpInfo> jumps_;
  int jumpNo_ = 0;
  bool itemIsJump_ = false;
};

}  // namespace lectern
