// The editor control: construction and settings, keys and characters, the
// mouse placing the caret, focus, the blinking caret and the input method.
//
// Design notes. The caret is the end of the selection: without a selection
// the anchor and the end stand together at the caret, so that whatever
// moves the end (the mouse, a restored selection after layout) moves the
// caret, and a move of the caret with Shift leaves the anchor where it was.
// The viewer's selection machinery therefore serves the editor unchanged;
// the editor adds the stops of the caret's line, on which the keys move.

#include "edit/LTEdit.h"

#include "edit/LTItemResizer.h"
#include "style/LTStyle.h"

#include <algorithm>

namespace lectern {

namespace {

/// The keys of an editor beyond the viewer's: caret moves (Shift extends
/// the selection), scrolling with Ctrl+Up and Ctrl+Down, and the keys that
/// change the document.
void AddEditorKeys(TLTKeyMap& m) {
  const TLTShiftState none, shift{ssShift}, ctrl{ssCtrl}, ctrlShift{ssCtrl, ssShift};
  constexpr int kExtend = ltecCharLeftExtend - ltecCharLeft;
  struct TMove {
    int Key;
    TLTCommand Plain, WithCtrl;
  };
  const TMove moves[] = {
      {vkLeft, ltecCharLeft, ltecWordLeft}, {vkRight, ltecCharRight, ltecWordRight}, {vkUp, ltecLineUp, ltecParaUp},
      {vkDown, ltecLineDown, ltecParaDown}, {vkHome, ltecLineStart, ltecDocStart},   {vkEnd, ltecLineEnd, ltecDocEnd},
      {vkPrior, ltecPageUp, ltkcNone},      {vkNext, ltecPageDown, ltkcNone},
  };
  for (const TMove& mv : moves) {
    m.Assign(mv.Key, none, mv.Plain);
    m.Assign(mv.Key, shift, mv.Plain + kExtend);
    m.Assign(mv.Key, ctrl, mv.WithCtrl);
    m.Assign(mv.Key, ctrlShift, mv.WithCtrl == ltkcNone ? ltkcNone : mv.WithCtrl + kExtend);
  }
  // Ctrl+Up and Ctrl+Down scroll; only with Shift do they move by paragraphs.
  m.Assign(vkUp, ctrl, ltecScrollLineUp);
  m.Assign(vkDown, ctrl, ltecScrollLineDown);
  // Tab types a tab; Ctrl+Tab too where Tab moves the focus. Shift+Tab
  // moves the focus back.
  m.Clear(vkTab, shift);
  m.Clear(vkTab, ctrlShift);
  m.Assign(vkTab, none, ltecTab);
  m.Assign(vkTab, ctrl, ltecTab);
  for (const TLTShiftState mods : {none, ctrl, ctrlShift}) m.Clear(vkReturn, mods);
  m.Assign(vkReturn, none, ltecNewParagraph);
  m.Assign(vkReturn, shift, ltecLineBreak);
  m.Assign(vkBack, none, ltecBackspace);
  m.Assign(vkBack, shift, ltecBackspace);
  m.Assign(vkBack, ctrl, ltecWordBackspace);
  m.Assign(vkDelete, none, ltecDelete);
  m.Assign(vkDelete, ctrl, ltecWordDelete);
  m.Assign('Z', ctrl, ltecUndo);
  m.Assign('Z', ctrlShift, ltecRedo);
  m.Assign('Y', ctrl, ltecRedo);
  m.Assign(vkBack, {ssAlt}, ltecUndo);
  m.Assign(vkBack, {ssAlt, ssShift}, ltecRedo);
}

bool IsMove(TLTCommand c) { return c >= ltecCharLeft && c <= ltecPageDownExtend; }

}  // namespace

// ---- Construction and settings -------------------------------------------------------------

TCustomLecternEdit::TCustomLecternEdit(ILTWindow& window)
    : TCustomLectern(window, [](TCustomLectern& c) -> std::unique_ptr<TLecternLTData> {
        return std::make_unique<TLTEditLTData>(c);
      }) {
  AddEditorKeys(KeyMap);
  // The arrows and the page keys move the caret, not the view.
  ScrollKeysEnabled = false;
  TabNavigation = lttnNone;
}

TCustomLecternEdit::~TCustomLecternEdit() {
  // The worker must be gone before a cell editor gives its items back.
  TerminateWordChecking();
  // An item still editing inside the document lets go of this editor
  // before the document goes with the viewer.
  if (nested_) nested_->EndNestedEditing(true);
  if (blinking_) Window().StopTimer(LTCaretTimer);
}

void TCustomLecternEdit::SetReadOnly(bool on) {
  if (TCustomLecternEdit* n = NestedEditor()) n->SetReadOnly(on);
  if (readOnly_ == on) return;
  readOnly_ = on;
  ctrlJumpMode_ = false;
  // The grid of tables shows whether the document can be changed.
  Window().InvalidateAll();
  if (caretDrawItem_ >= 0) UpdateCaret(false, false, true);
}

void TCustomLecternEdit::Refuse() {
  const TLTStyle* style = Style();
  if (!style || style->UseSound) Window().Beep();
  if (OnRefused) OnRefused(*this);
}

// ---- Keys and characters ----------------------------------------------------------------------

bool TCustomLecternEdit::KeyDown(int key, TLTShiftState shift) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->KeyDown(key, shift);
  if (key == vkEscape && resizer_ && resizer_->IsDragging()) {
    // The frame goes; the item keeps its size.
    Window().Invalidate(resizer_->Bounds());
    resizer_->Cancel();
    Window().SetCursor(crDefault);
    return true;
  }
  if (HasPartSelection()) {
    const bool arrow = key == vkLeft || key == vkRight || key == vkUp || key == vkDown;
    if (arrow && KeyModifiers(shift) == TLTShiftState{ssShift}) return nested_->PartSelectionKey(key, shift);
    // Any other move lets the cells go; the caret is at the table.
    if (arrow || key == vkHome || key == vkEnd || key == vkPrior || key == vkNext || key == vkEscape)
      nested_->EndNestedEditing(false);
    if (key == vkEscape) return true;
  }
  EnsureNotEmpty();
  // Ctrl turns hyperlinks on for the mouse while it is held.
  const bool ctrl = KeyModifiers(shift) == TLTShiftState{ssCtrl};
  if (EditorOptions.Contains(ltoCtrlJumps) && ctrl != ctrlJumpMode_ && !readOnly_) ctrlJumpMode_ = ctrl;
  return TCustomLectern::KeyDown(key, shift);
}

