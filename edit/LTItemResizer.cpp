// The item resizer: handles, the frame of a drag, and the editor's side of
// it (when handles show, the mouse and Escape, painting, the resize).

#include "edit/LTItemResizer.h"

#include "edit/LTEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lectern {

namespace {

/// How far handle points move from the item's edges, and how near the
/// pointer must come to one.
constexpr int kHandleShift = 3;
constexpr int kHandleReach = 3;
/// Items narrower or lower than this keep their handles outside.
constexpr int kSmallItem = 12;
/// The smallest frame a drag leaves.
constexpr int kMinFrame = 2;

bool IsCorner(int handle) { return handle >= 0 && handle <= 3; }
bool MovesLeft(int h) { return h == 0 || h == 3 || h == 7; }
bool MovesRight(int h) { return h == 1 || h == 2 || h == 5; }
bool MovesTop(int h) { return h == 0 || h == 1 || h == 4; }
bool MovesBottom(int h) { return h == 2 || h == 3 || h == 6; }

}  // namespace

bool TCustomLecternEdit::ProportionalResize = true;

TLTItemResizer::TLTItemResizer(TCustomLecternEdit& editor, int drawItem) : editor_(editor), drawItem_(drawItem) {
  const TCustomLTFormattedData& c = editor_.LTData();
  const TLTDrawLineInfo& piece = c.DrawItems[drawItem];
  itemNo_ = piece.ItemNo;
  // Kept apart from the drawing items, which an edit rebuilds before the
  // resizer hears of it.
  place_ = {piece.Left, piece.Top};
  width_ = piece.Width;
  height_ = piece.Height;
  const TCustomLTItemInfo& item = c.GetItem(itemNo_);
  const auto* rect = dynamic_cast<const TLTRectItemInfo*>(&item);
  const int spacing = rect ? rect->Spacing() : 0;
  contentWidth_ = width_ - 2 * spacing;
  contentHeight_ = height_ - 2 * spacing;
  handlesOutside_ = item.GetBoolValue(iqLive);
  frame_ = {0, 0, width_, height_};
}

TLTPointI TLTItemResizer::Origin() const {
  const TLTPointI zero = editor_.ToContainer(editor_.LTData(), 0, 0);
  return {place_.X - zero.X, place_.Y - zero.Y};
}

TLTPointI TLTItemResizer::RawPoint(int handle) const {
  const int w = width_, h = height_;
  switch (handle) {
    case 0: return {0, 0};
    case 1: return {w, 0};
    case 2: return {w, h};
    case 3: return {0, h};
    case 4: return {w / 2, 0};
    case 5: return {w, h / 2};
    case 6: return {w / 2, h};
    default: return {0, h / 2};
  }
}

TLTPointI TLTItemResizer::HandlePoint(int handle) const {
  TLTPointI p = RawPoint(handle);
  // Inwards on the axes the handle lies on, so that the handles stay on
  // the item; outside for small items and for items that paint over them.
  const int in = !handlesOutside_ && width_ >= kSmallItem && height_ >= kSmallItem ? kHandleShift : -kHandleShift;
  if (MovesLeft(handle)) p.X += in;
  if (MovesRight(handle)) p.X -= in;
  if (MovesTop(handle)) p.Y += in;
  if (MovesBottom(handle)) p.Y -= in;
  const TLTPointI o = Origin();
  return {p.X + o.X, p.Y + o.Y};
}

int TLTItemResizer::HandleAt(int x, int y) const {
  for (int h = 0; h < 8; ++h) {
    const TLTPointI p = HandlePoint(h);
    if (std::abs(x - p.X) <= kHandleReach && std::abs(y - p.Y) <= kHandleReach) return h;
  }
  return -1;
}

TLTCursorId TLTItemResizer::HandleCursor(int handle) {
  switch (handle) {
    case 0:
    case 2: return crSizeNWSE;
    case 1:
    case 3: return crSizeNESW;
    case 4:
    case 6: return crSizeNS;
    default: return crSizeWE;
  }
}

void TLTItemResizer::StartDrag(int handle, int x, int y) {
  dragging_ = true;
  cancelled_ = false;
  handle_ = handle;
  const TLTPointI o = Origin(), raw = RawPoint(handle);
  grip_ = {x - o.X - raw.X, y - o.Y - raw.Y};
  frame_ = {0, 0, width_, height_};
}

