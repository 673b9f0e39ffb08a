// The platform window over a Qt scroll area.

#include "platform/qt/LTQtWindow.h"

#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtCanvas.h"
#include "platform/qt/LTQtControl.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimerEvent>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace lectern {

namespace {

/// A call posted to run after the current event; Qt frees it (and drops it
/// with the window).
class TDeferredEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const int kind = QEvent::registerEventType();
    return static_cast<QEvent::Type>(kind);
  }
  explicit TDeferredEvent(std::function<void()> call) : QEvent(Kind()), Call(std::move(call)) {}
  std::function<void()> Call;
};

/// Runs a forward to the control; what it throws stops here.
template <class F>
void Guarded(const char* what, F&& f) {
  // The user hears that the action failed; the window stays usable.
  try {
    f();
  } catch (const std::exception& e) {
    qWarning("lectern: %s failed: %s", what, e.what());
    QApplication::beep();
  } catch (...) {
    qWarning("lectern: %s failed", what);
    QApplication::beep();
  }
}

/// Pixels of the frame around the area while it has the focus.
constexpr int kFocusFrameWidth = 2;

size_t BarIndex(TLTScrollBarKind bar) { return bar == TLTScrollBarKind::Vertical ? 1 : 0; }

TLTShiftState ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b = Qt::NoButton) {
  TLTShiftState s;
  if (m & Qt::ShiftModifier) s.Include(ssShift);
  if (m & Qt::ControlModifier) s.Include(ssCtrl);
  if (m & Qt::AltModifier) s.Include(ssAlt);
  if (b & Qt::LeftButton) s.Include(ssLeft);
  if (b & Qt::RightButton) s.Include(ssRight);
  if (b & Qt::MiddleButton) s.Include(ssMiddle);
  return s;
}

bool ButtonOf(Qt::MouseButton b, TLTMouseButton& out) {
  switch (b) {
    case Qt::LeftButton:
      out = TLTMouseButton::Left;
      return true;
    case Qt::RightButton:
      out = TLTMouseButton::Right;
      return true;
    case Qt::MiddleButton:
      out = TLTMouseButton::Middle;
      return true;
    default:
      return false;
  }
}

/// The key number of a Qt key, 0 for keys controls do not handle by number.
int KeyOf(int key) {
  switch (key) {
    case Qt::Key_Backspace:
      return vkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vkReturn;
    case Qt::Key_Escape:
      return vkEscape;
    case Qt::Key_Space:
      return vkSpace;
    case Qt::Key_PageUp:
      return vkPrior;
    case Qt::Key_PageDown:
      return vkNext;
    case Qt::Key_End:
      return vkEnd;
    case Qt::Key_Home:
      return vkHome;
    case Qt::Key_Left:
      return vkLeft;
    case Qt::Key_Up:
      return vkUp;
    case Qt::Key_Right:
      return vkRight;
    case Qt::Key_Down:
      return vkDown;
    case Qt::Key_Insert:
      return vkInsert;
    case Qt::Key_Delete:
      return vkDelete;
    default:
      break;
  }
  // Qt numbers letters and digits by their upper-case ASCII codes.
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vkF1 + (key - Qt::Key_F1);
  return 0;
}

/// Whether a key only ever commands and never types: modifiers, locks,
/// function keys, Escape, the menu key and the like, whatever text the
/// keyboard attaches to them.
bool NeverTypes(int key) {
  switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Menu:
    case Qt::Key_Pause:
    case Qt::Key_Print:
    case Qt::Key_SysReq:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
      return true;
    default:
      return key >= Qt::Key_F1 && key <= Qt::Key_F35;
  }
}

