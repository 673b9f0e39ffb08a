#pragma once
// Document items: one run of text in one text style, or one non-text object
// (rule, picture, control, bullet, hotspot, tab, ...). Every item carries its
// paragraph information, an optional tag, hint and checkpoint. Per-kind
// behaviour is reached through virtual operations and numbered queries.

#include "platform/LTCanvas.h"
#include "platform/LTControl.h"
#include "platform/LTGraphic.h"
#include "platform/LTTypes.h"
#include "platform/LTWindow.h"
#include "style/LTStyle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lectern {

class TCustomLTData;
class TCustomLTItemInfo;
class TLTFWriter;
class TLTRTFWriter;
class TLTHTMLWriter;
class TLTFLineSource;
struct TLTFReadContext;

// ---- Kinds, flags, queries ---------------------------------------------------

constexpr int32_t ltikRule = -1;
constexpr int32_t ltikImage = -3;
constexpr int32_t ltikImageHotspot = -4;
constexpr int32_t ltikControl = -5;
constexpr int32_t ltikImageBullet = -6;
constexpr int32_t ltikHotImage = -10;
constexpr int32_t ltikMarker = -11;
constexpr int32_t ltikTabulator = -12;
constexpr int32_t ltikTable = -60;
constexpr int32_t ltikTextLabel = -200;
constexpr int32_t ltikNumbering = -202;
constexpr int32_t ltikFootnoteItem = -203;
constexpr int32_t ltikEndnoteItem = -204;
constexpr int32_t ltikNoteBackRef = -205;

/// Item flag values (bits of ItemFlags).
enum TLTItemFlag : uint8_t { ltifJoinPrev = 1, ltifNewPage = 2, ltifNewLine = 4, ltifWide = 8 };
constexpr uint8_t ltifAllStored = 0x0F;

/// Yes/no questions generic code asks an item.
enum TLTItemBoolQuery : uint8_t {
  iqFullLine,
  iqHasContent,
  iqTakesDataLines,
  iqOwnBaseline,
  iqOwnTextEncoding,
  iqTextLike,
  iqTabStop,
  iqResizable,
  iqLive,
  iqClickInside,
  iqResizeHandles,
  iqHtmlBlock,
  iqFollowsTextStyle,
  // Questions of layout, painting and the caret that no stored format knows.
  /// Opens a list paragraph: its list level gives the paragraph's indents,
  /// what follows it on the line never wraps away from it, it shows no
  /// selection and the caret never stands on it.
  iqListMarker,
  /// Moves what follows it to a tab stop: justification stretches only
  /// what comes after the last one on a line.
  iqTabulator,
  /// Stands for its whole paragraph: no paragraph background or border is
  /// drawn around it.
  iqOwnParagraphLook,
  /// Holds a window control that the window the document is shown in
  /// places where the item's piece is (PlaceControl).
  iqWindowControl,
};

/// Questions whose answer depends on the style sheet.
enum TLTItemBoolQueryEx : uint8_t {
  iqxSelectable,
  iqxSliceable,
  iqxHyperlink,
  iqxActive,
  iqxHover,
  iqxJumpCursor,
  iqxLayoutWidth,
};

/// Where a note goes when a document is printed on pages.
enum TLTNotePlacement : uint8_t { ltnpPageFoot, ltnpDocumentEnd };
class TCustomLTData;
/// A note as pages print it: its place, its mark and its document (not owned).
struct TLTPrintedNote {
  TLTNotePlacement Placement = ltnpPageFoot;
  std::u16string Mark;
  const TCustomLTData* Document = nullptr;
};

enum TLTItemAction : uint8_t { ltiaInserting, ltiaInserted, ltiaDestroying, ltiaMovingToUndoList, ltiaTextModifying };
enum TLTControlAction : uint8_t { ltcaDestroy, ltcaBeforeLTFSave, ltcaAfterLTFSave, ltcaAfterLTFLoad };
enum TLTSaveFormat : uint8_t { ltsfText, ltsfHTML, ltsfRTF, ltsfLTF };
/// Places of an HTML page where an application may add markup.
enum TLTHTMLSaveArea : uint8_t { lt_thms_Head, lt_thms_BodyAttribute, lt_thms_Body, lt_thms_End };
/// Where an editor's caret comes from when it passes over an item.
enum TLTCaretEntry : uint8_t { ltceFromBefore, ltceFromAfter, ltceFromAbove, ltceFromBelow };

/// Numbers of the kind-specific integer properties ("vshift" = 1 ...).
enum TLTExtraItemProperty : uint8_t {
  ltepNone,
  ltepVShift,
  ltepVShiftAbs,
  ltepImageWidth,
  ltepImageHeight,
  ltepTransparent,
  ltepTransparentMode,
  ltepTransparentColor,
  ltepMinHeightOnPage,
  ltepSpacing,
  ltepResizable,
  ltepUnremovable,
  ltepNoHTMLImageSize,
  ltepAnimationInterval,
  ltepVisible,
};
/// Numbers of the string properties ("hint" = 1 ...).
enum TLTExtraItemStrProperty : uint8_t { ltespNone, ltespHint, ltespAlt, ltespImageFileName };

