#pragma once
// The scrolling part of the viewer and editor controls: vertical positions
// in units of ScrollUnit pixels, horizontal positions in pixels, scroll bar
// ranges from the document size, scroll bar commands, the scroll keys and
// the mouse wheel. Scrolling moves the window's pixels and repaints only the
// uncovered band, unless the background is fixed to the window.

#include "platform/LTWindow.h"

#include <functional>

namespace lectern {

/// A control with scroll bars over a document of a given size. It lives in
/// a platform window that it does not own and that must outlive it.
class TLTScroller : public ILTWindowClient {
 public:
  /// The unit of vertical positions while the document is not too tall.
  static constexpr int DefaultScrollUnit = 10;
  /// The most units a vertical range may need before the unit grows.
  static constexpr int MaxScrollUnits = 32000;

  explicit TLTScroller(ILTWindow& window);
  ~TLTScroller() override;
  TLTScroller(const TLTScroller&) = delete;
  TLTScroller& operator=(const TLTScroller&) = delete;

  ILTWindow& Window() const { return window_; }

  // ---- Settings ---------------------------------------------------------------------
  /// The view follows the thumb while it is dragged.
  bool Tracking = true;
  /// Units per wheel notch at the system's default of 3 lines; 0 leaves
  /// the wheel to the platform.
  int WheelStep = 2;
  bool HScrollVisible() const { return hVisible_; }
  bool VScrollVisible() const { return vVisible_; }
  void SetHScrollVisible(bool visible);
  void SetVScrollVisible(bool visible);

  // ---- Position -----------------------------------------------------------------------
  int ScrollUnit() const { return unit_; }
  /// Vertical position in units, horizontal in pixels.
  int VScrollPosition() const { return vPos_; }
  int HScrollPosition() const { return hPos_; }
  int VScrollMax() const;
  int HScrollMax() const;
  /// Scrolls to the positions (clamped); nothing happens when they do not
  /// change.
  void SetVScrollPosition(int units);
  void SetHScrollPosition(int pixels);
  /// Scrolls so that document height y (pixels) is at the top.
  void ScrollTo(int y);
  /// The document size the ranges were last set for.
  int DocumentWidthPx() const { return docWidth_; }
  int DocumentHeightPx() const { return docHeight_; }

  // ---- Events -------------------------------------------------------------------------
  std::function<void(TLTScroller&)> OnVScrolled;
  std::function<void(TLTScroller&)> OnHScrolled;
  /// After a resize, and after the scroll ranges were set.
  std::function<void(TLTScroller&)> OnResize;

  // ---- ILTWindowClient (the parts scrolling answers) -----------------------------
  bool MouseWheel(TLTShiftState shift, int delta, int x, int y) override;
  void ScrollBarCommand(TLTScrollBarKind bar, TLTScrollCode code, int position) override;

 protected:
  /// Sets the scroll ranges for a document of width x height pixels
  /// (margins included), keeping positions within them; then OnResize.
  void SetDocumentSize(int width, int height);
  /// Sets the scroll bars again for the current client size; calls
  /// Resized afterwards when that changed the client size.
  void UpdateScrollBars();
  /// True while the scroll bars are being set: a resize reported then is
  /// handled when they are settled.
  bool InScrollBarUpdate() const { return updatingBars_; }
  /// One step of a scroll bar asked for from the keyboard; true when it
  /// scrolled (or would have, at a limit), false when keys do not scroll.
  bool ScrollByKey(TLTScrollBarKind bar, TLTScrollCode code);
  /// Cleared by a control that moves a caret with the scrolling keys.
  bool ScrollKeysEnabled = true;
  /// True when scrolling must repaint everything (a background picture
  /// that stays in place).
  virtual bool IsBackgroundFixed() const { return false; }
  /// After every change of a scroll position (also by clamping).
  virtual void Scrolled(bool /*vertical*/) {}

 private:
  void ChooseUnit();

  ILTWindow& window_;  // not owned; outlives the control
  int unit_ = DefaultScrollUnit;
  int vPos_ = 0;
  int hPos_ = 0;
  int docWidth_ = 0;
  int docHeight_ = 0;
  bool hVisible_ = true;
  bool vVisible_ = true;
  int wheelRest_ = 0;
  bool updatingBars_ = false;
};

}  // namespace lectern