bool TCustomLecternEdit::ExecuteCommand(TLTCommand command) {
  if (IsMove(command)) return MoveCaret(command);
  switch (command) {
    case ltecScrollLineUp:
    case ltecScrollLineDown:
      ScrollBarCommand(TLTScrollBarKind::Vertical,
                       command == ltecScrollLineUp ? TLTScrollCode::LineUp : TLTScrollCode::LineDown, 0);
      return true;
    case ltecNewParagraph:
    case ltecLineBreak:
      // A control that does not want returns leaves Enter to the window.
      if (EditorOptions.Contains(ltoDoNotWantReturns)) return false;
      if (command == ltecLineBreak && EditorOptions.Contains(ltoDoNotWantShiftReturns)) return true;
      NewParagraph(command == ltecLineBreak);
      return true;
    case ltecTab: {
      if (!EditorOptions.Contains(ltoWantTabs)) return false;
      const TLTStyle* style = Style();
      if (style && style->SpacesInTab > 0)
        TypeText(TLTString(static_cast<size_t>(style->SpacesInTab), u' '));
      else
        InsertTab();
      return true;
    }
    case ltecBackspace:
    case ltecWordBackspace:
      Backspace(command == ltecWordBackspace);
      return true;
    case ltecDelete:
    case ltecWordDelete:
      DeleteKey(command == ltecWordDelete);
      return true;
    case ltecUndo:
      Undo();
      return true;
    case ltecRedo:
      Redo();
      return true;
    default:
      return TCustomLectern::ExecuteCommand(command);
  }
}

bool TCustomLecternEdit::KeyPress(std::u16string_view text) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->KeyPress(text);
  // Control characters never type; Tab and Enter arrive as keys.
  if (text.empty() || std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; }))
    return false;
  EnsureNotEmpty();
  TypeText(text);
  return true;
}

bool TCustomLecternEdit::WantsKey(int key, TLTShiftState shift) {
  if (TCustomLecternEdit* n = ActiveNested()) return n->WantsKey(key, shift);
  if (key == vkLeft || key == vkRight || key == vkUp || key == vkDown) return true;
  const TLTCommand command = KeyMap.Find(key, shift);
  if (command == ltecTab) return EditorOptions.Contains(ltoWantTabs);
  if (command == ltecNewParagraph || command == ltecLineBreak) return !EditorOptions.Contains(ltoDoNotWantReturns);
  return TCustomLectern::WantsKey(key, shift);
}

