#pragma once
// The viewer control: one document shown in a scrolling window, with mouse
// selection by characters, words, lines and paragraphs, automatic scrolling
// while selecting, hyperlinks (events, cursors, hover looks), item hints,
// checkpoint events, the copy command and keyboard navigation between the
// document's hyperlinks and controls.
//
// The control is plain C++ over a platform window (ILTWindow). The window
// owns nothing of the control; the control owns its document container.
// Mouse positions arrive in client pixels; the container turns them into
// document positions by adding the scroll offsets and the vertical
// placement of a document shorter than the window (VAlign).

#include "interchange/LTFormats.h"
#include "layout/CLTFData.h"
#include "model/LTHTMLWriter.h"
#include "view/LTKeyMap.h"
#include "view/LTPaint.h"
#include "view/LTScroller.h"
#include "view/LTWordCheck.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lectern {

class TCustomLectern;

enum TLTAnimationMode : uint8_t { ltaniDisabled, ltaniManualStart, ltaniOnFormat };
enum TCPEventKind : uint8_t { cpeNone, cpeAsSectionStart, cpeWhenVisible };
enum TLTTabNavigationType : uint8_t { lttnNone, lttnTab, lttnCtrlTab };
enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };
enum TLTPaletteAction : uint8_t { ltpaDoNothing, ltpaAssignPalette, ltpaCreateCopies, ltpaCreateCopiesEx };
enum TBorderStyle : uint8_t { bsNone, bsSingle };
/// When word checking starts: with the first completed edit, or only when
/// StartWordChecking is called.
enum TLTLiveSpellingMode : uint8_t { ltlspManualStart, ltlspOnChange };

/// The characters that end a word for word selection and word navigation.
inline constexpr std::u16string_view LTDefaultDelimiters =
    u" .;,:(){}\"/\\<>!?[]\u2018\u2019\u201C\u201D-+*=\u00A0\u201E";

/// Timer numbers of the control's window.
constexpr int LTAutoScrollTimer = 1;
constexpr int LTAnimationTimer = 2;
/// Milliseconds between automatic scrolling steps while selecting.
constexpr int LTAutoScrollInterval = 100;

/// The document container of a viewer control: the control's settings
/// answer its layout questions, and its view offsets come from the
/// control's scroll position.
class TLecternLTData : public TCustomLTFormattedData {
 public:
  explicit TLecternLTData(TCustomLectern& owner) : owner_(owner) {}

  TCustomLectern& Owner() const { return owner_; }

  int GetLeftMargin() const override;
  int GetRightMargin() const override;
  int GetTopMargin() const override;
  int GetBottomMargin() const override;
  int GetMinTextWidth() const override;
  int GetMaxTextWidth() const override;
  int GetClientWidth() const override;
  int GetClientHeight() const override;
  uint16_t GetControlFlags() const override;
  int GetMaxLength() const override;
  bool GetWordWrap() const override;
  TLTBiDiMode GetBiDiMode() const override;
  TLTCanvas* GetFormatCanvas() const override;
  bool DocumentSizeChanged(int width, int height) override;
  int GetViewTop() const override;
  void ScrollToY(int y) override;
  int GetViewLeft() const override;

 private:
  TCustomLectern& owner_;  // not owned: the control owns this container
};

/// The viewer control. Lives in a platform window that must outlive it.
class TCustomLectern : public TLTScroller {
 public:
  explicit TCustomLectern(ILTWindow& window);
  ~TCustomLectern() override;

  // ---- The document -------------------------------------------------------------
  TLecternLTData& LTData() { return *data_; }
  const TLecternLTData& LTData() const { return *data_; }
  /// Settings and events the document's containers share.
  TLTDocumentContext& Context() { return context_; }

  /// Lays out the whole document; repaints with ltoFormatInvalidate.
  void Format();
  /// Writes the document as an HTML page, with a style sheet (css) or in
  /// plain markup, its pictures beside it named imagePrefix and a number.
  /// The page replaces path only when it was written whole. False, with
  /// the reason in error.
  bool SaveHTML(const std::string& path, const TLTString& title, const std::string& imagePrefix,
                TLTHTMLOptions options, bool css, std::string* error = nullptr);
  /// The same, keeping what the view shows at its top.
  void Reformat();
  /// Lays out items appended since the last formatting.
  void FormatAppended();
  /// Lays the document out with these parameters, keeping the selection,
  /// without repainting (a cell editor laid out by its table's layout).
  void FormatAs(const TLTFormatParams& params);
  /// Stops selecting and frees the document.
  void Clear();