void TLTItemResizer::DragTo(int x, int y, TLTShiftState shift) {
  if (!dragging_) return;
  const TLTPointI o = Origin();
  const int px = x - o.X - grip_.X, py = y - o.Y - grip_.Y;
  const int h = handle_;
  TLTRectI f{0, 0, width_, height_};
  if (MovesLeft(h)) f.Left = std::min(px, f.Right - kMinFrame);
  if (MovesRight(h)) f.Right = std::max(px, f.Left + kMinFrame);
  if (MovesTop(h)) f.Top = std::min(py, f.Bottom - kMinFrame);
  if (MovesBottom(h)) f.Bottom = std::max(py, f.Top + kMinFrame);
  const bool symmetric = shift.Contains(ssCtrl);
  if (symmetric) {
    // The frame grows or shrinks around the item's centre.
    if (MovesLeft(h)) f.Right = width_ - f.Left;
    if (MovesRight(h)) f.Left = width_ - f.Right;
    if (MovesTop(h)) f.Bottom = height_ - f.Top;
    if (MovesBottom(h)) f.Top = height_ - f.Bottom;
  }
  frame_ = f;
  if (shift.Contains(ssShift) || (IsCorner(h) && TCustomLecternEdit::ProportionalResize))
    KeepProportions(MovesTop(h), MovesLeft(h), symmetric);
}

void TLTItemResizer::KeepProportions(bool topDragged, bool leftDragged, bool symmetric) {
  if (contentWidth_ < 1 || contentHeight_ < 1) return;
  const double rx = static_cast<double>(frame_.Width()) / contentWidth_;
  const double ry = static_cast<double>(frame_.Height()) / contentHeight_;
  if (rx > ry) {
    const int change = static_cast<int>(std::lround(rx * contentHeight_)) - frame_.Height();
    if (symmetric) {
      frame_.Top -= change / 2;
      frame_.Bottom += change - change / 2;
    } else if (topDragged) {
      frame_.Top -= change;
    } else {
      frame_.Bottom += change;
    }
  } else {
    const int change = static_cast<int>(std::lround(ry * contentWidth_)) - frame_.Width();
    if (symmetric) {
      frame_.Left -= change / 2;
      frame_.Right += change - change / 2;
    } else if (leftDragged) {
      frame_.Left -= change;
    } else {
      frame_.Right += change;
    }
  }
}

bool TLTItemResizer::EndDrag(int& width, int& height) {
  const bool resize = dragging_ && !cancelled_;
  width = frame_.Width();
  height = frame_.Height();
  dragging_ = cancelled_ = false;
  frame_ = {0, 0, width_, height_};
  return resize;
}

void TLTItemResizer::Cancel() {
  if (!dragging_) return;
  dragging_ = false;
  cancelled_ = true;
  frame_ = {0, 0, width_, height_};
}

TLTRectI TLTItemResizer::Bounds() const {
  const TLTPointI o = Origin();
  TLTRectI box{o.X, o.Y, o.X + width_, o.Y + height_};
  const TLTRectI f = frame_.Moved(o.X, o.Y);
  box = {std::min(box.Left, f.Left), std::min(box.Top, f.Top), std::max(box.Right, f.Right),
         std::max(box.Bottom, f.Bottom)};
  return box.Inflated(kHandleShift + kHandleReach + 2);
}

void TLTItemResizer::Paint(TLTCanvas& canvas, TLTPointI offset) const {
  TLTCanvasSaver keep(canvas);
  canvas.SetBrush({clNone, bsClear});
  if (dragging_) {
    // Light under dark dots: the frame shows on any picture.
    const TLTPointI o = Origin();
    const TLTRectI f = frame_.Moved(o.X + offset.X, o.Y + offset.Y);
    canvas.SetPen({clWhite, 1, psSolid});
    canvas.Rectangle(f);
    canvas.SetPen({clBlack, 1, psDot});
    canvas.Rectangle(f);
    return;
  }
  for (int h = 0; h < 8; ++h) {
    const TLTPointI p = HandlePoint(h);
    const int x = p.X + offset.X, y = p.Y + offset.Y;
    canvas.SetPen({clBlack, 1, psSolid});
    canvas.SetBrush({clNone, bsClear});
    canvas.Rectangle({x - 3, y - 3, x + 4, y + 4});
    canvas.SetBrush({clWhite, bsSolid});
    canvas.FillRect({x - 2, y - 2, x + 3, y + 3});
    canvas.SetBrush({clBlack, bsSolid});
    canvas.FillRect({x - 1, y - 1, x + 2, y + 2});
  }
}

