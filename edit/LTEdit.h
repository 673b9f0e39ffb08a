#pragma once
// The editor control: the viewer with a caret. The caret stands at one of
// the caret stops of its line, in the container the selection lives in (the
// document, or a table cell's document after a click in one); the keyboard
// moves it by characters, words, lines, paragraphs and pages, Shift extends
// the selection with it, and the mouse places it. Typing and the other
// changes of the document come with the editing operations.
//
// The caret is drawn by the control (no platform has a caret of its own to
// lend): a bar of one pixel over the piece it stands in, blinking at the
// platform's rate, repainted alone when it blinks.

#include "edit/LTELTData.h"
#include "view/CLectern.h"

#include <functional>
#include <vector>

namespace lectern {

enum TLTEditorOption : uint8_t {
  ltoClearTagOnStyleApp,
  ltoCtrlJumps,
  ltoDoNotWantReturns,
  ltoDoNotWantShiftReturns,
  ltoWantTabs,
  ltoAutoSwitchLang,
  ltoHideReadOnlyCaret,
  ltoNoImageResize,
  ltoNoCaretHighlightJumps,
};
using TLTEditorOptions = TLTSet<TLTEditorOption, uint16_t>;
constexpr TLTEditorOptions LTDefaultEditorOptions{ltoCtrlJumps, ltoWantTabs};

/// Where the caret tried to leave the document.
enum TLTGetOutDirection : uint8_t { ltdLeft, ltdUp, ltdRight, ltdDown, ltdTop, ltdBottom };

/// One caret stop: where on its line the caret can stand.
struct TLTCharPos {
  /// x of the stop, document pixels.
  int StopX = 0;
  int DrawItemIndex = -1;
  /// Text: 1 before the drawing item's first character .. Length + 1 after
  /// its last; other items 0 before and 1 after.
  int DrawItemOffset = -1;
  /// 1 normally; 2 at the right edge of a non-text item in right-to-left
  /// text. The caret is drawn at StopX + StopSide - 1.
  uint8_t StopSide = 1;
};

/// The editor's commands, after the viewer's.
enum TLTEditorCommand : TLTCommand {
  ltecCharLeft = ltkcLastViewerCommand + 1,
  ltecCharRight,
  ltecWordLeft,
  ltecWordRight,
  ltecLineUp,
  ltecLineDown,
  ltecParaUp,
  ltecParaDown,
  ltecLineStart,
  ltecLineEnd,
  ltecDocStart,
  ltecDocEnd,
  ltecPageUp,
  ltecPageDown,
  /// The moves above that extend the selection, in the same order.
  ltecCharLeftExtend,
  ltecCharRightExtend,
  ltecWordLeftExtend,
  ltecWordRightExtend,
  ltecLineUpExtend,
  ltecLineDownExtend,
  ltecParaUpExtend,
  ltecParaDownExtend,
  ltecLineStartExtend,
  ltecLineEndExtend,
  ltecDocStartExtend,
  ltecDocEndExtend,
  ltecPageUpExtend,
  ltecPageDownExtend,
  /// The view moves by a line; the caret stays.
  ltecScrollLineUp,
  ltecScrollLineDown,
  // Changes of the document.
  ltecNewParagraph,
  ltecLineBreak,
  ltecTab,
  ltecBackspace,
  ltecDelete,
  ltecWordBackspace,
  ltecWordDelete,
  ltecUndo,
  ltecRedo,
  ltecLastEditorCommand = ltecRedo,
};

/// The editor control. Lives in a platform window that must outlive it.
class TCustomLecternEdit : public TCustomLectern {
 public:
  explicit TCustomLecternEdit(ILTWindow& window);
  ~TCustomLecternEdit() override;

  TLTEditLTData& EditData() { return static_cast<TLTEditLTData&>(LTData()); }
  /// The editor of a cell being edited inside this one, and so on down; this
  /// editor while no cell is being edited.
  TCustomLecternEdit& InnermostEditor() { return *this; }
  /// The outermost editor, which owns the window.
  TCustomLecternEdit& RootEditor() { return *this; }