  // ---- Settings --------------------------------------------------------------------
  TLTStyle* Style() const { return context_.Style; }
  /// The style sheet (not owned); null shows a message instead of the document.
  void SetStyle(TLTStyle* style);
  TLTOptions Options() const { return context_.Options; }
  void SetOptions(TLTOptions options) { context_.Options = options; }
  bool AllowSelection() const { return Options().Contains(ltoAllowSelection); }
  void SetAllowSelection(bool on) { context_.Options.Set(ltoAllowSelection, on); }
  bool SingleClick() const { return Options().Contains(ltoSingleClick); }
  void SetSingleClick(bool on) { context_.Options.Set(ltoSingleClick, on); }
  TLTFOptions LTFOptions() const { return context_.LTFOptions; }
  void SetLTFOptions(TLTFOptions options) { context_.LTFOptions = options; }
  TLTDocParameters& DocParameters() { return context_.DocParameters; }

  TLTBiDiMode BiDiMode() const { return biDiMode_; }
  /// Right-to-left also puts the vertical scroll bar on the left.
  void SetBiDiMode(TLTBiDiMode mode);
  TTextLayout VAlign() const { return vAlign_; }
  void SetVAlign(TTextLayout align);
  /// Added to every hyperlink number the events report.
  int FirstJumpNo() const { return data_->FirstJumpNo; }
  void SetFirstJumpNo(int n) { data_->FirstJumpNo = n; }

  TColor Color() const { return background_.Color; }
  void SetColor(TColor color);
  /// Fills bitmap with width x height pixels of what lies behind item
  /// itemNo: its paragraph's background colour, or the control's where
  /// the paragraph has none (for pictures that are transparent or
  /// animated). False, leaving the bitmap alone, for an item the document
  /// lacks or a size below 1.
  bool GetItemBackground(int itemNo, int width, int height, TBitmap& bitmap) const;
  const TGraphic* BackgroundBitmap() const { return background_.Image.get(); }
  /// Copies the picture; null removes it.
  void SetBackgroundBitmap(const TGraphic* picture);
  TBackgroundStyle BackgroundStyle() const { return background_.Style; }
  void SetBackgroundStyle(TBackgroundStyle style);
  const TLTBackground& Background() const { return background_; }

  int LeftMargin = 5;
  int RightMargin = 5;
  int TopMargin = 5;
  int BottomMargin = 5;
  int MinTextWidth = 0;
  int MaxTextWidth = 0;
  int MaxLength = 0;
  bool WordWrap = true;
  uint16_t ControlFlags = LTDefaultControlFlags;
  TLTString Delimiters{LTDefaultDelimiters};
  TCPEventKind CPEventKind = cpeNone;
  TLTTabNavigationType TabNavigation = lttnTab;
  TLTAnimationMode AnimationMode = ltaniManualStart;
  /// Kept as a setting: there are no palette-based displays to serve.
  TLTPaletteAction DoInPaletteMode = ltpaCreateCopies;
  TBorderStyle BorderStyle = bsSingle;
  /// The control's own cursor, shown where nothing asks for another.
  TLTCursorId Cursor = crDefault;
  /// The control's hint, shown when an item has none.
  TLTString Hint;
  /// Named in the message painted when no style sheet is assigned.
  std::string Name = "Lectern";
  /// The keys the control reacts to; bind, rebind or unbind at will.
  TLTKeyMap KeyMap = TLTKeyMap::ViewerDefaults();

