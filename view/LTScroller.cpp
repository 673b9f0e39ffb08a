// Scrolling: ranges, positions, scroll bar commands, keys and the wheel.

#include "view/LTScroller.h"

#include "platform/LTSysUtils.h"

#include <algorithm>

namespace lectern {

namespace {

int CeilDiv(int64_t a, int64_t b) { return static_cast<int>((a + b - 1) / b); }

}  // namespace

TLTScroller::TLTScroller(ILTWindow& window) : window_(window) { window_.SetClient(this); }

TLTScroller::~TLTScroller() { window_.SetClient(nullptr); }

void TLTScroller::SetHScrollVisible(bool visible) {
  if (hVisible_ == visible) return;
  hVisible_ = visible;
  UpdateScrollBars();
}

void TLTScroller::SetVScrollVisible(bool visible) {
  if (vVisible_ == visible) return;
  vVisible_ = visible;
  ChooseUnit();
  UpdateScrollBars();
}

int TLTScroller::VScrollMax() const {
  const int range = CeilDiv(std::max(docHeight_, 0), unit_);
  return std::max(0, range - window_.ClientSize().Height / unit_);
}

int TLTScroller::HScrollMax() const { return std::max(0, docWidth_ - window_.ClientSize().Width); }

void TLTScroller::ChooseUnit() {
  const int64_t h = std::max(docHeight_, 0);
  const int oldUnit = unit_;
  if (vVisible_ && CeilDiv(h, DefaultScrollUnit) > MaxScrollUnits) {
    int unit = static_cast<int>(h / MaxScrollUnits);
    if (CeilDiv(h, unit) > MaxScrollUnits) ++unit;
    unit_ = std::max(unit, DefaultScrollUnit);
  } else if (unit_ > DefaultScrollUnit && CeilDiv(h, DefaultScrollUnit) <= MaxScrollUnits) {
    unit_ = DefaultScrollUnit;
  }
  // The view keeps showing the same pixels under the new unit.
  if (unit_ != oldUnit) vPos_ = static_cast<int>(static_cast<int64_t>(vPos_) * oldUnit / unit_);
}

void TLTScroller::UpdateScrollBars() {
  const int oldV = vPos_, oldH = hPos_;
  const bool outer = !updatingBars_;
  const TLTSizeI start = window_.ClientSize();
  updatingBars_ = true;
  // A bar that comes or goes changes the other bar's page, so the pair is
  // settled in a few rounds.
  for (int round = 0; round < 3; ++round) {
    const TLTSizeI before = window_.ClientSize();
    TLTScrollBarInfo h;
    h.Range = std::max(docWidth_, 0);
    h.Page = before.Width;
    hPos_ = std::clamp(hPos_, 0, std::max(0, h.Range - h.Page));
    h.Position = hPos_;
    h.Allowed = hVisible_;
    window_.SetScrollBar(TLTScrollBarKind::Horizontal, h);

    TLTScrollBarInfo v;
    v.Range = CeilDiv(std::max(docHeight_, 0), unit_);
    v.Page = window_.ClientSize().Height / unit_;
    vPos_ = std::clamp(vPos_, 0, std::max(0, v.Range - v.Page));
    v.Position = vPos_;
    v.Allowed = vVisible_;
    window_.SetScrollBar(TLTScrollBarKind::Vertical, v);
    if (window_.ClientSize() == before) break;
  }
  if (outer) updatingBars_ = false;
  if (vPos_ != oldV || hPos_ != oldH) {
    window_.InvalidateAll();
    if (vPos_ != oldV) Scrolled(true);
    if (hPos_ != oldH) Scrolled(false);
  }
  // The window told the client of the new size while the bars were being
  // settled, when it could not act on it; now it can.
  if (outer && window_.ClientSize() != start) Resized();
}

void TLTScroller::SetDocumentSize(int width, int height) {
  docWidth_ = std::max(width, 0);
  docHeight_ = std::max(height, 0);
  ChooseUnit();
  UpdateScrollBars();
  if (OnResize) OnResize(*this);
}

void TLTScroller::SetVScrollPosition(int units) {
  units = std::clamp(units, 0, VScrollMax());
  if (units == vPos_) return;
  const int64_t dy = static_cast<int64_t>(vPos_ - units) * unit_;
  vPos_ = units;
  TLTScrollBarInfo v = window_.ScrollBar(TLTScrollBarKind::Vertical);
  v.Position = vPos_;
  window_.SetScrollBar(TLTScrollBarKind::Vertical, v);
  const int height = window_.ClientSize().Height;
  if (IsBackgroundFixed() || dy >= height || -dy >= height) {
    window_.InvalidateAll();
  } else {
    window_.ScrollClient(0, static_cast<int>(dy));
    window_.UpdateNow();
  }
  Scrolled(true);
  if (OnVScrolled) OnVScrolled(*this);
}

void TLTScroller::SetHScrollPosition(int pixels) {
  pixels = std::clamp(pixels, 0, HScrollMax());
  if (pixels == hPos_) return;
  const int dx = hPos_ - pixels;
  hPos_ = pixels;
  TLTScrollBarInfo h = window_.ScrollBar(TLTScrollBarKind::Horizontal);
  h.Position = hPos_;
  window_.SetScrollBar(TLTScrollBarKind::Horizontal, h);
  const int width = window_.ClientSize().Width;
  if (IsBackgroundFixed() || dx >= width || -dx >= width) {
    window_.InvalidateAll();
  } else {
    window_.ScrollClient(dx, 0);
    window_.UpdateNow();
  }
  Scrolled(false);
  if (OnHScrolled) OnHScrolled(*this);
}

void TLTScroller::ScrollTo(int y) { SetVScrollPosition(y / unit_); }

void TLTScroller::ScrollBarCommand(TLTScrollBarKind bar, TLTScrollCode code, int position) {
  const TLTSizeI client = window_.ClientSize();
  if (bar == TLTScrollBarKind::Vertical) {
    const int page = client.Height / unit_;
    switch (code) {
      case TLTScrollCode::LineUp:
        SetVScrollPosition(vPos_ - 1);
        break;
      case TLTScrollCode::LineDown:
        SetVScrollPosition(vPos_ + 1);
        break;
      case TLTScrollCode::PageUp:
        SetVScrollPosition(vPos_ - page);
        break;
      case TLTScrollCode::PageDown:
        SetVScrollPosition(vPos_ + page);
        break;
      case TLTScrollCode::ThumbPosition:
        SetVScrollPosition(position);
        break;
      case TLTScrollCode::ThumbTrack:
        if (Tracking) SetVScrollPosition(position);
        break;
      case TLTScrollCode::Top:
        SetVScrollPosition(0);
        break;
      case TLTScrollCode::Bottom:
        SetVScrollPosition(CeilDiv(docHeight_, unit_));
        break;
      case TLTScrollCode::EndScroll:
        break;
    }
    return;
  }
  switch (code) {
    case TLTScrollCode::LineUp:
      SetHScrollPosition(hPos_ - unit_);
      break;
    case TLTScrollCode::LineDown:
      SetHScrollPosition(hPos_ + unit_);
      break;
    case TLTScrollCode::PageUp:
      SetHScrollPosition(hPos_ - client.Width);
      break;
    case TLTScrollCode::PageDown:
      SetHScrollPosition(hPos_ + client.Width);
      break;
    case TLTScrollCode::ThumbPosition:
      SetHScrollPosition(position);
      break;
    case TLTScrollCode::ThumbTrack:
      if (Tracking) SetHScrollPosition(position);
      break;
    case TLTScrollCode::Top:
      SetHScrollPosition(0);
      break;
    case TLTScrollCode::Bottom:
      SetHScrollPosition(docWidth_);
      break;
    case TLTScrollCode::EndScroll:
      break;
  }
}

bool TLTScroller::ScrollByKey(TLTScrollBarKind bar, TLTScrollCode code) {
  if (!ScrollKeysEnabled) return false;
  ScrollBarCommand(bar, code, 0);
  return true;
}

bool TLTScroller::MouseWheel(TLTShiftState /*shift*/, int delta, int /*x*/, int /*y*/) {
  if (WheelStep == 0) return false;
  const int lines = window_.WheelScrollLines();
  if (lines == 0) return false;
  // Fine-grained wheels send parts of a notch; they add up to whole ones.
  wheelRest_ += delta;
  const int notches = wheelRest_ / LTWheelDelta;
  wheelRest_ -= notches * LTWheelDelta;
  if (notches == 0) return true;
  const int perNotch =
      lines < 0 ? window_.ClientSize().Height / unit_ : RoundHalfEven(static_cast<double>(WheelStep) * lines / 3.0);
  // Turning the wheel towards the user (negative delta) moves forward.
  SetVScrollPosition(vPos_ - notches * perNotch);
  return true;
}

}  // namespace lectern