// ---- The mouse --------------------------------------------------------------------------------
// The viewer's selection does the work; its end is the caret (SelectionChanged).

bool TCustomLecternEdit::RouteMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y, bool dbl) {
  mouseNested_ = mouseTracked_ = false;
  auto toNested = [&] {
    TCustomLecternEdit* n = ActiveNested();
    const TLTRectI b = nested_->NestedBounds();
    // A press in the cell around the editor's content goes to the nearest
    // point of the content.
    const int nx = std::clamp(x - b.Left, 0, std::max(0, b.Width() - 1));
    const int ny = std::clamp(y - b.Top, 0, std::max(0, b.Height() - 1));
    mouseNested_ = true;
    if (dbl)
      n->DoubleClick(button, shift, nx, ny);
    else
      n->MouseDown(button, shift, nx, ny);
    return true;
  };
  if (ActiveNested() && nested_->NestedBounds().Contains(x, y)) return toNested();
  // An item of the document may take the press for itself (a table opens
  // the cell under it for editing).
  const int d = DrawItemAt(x, y);
  if (d >= 0 && button != TLTMouseButton::Middle) {
    const TLTDrawLineInfo& piece = LTData().DrawItems[d];
    const TLTPointI at = ToContainer(LTData(), x, y);
    if (LTData().GetItem(piece.ItemNo).EditorMouseDown(button, shift, at.X - piece.Left, at.Y - piece.Top)) {
      if (ActiveNested()) return toNested();
      mouseTracked_ = nested_ && nested_->TracksMouse();
      return true;
    }
  }
  if (nested_) nested_->EndNestedEditing(false);
  return false;
}

void TCustomLecternEdit::MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  TEventScope scope(*this);
  if (!ActiveNested() && ResizerMouseDown(button, shift, x, y)) return;
  if (RouteMouseDown(button, shift, x, y, false)) return;
  EnsureNotEmpty();
  if (button == TLTMouseButton::Middle) {
    // The desktop's middle click: the text last selected with the mouse,
    // in this program or another, goes in where the pointer is.
    const TLTString text = Window().PrimarySelection();
    if (text.empty()) return;
    TCustomLectern::MouseDown(TLTMouseButton::Left, {}, x, y);
    TCustomLectern::MouseUp(TLTMouseButton::Left, {}, x, y);
    if (!CanChange()) {
      Refuse();
      return;
    }
    InsertText(text);
    return;
  }
  ctrlJumpMode_ = EditorOptions.Contains(ltoCtrlJumps) && KeyModifiers(shift) == TLTShiftState{ssCtrl};
  TCustomLectern::MouseDown(button, shift, x, y);
  // A click on a picture selects it, so that its handles show.
  if (button == TLTMouseButton::Left && !shift.Contains(ssShift)) SelectResizableAt(x, y);
}

void TCustomLecternEdit::MouseMove(TLTShiftState shift, int x, int y) {
  TEventScope scope(*this);
  // The cell editor went while the button was down: the item follows the
  // mouse from here (cells selected by dragging).
  if (mouseNested_ && !ActiveNested()) {
    mouseNested_ = false;
    mouseTracked_ = nested_ && nested_->TracksMouse();
  }
  if (!mouseNested_ && !mouseTracked_ && ResizerMouseMove(shift, x, y)) return;
  if (mouseNested_) {
    const TLTRectI b = nested_->NestedBounds();
    ActiveNested()->MouseMove(shift, x - b.Left, y - b.Top);
    if (nested_ && nested_->TracksMouse()) nested_->TrackMouseMove(shift, x, y);
    return;
  }
  if (mouseTracked_ && nested_ && nested_->TracksMouse()) {
    nested_->TrackMouseMove(shift, x, y);
    return;
  }
  if (TCustomLecternEdit* n = ActiveNested(); n && nested_->NestedBounds().Contains(x, y) && !Window().HasCapture()) {
    const TLTRectI b = nested_->NestedBounds();
    n->MouseMove(shift, x - b.Left, y - b.Top);
    return;
  }
  TCustomLectern::MouseMove(shift, x, y);
}

void TCustomLecternEdit::MouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  TEventScope scope(*this);
  if (!mouseNested_ && !mouseTracked_ && ResizerMouseUp(button, x, y)) return;
  const bool toNested = mouseNested_, tracked = mouseTracked_;
  mouseNested_ = mouseTracked_ = false;
  if (toNested || tracked) {
    if (TCustomLecternEdit* n = ActiveNested(); n && toNested) {
      const TLTRectI b = nested_->NestedBounds();
      n->MouseUp(button, shift, x - b.Left, y - b.Top);
    }
    if (nested_ && nested_->TracksMouse()) nested_->TrackMouseUp(button, shift, x, y);
    if (Window().HasCapture()) Window().ReleaseCapture();
    return;
  }
  TCustomLectern::MouseUp(button, shift, x, y);
}

