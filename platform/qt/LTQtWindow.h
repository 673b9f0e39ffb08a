#pragma once
// The platform window over Qt widgets: a scroll area whose viewport the
// control paints through a TLTQtCanvas, whose scroll bars the control sets,
// and whose paint, resize, mouse, wheel, key, focus and timer events are
// forwarded to the control. The control scrolls by moving the viewport's
// pixels itself; the scroll area never scrolls on its own.
//
// No exception from the control crosses a Qt event handler: each forward
// catches, reports through qWarning and goes on.

#include "platform/LTWindow.h"
#include "platform/qt/LTQtAccessible.h"
#include "platform/qt/LTQtApplication.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QImage>

#include <map>
#include <memory>

class QPainter;

namespace lectern {

class TLTQtCanvas;

/// The Qt widget a control runs in. A QApplication must exist.
class TLTQtWindow final : public QAbstractScrollArea, public ILTWindow {
 public:
  explicit TLTQtWindow(QWidget* parent = nullptr);
  ~TLTQtWindow() override;

  // ---- ILTWindow ------------------------------------------------------------------
  void SetClient(ILTWindowClient* client) override { client_ = client; }
  /// The control living in the window (not owned), null when none.
  ILTWindowClient* Client() const { return client_; }
  TLTSizeI ClientSize() const override;
  void Invalidate(const TLTRectI& r) override;
  void InvalidateAll() override;
  void UpdateNow() override;
  void ScrollClient(int dx, int dy) override;
  TLTCanvas& FormatCanvas() override;
  void SetScrollBar(TLTScrollBarKind bar, const TLTScrollBarInfo& info) override;
  TLTScrollBarInfo ScrollBar(TLTScrollBarKind bar) const override;
  void SetScrollBarOnLeft(bool left) override;
  void StartTimer(int id, int intervalMs) override;
  void StopTimer(int id) override;
  void SetCapture() override { capture_ = true; }
  void ReleaseCapture() override { capture_ = false; }
  bool HasCapture() const override { return capture_; }
  void SetCursor(TLTCursorId cursor) override;
  TLTPointI PointerPos() const override;
  bool IsButtonDown(TLTMouseButton button) const override;
  TLTShiftState KeyboardState() const override;
  TLTPointI ClientToScreen(TLTPointI p) const override;
  int WheelScrollLines() const override;
  bool IsFocused() const override { return hasFocus(); }
  void SetFocus() override { setFocus(Qt::OtherFocusReason); }
  int CaretBlinkTime() const override;
  void InputMethodChanged() override;
  void Beep() override;
  void SetClipboard(const TLTClipboardData& data) override;
  TLTClipboardData Clipboard() const override;
  void SetPrimarySelection(const TLTString& text) override;
  /// The resolution text and lengths are laid out and painted at: the
  /// screen's 96 for 100 %, more to zoom in. The client must lay its
  /// document out again.
  void SetPixelsPerInch(int ppi);
  int PixelsPerInch() const { return ppi_; }
  TLTString PrimarySelection() const override;
  int DragThreshold() const override;
  TLTDropEffects StartDrag(const TLTDragSource& source, TLTDropEffects allowed) override;
  void ShowHint(const TLTString& text, TLTPointI at) override;
  void CancelHint() override;
  void PostDeferred(std::function<void()> call) override;
  /// Qt queues posted events thread-safely, so the same path serves.
  void PostFromThread(std::function<void()> call) override { PostDeferred(std::move(call)); }
  /// Controls over widgets (TLTQtControl) become children of the viewport.
  void PlaceControl(TLTControl& control, TLTPointI topLeft, bool visible) override;
  /// Reported after the event under way, once however many changes it made.
  void AccessibleChanged(TLTAccessibleChange change) override;

  /// The cursor number last set (for tests).
  TLTCursorId CursorId() const { return cursor_; }
  /// What the input method asks of the control.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  bool event(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void customEvent(QEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void PaintFocusFrame(QPainter& p);
  void BarAction(TLTScrollBarKind bar, int action);
  void BarReleased(TLTScrollBarKind bar);

  ILTWindowClient* client_ = nullptr;  // not owned
  TLTScrollBarInfo bars_[2];
  std::map<int, QBasicTimer> timers_;
  QImage formatImage_;
  QImage paintBuffer_;  // the off-screen buffer of a paint
  std::unique_ptr<TLTQtCanvas> formatCanvas_;
  TLTCursorId cursor_ = crDefault;
  bool capture_ = false;
  int ppi_ = LTScreenPixelsPerInch;
  /// When and where the last double click was, to know a third press.
  qint64 doubleClickAt_ = -1;
  QPoint doubleClickPos_;
  TLTQtAccessibleReport accessibleReport_;
  bool accessiblePending_ = false;
};

}  // namespace lectern