/// Key of an extra property line, and the number for a key (ltepNone when unknown).
std::string_view ExtraIntPropertyKey(TLTExtraItemProperty p);
std::string_view ExtraStrPropertyKey(TLTExtraItemStrProperty p);
TLTExtraItemProperty ExtraIntPropertyByKey(std::string_view key);
TLTExtraItemStrProperty ExtraStrPropertyByKey(std::string_view key);

/// How an item class reaches one of its numbered integer properties. Set
/// returns false where the property exists only in some states (bitmap
/// transparency on a picture that holds no bitmap).
struct TLTItemIntProperty {
  TLTExtraItemProperty No;
  bool (*Get)(const TCustomLTItemInfo& item, int32_t& value);
  bool (*Set)(TCustomLTItemInfo& item, int32_t value);
};
/// How an item class reaches one of its numbered string properties.
struct TLTItemStrProperty {
  TLTExtraItemStrProperty No;
  TLTString (*Get)(const TCustomLTItemInfo& item);
  void (*Set)(TCustomLTItemInfo& item, const TLTString& value);
};

// ---- Tags and checkpoints ----------------------------------------------------

/// A tag: nothing, an integer, or an owned UTF-16 string. Documents whose
/// control has ltoTagsArePChars use strings, the others integers. An integer
/// tag of 0 is the empty tag; an absent string differs from an empty one.
class TLTTag {
 public:
  TLTTag() = default;
  static TLTTag FromInt(int64_t v);
  static TLTTag FromString(TLTString s);
  bool IsEmpty() const { return !str_ && int_ == 0; }
  bool IsString() const { return str_ != nullptr; }
  /// The string, or null when the tag holds none.
  const TLTString* String() const { return str_.get(); }
  /// The integer (0 for an empty tag or a string tag).
  int64_t Int() const { return int_; }
  bool operator==(const TLTTag& o) const {
    if (str_ || o.str_) return str_ && o.str_ && (str_ == o.str_ || *str_ == *o.str_);
    return int_ == o.int_;
  }

 private:
  // Tags never change once made, so copies (every item of a tagged run has
  // one) share their text.
  std::shared_ptr<const TLTString> str_;
  int64_t int_ = 0;
};

/// A named anchor attached to one item. The item owns it; the container
/// links the checkpoints of a document in document order.
struct TLTCPInfo {
  TLTString CheckpointName;
  TLTCPInfo* Next = nullptr;  // not owned
  TLTCPInfo* Prev = nullptr;  // not owned
  bool RaiseEvent = false;
  bool Pinned = false;
  TCustomLTItemInfo* ItemInfo = nullptr;  // not owned: the carrying item
  int ItemNo = -1;                        // cached, refreshed by the container
  TLTTag Tag;

  /// A new record with the same name, switches and tag, linked nowhere.
  std::unique_ptr<TLTCPInfo> Copy() const;
};

// ---- Style clean-up --------------------------------------------------------

/// Which styles are in use while unused styles are deleted, then how their
/// numbers shift. Marking ignores numbers outside the collections (including
/// MaxInt), and renumbering leaves such numbers as they are.
class TLTStyleUsage {
 public:
  TLTStyleUsage(int textCount, int paraCount, int listCount, bool text, bool para, bool list);
  void MarkText(int32_t n) { Mark(text_, n); }
  void MarkPara(int32_t n) { Mark(para_, n); }
  void MarkList(int32_t n) { Mark(list_, n); }
  bool TextUsed(int32_t n) const { return Used(text_, n); }
  bool ParaUsed(int32_t n) const { return Used(para_, n); }
  bool ListUsed(int32_t n) const { return Used(list_, n); }
  /// Turns the used marks into shifts; afterwards the New* functions apply.
  void ConvertToShifts();
  int32_t NewText(int32_t n) const { return Shift(text_, n); }
  int32_t NewPara(int32_t n) const { return Shift(para_, n); }
  int32_t NewList(int32_t n) const { return Shift(list_, n); }

 private:
  static void Mark(std::vector<int32_t>& used, int32_t n);
  static bool Used(const std::vector<int32_t>& used, int32_t n);
  static int32_t Shift(const std::vector<int32_t>& used, int32_t n);
  static void ToShifts(std::vector<int32_t>& used);
  std::vector<int32_t> text_, para_, list_;
};

// ---- Sub-documents -----------------------------------------------------------

/// Where GetSubDocument moves.
enum TLTSubDocPosition : uint8_t {
  ltsdFirst = 0,
  ltsdLast = 1,
  ltsdChosen = 2,
  ltsdChosenAlt = 3,
  ltsdNext = 4,
  ltsdPrev = 5,
};

/// Position of an enumeration over an item's sub-documents; owned by the caller.
class TLTSubDocCursor {
 public:
  virtual ~TLTSubDocCursor() = default;
  /// Where the cursor stands, for people ("cell 1,2 span 1x2").
  virtual std::string Describe() const { return {}; }
};

// ---- Items -----------------------------------------------------------------

/// Base of every item.
/// A mark over a word of an item (1-based start, length in characters),
/// painted over the word's rectangle after the document.
class TLTWordPainter {
 public:
  TLTWordPainter(int start, int length) : StartOffs(start), Length(length) {}
  virtual ~TLTWordPainter() = default;
  int StartOffs;
  int Length;
  virtual bool IsMisspelling() const { return false; }
  virtual void Paint(TLTCanvas& /*canvas*/, const TLTRectI& /*word*/, const TLTStyle& /*style*/) const {}
};