/// The text a key types: none for keys that never type, and none when it
/// is a control character (Ctrl with a letter types nothing).
std::u16string TypedText(const QKeyEvent* e) {
  if (NeverTypes(e->key())) return {};
  // A key with Ctrl or Alt is a command or nothing; Qt still attaches the
  // key's character to some (Ctrl+=, Ctrl+., Alt+x). Ctrl and Alt together
  // stand for AltGr where that composes characters (@ on many layouts).
  const Qt::KeyboardModifiers chord = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
  if (chord && chord != (Qt::ControlModifier | Qt::AltModifier)) return {};
  std::u16string t = e->text().toStdU16String();
  if (t.empty() || std::any_of(t.begin(), t.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; })) return {};
  return t;
}

TLTShiftState KeyShift(const QKeyEvent* e) {
  TLTShiftState s = ShiftOf(e->modifiers());
  if (e->key() == Qt::Key_Backtab) s.Include(ssShift);
  return s;
}

/// The arrow of the selection margin: the usual arrow, mirrored.
QCursor FlipArrowCursor() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  const QPolygon arrow(
      {QPoint(15, 0), QPoint(15, 12), QPoint(12, 9), QPoint(9, 15), QPoint(7, 14), QPoint(10, 8), QPoint(5, 8)});
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawPolygon(arrow);
  p.end();
  return QCursor(pm, 15, 0);
}

QCursor CursorOf(TLTCursorId id) {
  switch (id) {
    case crNone:
      return QCursor(Qt::BlankCursor);
    case crCross:
      return QCursor(Qt::CrossCursor);
    case crIBeam:
      return QCursor(Qt::IBeamCursor);
    case crSizeNESW:
      return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS:
      return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE:
      return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE:
      return QCursor(Qt::SizeHorCursor);
    case crUpArrow:
      return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
      return QCursor(Qt::WaitCursor);
    case crDrag:
    case crMultiDrag:
      return QCursor(Qt::DragCopyCursor);
    case crNoDrop:
    case crNo:
      return QCursor(Qt::ForbiddenCursor);
    case crHSplit:
      return QCursor(Qt::SplitHCursor);
    case crVSplit:
      return QCursor(Qt::SplitVCursor);
    case crAppStart:
      return QCursor(Qt::BusyCursor);
    case crHelp:
      return QCursor(Qt::WhatsThisCursor);
    case crHandPoint:
    case 101:
      return QCursor(Qt::PointingHandCursor);
    case crSizeAll:
      return QCursor(Qt::SizeAllCursor);
    case 106:
      return FlipArrowCursor();
    default:
      return QCursor(Qt::ArrowCursor);
  }
}

}  // namespace

// ---- Construction -------------------------------------------------------------------------

TLTQtWindow::TLTQtWindow(QWidget* parent) : QAbstractScrollArea(parent), formatImage_(1, 1, QImage::Format_RGB32) {
  InstallAccessibleFactory();
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setMouseTracking(true);
  // Drops reach the control, which refuses what it cannot take.
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  // Positions count from the left whatever the reading order.
  horizontalScrollBar()->setLayoutDirection(Qt::LeftToRight);
  viewport()->setLayoutDirection(Qt::LeftToRight);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (TLTScrollBarKind kind : {TLTScrollBarKind::Horizontal, TLTScrollBarKind::Vertical}) {
    QScrollBar* bar = kind == TLTScrollBarKind::Vertical ? verticalScrollBar() : horizontalScrollBar();
    bar->setTracking(true);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, kind](int action) { BarAction(kind, action); });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this, kind] { BarReleased(kind); });
  }
}

TLTQtWindow::~TLTQtWindow() = default;

// ---- Area and painting ----------------------------------------------------------------------

TLTSizeI TLTQtWindow::ClientSize() const { return {viewport()->width(), viewport()->height()}; }