// ---- The editor's side -----------------------------------------------------------------------------

TLTItemResizer* TCustomLecternEdit::Resizer() const {
  if (const TCustomLecternEdit* n = NestedEditor()) return n->Resizer();
  return resizer_.get();
}

void TCustomLecternEdit::DiscardResizer() {
  if (!resizer_) return;
  Window().Invalidate(resizer_->Bounds());
  resizer_.reset();
  if (caretDrawItem_ >= 0) InvalidateCaret();
}

void TCustomLecternEdit::UpdateResizer() {
  if (keepResizer_) return;
  DiscardResizer();
  if (readOnly_ || EditorOptions.Contains(ltoNoImageResize)) return;
  if (&Sel() != &LTData() || !HasSelection()) return;
  TCustomLTFormattedData& c = LTData();
  int si, so, ei, eo;
  GetSelectionBounds(si, so, ei, eo, true);
  if (si < 0 || ei < 0) return;
  // A selection from the end of one item to the end of the next covers
  // the next one alone, and likewise at its end.
  if (si < ei && so >= c.GetOffsAfterItem(si)) {
    ++si;
    so = c.GetOffsBeforeItem(si);
  }
  if (ei > si && eo <= c.GetOffsBeforeItem(ei)) {
    --ei;
    eo = c.GetOffsAfterItem(ei);
  }
  if (si != ei || so > c.GetOffsBeforeItem(si) || eo < c.GetOffsAfterItem(si)) return;
  const TCustomLTItemInfo& item = c.GetItem(si);
  if (item.IsText() || !item.GetBoolValue(iqResizable) || ParaReadOnly(si)) return;
  for (int d = 0; d < c.DrawItems.Count(); ++d)
    if (c.DrawItems[d].ItemNo == si) {
      resizer_ = std::make_unique<TLTItemResizer>(*this, d);
      Window().Invalidate(resizer_->Bounds());
      // The caret hides while handles show.
      if (caretDrawItem_ >= 0) InvalidateCaret();
      return;
    }
}

void TCustomLecternEdit::SelectResizableAt(int x, int y) {
  if (HasSelection() || &Sel() != &LTData() || readOnly_) return;
  const int d = DrawItemAt(x, y);
  if (d < 0) return;
  const TCustomLTItemInfo& item = LTData().GetItem(LTData().DrawItems[d].ItemNo);
  if (item.IsText() || !(item.GetBoolValue(iqResizable) || item.GetBoolValue(iqResizeHandles))) return;
  SetSel(PieceStart(d), PieceEnd(d));
}

bool TCustomLecternEdit::ResizerMouseDown(TLTMouseButton button, TLTShiftState /*shift*/, int x, int y) {
  if (!resizer_ || button != TLTMouseButton::Left) return false;
  const int h = resizer_->HandleAt(x, y);
  if (h < 0) return false;
  resizer_->StartDrag(h, x, y);
  Window().SetCapture();
  Window().SetCursor(TLTItemResizer::HandleCursor(h));
  Window().Invalidate(resizer_->Bounds());
  return true;
}

bool TCustomLecternEdit::ResizerMouseMove(TLTShiftState shift, int x, int y) {
  if (!resizer_) return false;
  if (!resizer_->IsDragging()) {
    const int h = resizer_->HandleAt(x, y);
    if (h < 0) return false;
    Window().SetCursor(TLTItemResizer::HandleCursor(h));
    return true;
  }
  Window().Invalidate(resizer_->Bounds());
  resizer_->DragTo(x, y, shift);
  Window().Invalidate(resizer_->Bounds());
  return true;
}

bool TCustomLecternEdit::ResizerMouseUp(TLTMouseButton button, int /*x*/, int /*y*/) {
  if (!resizer_ || button != TLTMouseButton::Left || (!resizer_->IsDragging() && !resizer_->IsCancelled()))
    return false;
  const int itemNo = resizer_->ItemNo();
  Window().Invalidate(resizer_->Bounds());
  int width = 0, height = 0;
  // After Escape the release ends the drag and changes nothing.
  const bool resize = resizer_->EndDrag(width, height);
  if (Window().HasCapture()) Window().ReleaseCapture();
  if (resize && ResizeItem(itemNo, width, height)) {
    // The item stays selected, with handles for its new size.
    SetSelectionBounds(itemNo, LTData().GetOffsBeforeItem(itemNo), itemNo, LTData().GetOffsAfterItem(itemNo));
    UpdateResizer();
  }
  return true;
}

}  // namespace lectern
