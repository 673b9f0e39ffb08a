// The viewer's keyboard: keys looked up in the key map and carried out as
// commands, and the keyboard focus moving between the document's
// hyperlinks and controls with the frame that shows it.

#include "style/LTStyle.h"
#include "view/CLectern.h"

#include <algorithm>

namespace lectern {

// ---- Keyboard ---------------------------------------------------------------------------------

std::vector<TCustomLectern::TTarget> TCustomLectern::NavigationTargets() const {
  std::vector<TTarget> targets;
  int lastId = -1;
  for (const TLTJumpInfo& j : data_->Jumps) {
    if (j.Id == lastId) continue;
    lastId = j.Id;
    const TCustomLTFormattedData* data = nullptr;
    int itemNo = -1;
    if (!JumpItem(j, *data_, data, itemNo) || data != data_.get()) itemNo = -1;
    targets.push_back({j.OwnerDrawItemIndex, j.Id, itemNo});
  }
  for (int i = 0; i < data_->ItemCount(); ++i) {
    const TCustomLTItemInfo& item = data_->GetItem(i);
    // Controls that can take the focus are stops of their own.
    if (item.IsText() || !item.GetBoolValue(iqTabStop) || item.FirstDrawItem < 0) continue;
    if (item.GetBoolValueEx(iqxActive, Style())) targets.push_back({item.FirstDrawItem, -1, i});
  }
  std::stable_sort(targets.begin(), targets.end(),
                   [](const TTarget& a, const TTarget& b) { return a.DrawItem < b.DrawItem; });
  return targets;
}

std::vector<TLTRectI> TCustomLectern::FocusRects() const {
  std::vector<TLTRectI> rects;
  const int dx = ViewLeft(), dy = ViewTop();
  // A piece may reach out of its line (lines of an exact height): its
  // frame stays inside the line, where repainting the line removes it.
  auto framed = [&](const TCustomLTFormattedData& data, int drawItem, TLTRectI r) {
    const TLTLineBox line = data.LineOf(drawItem);
    const int top = line.Top + data.GetOriginInControl().Y - dy;
    const int bottom = line.Bottom + data.GetOriginInControl().Y - dy;
    r.Top = std::clamp(r.Top, top, bottom);
    r.Bottom = std::clamp(r.Bottom, r.Top, bottom);
    rects.push_back(r);
  };
  if (focusJump_ >= 0) {
    for (const TLTJumpInfo& j : data_->Jumps) {
      const TCustomLTFormattedData* data = nullptr;
      int itemNo = 0;
      if (j.Id != focusJump_ || !JumpItem(j, *data_, data, itemNo)) continue;
      framed(*data, j.DrawItemIndex, {j.Left - dx, j.Top - dy, j.Left - dx + j.Width, j.Top - dy + j.Height});
    }
  } else if (focusItem_ >= 0 && focusItem_ < data_->ItemCount()) {
    const int d = data_->GetItem(focusItem_).FirstDrawItem;
    if (d >= 0 && d < data_->DrawItems.Count()) {
      const TLTDrawLineInfo& p = data_->DrawItems[d];
      framed(*data_, d, {p.Left - dx, p.Top - dy, p.Left - dx + p.Width, p.Top - dy + p.Height});
    }
  }
  return rects;
}

void TCustomLectern::InvalidateFocusOverlay() {
  for (const TLTRectI& r : FocusRects()) Window().Invalidate(r.Inflated(1));
}

void TCustomLectern::SetKeyboardFocus(int jumpId, int itemNo) {
  if (focusJump_ == jumpId && focusItem_ == itemNo) return;
  InvalidateFocusOverlay();
  focusJump_ = jumpId;
  focusItem_ = itemNo;
  InvalidateFocusOverlay();
  // Bring what took the focus into view.
  const std::vector<TLTRectI> rects = FocusRects();
  if (rects.empty()) return;
  const int height = Window().ClientSize().Height;
  const TLTRectI& r = rects.front();
  if (r.Top < 0 || r.Bottom > height) ScrollTo(std::max(0, r.Top + ViewTop()));
}

bool TCustomLectern::MoveKeyboardFocus(bool forward) {
  const std::vector<TTarget> targets = NavigationTargets();
  int current = -1;
  for (size_t i = 0; i < targets.size(); ++i) {
    const TTarget& t = targets[i];
    if ((focusJump_ >= 0 && t.JumpId == focusJump_) ||
        (focusJump_ < 0 && focusItem_ >= 0 && t.JumpId < 0 && t.ItemNo == focusItem_))
      current = static_cast<int>(i);
  }
  const int n = static_cast<int>(targets.size());
  const int next = current < 0 ? (forward ? 0 : n - 1) : current + (forward ? 1 : -1);
  if (next < 0 || next >= n) {
    // Past the last one the focus leaves the control.
    SetKeyboardFocus(-1, -1);
    return false;
  }
  const TTarget& t = targets[static_cast<size_t>(next)];
  SetKeyboardFocus(t.JumpId, t.JumpId >= 0 ? -1 : t.ItemNo);
  return true;
}

bool TCustomLectern::KeyDown(int key, TLTShiftState shift) {
  const TLTCommand command = KeyMap.Find(key, shift);
  return command != ltkcNone && ExecuteCommand(command);
}

bool TCustomLectern::WantsKey(int key, TLTShiftState shift) {
  if (focusItem_ >= 0) return true;
  if (key == vkLeft || key == vkRight || key == vkUp || key == vkDown) return true;
  // Tab moves the focus out of the control unless it moves it inside.
  const TLTCommand command = KeyMap.Find(key, shift);
  return IsLinkNavigation(command);
}

bool TCustomLectern::ClaimsKey(int key, TLTShiftState shift) {
  // Keys with Ctrl or Alt are what menus bind; the document takes those it
  // has a command for.
  const TLTShiftState mods = KeyModifiers(shift);
  return (mods.Contains(ssCtrl) || mods.Contains(ssAlt)) && KeyMap.Find(key, shift) != ltkcNone;
}

bool TCustomLectern::IsLinkNavigation(TLTCommand command) const {
  switch (command) {
    case ltkcNextLink:
    case ltkcPrevLink:
      return TabNavigation == lttnTab;
    case ltkcNextLinkCtrl:
    case ltkcPrevLinkCtrl:
      return TabNavigation == lttnCtrlTab;
    default:
      return false;
  }
}

bool TCustomLectern::ExecuteCommand(TLTCommand command) {
  constexpr auto V = TLTScrollBarKind::Vertical;
  constexpr auto H = TLTScrollBarKind::Horizontal;
  switch (command) {
    case ltkcCopy:
      CopyDefault();
      return true;
    case ltkcCut:
      return CutCommand();
    case ltkcPaste:
      return PasteCommand();
    case ltkcNextLink:
    case ltkcNextLinkCtrl:
      return IsLinkNavigation(command) && MoveKeyboardFocus(true);
    case ltkcPrevLink:
    case ltkcPrevLinkCtrl:
      return IsLinkNavigation(command) && MoveKeyboardFocus(false);
    case ltkcFollowLink:
      if (focusJump_ < 0) return false;
      if (OnJump) OnJump(*this, FirstJumpNo() + focusJump_);
      return true;
    case ltkcScrollLineUp:
      return ScrollByKey(V, TLTScrollCode::LineUp);
    case ltkcScrollLineDown:
      return ScrollByKey(V, TLTScrollCode::LineDown);
    case ltkcScrollPageUp:
      return ScrollByKey(V, TLTScrollCode::PageUp);
    case ltkcScrollPageDown:
      return ScrollByKey(V, TLTScrollCode::PageDown);
    case ltkcScrollTop:
      return ScrollByKey(V, TLTScrollCode::Top);
    case ltkcScrollBottom:
      return ScrollByKey(V, TLTScrollCode::Bottom);
    case ltkcScrollLeft:
      return ScrollByKey(H, TLTScrollCode::LineUp);
    case ltkcScrollRight:
      return ScrollByKey(H, TLTScrollCode::LineDown);
    default:
      return false;
  }
}

void TCustomLectern::PaintOverlays(TLTCanvas& canvas) {
  const std::vector<TLTRectI> rects = FocusRects();
  if (rects.empty()) return;
  canvas.Save();
  canvas.SetPen({clFocusFrame, 1, psDot});
  canvas.SetBrush({clFocusFrame, bsClear});
  for (const TLTRectI& r : rects) canvas.Rectangle(r);
  canvas.Restore();
}

}  // namespace lectern
