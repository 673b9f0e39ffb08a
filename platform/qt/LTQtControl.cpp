// A control item's control over a Qt widget.

#include "platform/qt/LTQtControl.h"

#include <algorithm>

namespace lectern {

TLTQtControl::TLTQtControl(QWidget* widget) : widget_(widget) {
  if (widget) className_ = widget->metaObject()->className();
}

TLTQtControl::~TLTQtControl() { delete widget_.data(); }

int TLTQtControl::Width() const { return widget_ ? widget_->width() : 0; }
int TLTQtControl::Height() const { return widget_ ? widget_->height() : 0; }
bool TLTQtControl::Visible() const { return widget_ && !widget_->isHidden(); }

void TLTQtControl::SetVisible(bool visible) {
  if (widget_) widget_->setVisible(visible);
}

bool TLTQtControl::CanFocus() const { return widget_ && widget_->focusPolicy() != Qt::NoFocus; }

void TLTQtControl::SetWidth(int width) {
  if (widget_) widget_->resize(std::max(0, width), widget_->height());
}

void TLTQtControl::SetSize(int width, int height) {
  if (widget_) widget_->resize(std::max(0, width), std::max(0, height));
}

}  // namespace lectern
