// The window of a nested editor: an area of its outer editor's window.

#include "edit/LTNestedWindow.h"

namespace lectern {

TLTPointI TLTNestedWindow::ToParent(TLTPointI p) const {
  const TLTRectI b = Bounds();
  return {p.X + b.Left, p.Y + b.Top};
}

TLTSizeI TLTNestedWindow::ClientSize() const {
  const TLTRectI b = Bounds();
  return {b.Width(), b.Height()};
}

void TLTNestedWindow::Invalidate(const TLTRectI& r) {
  // Not clipped to the area: the caret and glyphs reach a pixel or two
  // beyond the lines they stand on.
  const TLTRectI b = Bounds();
  parent_.Invalidate(r.Moved(b.Left, b.Top));
}

void TLTNestedWindow::InvalidateAll() {
  const TLTRectI b = Bounds();
  if (!b.IsEmpty()) parent_.Invalidate(b);
}

void TLTNestedWindow::ScrollClient(int /*dx*/, int /*dy*/) { InvalidateAll(); }

void TLTNestedWindow::SetScrollBar(TLTScrollBarKind bar, const TLTScrollBarInfo& info) {
  // A nested area never shows bars: the outer window scrolls for it.
  TLTScrollBarInfo kept = info;
  kept.Allowed = false;
  bars_[bar == TLTScrollBarKind::Vertical ? 1 : 0] = kept;
}

TLTScrollBarInfo TLTNestedWindow::ScrollBar(TLTScrollBarKind bar) const {
  return bars_[bar == TLTScrollBarKind::Vertical ? 1 : 0];
}

TLTPointI TLTNestedWindow::PointerPos() const {
  const TLTPointI p = parent_.PointerPos();
  const TLTRectI b = Bounds();
  return {p.X - b.Left, p.Y - b.Top};
}

}  // namespace lectern