  // ---- Settings --------------------------------------------------------------------
  TLTEditorOptions EditorOptions = LTDefaultEditorOptions;
  bool ReadOnly() const { return readOnly_; }
  /// Refreshes the caret (hidden when read-only with ltoHideReadOnlyCaret).
  void SetReadOnly(bool on);
  /// With a value above 0, OnDrawCustomCaret draws the caret, blinking at
  /// this interval (milliseconds).
  int CustomCaretInterval = 0;

  // ---- The caret ---------------------------------------------------------------------
  /// The container the caret stands in: the document, or a table cell's.
  TCustomLTFormattedData& CaretContainer() const { return Sel(); }
  int CaretDrawItem() const { return caretDrawItem_; }
  int CaretStop() const { return caretStop_; }
  const std::vector<TLTCharPos>& CaretStops() const { return caretStops_; }
  /// Height of the caret last shown; 0 when none is.
  int CaretHeight() const { return caretHeight_; }
  /// The caret's rectangle in client coordinates (empty when none).
  TLTRectI CaretRect() const;
  /// The item of the caret in its container, -1 when it has no lines.
  int CurrentItemNo();
  /// The caret's offset in that item: text 1 before the first character ..
  /// length + 1 after the last; other items 0 before, 1 after.
  int CurrentItemOffset();
  /// Puts the caret at an offset of an item of its container (an offset
  /// inside a character cluster goes to the cluster's start); the selection
  /// goes. False when the item has no place on a line.
  bool SetCaretAt(int itemNo, int offset, bool scrollToCaret = true);

  /// The text style of typed and inserted text, and the paragraph style of
  /// the caret's paragraph.
  int CurrentTextStyle() const { return currentTextStyle_; }
  void SetCurrentTextStyle(int styleNo);
  /// CurrentTextStyle with MaxInt resolved through the paragraph style.
  int ActualCurrentTextStyle() const;
  int CurrentParaStyle() const { return currentParaStyle_; }
  void SetCurrentParaStyle(int paraNo);

  /// Shows the caret where CaretDrawItem and CaretStop say: its place, the
  /// current styles, the hyperlink under it; scrolls to it when asked;
  /// raises OnCaretMove. A stop outside the stops raises ELecternError
  /// "Invalid caret position. Please contact the developer, if you can
  /// reproduce this problem" after putting the caret at the start.
  void UpdateCaret(bool refreshBefore, bool scrollToCaret, bool keepStyles);
  /// The stops of CaretDrawItem's line; the caret goes to the stop of
  /// targetOffset in CaretDrawItem (an offset between stops: the one before;
  /// below 0: the first; past the end: the last).
  void RebuildCaretStops(int targetOffset);
  /// An editor never shows its keys an empty document: one empty text item
  /// in the current styles is added when it has none.
  void EnsureNotEmpty();

  /// Carries out a caret move as its key does (also for scripts).
  bool MoveCaret(TLTCommand command);

  // ---- Events -----------------------------------------------------------------------
  std::function<void(TCustomLecternEdit&)> OnCaretMove;
  std::function<void(TCustomLecternEdit&, TLTGetOutDirection)> OnCaretGetOut;
  std::function<void(TCustomLecternEdit&, TLTCanvas&, const TLTRectI&)> OnDrawCustomCaret;
  std::function<void(TCustomLecternEdit&, TLTRectI&)> OnMeasureCustomCaret;
  std::function<void(TCustomLecternEdit&)> OnCurTextStyleChanged;
  std::function<void(TCustomLecternEdit&)> OnCurParaStyleChanged;
  /// A user action changed nothing (typing before the editing operations
  /// exist, a key at a read-only document); the window beeps as well.
  std::function<void(TCustomLecternEdit&)> OnRefused;