void TCustomLecternEdit::DoubleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  TEventScope scope(*this);
  if (RouteMouseDown(button, shift, x, y, true)) return;
  TCustomLectern::DoubleClick(button, shift, x, y);
}

void TCustomLecternEdit::TripleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested(); n && nested_->NestedBounds().Contains(x, y)) {
    const TLTRectI b = nested_->NestedBounds();
    n->TripleClick(button, shift, x - b.Left, y - b.Top);
    return;
  }
  TCustomLectern::TripleClick(button, shift, x, y);
}

void TCustomLecternEdit::MouseLeave() {
  if (TCustomLecternEdit* n = ActiveNested()) n->MouseLeave();
  TCustomLectern::MouseLeave();
}

void TCustomLecternEdit::SelectionChanged() {
  // A caret that moves without a selection repaints only itself.
  const bool selected = HasSelection();
  if (selected || shownSelection_) TCustomLectern::SelectionChanged();
  shownSelection_ = selected;
  if (!movingCaret_) {
    // The mouse or the application moved the caret.
    EndTypedWord();
    CaretToSelectionEnd();
  }
  UpdateResizer();
}

// ---- Focus, painting, the blinking caret ---------------------------------------------------------

void TCustomLecternEdit::FocusChanged(bool focused, TLTFocusReason reason) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) n->FocusChanged(focused, reason);
  TCustomLectern::FocusChanged(focused, reason);
  if (focused) {
    EnsureNotEmpty();
    if (caretDrawItem_ >= 0) UpdateCaret(true, false, true);
    StartBlinking();
  } else {
    ctrlJumpMode_ = false;
    StopBlinking();
  }
  InvalidateCaret();
}

void TCustomLecternEdit::Timer(int id) {
  if (id >= LTNestedTimerBase) {
    TEventScope scope(*this);
    if (TCustomLecternEdit* n = ActiveNested()) n->Timer(id - LTNestedTimerBase);
    return;
  }
  if (id == LTDropScrollTimer) {
    TEventScope scope(*this);
    DropScrollStep();
    return;
  }
  if (id != LTCaretTimer) {
    TCustomLectern::Timer(id);
    return;
  }
  caretVisible_ = !caretVisible_;
  InvalidateCaret();
}

void TCustomLecternEdit::StartBlinking() {
  caretVisible_ = true;
  // Only the editor that has the caret blinks.
  if (nested_) {
    StopBlinking();
    return;
  }
  const int interval = CustomCaretInterval > 0 ? CustomCaretInterval : Window().CaretBlinkTime() / 2;
  if (interval <= 0 || !Window().IsFocused()) {
    StopBlinking();
    return;
  }
  // Restarting puts the caret at the start of its visible half.
  Window().StartTimer(LTCaretTimer, interval);
  blinking_ = true;
}

void TCustomLecternEdit::StopBlinking() {
  if (blinking_) Window().StopTimer(LTCaretTimer);
  blinking_ = false;
  caretVisible_ = true;
}

void TCustomLecternEdit::Paint(TLTCanvas& canvas, const TLTRectI& r) {
  TCustomLectern::Paint(canvas, r);
  // The table paints the content of the cell being edited; the caret of
  // the innermost editor is drawn last, over everything.
  // Items drawing over everything (a border being dragged) come after.
  for (TCustomLecternEdit* e = this; e && e->nested_; e = e->NestedEditor())
    e->nested_->PaintOverlay(canvas, e->ToRootClient({0, 0}));
  TCustomLecternEdit& inner = InnermostEditor();
  if (&inner == this) {
    if (!nested_) DrawCaret(canvas);
  } else if (!inner.nested_) {
    inner.DrawCaret(canvas, inner.ToRootClient({0, 0}));
  }
  // Handles and the drop caret of every editor come last, over everything.
  for (TCustomLecternEdit* e = this; e; e = e->NestedEditor()) {
    const TLTPointI offset = e->ToRootClient({0, 0});
    if (e->resizer_) e->resizer_->Paint(canvas, offset);
    e->PaintDropCaret(canvas, offset);
  }
}