/// The mark of a misspelled word: a zigzag under it.
class TLTWordMisspellPainter : public TLTWordPainter {
 public:
  using TLTWordPainter::TLTWordPainter;
  bool IsMisspelling() const override { return true; }
  void Paint(TLTCanvas& canvas, const TLTRectI& word, const TLTStyle& style) const override;
};

using TLTWordPainterList = std::vector<std::unique_ptr<TLTWordPainter>>;

// ---- Layout and painting -----------------------------------------------------

struct TLTPaintContext;
struct TLTJumpInfo;

/// Vertical alignment of an item against its line (VertAlign).
enum TLTVAlign : uint8_t {
  ltvaBaseline,    ///< on the baseline, with its own descent below it
  ltvaMiddle,      ///< its middle on the baseline
  ltvaLineTop,     ///< at the top of the finished line
  ltvaLineBottom,  ///< at the bottom of the finished line
  ltvaLineMiddle,  ///< halfway between them
};

/// The side of an item that has no size of its own, in screen pixels: it
/// still takes a place that can be seen and clicked.
constexpr int LTDefaultItemSide = 20;

/// What formatting gives an item that it measures or lays out with.
struct TLTItemLayoutContext {
  TLTCanvas& Canvas;
  const TLTStyle& Style;
  /// Style lengths (screen pixels) to device pixels.
  const TLTDeviceScale& Scale;
  /// The container the item lies in (not owned; may be null outside a pass).
  const TCustomLTData* Owner = nullptr;
  bool Printing = false;
  /// Lay out again although the width did not change.
  bool Force = false;
  /// Hyperlink numbering of the pass: the next number, advanced by the
  /// hyperlinks the item holds (null: the item's own numbering).
  int* NextJumpNo = nullptr;
};

/// A text style selected on the line an item stands on: what the item
/// measures against (device pixels).
struct TLTLineFont {
  int Ascent = 0;
  int Descent = 0;
  /// How far the style raises its baseline (negative: lowers it).
  int Shift = 0;
};

/// What the line an item is being placed on offers it. Formatting
/// implements it for the length of one placement.
class ILTItemLine {
 public:
  /// Where the item's box would start (document x).
  virtual int PenX() const = 0;
  /// The next tab stop after the pen; a tab still waiting for the text
  /// after it is settled first, since the pen depends on it.
  virtual TLTStyle::TTabStop NextTabStop() = 0;
  /// Selects a text style as the line's text is measured in.
  virtual TLTLineFont SelectTextStyle(int styleNo) = 0;

 protected:
  ~ILTItemLine() = default;
};

/// How an item placed on a line settles its width.
struct TLTLinePlacement {
  /// Right and centre tabs: the line moves what follows up to Stop when it
  /// is finished, and the item grows by what it moved.
  TLTTabAlign Pending = lttaLeft;
  int Stop = 0;
};

/// The room of a full-line item (device pixels): the width lines wrap at,
/// its paragraph's left indent, the width between the indents, and the
/// paragraph's alignment.
struct TLTFullLineArea {
  int TextWidth = 0;
  int Left = 0;
  int Available = 0;
  TLTAlignment Alignment = ltaLeft;
};

/// Where a full-line item lies on its line: Left counts from the left
/// margin.
struct TLTFullLineBox {
  int Left = 0;
  int Width = 0;
  int Height = 0;
};

/// The state an item is painted in; the values are the bits of the
/// drawing state that items and event handlers receive.
enum TLTItemDrawStateEl : uint8_t {
  ltidsSelected = 0,
  /// The item under the editor's caret (fields show it).
  ltidsCurrent = 1,
  ltidsHover = 2,
  ltidsFocused = 6,
  ltidsRightToLeft = 8,
  ltidsSpecialCharacters = 9,
  /// Painting on a canvas other than the one the layout measured on.
  ltidsAlternateCanvas = 10,
  ltidsPrinting = 11,
};
using TLTItemDrawState = TLTSet<TLTItemDrawStateEl, uint16_t>;

/// What an item paints its piece with.
struct TLTItemPaintInfo {
  /// The item's piece and the part of the canvas being painted (canvas
  /// coordinates).
  TLTRectI Box;
  TLTRectI Clip;
  /// The selection band of the piece's line (the lines selection style).
  int BandTop = 0, BandBottom = 0;
  TLTItemDrawState State;
  TLTOutputColorMode ColorMode = ltocAsIs;
  /// The document's reading order.
  TLTBiDiMode BiDiMode = ltbdUnspecified;
  TLTStyle* Style = nullptr;              // not owned; never null
  const TCustomLTData* Owner = nullptr;   // not owned; the item's container
  const TLTDeviceScale* Scale = nullptr;  // not owned; the layout's scale
  /// The painting of the whole document, for items that paint documents
  /// of their own (not owned).
  const TLTPaintContext* Context = nullptr;

  bool IsSelected() const { return State.Contains(ltidsSelected); }
  bool IsPrinting() const { return State.Contains(ltidsPrinting); }
  /// The selection colour of the control's focus state (clNone: none).
  TColor SelectionColor() const;
  /// Fills the line's band in the selection colour when the item is
  /// selected and the sheet selects whole lines.
  void FillSelectionBand(TLTCanvas& canvas) const;
  /// Frames r in the selection colour when the item is selected.
  void FrameSelection(TLTCanvas& canvas, const TLTRectI& r) const;
  /// For items drawn as text (tabs, labels): the line's band, or the box
  /// itself when the sheet selects items, in the selection colour.
  void FillTextSelection(TLTCanvas& canvas) const;
  /// Selects text style styleNo on the canvas with its colours for the
  /// item's state.
  void ApplyTextStyle(TLTCanvas& canvas, int32_t styleNo) const;
};