  // ---- ILTWindowClient -----------------------------------------------------------------
  void Paint(TLTCanvas& canvas, const TLTRectI& r) override;
  void MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void MouseMove(TLTShiftState shift, int x, int y) override;
  void MouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void DoubleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  bool KeyDown(int key, TLTShiftState shift) override;
  bool KeyPress(std::u16string_view text) override;
  bool WantsKey(int key, TLTShiftState shift) override;
  void FocusChanged(bool focused, TLTFocusReason reason) override;
  void Timer(int id) override;
  TLTInputMethodState InputMethodState() override;
  void InputMethod(std::u16string_view preedit, int preeditCursor, std::u16string_view commit) override;

  /// The composition the input method shows at the caret (empty: none).
  const TLTString& Preedit() const { return preedit_; }

 protected:
  bool ExecuteCommand(TLTCommand command) override;
  TLTPaintContext PaintContext() const override;
  void SelectionChanged() override;
  bool LinksActive() const override { return readOnly_ || ctrlJumpMode_; }
  void Formatted() override;
  void Cleared() override;
  /// A change the editor cannot make yet, or may not: a beep.
  void Refuse();

 private:
  // ---- The caret (LTEditCaret.cpp) ----
  /// The caret's stop, or null without one.
  const TLTCharPos* Stop() const;
  /// The caret's place as a drawing position of its container.
  TLTDrawPos CaretPos() const;
  /// Puts the caret at a drawing position and shows it.
  void PlaceCaret(TLTDrawPos p, bool scrollToCaret, bool keepStyles = false);
  /// Moves the caret to the selection's end after the mouse moved it.
  void CaretToSelectionEnd();
  void UpdateCurrentStyles(bool keepStyles);
  void UpdateCaretJump();
  void ScrollToCaret();
  /// Repaints the caret's rectangle.
  void InvalidateCaret();
  void StartBlinking();
  void StopBlinking();
  void DrawCaret(TLTCanvas& canvas);

  // ---- Moves (LTEditKeys.cpp) ----
  bool MoveCaretBy(TLTCommand command);
  bool CharLeft(bool extend);
  bool CharRight(bool extend);
  bool WordLeft();
  bool WordRight();
  bool LineUpDown(bool down, bool extend);
  bool ParaUpDown(bool down);
  bool LineStartEnd(bool end);
  bool DocStartEnd(bool end);
  bool PageUpDown(bool down);
  void GetOut(TLTGetOutDirection direction);
  /// Whether drawing item d is a list marker (no caret stands there).
  bool IsMarkerPiece(int d) const;
  /// The first stop of drawing item d's line, and the last.
  TLTDrawPos LineStart(int d) const;
  TLTDrawPos LineEnd(int d) const;

  bool readOnly_ = false;
  bool ctrlJumpMode_ = false;
  int caretDrawItem_ = -1;
  int caretStop_ = -1;
  std::vector<TLTCharPos> caretStops_;
  int caretHeight_ = 0;
  /// The caret in its container's document coordinates.
  TLTRectI caretRect_;
  bool caretVisible_ = true;  // the blink phase
  bool blinking_ = false;
  int currentTextStyle_ = 0;
  int currentParaStyle_ = 0;
  int lastSwitchableTextStyle_ = 0;
  /// The hyperlink under the caret, highlighted like one under the mouse.
  int caretJump_ = -1;
  const TCustomLTItemInfo* caretItem_ = nullptr;  // compared only
  /// Set while the editor moves the selection itself, so that the caret
  /// does not follow the selection's end a second time.
  bool movingCaret_ = false;
  TLTString preedit_;
  int preeditCursor_ = 0;
};

/// The editor control with its published settings.
class TLecternEdit : public TCustomLecternEdit {
 public:
  using TCustomLecternEdit::TCustomLecternEdit;
};

/// The timer that blinks the caret.
constexpr int LTCaretTimer = 3;

}  // namespace lectern
