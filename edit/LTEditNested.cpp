// Editors nested in editors: the chain from the root editor, which owns the
// window, down to the editor of the cell being edited; work deferred until
// the input event under way is done; the caret of a nested editor kept in
// view by the editors around it.

#include "edit/LTEdit.h"

#include <algorithm>

namespace lectern {

TCustomLecternEdit* TCustomLecternEdit::NestedEditor() const { return nested_ ? nested_->NestedEditor() : nullptr; }

TCustomLecternEdit& TCustomLecternEdit::InnermostEditor() {
  TCustomLecternEdit* e = this;
  while (TCustomLecternEdit* n = e->NestedEditor()) e = n;
  return *e;
}

TCustomLecternEdit& TCustomLecternEdit::RootEditor() {
  TCustomLecternEdit* e = this;
  while (e->parentEditor_) e = e->parentEditor_;
  return *e;
}

void TCustomLecternEdit::SetNestedEditing(ILTNestedEditing* nested) {
  if (nested_ == nested) return;
  ILTNestedEditing* ended = nested_;
  nested_ = nested;
  if (ended && !nested && WordThread()) {
    // The cell's items are back, perhaps changed: checked again from the
    // item that holds them.
    if (auto* item = dynamic_cast<TCustomLTItemInfo*>(ended); item && LTData().FindItemIndex(item) >= 0) {
      WordThread()->QueuePosition(LTData(), LTData().FindItemIndex(item), 0);
      NoteWordChange();
    }
  }
  if (TCustomLecternEdit* n = NestedEditor()) {
    n->SetParentEditor(this);
    n->SetReadOnly(readOnly_);
  }
  // The caret of this editor is not shown while another one edits.
  InvalidateCaret();
  if (nested_) StopBlinking();
  if (!nested_ && Window().IsFocused()) StartBlinking();
}

void TCustomLecternEdit::EndNestedEditing() {
  if (!nested_) return;
  if (TCustomLecternEdit* n = NestedEditor()) n->EndNestedEditing();
  if (nested_) nested_->EndNestedEditing(false);
}

void TCustomLecternEdit::BeforeSelectionReplaced() {
  if (nested_) nested_->EndNestedEditing(false);
}

void TCustomLecternEdit::AfterEvent(std::function<void()> call) {
  TCustomLecternEdit& root = RootEditor();
  if (root.eventDepth_ > 0) {
    root.afterEvent_.push_back(std::move(call));
    return;
  }
  // Nothing under way: the window runs it after the event it is in, unless
  // the editor has gone by then.
  std::weak_ptr<char> alive = root.life_;
  root.Window().PostDeferred([alive, call = std::move(call)] {
    if (!alive.expired()) call();
  });
}

void TCustomLecternEdit::RunAfterEvent() {
  // Work may queue more work; it runs in the same pass.
  ++eventDepth_;
  for (size_t i = 0; i < afterEvent_.size(); ++i) {
    std::function<void()> call = std::move(afterEvent_[i]);
    try {
      call();
    } catch (const ELecternError&) {
      // The event that queued it has returned; nothing is left to tell.
      Refuse();
    }
  }
  afterEvent_.clear();
  --eventDepth_;
}

void TCustomLecternEdit::ScrollIntoView(const TLTRectI& r) {
  if (parentEditor_) {
    // A nested editor has no view of its own: the editors around it scroll.
    const TLTPointI o = ToRootClient({0, 0});
    const TLTPointI p = parentEditor_->ToRootClient({0, 0});
    parentEditor_->ScrollIntoView(r.Moved(o.X - p.X, o.Y - p.Y));
    return;
  }
  const TLTSizeI client = Window().ClientSize();
  constexpr int kScrollMargin = 5;
  const int viewTop = ViewTop();
  if (r.Top - kScrollMargin < 0)
    ScrollTo(std::max(0, viewTop + r.Top - kScrollMargin));
  else if (r.Bottom + kScrollMargin > client.Height) {
    // Positions are whole units: rounded up, so that the margin below
    // the caret is really in view.
    const int y = viewTop + r.Bottom + kScrollMargin - client.Height;
    SetVScrollPosition((y + ScrollUnit() - 1) / ScrollUnit());
  }
  const int viewLeft = ViewLeft();
  if (r.Left - kScrollMargin < 0)
    SetHScrollPosition(std::max(0, viewLeft + r.Left - kScrollMargin));
  else if (r.Right + kScrollMargin > client.Width)
    SetHScrollPosition(viewLeft + r.Right + kScrollMargin - client.Width);
}

TLTPointI TCustomLecternEdit::ToRootClient(TLTPointI p) const {
  for (const TCustomLecternEdit* e = this; e->parentEditor_; e = e->parentEditor_) {
    const TLTRectI b = e->parentEditor_->nested_ ? e->parentEditor_->nested_->NestedBounds() : TLTRectI{};
    p = {p.X + b.Left, p.Y + b.Top};
  }
  return p;
}

void TCustomLecternEdit::RelayoutItems(int first, int last) {
  TLTEditLTData& d = EditData();
  if (d.ItemCount() == 0 || d.DrawItems.Empty()) return;
  const int caretItem = caretDrawItem_ >= 0 ? CurrentItemNo() : -1;
  const int caretOffs = caretDrawItem_ >= 0 ? CurrentItemOffset() : 0;
  BeginEdit(first, last);
  editFull_ = editFull_ || d.DocumentWidth > Window().ClientSize().Width;
  EndEdit(caretItem < 0 ? first : caretItem, caretOffs);
  Window().InvalidateAll();
}

bool TCustomLecternEdit::GetJumpLocation(int id, TCustomLTData*& data, int& itemNo) const {
  if (const TCustomLecternEdit* n = NestedEditor(); n && n->GetJumpLocation(id, data, itemNo)) return true;
  return TCustomLectern::GetJumpLocation(id, data, itemNo);
}

bool TCustomLecternEdit::SetCaretAtItemEdge(int itemNo, bool after) {
  TCustomLTFormattedData& c = CaretContainer();
  if (itemNo < 0 || itemNo >= c.ItemCount()) return false;
  return SetCaretAt(itemNo, after ? c.GetOffsAfterItem(itemNo) : c.GetOffsBeforeItem(itemNo));
}

}  // namespace lectern