class TCustomLTItemInfo {
 public:
  TCustomLTItemInfo() = default;
  TCustomLTItemInfo(const TCustomLTItemInfo&) = delete;
  TCustomLTItemInfo& operator=(const TCustomLTItemInfo&) = delete;
  virtual ~TCustomLTItemInfo();

  /// Text for text items (wide or 8-bit bytes); for other items their name.
  TLTRawByteString Text;
  int32_t StyleNo = 0;
  int32_t ParaNo = 0;
  uint8_t ItemFlags = 0;
  /// Transient bits; bit 0: the word checker has walked every word of the
  /// item (an edit of its text clears it).
  uint8_t RuntimeState = 0;
  std::unique_ptr<TLTCPInfo> Checkpoint;
  int32_t LinkIndex = -1;
  TLTTag Tag;
  int32_t FirstDrawItem = -1;
  TLTSharedText HintText;
  /// Word marks, created with the first and freed with the last.
  std::unique_ptr<TLTWordPainterList> MarkList;

  /// Clears bit 0 of RuntimeState and every misspelling mark.
  void ClearWordMarks();
  /// Clears bit 0; from offset > 1 drops the marks that reach offset, else all.
  void ClearWordMarksFrom(int offset);
  void AddMisspelling(int offset, int length);
  bool IsMisspelledAt(int offset) const;
  /// The misspelling with start <= offset <= start + length, the last one
  /// first; false when there is none.
  bool MisspellingAt(int offset, int& start, int& length) const;
  /// Moves the marks after a character typed at offset (text: the item's
  /// text after the change, delimiters: the control's): a mark the
  /// character lands in or touches goes, a later one moves right. True when
  /// a mark went or the character ends a word (the item must be checked
  /// again); false when only the word at the caret changed.
  bool ShiftMarksOnInsert(int offset, std::u16string_view text, char16_t typed, std::u16string_view delimiters);
  /// Moves the marks after count characters were removed at offset: a mark
  /// the removal reaches goes, a later one moves left. True when one went.
  bool ShiftMarksOnDelete(int offset, int count);

  bool HasFlag(TLTItemFlag f) const { return (ItemFlags & f) != 0; }
  void SetFlag(TLTItemFlag f, bool on) { ItemFlags = on ? (ItemFlags | f) : (ItemFlags & ~f); }
  bool IsWide() const { return HasFlag(ltifWide); }
  /// On: continues the previous item's line and paragraph (clears the page
  /// and line breaks). Off: clears the flag.
  void SetJoinPrev(bool on);
  /// On: starts a new line in the paragraph (never for full-line items).
  void SetNewLine(bool on);
  /// On: a page break before the paragraph (it then starts a paragraph).
  void SetNewPage(bool on);
  bool StartsParagraph() const { return !HasFlag(ltifJoinPrev) && !HasFlag(ltifNewLine); }
  bool IsText() const { return StyleNo >= 0; }
  /// Number of character positions: characters for text (bytes / 2 when wide).
  int TextLength() const;

  // ---- Layout (device pixels) ---------------------------------------------------
  /// Measures the item for a formatting pass at the width available to it
  /// (the text width less its paragraph's indents); GetWidth, GetHeight and
  /// GetDescent give the result. Items that lay themselves out (tables) do
  /// so here. Text items are laid out by formatting itself.
  virtual void OnDocWidthChange(TLTItemLayoutContext& /*ctx*/, int /*availableWidth*/) {}
  /// Places the measured item at the pen of a line: items whose width
  /// depends on where they stand (tabs) settle it here.
  virtual TLTLinePlacement PlaceOnLine(TLTItemLayoutContext& /*ctx*/, ILTItemLine& /*line*/) { return {}; }
  virtual int GetWidth() const { return 0; }
  virtual int GetHeight() const { return 0; }
  /// Depth below the baseline when the item stands on it.
  virtual int GetDescent() const { return 0; }
  /// Where the box starts against the pen (negative: left of it); the pen
  /// moves by the width and this together.
  virtual int GetPenOffset() const { return 0; }
  virtual TLTVAlign GetVAlign() const { return ltvaBaseline; }
  /// How far the item is raised above its alignment (device pixels).
  virtual int GetVShift(const TLTDeviceScale& /*scale*/) const { return 0; }
  /// The narrowest width the item can take.
  virtual int GetMinWidth(TLTItemLayoutContext& /*ctx*/) { return 0; }
  /// Full-line items: the box on their own line in the area. The default
  /// measures the item between the indents and places it by the alignment.
  virtual TLTFullLineBox LayOutFullLine(TLTItemLayoutContext& ctx, const TLTFullLineArea& area);
  /// Space above a full-line item beyond its paragraph's SpaceBefore.
  virtual int GetExtraSpaceBefore(const TLTStyle& /*style*/, const TLTDeviceScale& /*scale*/) const { return 0; }
  /// The list level whose indents the paragraph this item opens takes.
  virtual const TLTListLevel* GetListLevel(const TLTStyle& /*style*/) const { return nullptr; }
  /// Moves the window control the item holds to its piece at (left, top),
  /// client pixels of the window the document is shown in.
  virtual void PlaceControl(ILTWindow& /*window*/, int /*left*/, int /*top*/) {}
  /// Adds the hyperlink rectangles of the documents the item holds (their
  /// LTData and DrawItemIndex set; positions are refreshed by the caller).
  virtual void CollectJumps(std::vector<TLTJumpInfo>& /*out*/) const {}