void TLTQtWindow::Invalidate(const TLTRectI& r) {
  if (!r.IsEmpty()) viewport()->update(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TLTQtWindow::InvalidateAll() { viewport()->update(); }

void TLTQtWindow::UpdateNow() {
  if (viewport()->isVisible()) viewport()->repaint();
}

void TLTQtWindow::ScrollClient(int dx, int dy) { viewport()->scroll(dx, dy); }

TLTCanvas& TLTQtWindow::FormatCanvas() {
  if (!formatCanvas_) formatCanvas_ = std::make_unique<TLTQtCanvas>(formatImage_, ppi_);
  return *formatCanvas_;
}

void TLTQtWindow::SetPixelsPerInch(int ppi) {
  ppi = std::clamp(ppi, 8, 2000);
  if (ppi == ppi_) return;
  ppi_ = ppi;
  // Measuring and painting must agree: both canvases take the new scale.
  formatCanvas_.reset();
  viewport()->update();
}

void TLTQtWindow::paintEvent(QPaintEvent* e) {
  if (!client_) {
    QPainter p(viewport());
    p.fillRect(e->rect(), palette().base());
    return;
  }
  const QRect r = e->rect();
  // Painted into an image first, like the image layout measures on: the
  // same device kind gives the same glyph advances, so text lands where
  // layout put it, and the screen gets the result in one transfer.
  if (paintBuffer_.size() != viewport()->size())
    paintBuffer_ = QImage(viewport()->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  Guarded("paint", [&] {
    TLTQtCanvas canvas(paintBuffer_, ppi_);
    // The selection, the caret and the focus frame take the desktop's
    // colours (a high-contrast palette's among them) where the document
    // leaves them to the system; the document's own colours stay.
    const QPalette& pal = palette();
    canvas.SetSystemColor(clHighlight, pal.color(QPalette::Active, QPalette::Highlight));
    canvas.SetSystemColor(clHighlightText, pal.color(QPalette::Active, QPalette::HighlightedText));
    canvas.SetSystemColor(clCaret, pal.color(QPalette::Active, QPalette::Text), true);
    canvas.SetSystemColor(clFocusFrame, pal.color(QPalette::Active, QPalette::Text));
    client_->Paint(canvas, {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
  });
  QPainter p(viewport());
  p.drawImage(r.topLeft(), paintBuffer_, r);
  if (hasFocus()) PaintFocusFrame(p);
}

void TLTQtWindow::PaintFocusFrame(QPainter& p) {
  // A band inside the edge of the area, in the palette's highlight, shows
  // a keyboard user where the keys go.
  const QColor c = palette().color(QPalette::Active, QPalette::Highlight);
  const int w = kFocusFrameWidth, width = viewport()->width(), height = viewport()->height();
  p.fillRect(QRect(0, 0, width, w), c);
  p.fillRect(QRect(0, height - w, width, w), c);
  p.fillRect(QRect(0, 0, w, height), c);
  p.fillRect(QRect(width - w, 0, w, height), c);
}

void TLTQtWindow::resizeEvent(QResizeEvent* /*e*/) {
  if (client_) Guarded("resize", [&] { client_->Resized(); });
}

void TLTQtWindow::scrollContentsBy(int /*dx*/, int /*dy*/) {
  // The control moves the pixels itself when its position changes.
}

// ---- Scroll bars -----------------------------------------------------------------------------

void TLTQtWindow::SetScrollBar(TLTScrollBarKind kind, const TLTScrollBarInfo& info) {
  TLTScrollBarInfo& b = bars_[BarIndex(kind)];
  b = info;
  QScrollBar* bar = kind == TLTScrollBarKind::Vertical ? verticalScrollBar() : horizontalScrollBar();
  {
    const QSignalBlocker block(bar);
    bar->setRange(0, b.MaxPosition());
    bar->setPageStep(std::max(1, b.Page));
    bar->setSingleStep(1);
    bar->setValue(b.Position);
  }
  const Qt::ScrollBarPolicy policy = b.IsShown() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  // Changing the policy lays the area out again at once, so a bar that
  // comes or goes resizes the viewport before this returns.
  if (kind == TLTScrollBarKind::Vertical && verticalScrollBarPolicy() != policy) setVerticalScrollBarPolicy(policy);
  if (kind == TLTScrollBarKind::Horizontal && horizontalScrollBarPolicy() != policy)
    setHorizontalScrollBarPolicy(policy);
}

TLTScrollBarInfo TLTQtWindow::ScrollBar(TLTScrollBarKind bar) const { return bars_[BarIndex(bar)]; }

void TLTQtWindow::SetScrollBarOnLeft(bool left) { setLayoutDirection(left ? Qt::RightToLeft : Qt::LeftToRight); }

void TLTQtWindow::BarAction(TLTScrollBarKind kind, int action) {
  if (!client_) return;
  QScrollBar* bar = kind == TLTScrollBarKind::Vertical ? verticalScrollBar() : horizontalScrollBar();
  TLTScrollCode code;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      code = TLTScrollCode::LineDown;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      code = TLTScrollCode::LineUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = TLTScrollCode::PageDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = TLTScrollCode::PageUp;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = TLTScrollCode::Top;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = TLTScrollCode::Bottom;
      break;
    case QAbstractSlider::SliderMove:
      code = TLTScrollCode::ThumbTrack;
      break;
    default:
      return;
  }
  const int position = bar->sliderPosition();
  Guarded("scroll", [&] { client_->ScrollBarCommand(kind, code, position); });
  // The slider applies its own position after this signal; it must be the
  // one the control chose. A dragged thumb stays where the user holds it.
  if (code != TLTScrollCode::ThumbTrack) bar->setSliderPosition(bars_[BarIndex(kind)].Position);
}

void TLTQtWindow::BarReleased(TLTScrollBarKind kind) {
  if (!client_) return;
  QScrollBar* bar = kind == TLTScrollBarKind::Vertical ? verticalScrollBar() : horizontalScrollBar();
  const int position = bar->sliderPosition();
  Guarded("scroll", [&] { client_->ScrollBarCommand(kind, TLTScrollCode::ThumbPosition, position); });
  bar->setValue(bars_[BarIndex(kind)].Position);
}

// ---- Timers ------------------------------------------------------------------------------------

void TLTQtWindow::StartTimer(int id, int intervalMs) { timers_[id].start(std::max(1, intervalMs), this); }

void TLTQtWindow::StopTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second.stop();
  timers_.erase(it);
}

void TLTQtWindow::timerEvent(QTimerEvent* e) {
  for (auto& [id, timer] : timers_) {
    if (timer.timerId() != e->timerId()) continue;
    // The control may stop or start timers from its handler.
    const int which = id;
    if (client_) Guarded("timer", [&] { client_->Timer(which); });
    return;
  }
  QAbstractScrollArea::timerEvent(e);
}

// ---- Mouse ---------------------------------------------------------------------------------------

void TLTQtWindow::SetCursor(TLTCursorId cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (cursor == crDefault)
    viewport()->unsetCursor();
  else
    viewport()->setCursor(CursorOf(cursor));
}

TLTPointI TLTQtWindow::PointerPos() const {
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  return {p.x(), p.y()};
}

bool TLTQtWindow::IsButtonDown(TLTMouseButton button) const {
  const Qt::MouseButtons b = QGuiApplication::mouseButtons();
  switch (button) {
    case TLTMouseButton::Left:
      return (b & Qt::LeftButton) != 0;
    case TLTMouseButton::Right:
      return (b & Qt::RightButton) != 0;
    case TLTMouseButton::Middle:
      return (b & Qt::MiddleButton) != 0;
  }
  return false;
}

TLTShiftState TLTQtWindow::KeyboardState() const { return ShiftOf(QGuiApplication::queryKeyboardModifiers()); }

TLTPointI TLTQtWindow::ClientToScreen(TLTPointI p) const {
  const QPoint g = viewport()->mapToGlobal(QPoint(p.X, p.Y));
  return {g.x(), g.y()};
}

int TLTQtWindow::WheelScrollLines() const { return QGuiApplication::styleHints()->wheelScrollLines(); }

void TLTQtWindow::mousePressEvent(QMouseEvent* e) {
  TLTMouseButton b;
  if (!client_ || !ButtonOf(e->button(), b)) return;
  const QPoint p = e->position().toPoint();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (doubleClickAt_ >= 0 && now - doubleClickAt_ <= QApplication::doubleClickInterval() &&
      (p - doubleClickPos_).manhattanLength() <= QApplication::startDragDistance()) {
    doubleClickAt_ = -1;
    Guarded("mouse", [&] { client_->TripleClick(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
    return;
  }
  Guarded("mouse", [&] { client_->MouseDown(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
}

void TLTQtWindow::mouseMoveEvent(QMouseEvent* e) {
  if (!client_) return;
  const QPoint p = e->position().toPoint();
  Guarded("mouse", [&] { client_->MouseMove(ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
}

void TLTQtWindow::mouseReleaseEvent(QMouseEvent* e) {
  TLTMouseButton b;
  if (!client_ || !ButtonOf(e->button(), b)) return;
  const QPoint p = e->position().toPoint();
  Guarded("mouse", [&] { client_->MouseUp(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
}

void TLTQtWindow::mouseDoubleClickEvent(QMouseEvent* e) {
  TLTMouseButton b;
  if (!client_ || !ButtonOf(e->button(), b)) return;
  const QPoint p = e->position().toPoint();
  TLTShiftState s = ShiftOf(e->modifiers(), e->buttons());
  s.Include(ssDouble);
  doubleClickAt_ = QDateTime::currentMSecsSinceEpoch();
  doubleClickPos_ = p;
  Guarded("mouse", [&] { client_->DoubleClick(b, s, p.x(), p.y()); });
}

void TLTQtWindow::wheelEvent(QWheelEvent* e) {
  bool handled = false;
  if (client_) {
    const QPoint p = e->position().toPoint();
    Guarded("wheel", [&] {
      handled = client_->MouseWheel(ShiftOf(e->modifiers(), e->buttons()), e->angleDelta().y(), p.x(), p.y());
    });
  }
  if (handled)
    e->accept();
  else
    e->ignore();
}

bool TLTQtWindow::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::Leave && client_) Guarded("mouse", [&] { client_->MouseLeave(); });
  return QAbstractScrollArea::viewportEvent(e);
}

// ---- Keyboard and focus ---------------------------------------------------------------------------

bool TLTQtWindow::event(QEvent* e) {
  // A key the document binds is its own while it has the focus, even when
  // a menu has the same shortcut.
  if (e->type() == QEvent::ShortcutOverride && client_) {
    auto* k = static_cast<QKeyEvent*>(e);
    const int key = KeyOf(k->key());
    bool claimed = false;
    Guarded("key", [&] { claimed = key != 0 && client_->ClaimsKey(key, KeyShift(k)); });
    if (claimed) {
      e->accept();
      return true;
    }
  }
  // Tab reaches the control before Qt moves the focus with it; what the
  // control does not use moves the focus on as usual.
  if (e->type() == QEvent::KeyPress && client_) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
      const TLTShiftState s = KeyShift(k);
      bool handled = false;
      Guarded("key", [&] { handled = client_->WantsKey(vkTab, s) && client_->KeyDown(vkTab, s); });
      if (handled) {
        e->accept();
        return true;
      }
    }
  }
  return QAbstractScrollArea::event(e);
}

void TLTQtWindow::keyPressEvent(QKeyEvent* e) {
  bool handled = false;
  if (client_) {
    const int key = KeyOf(e->key());
    const std::u16string text = TypedText(e);
    Guarded("key", [&] {
      if (key != 0 && key != vkTab) handled = client_->KeyDown(key, KeyShift(e));
      if (!handled && !text.empty()) handled = client_->KeyPress(text);
    });
  }
  if (handled)
    e->accept();
  else
    QAbstractScrollArea::keyPressEvent(e);
}

void TLTQtWindow::inputMethodEvent(QInputMethodEvent* e) {
  if (!client_) {
    e->ignore();
    return;
  }
  int cursor = static_cast<int>(e->preeditString().size());
  for (const QInputMethodEvent::Attribute& a : e->attributes())
    if (a.type == QInputMethodEvent::Cursor) cursor = a.start;
  const std::u16string preedit = e->preeditString().toStdU16String();
  const std::u16string commit = e->commitString().toStdU16String();
  Guarded("input method", [&] { client_->InputMethod(preedit, cursor, commit); });
  e->accept();
}

QVariant TLTQtWindow::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (!client_) return QAbstractScrollArea::inputMethodQuery(query);
  TLTInputMethodState st;
  Guarded("input method", [&] { st = client_->InputMethodState(); });
  // The client answers in its viewport's coordinates.
  const QPoint o = viewport()->mapTo(const_cast<TLTQtWindow*>(this), QPoint(0, 0));
  switch (query) {
    case Qt::ImEnabled:
      return st.Enabled;
    case Qt::ImCursorRectangle:
      return QRect(st.CursorRect.Left + o.x(), st.CursorRect.Top + o.y(), std::max(1, st.CursorRect.Width()),
                   st.CursorRect.Height());
    case Qt::ImFont: {
      QFont f(QString::fromStdU16String(st.Font.Name));
      f.setPixelSize(std::max(1, st.Font.Height < 0 ? -st.Font.Height : st.Font.Height));
      f.setBold(st.Font.Style.Contains(fsBold));
      f.setItalic(st.Font.Style.Contains(fsItalic));
      return f;
    }
    case Qt::ImSurroundingText:
      return QString::fromStdU16String(st.Surrounding);
    case Qt::ImCursorPosition:
      return st.CursorPos;
    case Qt::ImAnchorPosition:
      return st.AnchorPos;
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

int TLTQtWindow::CaretBlinkTime() const { return QGuiApplication::styleHints()->cursorFlashTime(); }

void TLTQtWindow::InputMethodChanged() {
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
}

void TLTQtWindow::Beep() { QApplication::beep(); }

void TLTQtWindow::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  // What a reader is told of later changes is measured from here.
  if (!accessibleReport_.Known) AccessibleChanged(TLTAccessibleChange::Caret);
  viewport()->update();
  if (!client_) return;
  TLTFocusReason reason = TLTFocusReason::Other;
  if (e->reason() == Qt::TabFocusReason) reason = TLTFocusReason::Tab;
  if (e->reason() == Qt::BacktabFocusReason) reason = TLTFocusReason::Backtab;
  if (e->reason() == Qt::MouseFocusReason) reason = TLTFocusReason::Mouse;
  Guarded("focus", [&] { client_->FocusChanged(true, reason); });
}

void TLTQtWindow::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  viewport()->update();
  // Qt has no capture-lost event: a window that loses the focus loses the
  // mouse as well.
  capture_ = false;
  if (client_) Guarded("focus", [&] { client_->FocusChanged(false, TLTFocusReason::Other); });
}

// ---- Clipboard, hints, deferred calls ----------------------------------------------------------

namespace {

std::unique_ptr<QMimeData> ToMimeData(const TLTClipboardData& data) {
  auto mime = std::make_unique<QMimeData>();
  for (const auto& [type, bytes] : data.Formats) {
    if (type == LTMimeText)
      mime->setText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    else
      mime->setData(QString::fromStdString(type), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  return mime;
}

}  // namespace

void TLTQtWindow::SetClipboard(const TLTClipboardData& data) {
  QGuiApplication::clipboard()->setMimeData(ToMimeData(data).release());
}

void TLTQtWindow::PlaceControl(TLTControl& control, TLTPointI topLeft, bool visible) {
  auto* qc = dynamic_cast<TLTQtControl*>(&control);
  QWidget* w = qc ? qc->Widget() : nullptr;
  if (!w) return;
  // A child of the viewport moves with it when the document scrolls.
  if (w->parentWidget() != viewport()) w->setParent(viewport());
  w->move(topLeft.X, topLeft.Y);
  w->setVisible(visible);
}

int TLTQtWindow::DragThreshold() const { return QApplication::startDragDistance(); }

namespace {

/// The flavours of a drag, each rendered when a target first asks for it
/// and kept for the next question.
class TRenderedMimeData final : public QMimeData {
 public:
  explicit TRenderedMimeData(TLTDragSource source) : source_(std::move(source)) {}

  QStringList formats() const override {
    QStringList list;
    for (const std::string& t : source_.Types) list << QString::fromStdString(t);
    return list;
  }
  bool hasFormat(const QString& mime) const override {
    return std::find(source_.Types.begin(), source_.Types.end(), mime.toStdString()) != source_.Types.end();
  }

 protected:
  QVariant retrieveData(const QString& mime, QMetaType /*type*/) const override {
    const std::string type = mime.toStdString();
    if (auto it = rendered_.find(type); it != rendered_.end()) return it->second;
    if (!hasFormat(mime) || !source_.Render) return {};
    std::optional<std::string> bytes;
    Guarded("drag data", [&] { bytes = source_.Render(type); });
    if (!bytes) return {};
    // Text arrives as UTF-8 bytes; Qt makes a string of them when asked for one.
    QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
    rendered_.emplace(type, data);
    return data;
  }

 private:
  TLTDragSource source_;
  mutable std::map<std::string, QByteArray> rendered_;
};

/// A drag's data as the control reads it.
class TQtDropData final : public ILTDropData {
 public:
  explicit TQtDropData(const QMimeData* mime) : mime_(mime) {}
  std::vector<std::string> Types() const override {
    std::vector<std::string> types;
    if (!mime_) return types;
    for (const QString& f : mime_->formats()) types.push_back(f.toStdString());
    return types;
  }
  bool Has(std::string_view type) const override {
    return mime_ && mime_->hasFormat(QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size())));
  }
  std::optional<std::string> Get(std::string_view type) const override {
    if (!Has(type)) return std::nullopt;
    const QString name = QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size()));
    // Plain text in whatever encoding the source used comes as UTF-8.
    const QByteArray bytes = type == LTMimeText ? mime_->text().toUtf8() : mime_->data(name);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }

 private:
  const QMimeData* mime_;  // not owned: the drag's
};

Qt::DropActions ActionsOf(TLTDropEffects effects) {
  Qt::DropActions actions;
  if (effects.Contains(ltdeCopy)) actions |= Qt::CopyAction;
  if (effects.Contains(ltdeMove)) actions |= Qt::MoveAction;
  if (effects.Contains(ltdeLink)) actions |= Qt::LinkAction;
  return actions;
}

TLTDropEffects EffectsOf(Qt::DropActions actions) {
  TLTDropEffects effects;
  if (actions & Qt::CopyAction) effects.Include(ltdeCopy);
  if (actions & (Qt::MoveAction | Qt::TargetMoveAction)) effects.Include(ltdeMove);
  if (actions & Qt::LinkAction) effects.Include(ltdeLink);
  return effects;
}

Qt::DropAction ActionOf(TLTDropEffects effect) {
  if (effect.Contains(ltdeMove)) return Qt::MoveAction;
  if (effect.Contains(ltdeCopy)) return Qt::CopyAction;
  if (effect.Contains(ltdeLink)) return Qt::LinkAction;
  return Qt::IgnoreAction;
}

/// Answers a drag event with the control's effect.
void Answer(QDropEvent* e, TLTDropEffects effect) {
  const Qt::DropAction action = ActionOf(effect);
  if (action == Qt::IgnoreAction) {
    e->ignore();
    return;
  }
  e->setDropAction(action);
  e->accept();
}

}  // namespace

TLTDropEffects TLTQtWindow::StartDrag(const TLTDragSource& source, TLTDropEffects allowed) {
  // The drag owns its data; Qt deletes it with the drag.
  auto* drag = new QDrag(this);
  drag->setMimeData(new TRenderedMimeData(source));
  return EffectsOf(drag->exec(ActionsOf(allowed), Qt::CopyAction));
}

void TLTQtWindow::dragEnterEvent(QDragEnterEvent* e) {
  TLTDropEffects effect;
  const QPoint p = e->position().toPoint();
  if (client_)
    Guarded("drag", [&] {
      effect = client_->DragEnter(TQtDropData(e->mimeData()), EffectsOf(e->possibleActions()),
                                  ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    });
  Answer(e, effect);
}

void TLTQtWindow::dragMoveEvent(QDragMoveEvent* e) {
  TLTDropEffects effect;
  const QPoint p = e->position().toPoint();
  if (client_)
    Guarded("drag", [&] {
      effect = client_->DragOver(EffectsOf(e->possibleActions()), ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    });
  Answer(e, effect);
}

void TLTQtWindow::dragLeaveEvent(QDragLeaveEvent* e) {
  if (client_) Guarded("drag", [&] { client_->DragLeave(); });
  e->accept();
}

void TLTQtWindow::dropEvent(QDropEvent* e) {
  TLTDropEffects effect;
  const QPoint p = e->position().toPoint();
  if (client_)
    Guarded("drop", [&] {
      effect = client_->Drop(TQtDropData(e->mimeData()), EffectsOf(e->possibleActions()),
                             ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    });
  Answer(e, effect);
}

TLTClipboardData TLTQtWindow::Clipboard() const {
  TLTClipboardData data;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return data;
  for (const QString& f : mime->formats()) {
    if (f == QLatin1String("text/plain")) {
      const QByteArray utf8 = mime->text().toUtf8();
      data.Set(LTMimeText, std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
      continue;
    }
    if (f.startsWith(QLatin1String("text/plain;"))) continue;
    const QByteArray bytes = mime->data(f);
    data.Set(f.toStdString(), std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
  }
  return data;
}

void TLTQtWindow::SetPrimarySelection(const TLTString& text) {
  QClipboard* c = QGuiApplication::clipboard();
  if (c->supportsSelection() && !text.empty()) c->setText(QString::fromStdU16String(text), QClipboard::Selection);
}

TLTString TLTQtWindow::PrimarySelection() const {
  const QClipboard* c = QGuiApplication::clipboard();
  return c->supportsSelection() ? c->text(QClipboard::Selection).toStdU16String() : TLTString();
}

void TLTQtWindow::ShowHint(const TLTString& text, TLTPointI at) {
  QToolTip::showText(viewport()->mapToGlobal(QPoint(at.X, at.Y)), QString::fromStdU16String(text), viewport());
}

void TLTQtWindow::CancelHint() { QToolTip::hideText(); }

void TLTQtWindow::PostDeferred(std::function<void()> call) {
  QCoreApplication::postEvent(this, new TDeferredEvent(std::move(call)));
}

void TLTQtWindow::AccessibleChanged(TLTAccessibleChange /*change*/) {
  // Reading the whole document for every change is paid only while an
  // assistive technology listens.
  if (!IsAccessibilityListening()) {
    accessibleReport_ = {};
    return;
  }
  if (accessiblePending_) return;
  accessiblePending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        accessiblePending_ = false;
        Guarded("accessibility", [&] {
          ReportAccessibleChanges(*this, client_ ? client_->AccessibleDocument() : nullptr, accessibleReport_);
        });
      },
      Qt::QueuedConnection);
}

void TLTQtWindow::customEvent(QEvent* e) {
  if (e->type() != TDeferredEvent::Kind()) return;
  auto* d = static_cast<TDeferredEvent*>(e);
  if (d->Call) Guarded("deferred call", [&] { d->Call(); });
}

}  // namespace lectern