  // ---- Selection ------------------------------------------------------------------
  /// Whether the container the selection lives in has one.
  bool HasSelection() const;
  /// The container the mouse selects in: the document, or the document of
  /// a table cell (at any depth) after a press inside one. The bounds and
  /// character positions below are always the document's.
  TCustomLTFormattedData& SelectionContainer() const { return Sel(); }
  /// The selection's anchor and end in the selection container's drawing
  /// positions (DrawItem -1: none).
  TLTDrawPos SelectionAnchor() const { return Anchor(); }
  TLTDrawPos SelectionEnd() const { return End(); }
  /// The hyperlink number under the mouse (-1 for none) and whether its
  /// hover look is shown.
  int HoverJumpId() const { return hoverJump_; }
  bool IsHoverShown() const { return hoverShown_; }
  /// A point of the document (its own coordinates) in the client area, and
  /// back.
  TLTPointI DocumentToClient(TLTPointI p) const { return {p.X - ViewLeft(), p.Y - ViewTop()}; }
  TLTPointI ClientToDocument(TLTPointI p) const { return {p.X + ViewLeft(), p.Y + ViewTop()}; }
  /// What painting the document needs of the view: the selection, the
  /// hover, the focus and where the document lies in the client area.
  virtual TLTPaintContext PaintContext() const;
  void Deselect();
  void SelectAll();
  /// The picture when the selection (in the selection container) is exactly
  /// one picture item, else null.
  TGraphic* SelectedPicture() const;
  /// The selection in item coordinates; item numbers -1 without one. With
  /// normalize the first pair is the earlier in the document.
  void GetSelectionBounds(int& startItemNo, int& startItemOffs, int& endItemNo, int& endItemOffs, bool normalize) const;
  /// The selection in item coordinates of the selection container (a table
  /// cell's document when it lies in one); items -1 without a selection.
  TLTItemRange SelectionRange(bool normalize) const;
  /// Replaces the selection (anchor, then end). Numbers and offsets out of
  /// range are clamped; a negative item number deselects.
  void SetSelectionBounds(int startItemNo, int startItemOffs, int endItemNo, int endItemOffs);
  /// The same in a container of the document (a table cell's).
  void SetSelectionIn(TCustomLTFormattedData& container, int startItemNo, int startItemOffs, int endItemNo,
                      int endItemOffs);
  /// The selected text, lines ending in LF; empty without a selection.
  TLTString SelectedText() const;
  /// The selection as a start and a length in the document's plain text.
  void GetSelectionCharPositions(int& start, int& length) const;
  /// Selects length characters (negative: backwards) from start; clamped
  /// to the text.
  void SetSelectionCharPositions(int start, int length);
  /// The plain text between two character positions (clamped).
  TLTString TextBetween(int start, int end) const;
  /// Start and end character positions of the selection.
  void GetSelection(int& start, int& end) const;
  /// start -1 deselects, start 0 with end -1 selects all, otherwise selects
  /// start..end; then repaints.
  void SetSelection(int start, int end);
  /// Copies the text between two positions into buffer (at most size - 1
  /// units and a terminating zero); returns the number of units copied.
  int GetTextRange(int start, int end, char16_t* buffer, int size) const;

  // ---- Commands -----------------------------------------------------------------
  /// The copy command; false when nothing was copied.
  bool CopyDefault();
  /// While OnCopy runs: the clipboard content being built, to which the
  /// handler may add flavours; null otherwise.
  TLTClipboardData* CopyingClipboard() const { return copying_; }
  /// The container and item of hyperlink id (as OnJump reports it); false,
  /// null and -1 when there is none.
  virtual bool GetJumpLocation(int id, TCustomLTData*& data, int& itemNo) const;
  /// The word at a client point, its item and style (style: the text
  /// style, or the kind of a non-text item). False when no item is there.
  bool GetWordAt(int x, int y, TLTString& word, int& itemNo, int& style) const;
  /// The hyperlink or control that has the keyboard focus inside the
  /// document: a hyperlink number (without FirstJumpNo) or -1, and a
  /// control item or -1.
  int FocusedJump() const { return focusJump_; }
  int FocusedControlItem() const { return focusItem_; }

  // ---- Word checking (CLecternSpell.cpp) ------------------------------------------------
  TLTLiveSpellingMode LiveSpellingMode = ltlspOnChange;
  /// Raised on the worker thread for every word; set misspelled (false at
  /// first) for a word to be marked. The handler must not touch the user
  /// interface or the document. Read when checking starts or resumes.
  std::function<void(TCustomLectern&, const TLTString& word, int32_t styleNo, bool& misspelled)> OnSpellingCheck;
  /// Clears every mark and checks the whole document in the background.
  /// Does nothing without OnSpellingCheck, a style sheet, a registered
  /// checker or the control-document flag.
  void StartWordChecking();
  /// Ends the worker, clears every mark and repaints.
  void StopWordChecking();
  bool IsWordChecking() const { return wordThread_ != nullptr; }
  /// The worker, null when none runs.
  ILTWordEnumThread* WordThread() const { return wordThread_.get(); }
  /// After an edit: the worker waits for a pause in typing, then goes on.
  void PauseAndDelay();
  /// The caret left a word typing changed: it is checked again.
  void WordModifiedAt(TCustomLTData& data, int itemNo);
  /// Before a change other than typing at an item: its words are checked
  /// again after it.
  void ReportModifiedWord(TCustomLTData& data, int itemNo);
  /// Text changed at an offset of an item; with dropMarks the marks from
  /// there on go.
  void TextChangedAt(TCustomLTData& data, int itemNo, int offset, bool dropMarks);
  /// A sub-document of the document is being freed.
  void CellGone(const TCustomLTData& data);
  /// Hands the worker's marks over on this thread until it has walked the
  /// whole document or timeoutMs passed; true when it has (or none runs).
  /// For tools and tests, which have no event loop to do it.
  bool WaitForWordChecking(int timeoutMs);
  /// Keeps the worker stopped until ResumeWordChecking, whatever the
  /// operations in between ask: an editor holds it for every input event
  /// and operation; whoever changes a viewer's document from outside (adds
  /// items) holds it around the change.
  void PauseWordChecking();
  void ResumeWordChecking();
  /// Repaints a word of an item of the document or of a sub-document.
  void InvalidateWord(TCustomLTData& data, int itemNo, int offset, int length);
  /// The marked word at a client point of the document (not of its
  /// sub-documents): its item, start offset and length. False when no
  /// misspelled word is there.
  bool MisspellingAt(int x, int y, int& itemNo, int& start, int& length);