  // ---- Pages ----------------------------------------------------------------------------
  /// Where a page may end inside the item's box of `height` device pixels
  /// when the page holds it from box y `from` and has room down to `limit`
  /// (from < limit): the cut (from < cut <= limit), height when the rest
  /// fits, or from when nothing more fits and the rest moves on. A cut
  /// below which the item wants a new page (a row that starts one) comes
  /// back even when the rest would fit. The default moves the item whole.
  virtual int PageCut(int from, int limit, int height) const { return limit >= height ? height : from; }
  /// The band at the top of the box repeated on every page the item
  /// continues on (a table's heading rows), 0 for none.
  virtual int PageRepeatHeight() const { return 0; }
  /// A note printed apart from where it stands: true with where it goes,
  /// its mark and its text.
  virtual bool GetPrintedNote(TLTPrintedNote& /*note*/) const { return false; }

  // ---- Painting ---------------------------------------------------------------------
  /// Paints the item's piece in its state: its look, its selection and its
  /// frames. The default draws the item's picture (the sheet's invalid
  /// picture when it has none that can be drawn) inside its spacing.
  virtual void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const;

  // ---- Describing ---------------------------------------------------------------------
  /// The start of the item's line in a document dump: its kind (text items
  /// add their style), and the fields the kind adds after the common ones.
  virtual std::string DumpHead() const;
  virtual void DumpFields(std::string& /*out*/) const {}