TLTPaintContext TCustomLecternEdit::PaintContext() const {
  TLTPaintContext ctx = TCustomLectern::PaintContext();
  if (!EditorOptions.Contains(ltoNoCaretHighlightJumps) && ctx.HoverJumpId < 0) ctx.HoverJumpId = caretJump_;
  ctx.CurrentItem = caretItem_;
  return ctx;
}

void TCustomLecternEdit::DrawCaret(TLTCanvas& canvas, TLTPointI offset) {
  const TLTRectI caret = CaretRect().Moved(offset.X, offset.Y);
  // Handles and a drop caret take the caret's place while they show.
  if (resizer_ || !DropCaretRect().IsEmpty()) return;
  const bool shown = caretHeight_ > 0 && Window().IsFocused() &&
                     !(readOnly_ && EditorOptions.Contains(ltoHideReadOnlyCaret)) && !caret.IsEmpty();
  if (!shown) return;
  TLTCanvasSaver keep(canvas);
  if (!preedit_.empty() && Style()) {
    // The composition stands at the caret, over the document and apart
    // from it, underlined, until the input method commits it.
    Style()->ApplyTextStyle(canvas, ActualCurrentTextStyle(), BiDiMode(), false, 0, true);
    TLTCanvasFont f = canvas.Font();
    f.Style.Include(fsUnderline);
    f.Color = clWindowText;
    canvas.SetFont(f);
    const TLTSizeI ext = canvas.TextExtent(preedit_);
    const int top = caret.Bottom - ext.Height;
    canvas.SetBrush({clWindow, bsSolid});
    canvas.TextOut(caret.Left, top, preedit_);
    std::vector<int> extents;
    canvas.PartialExtents(preedit_, extents);
    const int k = std::clamp(preeditCursor_, 0, static_cast<int>(extents.size()));
    const int x = caret.Left + (k > 0 ? extents[static_cast<size_t>(k - 1)] : 0);
    canvas.SetBrush({clCaret, bsSolid});
    canvas.FillRect({x, top, x + 1, caret.Bottom});
    return;
  }
  if (!caretVisible_) return;
  if (CustomCaretInterval > 0 && OnDrawCustomCaret) {
    TLTRectI r = caret;
    // A caret drawn by the application must not take the window down.
    try {
      if (OnMeasureCustomCaret) OnMeasureCustomCaret(*this, r);
      OnDrawCustomCaret(*this, canvas, r);
    } catch (...) {
    }
    return;
  }
  canvas.SetBrush({clCaret, bsSolid});
  canvas.FillRect(caret);
}

// ---- The input method ---------------------------------------------------------------------------

TLTInputMethodState TCustomLecternEdit::InputMethodState() {
  if (TCustomLecternEdit* n = ActiveNested()) {
    TLTInputMethodState st = n->InputMethodState();
    const TLTRectI b = nested_->NestedBounds();
    st.CursorRect = st.CursorRect.Moved(b.Left, b.Top);
    return st;
  }
  TLTInputMethodState st;
  st.Enabled = !readOnly_ && Style() != nullptr;
  st.CursorRect = CaretRect();
  if (TLTStyle* style = Style()) {
    TLTCanvas& c = Window().FormatCanvas();
    TLTCanvasSaver keep(c);
    style->ApplyTextStyle(c, ActualCurrentTextStyle(), BiDiMode(), false, 0, true);
    st.Font = c.Font();
  }
  const int itemNo = caretDrawItem_ >= 0 ? CurrentItemNo() : -1;
  const TCustomLTFormattedData& c = CaretContainer();
  if (itemNo >= 0 && c.GetItem(itemNo).IsText()) {
    st.Surrounding = c.GetItemTextW(itemNo);
    st.CursorPos = std::clamp(CurrentItemOffset() - 1, 0, static_cast<int>(st.Surrounding.size()));
    st.AnchorPos = st.CursorPos;
  }
  return st;
}

void TCustomLecternEdit::InputMethod(std::u16string_view preedit, int preeditCursor, std::u16string_view commit) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->InputMethod(preedit, preeditCursor, commit);
    return;
  }
  if (!commit.empty()) KeyPress(commit);
  if (preedit_ == preedit && preeditCursor_ == preeditCursor) return;
  preedit_ = TLTString(preedit);
  preeditCursor_ = preeditCursor;
  // The composition may reach beyond the caret's line to the right.
  const TLTRectI caret = CaretRect();
  Window().Invalidate({0, caret.Top, Window().ClientSize().Width, caret.Bottom});
}

}  // namespace lectern