  // ---- Events ---------------------------------------------------------------------
  std::function<void(TCustomLectern&, int id)> OnJump;
  std::function<void(TCustomLectern&, int id)> OnLTMouseMove;
  std::function<void(TCustomLectern&, TLTMouseButton, TLTShiftState, int itemNo, int x, int y)> OnLTMouseDown;
  std::function<void(TCustomLectern&, TLTMouseButton, TLTShiftState, int itemNo, int x, int y)> OnLTMouseUp;
  /// The word clicked, its style and the point in screen coordinates.
  std::function<void(TCustomLectern&, const TLTString& word, int style, int x, int y)> OnLTRightClick;
  std::function<void(TCustomLectern&, const TLTString& word, int style)> OnLTDblClick;
  std::function<void(TCustomLectern&)> OnSelect;
  std::function<void(TCustomLectern&, TCustomLTData&, int itemNo, TLTString& hint)> OnItemHint;
  /// A checkpoint came into view (or, as a section start, null before the
  /// first section).
  std::function<void(TCustomLectern&, TLTCPInfo*)> OnCheckpointVisible;
  std::function<void(TCustomLectern&)> OnCopy;
  /// Before (prepaint) and after the document is painted.
  std::function<void(TCustomLectern&, TLTCanvas&, bool prepaint)> OnPaint;
  /// The control's own double click, before the document's handling.
  std::function<void(TCustomLectern&)> OnDblClick;
  /// The context request at a client point; set handled to keep the
  /// platform from doing anything more.
  std::function<void(TCustomLectern&, int x, int y, bool& handled)> OnContextPopup;

  // ---- ILTWindowClient -------------------------------------------------------------
  void Paint(TLTCanvas& canvas, const TLTRectI& r) override;
  void Resized() override;
  void MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void MouseMove(TLTShiftState shift, int x, int y) override;
  void MouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void DoubleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  /// Selects the paragraph under the pointer.
  void TripleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void MouseLeave() override;
  bool KeyDown(int key, TLTShiftState shift) override;
  bool WantsKey(int key, TLTShiftState shift) override;
  bool ClaimsKey(int key, TLTShiftState shift) override;
  void FocusChanged(bool focused, TLTFocusReason reason) override;
  void CaptureLost() override;
  void Timer(int id) override;
  /// Made on first request by the factory a layer above registers
  /// (CLecternAccessible.cpp); null without one.
  ILTAccessibleDocument* AccessibleDocument() override;

 protected:
  friend class TLecternLTData;
  /// Makes the control's document container (an editor's is editable).
  using TDataFactory = std::unique_ptr<TLecternLTData> (*)(TCustomLectern& owner);
  TCustomLectern(ILTWindow& window, TDataFactory makeData);
  /// The client width the document was last laid out for in full.
  int LastFormatWidth() const { return lastFormatWidth_; }

  /// Carries out a command of the key map; false when it did nothing (the
  /// key then goes on to the platform). Controls built on the viewer add
  /// their own commands here.
  virtual bool ExecuteCommand(TLTCommand command);
  /// The cut and paste commands; the viewer does nothing with them.
  virtual bool CutCommand() { return false; }
  virtual bool PasteCommand() { return false; }
  /// Starts animated pictures; they have no frames to step yet.
  virtual void StartAnimation() {}
  /// What a drag of the selection allows (the viewer only gives copies),
  /// and what happens when it was dropped.
  virtual TLTDropEffects DragEffects() const { return {ltdeCopy}; }
  virtual void DragFinished(TLTDropEffects /*effect*/) {}
  bool IsBackgroundFixed() const override { return background_.FixedToWindow(); }
  void Scrolled(bool vertical) override;
  /// The container reports a new document size; true when the client width
  /// changed.
  bool DocumentSizeChanged(int width, int height);
  /// How far a document shorter than the window is moved down (VAlign).
  int VAlignOffset() const;
  int ViewTop() const;
  int ViewLeft() const { return HScrollPosition(); }