  // ---- The mouse over the item (item-relative points) -----------------------------
  /// The document under the point (a table cell's), or null. The control
  /// selects, hovers and clicks inside it as in a document of its own.
  virtual TCustomLTData* GetSubDocumentAt(int /*x*/, int /*y*/) { return nullptr; }
  /// The mouse moved over the item, or a button went down or up on it.
  virtual void MouseMove(TLTShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseDown(TLTMouseButton /*button*/, TLTShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseUp(TLTMouseButton /*button*/, TLTShiftState /*shift*/, int /*x*/, int /*y*/) {}
  /// The cursor the item wants at the point; crDefault leaves it to the
  /// control.
  virtual TLTCursorId CursorAt(int /*x*/, int /*y*/) const { return crDefault; }
  /// A press of an editor's mouse on the item: true when the item took it
  /// (a table opens the cell under it for editing).
  virtual bool EditorMouseDown(TLTMouseButton /*button*/, TLTShiftState /*shift*/, int /*x*/, int /*y*/) {
    return false;
  }
  /// An editor's caret passes over the item: true when the item takes it
  /// inside itself (a table into a cell); x is relative to the item's left.
  virtual bool TakeCaret(TLTCaretEntry /*from*/, int /*x*/) { return false; }

  /// Text style that measures and draws the item, or -1.
  virtual int32_t GetAssociatedTextStyleNo() const { return -1; }
  virtual void SetAssociatedTextStyleNo(int32_t /*no*/) {}
  virtual bool GetBoolValue(TLTItemBoolQuery q) const;
  virtual bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const;
  /// The item's picture, if it shows one.
  virtual TGraphic* GetImage() const { return nullptr; }
  /// Content size in screen pixels (without Spacing); 0 for kinds without one.
  virtual int GetImageWidth(const TLTStyle* style) const;
  virtual int GetImageHeight(const TLTStyle* style) const;
  /// Empty space around the content on each side.
  virtual int GetBorderWidth() const { return 0; }
  virtual int GetBorderHeight() const { return 0; }

  /// Called before the item enters a container and after it is in place.
  virtual void Inserting(TCustomLTData& owner, TLTRawByteString& text, bool safe);
  virtual void Inserted(TCustomLTData& owner, int itemNo);
  /// Called when the item leaves its container, freed or moved elsewhere.
  virtual void Removing(TCustomLTData& /*owner*/) {}
  /// Called when the item, already in owner at itemNo, becomes part of a
  /// document (on insertion, or when the sub-document holding it does):
  /// items that a document keeps track of register themselves here.
  virtual void AttachToDocument(TCustomLTData& /*owner*/, int /*itemNo*/) {}

  /// Copies, class by class, what the source's class also has. Text, tag and
  /// checkpoint are not copied.
  virtual void Assign(const TCustomLTItemInfo& source);

  /// Kind-specific properties by number; false when the kind has none such.
  virtual bool SetExtraIntProperty(TLTExtraItemProperty p, int32_t value);
  virtual bool GetExtraIntProperty(TLTExtraItemProperty p, int32_t& value) const;
  virtual bool SetExtraStrProperty(TLTExtraItemStrProperty p, const TLTString& value);
  virtual bool GetExtraStrProperty(TLTExtraItemStrProperty p, TLTString& value) const;
  /// A key=value pair whose key is not a known property; false in every built-in kind.
  virtual bool SetExtraCustomProperty(std::string_view name, std::string_view value);
  /// Applies one stored "key=value" line; the value is an LTF string when
  /// the key names a string property (utf8: the stream stores UTF-8).
  bool ApplyPropertyLine(std::string_view line, bool utf8);
  /// The "key=value" lines stored for the item, in their fixed order.
  virtual void GetExtraPropertyLines(std::vector<std::string>& lines) const;
  int GetExtraPropertyCount() const;

  /// Plain text of a non-text item (empty for most kinds).
  virtual TLTString AsText(int lineWidth, const TCustomLTData& owner, bool unicode) const;
  /// Plain text the item adds after the whole document it stands in (a
  /// note's number and text); empty for most kinds.
  virtual TLTString AsTextAfterDocument(int /*lineWidth*/) const { return {}; }
  /// Whether the window control belongs to this item.
  virtual bool OwnsControl(const TLTControl* /*control*/) const { return false; }

  /// Marks the styles the item uses, and renumbers them after a clean-up.
  virtual void MarkStylesInUse(TLTStyleUsage& usage) const;
  virtual void UpdateStyles(const TLTStyleUsage& usage);

  /// Walks the documents the item contains; null when there are none (more).
  virtual TCustomLTData* GetSubDocument(std::unique_ptr<TLTSubDocCursor>& cursor, TLTSubDocPosition pos);
  /// Calls visit with the documents the item contains before doc (one of
  /// them), the nearest first, until it returns false. The default walks
  /// from the first; a kind with many (a table's cells) finds doc at once,
  /// so that numbering an item in its last document stays cheap.
  virtual void VisitSubDocumentsBefore(const TCustomLTData& doc, const std::function<bool(TCustomLTData&)>& visit);
  /// The part at (row, col) whose published properties can be changed by
  /// name (a table's cell); null for kinds without such parts.
  virtual TLTPersistent* GetPropertyPart(int /*row*/, int /*col*/) { return nullptr; }

  /// Writes the record of a non-text item; forceJoin writes it as continuing
  /// the previous item's paragraph.
  virtual void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const;
  /// Writes a non-text item as RTF at the writer's place. True when the
  /// output ended the item's paragraph itself (a table, a rule), so that
  /// the next paragraph starts without another paragraph mark. The default
  /// writes nothing and warns that the kind has no RTF form.
  virtual bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const;
  /// Adds the colours the item's RTF refers to (borders, backgrounds) to
  /// the writer's colour table before anything is written.
  virtual void CollectRTFColors(TLTRTFWriter& /*w*/) const {}
  /// Writes a non-text item as HTML at the writer's place. The default
  /// writes nothing and warns that the kind has no HTML form.
  virtual void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const;
  /// Reads the fields after the tag of the item's record header; false when
  /// they are malformed.
  virtual bool ReadLTFHeaderTail(const std::vector<std::string_view>& /*tail*/, TLTFReadContext& /*ctx*/) {
    return true;
  }
  /// Reads the record's data lines; false when they are malformed. The
  /// default reads property lines.
  virtual bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx);
  /// Called once the item, read from a stored document, is in its place
  /// (not for items of a sub-document being read: the item that holds them
  /// passes it on when it is placed itself).
  virtual void AfterLoading(TLTSaveFormat /*format*/) {}

 protected:
  /// The kind-specific end of the record header (after the tag).
  virtual std::string LTFHeaderTail(const TLTFWriter& /*w*/) const { return {}; }
  /// The ParaNo field and flags of the item's header.
  std::string LTFParaField(const TLTFWriter& w, bool forceJoin) const;
  uint8_t LTFFlags(bool forceJoin) const;
  /// The item's name (its Text) as a stored string.
  std::string LTFName(const TLTFWriter& w) const;
  /// Header with the tail, then the `before` lines and the property lines;
  /// extraLines more are announced for the caller to write.
  void SaveLTFRecord(TLTFWriter& w, bool forceJoin, uint8_t dataKind, int extraLines,
                     const std::vector<std::string>& before) const;

  /// The numbered property this class (or a base) holds, or null.
  virtual const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const;
  virtual const TLTItemStrProperty* FindStrProperty(TLTExtraItemStrProperty p) const;
};

/// A run of text in one text style.
class TLTTextItemInfo : public TCustomLTItemInfo {
 public:
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  std::string DumpHead() const override;
  void MarkStylesInUse(TLTStyleUsage& usage) const override;
  void UpdateStyles(const TLTStyleUsage& usage) override;
};

/// Base of every non-text item.
class TLTNonTextItemInfo : public TCustomLTItemInfo {
 public:
  /// Editing may not delete the item.
  bool Unremovable = false;

  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;

  /// The content (GetImageWidth and GetImageHeight) with its spacing on
  /// every side, scaled; a kind without a size of its own takes the
  /// default side.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  int GetWidth() const override { return boxWidth_; }
  int GetHeight() const override { return boxHeight_; }
  int GetDescent() const override { return boxDescent_; }
  /// The measured width: a picture cannot be narrower than itself.
  int GetMinWidth(TLTItemLayoutContext& ctx) override;

 protected:
  const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const override;
  /// Keeps the result of a measurement.
  void SetBox(int width, int height, int descent = 0);

