#pragma once
// The window of an editor nested inside another editor (a table cell's):
// an area of the outer editor's window with no pixels, timers or input of
// its own. Everything it is asked goes to the window it lies in, with
// coordinates moved by its place there; the outer editor routes input and
// painting down to the nested one.

#include "platform/LTWindow.h"

#include <functional>

namespace lectern {

/// Timers of a nested editor run in the outer window under their number
/// plus this, so that the outer editor knows whose they are.
constexpr int LTNestedTimerBase = 16;

class TLTNestedWindow final : public ILTWindow {
 public:
  /// bounds answers where the area lies in the parent's client area now (it
  /// moves with the document around it).
  TLTNestedWindow(ILTWindow& parent, std::function<TLTRectI()> bounds)
      : parent_(parent), bounds_(std::move(bounds)) {}

  ILTWindow& Parent() const { return parent_; }
  /// The area in the parent's client coordinates.
  TLTRectI Bounds() const { return bounds_(); }
  TLTPointI ToParent(TLTPointI p) const;

  void SetClient(ILTWindowClient* /*client*/) override {}
  TLTSizeI ClientSize() const override;
  void Invalidate(const TLTRectI& r) override;
  void InvalidateAll() override;
  void UpdateNow() override { parent_.UpdateNow(); }
  void ScrollClient(int dx, int dy) override;
  TLTCanvas& FormatCanvas() override { return parent_.FormatCanvas(); }
  void SetScrollBar(TLTScrollBarKind bar, const TLTScrollBarInfo& info) override;
  TLTScrollBarInfo ScrollBar(TLTScrollBarKind bar) const override;
  void SetScrollBarOnLeft(bool /*left*/) override {}
  void StartTimer(int id, int intervalMs) override { parent_.StartTimer(id + LTNestedTimerBase, intervalMs); }
  void StopTimer(int id) override { parent_.StopTimer(id + LTNestedTimerBase); }
  void SetCapture() override { parent_.SetCapture(); }
  void ReleaseCapture() override { parent_.ReleaseCapture(); }
  bool HasCapture() const override { return parent_.HasCapture(); }
  void SetCursor(TLTCursorId cursor) override { parent_.SetCursor(cursor); }
  TLTPointI PointerPos() const override;
  bool IsButtonDown(TLTMouseButton button) const override { return parent_.IsButtonDown(button); }
  TLTShiftState KeyboardState() const override { return parent_.KeyboardState(); }
  TLTPointI ClientToScreen(TLTPointI p) const override { return parent_.ClientToScreen(ToParent(p)); }
  int WheelScrollLines() const override { return parent_.WheelScrollLines(); }
  bool IsFocused() const override { return parent_.IsFocused(); }
  void SetFocus() override { parent_.SetFocus(); }
  int CaretBlinkTime() const override { return parent_.CaretBlinkTime(); }
  void InputMethodChanged() override { parent_.InputMethodChanged(); }
  void Beep() override { parent_.Beep(); }
  void PlaceControl(TLTControl& control, TLTPointI topLeft, bool visible) override {
    parent_.PlaceControl(control, ToParent(topLeft), visible);
  }
  void SetClipboard(const TLTClipboardData& data) override { parent_.SetClipboard(data); }
  TLTClipboardData Clipboard() const override { return parent_.Clipboard(); }
  void SetPrimarySelection(const TLTString& text) override { parent_.SetPrimarySelection(text); }
  TLTString PrimarySelection() const override { return parent_.PrimarySelection(); }
  int DragThreshold() const override { return parent_.DragThreshold(); }
  TLTDropEffects StartDrag(const TLTDragSource& source, TLTDropEffects allowed) override {
    return parent_.StartDrag(source, allowed);
  }
  void ShowHint(const TLTString& text, TLTPointI at) override { parent_.ShowHint(text, ToParent(at)); }
  void CancelHint() override { parent_.CancelHint(); }
  void PostDeferred(std::function<void()> call) override { parent_.PostDeferred(std::move(call)); }
  /// The outer window speaks for the whole document, cells included.
  void AccessibleChanged(TLTAccessibleChange change) override { parent_.AccessibleChanged(change); }

 private:
  ILTWindow& parent_;  // not owned
  std::function<TLTRectI()> bounds_;
  TLTScrollBarInfo bars_[2];
};

}  // namespace lectern