  // ---- The selection, for controls built on the viewer ---------------------------------
  using TPos = TLTDrawPos;

  TPos Anchor() const {
    Sel();  // forgets a selection whose cell has gone
    return selAnchor_;
  }
  TPos End() const {
    Sel();
    return selEnd_;
  }
  /// The selection container; the document again when the cell it was has
  /// gone.
  TCustomLTFormattedData& Sel() const;
  /// Moves the selection into another container; the old one loses its own.
  void SetSelContainer(TCustomLTFormattedData& c);
  /// A client point in a container's coordinates.
  TLTPointI ToContainer(const TCustomLTFormattedData& c, int x, int y) const;
  /// The innermost container under a client point, the drawing item exactly
  /// under it there (-1 for none) and the point in its coordinates.
  struct THit {
    TCustomLTFormattedData* Data = nullptr;
    int DrawItem = -1;
    TLTPointI At;
  };
  THit HitAt(int x, int y) const;
  /// The item under a hit and the point relative to its piece; null when none.
  TCustomLTItemInfo* HitItem(const THit& h, TLTPointI& rel) const;
  void BoundsIn(const TCustomLTFormattedData& c, int& si, int& so, int& ei, int& eo, bool normalize) const;
  /// Every flavour of the selection that the copy options ask for (none
  /// given, as for a drag: every flavour there is); false without a
  /// selection.
  bool SelectionFlavours(TLTClipboardData& clip, std::optional<TLTOptions> copyOptions) const;
  /// One flavour of the selection as the clipboard holds it; nothing
  /// without a selection or when the format cannot write it.
  std::optional<std::string> SelectionFlavour(const TLTDocumentFormat& format) const;
  void StartDragging();
  /// Whether a drag of this control's selection is under way (a drop on
  /// the control itself is then a move inside it).
  bool IsDraggingSelf() const { return draggingSelf_; }
  /// Drops the selection's drawing positions without painting: the editor
  /// calls it before a change takes the drawing items away.
  void ForgetSelection() {
    sel_ = nullptr;
    selAnchor_ = selEnd_ = {};
  }
  /// Sets anchor and end; true when that changed them. Repaints on change.
  bool SetSel(TPos anchor, TPos end);
  TPos PieceStart(int d) const;
  TPos PieceEnd(int d) const;
  TPos HitPos(int x, int y) const;
  /// The drawing item exactly under a client point, or -1.
  int DrawItemAt(int x, int y) const;
  bool IsInSelection(int x, int y) const;
  bool IsDelimiter(char16_t c) const { return Delimiters.find(c) != TLTString::npos; }
  /// p moved to the end (forward) or start of the word it touches.
  TPos WordEdge(TPos p, bool forward) const;
  bool WordBounds(TPos p, TPos& start, TPos& end) const;
  void ParagraphBounds(int d, TPos& start, TPos& end) const;
  void LineBounds(int d, TPos& start, TPos& end) const;
  /// The anchor or the end of the selection moved (or it went); repaints.
  virtual void SelectionChanged();
  /// The selection is about to be replaced from outside (an editor ends
  /// the editing of a table cell first).
  virtual void BeforeSelectionReplaced() {}
  /// The document was laid out again (the selection is back in place), or
  /// cleared.
  virtual void Formatted() {}
  virtual void Cleared() {}
  /// Whether hyperlinks react to the mouse (an editor lets them only while
  /// Ctrl is held).
  virtual bool LinksActive() const { return true; }

  /// Positions in the document's plain text (paragraphs end in CR LF).
  struct TTextMap {
    TLTString Text;
    std::vector<int> Start;  // of each item's text
    std::vector<int> Length;
  };
  TTextMap BuildTextMap() const;
  int CharPosOf(const TTextMap& map, int itemNo, int offs) const;
  void ItemPosOf(const TTextMap& map, int pos, int& itemNo, int& offs) const;

 private:
  enum class TMouseSel : uint8_t { None, Chars, Words, Paragraphs, Lines };