 private:
  int boxWidth_ = 0, boxHeight_ = 0, boxDescent_ = 0;
};

/// An item that takes a whole line of its own (rules, tables).
class TLTFullLineItemInfo : public TLTNonTextItemInfo {
 public:
  bool GetBoolValue(TLTItemBoolQuery q) const override;
  /// Without a layout of its own the item takes the available width and
  /// the default height.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  /// Nothing forces a full-line item wider than the line it gets.
  int GetMinWidth(TLTItemLayoutContext& /*ctx*/) override { return 0; }
  /// A frame where it stands, so that a kind that cannot paint is seen.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
};

enum TLTBreakStyle : uint8_t { ltbsSolid, ltbsFrame, ltbs3D, ltbsDots, ltbsDashes };

/// Horizontal rule across the line.
class TLTBreakItemInfo : public TLTFullLineItemInfo {
 public:
  TLTBreakItemInfo() { StyleNo = ltikRule; }
  /// clNone draws in the colour of text style 0.
  TColor Color = clNone;
  TLTBreakStyle Style = ltbsSolid;
  uint8_t LineWidth = 1;

  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  void Assign(const TCustomLTItemInfo& source) override;
  /// A band across the whole text width, inset by the paragraph's default
  /// spacing above.
  TLTFullLineBox LayOutFullLine(TLTItemLayoutContext& ctx, const TLTFullLineArea& area) override;
  int GetExtraSpaceBefore(const TLTStyle& style, const TLTDeviceScale& scale) const override;
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  std::string DumpHead() const override { return "rule"; }

  bool ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) override;
  /// A paragraph of its own with a bottom border.
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void CollectRTFColors(TLTRTFWriter& w) const override;

 protected:
  std::string LTFHeaderTail(const TLTFWriter& w) const override;
};

/// Base of items that occupy a rectangle in a line.
class TLTRectItemInfo : public TLTNonTextItemInfo {
 public:
  /// >0: printing may slice the item in pieces at least this high.
  int32_t MinHeightOnPage = 0;
  uint8_t VertAlign = 0;
  /// Percent of the item height, or pixels when VShiftAbs.
  int32_t VShift = 0;
  bool VShiftAbs = false;

  int32_t Spacing() const { return spacing_; }
  /// Negative values are stored as 0.
  void SetSpacing(int32_t v) { spacing_ = v < 0 ? 0 : v; }

  int GetBorderWidth() const override { return spacing_; }
  int GetBorderHeight() const override { return spacing_; }
  TLTVAlign GetVAlign() const override { return static_cast<TLTVAlign>(VertAlign); }
  /// VShift: a percentage of the height, or pixels when VShiftAbs.
  int GetVShift(const TLTDeviceScale& scale) const override;
  /// The line's selection band under the picture the default draws.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;

  bool ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) override;

 protected:
  const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const override;
  std::string LTFHeaderTail(const TLTFWriter& w) const override;

 private:
  int32_t spacing_ = 1;
};

/// A tab character as an object; formatting gives it its width and leader.
class TLTTabItemInfo : public TLTRectItemInfo {
 public:
  TLTTabItemInfo() { StyleNo = ltikTabulator; }
  /// Text style whose font measures and draws the tab; MaxInt = the
  /// paragraph style's default text style.
  int32_t TextStyleNo = 0;
  /// Leader text, filled by formatting.
  TLTString Leader;

  int32_t GetAssociatedTextStyleNo() const override { return TextStyleNo; }
  void SetAssociatedTextStyleNo(int32_t no) override { TextStyleNo = no; }
  /// The width runs to the next tab stop; the height is its text style's.
  void OnDocWidthChange(TLTItemLayoutContext& /*ctx*/, int /*availableWidth*/) override {}
  TLTLinePlacement PlaceOnLine(TLTItemLayoutContext& ctx, ILTItemLine& line) override;
  /// The text style's shift: the tab sits on the text's baseline.
  int GetVShift(const TLTDeviceScale& /*scale*/) const override { return styleShift_; }
  /// A tab can shrink to nothing.
  int GetMinWidth(TLTItemLayoutContext& /*ctx*/) override { return 0; }
  /// The leader, whole copies flush with the stop, in the tab's text style.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  std::string DumpHead() const override { return "tab"; }
  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  void Assign(const TCustomLTItemInfo& source) override;
  TLTString AsText(int lineWidth, const TCustomLTData& owner, bool unicode) const override;
  void MarkStylesInUse(TLTStyleUsage& usage) const override;
  void UpdateStyles(const TLTStyleUsage& usage) override;
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;

  bool ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) override;

 protected:
  std::string LTFHeaderTail(const TLTFWriter& w) const override;

 private:
  int styleShift_ = 0;
};

/// An embedded window control.
/// What a stored control kept when the application supplied no control for
/// it: written back unchanged, and the size it gives holds its place.
struct TLTStoredControl {
  std::string ClassName;  // empty when the record had no data
  std::string Body;       // the stored component, signature first
  int32_t Width = 0;
  int32_t Height = 0;
};

class TLTControlItemInfo : public TLTRectItemInfo {
 public:
  TLTControlItemInfo() { StyleNo = ltikControl; }
  ~TLTControlItemInfo() override;
  std::unique_ptr<TLTControl> Control;
  /// Set instead of Control for a control kept as it was stored.
  std::unique_ptr<TLTStoredControl> Stored;
  bool Resizable = false;
  /// 1..100: the control's width follows the document width in percent.
  int32_t PercentWidth = 0;
  bool HasPercentWidth() const { return PercentWidth >= 1 && PercentWidth <= 100; }

