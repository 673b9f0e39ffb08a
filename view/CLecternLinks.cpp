// The viewer's hyperlinks: which one lies under the mouse, its hover look
// and the repaint it needs, the cursor and item hints over the document,
// and where a hyperlink number leads.

#include "style/LTStyle.h"
#include "view/CLectern.h"

namespace lectern {

namespace {

/// Room around a hyperlink repainted when its hover look changes, for
/// underlines and italic overhangs drawn outside its rectangle.
constexpr int kHoverMargin = 5;

}  // namespace

// ---- Hyperlinks, hover, cursor, hints ---------------------------------------------------------

int TCustomLectern::JumpIndexAt(int x, int y) const {
  if ((ControlFlags & ltcfRegisterJumps) == 0 || !LinksActive()) return -1;
  const int dx = x + ViewLeft(), dy = y + ViewTop();
  for (size_t i = 0; i < data_->Jumps.size(); ++i) {
    const TLTJumpInfo& j = data_->Jumps[i];
    if (dx >= j.Left && dx < j.Left + j.Width && dy >= j.Top && dy < j.Top + j.Height) return static_cast<int>(i);
  }
  return -1;
}

bool TCustomLectern::IsJumpHoverSensitive(const TLTJumpInfo& j) const {
  const TLTStyle* style = Style();
  const TCustomLTFormattedData* data = nullptr;
  int itemNo = -1;
  if (!style || !JumpItem(j, *data_, data, itemNo)) return false;
  const TCustomLTItemInfo& item = data->GetItem(itemNo);
  if (item.IsText()) {
    const int s = data->GetItemStyle(itemNo);
    return s >= 0 && s < style->TextStyles().Count() && style->IsHoverSensitive(s);
  }
  return item.GetBoolValueEx(iqxHover, style);
}

void TCustomLectern::InvalidateJump(int id) {
  if (id < 0) return;
  if (Style() && Style()->FullRedraw) {
    Window().InvalidateAll();
    return;
  }
  const int dx = ViewLeft(), dy = ViewTop();
  for (const TLTJumpInfo& j : data_->Jumps) {
    if (j.Id != id) continue;
    const TLTRectI r{j.Left - dx, j.Top - dy, j.Left - dx + j.Width, j.Top - dy + j.Height};
    Window().Invalidate(r.Inflated(kHoverMargin));
  }
}

void TCustomLectern::SetHover(int jumpIndex) {
  const TLTJumpInfo& j = data_->Jumps[static_cast<size_t>(jumpIndex)];
  if (j.Id == hoverJump_) return;
  const int id = j.Id;
  const bool sensitive = IsJumpHoverSensitive(j);
  if (hoverJump_ >= 0) {
    const bool wasShown = hoverShown_;
    const int old = hoverJump_;
    hoverShown_ = false;
    if (wasShown) InvalidateJump(old);
  }
  hoverJump_ = id;
  if (OnLTMouseMove) OnLTMouseMove(*this, FirstJumpNo() + id);
  if (sensitive) {
    hoverShown_ = true;
    InvalidateJump(id);
  }
}

void TCustomLectern::ClearHover(bool raiseEvent) {
  if (hoverJump_ < 0) return;
  const int old = hoverJump_;
  const bool wasShown = hoverShown_;
  hoverJump_ = -1;
  hoverShown_ = false;
  if (wasShown) InvalidateJump(old);
  if (raiseEvent && OnLTMouseMove) OnLTMouseMove(*this, -1);
}

void TCustomLectern::UpdateCursor(int x, int y) {
  const TLTStyle* style = Style();
  const bool inMargin = x + ViewLeft() < LeftMargin;
  if (inMargin && style && style->LineSelectCursor != -1 && biDiMode_ != ltbdRightToLeft && AllowSelection() &&
      mouseSel_ == TMouseSel::None) {
    Window().SetCursor(style->LineSelectCursor);
    return;
  }
  const int j = JumpIndexAt(x, y);
  if (j >= 0) {
    const TLTJumpInfo& info = data_->Jumps[static_cast<size_t>(j)];
    Window().SetCursor(info.Cursor != 0 ? info.Cursor : (style ? style->JumpCursor : crJump));
    SetHover(j);
    return;
  }
  ClearHover(true);
  TLTPointI rel;
  const TCustomLTItemInfo* item = HitItem(HitAt(x, y), rel);
  const TLTCursorId own = item ? item->CursorAt(rel.X, rel.Y) : crDefault;
  if (own != crDefault)
    Window().SetCursor(own);
  else if (!Options().Contains(ltoDisallowDrag) && IsInSelection(x, y))
    Window().SetCursor(crArrow);
  else
    Window().SetCursor(Cursor);
}

void TCustomLectern::UpdateItemHint(int x, int y) {
  if (!Options().Contains(ltoShowItemHints)) return;
  // Items inside table cells have hints of their own.
  const THit h = HitAt(x, y);
  if (h.DrawItem == hintDrawItem_ && h.Data == hintData_) return;
  hintDrawItem_ = h.DrawItem;
  hintData_ = h.Data;
  TLTString text;
  if (h.DrawItem >= 0) {
    const int itemNo = h.Data->DrawItems[h.DrawItem].ItemNo;
    text = h.Data->GetItem(itemNo).HintText.str();
    if (OnItemHint) OnItemHint(*this, *h.Data, itemNo, text);
  }
  if (text.empty()) text = Hint;
  if (text.empty())
    Window().CancelHint();
  else if (text != lastHint_)
    Window().ShowHint(text, {x, y});
  lastHint_ = text;
}

bool TCustomLectern::GetJumpLocation(int id, TCustomLTData*& data, int& itemNo) const {
  data = nullptr;
  itemNo = -1;
  const int want = id - FirstJumpNo();
  for (const TLTJumpInfo& j : data_->Jumps) {
    const TCustomLTFormattedData* owner = nullptr;
    if (j.Id != want || !JumpItem(j, *data_, owner, itemNo)) continue;
    data = const_cast<TCustomLTFormattedData*>(owner);
    return true;
  }
  data = nullptr;
  itemNo = -1;
  return false;
}

}  // namespace lectern
