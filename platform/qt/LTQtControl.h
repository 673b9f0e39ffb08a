#pragma once
// An embedded window control over a Qt widget: the document sizes, shows
// and hides it, and the Qt window shown the document makes the widget a
// child of its viewport and moves it to its item's place.

#include "platform/LTControl.h"

#include <QPointer>
#include <QWidget>

#include <string>

namespace lectern {

/// A control item's control holding a widget. The control owns the widget
/// until a window adopts it as a child; then whichever goes first takes it
/// along (the control deletes a widget still alive, a window deletes its
/// children).
class TLTQtControl final : public TLTControl {
 public:
  /// Takes the widget (not null).
  explicit TLTQtControl(QWidget* widget);
  ~TLTQtControl() override;
  TLTQtControl(const TLTQtControl&) = delete;
  TLTQtControl& operator=(const TLTQtControl&) = delete;

  std::string_view ClassName() const override { return className_; }
  int Width() const override;
  int Height() const override;
  bool Visible() const override;
  void SetVisible(bool visible) override;
  bool CanFocus() const override;
  void SetWidth(int width) override;
  void SetSize(int width, int height) override;

  /// The widget, or null once a window has deleted it.
  QWidget* Widget() const { return widget_.data(); }

 private:
  QPointer<QWidget> widget_;
  std::string className_;
};

}  // namespace lectern