  bool Visible() const { return visible_; }
  /// Also shows or hides the control.
  void SetVisible(bool v);

  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  int GetImageWidth(const TLTStyle* style) const override;
  int GetImageHeight(const TLTStyle* style) const override;
  /// With PercentWidth in 1..100 the control takes that part of the
  /// available width, less its spacing on both sides.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  /// A control that follows the document's width can shrink to the
  /// default side.
  int GetMinWidth(TLTItemLayoutContext& ctx) override;
  /// Moves the control inside its spacing and shows it when Visible.
  void PlaceControl(ILTWindow& window, int left, int top) override;
  void Inserting(TCustomLTData& owner, TLTRawByteString& text, bool safe) override;
  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;
  TLTString AsText(int lineWidth, const TCustomLTData& owner, bool unicode) const override;
  bool OwnsControl(const TLTControl* control) const override { return control && control == Control.get(); }
  /// The control is a window of its own, placed by the viewer; without
  /// one a frame keeps its place.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  std::string DumpHead() const override { return "control"; }
  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;

  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 protected:
  const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const override;

 private:
  bool visible_ = true;
};

/// A picture.
class TLTGraphicItemInfo : public TLTRectItemInfo {
 public:
  TLTGraphicItemInfo() { StyleNo = ltikImage; }
  /// Takes the picture.
  TLTGraphicItemInfo(std::unique_ptr<TGraphic> image, uint8_t vertAlign);
  std::unique_ptr<TGraphic> Image;
  std::unique_ptr<TGraphic> ImageCopy;
  bool Resizable = true;
  /// >0: overrides the picture's own size for layout and drawing.
  int32_t ImageWidth = 0;
  int32_t ImageHeight = 0;
  int32_t Interval = 0;
  bool NoHTMLImageSize = false;
  TLTString Alt;
  TLTString ImageFileName;

  TGraphic* GetImage() const override { return Image.get(); }
  std::string DumpHead() const override { return "picture"; }
  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  int GetImageWidth(const TLTStyle* style) const override;
  int GetImageHeight(const TLTStyle* style) const override;
  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;

  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 protected:
  const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const override;
  const TLTItemStrProperty* FindStrProperty(TLTExtraItemStrProperty p) const override;
};

/// A picture that is a hyperlink.
class TLTHotGraphicItemInfo : public TLTGraphicItemInfo {
 public:
  TLTHotGraphicItemInfo() { StyleNo = ltikHotImage; }
  using TLTGraphicItemInfo::TLTGraphicItemInfo;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  std::string DumpHead() const override { return "hotpicture"; }
};

/// An image from an image list.
class TLTBulletItemInfo : public TLTRectItemInfo {
 public:
  TLTBulletItemInfo() { StyleNo = ltikImageBullet; }
  TLTImageList* ImageList = nullptr;  // not owned
  int32_t ImageIndex = 0;
  bool NoHTMLImageSize = false;
  TLTString Alt;

  /// The image shown: ImageIndex (the hotspot's hot image when hot).
  virtual int32_t GetImageIndex(bool /*hot*/) const { return ImageIndex; }
  /// The image of the list (the hot one under the mouse) inside the spacing.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  std::string DumpHead() const override { return "bullet"; }
  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  int GetImageWidth(const TLTStyle* style) const override;
  int GetImageHeight(const TLTStyle* style) const override;
  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;

  bool ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) override;
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 protected:
  const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const override;
  const TLTItemStrProperty* FindStrProperty(TLTExtraItemStrProperty p) const override;
  std::string LTFHeaderTail(const TLTFWriter& w) const override;
};

/// An image-list hyperlink with a second image under the mouse.
class TLTHotspotItemInfo : public TLTBulletItemInfo {
 public:
  TLTHotspotItemInfo() { StyleNo = ltikImageHotspot; }
  int32_t HotImageIndex = 0;

  int32_t GetImageIndex(bool hot) const override { return hot ? HotImageIndex : ImageIndex; }
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;
  std::string DumpHead() const override { return "hotspot"; }
  void Assign(const TCustomLTItemInfo& source) override;

  bool ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) override;

 protected:
  std::string LTFHeaderTail(const TLTFWriter& w) const override;
};

// ---- Factory and registry --------------------------------------------------

/// A registered item class: its name and how to make one.
struct TLTItemClass {
  std::string_view Name;
  std::unique_ptr<TCustomLTItemInfo> (*Create)();
};

/// Registers a kind below -9. Registering a kind again with the same class
/// changes nothing; any other case raises ELecternError.
void RegisterItemKind(int32_t styleNo, const TLTItemClass& itemClass);
/// The class registered for a kind, or null.
const TLTItemClass* FindItemKind(int32_t styleNo);

/// The class of text items; replaceable so that a derived text class is used.
extern std::unique_ptr<TCustomLTItemInfo> (*LTTextItemFactory)();

/// A new item of the kind with StyleNo set: text for StyleNo >= 0, a built-in
/// kind, or a registered kind; null for an unknown negative StyleNo.
std::unique_ptr<TCustomLTItemInfo> ItemFactory(int32_t styleNo);

/// A full copy of an item: kind, fields, text, tag and checkpoint (a new
/// record). Null when the kind cannot be made.
std::unique_ptr<TCustomLTItemInfo> CloneItem(const TCustomLTItemInfo& item);

}  // namespace lectern