  /// Moves the end of a mouse selection to a client point.
  void ExtendMouseSelection(int x, int y, bool shiftAtPress);
  void EndMouseSelection();

  // Hyperlinks and hover.
  /// Index in the container's Jumps of the rectangle under a client point, or -1.
  int JumpIndexAt(int x, int y) const;
  bool IsJumpHoverSensitive(const TLTJumpInfo& j) const;
  void InvalidateJump(int id);
  void SetHover(int jumpIndex);
  void ClearHover(bool raiseEvent);
  void UpdateItemHint(int x, int y);
  void UpdateCursor(int x, int y);

  // Automatic scrolling.
  void StartAutoScroll();
  void StopAutoScroll();

  // Keyboard navigation.
  struct TTarget {
    int DrawItem = -1;
    int JumpId = -1;
    int ItemNo = -1;
  };
  std::vector<TTarget> NavigationTargets() const;
  /// Whether the command moves the keyboard focus between hyperlinks in
  /// the control's kind of tab navigation.
  bool IsLinkNavigation(TLTCommand command) const;
  bool MoveKeyboardFocus(bool forward);
  void SetKeyboardFocus(int jumpId, int itemNo);
  void InvalidateFocusOverlay();
  /// Client rectangles of the focused hyperlink or control.
  std::vector<TLTRectI> FocusRects() const;
  void PaintOverlays(TLTCanvas& canvas);


  void CheckCheckpoints();
  void SaveSelection(int& si, int& so, int& ei, int& eo) const;
  void RestoreSelection(int si, int so, int ei, int eo);
  void AfterFormat();
  /// Moves the window controls of the document to their pieces.
  void PlaceControls();

  TLTDocumentContext context_;
  std::unique_ptr<TLecternLTData> data_;
  TLTBackground background_;
  TLTBiDiMode biDiMode_ = ltbdUnspecified;
  TTextLayout vAlign_ = tlTop;
  int lastFormatWidth_ = -1;
  /// Items that hold window controls, found by the last formatting.
  std::vector<int> controlItems_;

  TMouseSel mouseSel_ = TMouseSel::None;
  bool dragCandidate_ = false;
  bool draggingSelf_ = false;
  TLTPointI pressClient_;
  mutable TCustomLTFormattedData* sel_ = nullptr;  // null: the document
  mutable std::weak_ptr<const void> selLife_;
  // The selection in the selection container, in its drawing positions.
  mutable TPos selAnchor_, selEnd_;
  bool secondPress_ = false;
  // What a word, line or paragraph selection grows from.
  bool haveAnchorUnit_ = false;
  TPos anchorUnitStart_, anchorUnitEnd_, pressPos_;

  // The hyperlink under the mouse and whether its hover look is shown.
  int hoverJump_ = -1;
  bool hoverShown_ = false;
  int pressedJump_ = -1;
  int hintDrawItem_ = -1;
  const TCustomLTFormattedData* hintData_ = nullptr;  // compared only
  TLTString lastHint_;

  bool autoScrolling_ = false;
  int autoScrollDX_ = 0;
  int autoScrollDY_ = 0;

  int focusJump_ = -1;
  int focusItem_ = -1;

  TLTCPInfo* lastCheckpoint_ = nullptr;  // not owned; compared only
  TLTClipboardData* copying_ = nullptr;  // not owned; during OnCopy
  std::unique_ptr<ILTWordEnumThread> wordThread_;
  bool wordPaused_ = false;
  bool wordResumeDelayed_ = false;
  /// Resumes after a pause in typing, or when the pause ends.
  void ResumeWordCheckingDelayed();
  /// Declared after the document so that it goes first.
  std::unique_ptr<ILTAccessibleDocument> accessible_;

 protected:
  /// Ends the worker without touching the document (destructors call it
  /// before anything of the document goes).
  void TerminateWordChecking() { wordThread_.reset(); }
};

/// Makes what assistive technologies read of a control; the layer that
/// knows every item kind registers it once (RegisterAccessibility there).
using TLTAccessibleDocumentFactory = std::unique_ptr<ILTAccessibleDocument> (*)(TCustomLectern& control);
void SetAccessibleDocumentFactory(TLTAccessibleDocumentFactory factory);

/// The viewer control with its published settings, which the property
/// stream stores and reads like any other persistent object's.
class TLectern : public TCustomLectern, public TLTPersistent {
 public:
  using TCustomLectern::TCustomLectern;
  const TLTClassInfo& ClassInfo() const override;
};

}  // namespace lectern
