// The viewer in the Qt window on the offscreen platform: painting reaches
// the viewport, scroll bars take room, input events reach the control, the
// clipboard holds every flavour, deferred calls and timers run.

#include "platform/qt/LTQtControl.h"
#include "platform/qt/LTQtWindow.h"
#include "style/LTStyle.h"
#include "view/CLectern.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lectern {
namespace {

struct QtViewer {
  TLTStyle Style;
  TLTQtWindow Win;
  TLectern V{Win};

  QtViewer() {
    Win.resize(300, 120);
    V.SetStyle(&Style);
    Win.show();
  }
  static void Run(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  void Send(QWidget* to, QEvent& e) { QApplication::sendEvent(to, &e); }
  void Click(QPoint p) {
    QMouseEvent press(QEvent::MouseButtonPress, p, Win.viewport()->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    Send(Win.viewport(), press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, Win.viewport()->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    Send(Win.viewport(), release);
  }
  void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, m);
    Send(&Win, e);
  }
};

struct LTQtWindowTest : ::testing::Test {
  static void SetUpTestSuite() { EnsureQtApplication(); }
};

TEST_F(LTQtWindowTest, PaintingDrawsTheDocumentOnTheViewport) {
  QtViewer v;
  v.Style.Color = clWhite;
  v.V.LTData().AddTextW(u"Hello, world", 0, 0);
  v.V.Format();
  const QImage img = v.Win.viewport()->grab().toImage();
  int dark = 0;
  for (int y = 5; y < 25; ++y)
    for (int x = 5; x < 80; ++x)
      if (qGray(img.pixel(x, y)) < 128) ++dark;
  EXPECT_GT(dark, 20);
  EXPECT_EQ(qGray(img.pixel(250, 100)), 255);
}

TEST_F(LTQtWindowTest, TallDocumentsShowTheBarAndTheWheelAndKeysScroll) {
  QtViewer v;
  for (int i = 0; i < 60; ++i) v.V.LTData().AddTextW(u"line", 0, 0);
  const int fullWidth = v.Win.viewport()->width();
  v.V.Format();
  EXPECT_TRUE(v.Win.ScrollBar(TLTScrollBarKind::Vertical).IsShown());
  EXPECT_LT(v.Win.viewport()->width(), fullWidth);
  EXPECT_EQ(v.Win.verticalScrollBar()->maximum(), v.V.VScrollMax());

  QWheelEvent wheel(QPointF(20, 20), v.Win.viewport()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  v.Send(v.Win.viewport(), wheel);
  EXPECT_EQ(v.V.VScrollPosition(), 2);
  EXPECT_EQ(v.Win.verticalScrollBar()->value(), 2);
  v.Key(Qt::Key_End);
  EXPECT_EQ(v.V.VScrollPosition(), v.V.VScrollMax());
  // The bar's own buttons go through the control.
  v.Win.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(v.V.VScrollPosition(), 0);
  EXPECT_EQ(v.Win.verticalScrollBar()->value(), 0);
}

TEST_F(LTQtWindowTest, ClicksAndTabReachHyperlinks) {
  QtViewer v;
  v.V.LTData().AddTextW(u"go ", 0, 0);
  v.V.LTData().AddTextW(u"there", 4, -1);
  v.V.Format();
  ASSERT_EQ(v.V.LTData().Jumps.size(), 1u);
  std::vector<int> jumps;
  v.V.OnJump = [&](TCustomLectern&, int id) { jumps.push_back(id); };
  const TLTJumpInfo& j = v.V.LTData().Jumps[0];
  v.Click(QPoint(j.Left + j.Width / 2, j.Top + j.Height / 2));
  EXPECT_EQ(jumps, std::vector<int>{0});
  // The click also gave the link the keyboard focus; Enter follows it, and
  // Tab past the only link leaves the document.
  EXPECT_EQ(v.V.FocusedJump(), 0);
  v.Key(Qt::Key_Return);
  EXPECT_EQ(jumps, (std::vector<int>{0, 0}));
  v.Key(Qt::Key_Tab);
  EXPECT_EQ(v.V.FocusedJump(), -1);
  v.Key(Qt::Key_Backtab);
  EXPECT_EQ(v.V.FocusedJump(), 0);
}

TEST_F(LTQtWindowTest, CopyPutsEveryFlavourOnTheClipboard) {
  QtViewer v;
  v.V.LTData().AddTextW(u"\u0416\u0438\u0437\u043D\u044C \u2014 ok", 0, 0);
  v.V.Format();
  v.V.SelectAll();
  v.Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->text(), QString::fromUtf8("\u0416\u0438\u0437\u043D\u044C \u2014 ok"));
  EXPECT_TRUE(mime->hasFormat("application/x-lectern-ltf"));
  const TLTClipboardData back = v.Win.Clipboard();
  ASSERT_NE(back.Find(LTMimeText), nullptr);
  EXPECT_EQ(*back.Find(LTMimeText), "\u0416\u0438\u0437\u043D\u044C \u2014 ok");
}

TEST_F(LTQtWindowTest, DeferredCallsAndTimersRunOnTheEventLoop) {
  QtViewer v;
  int calls = 0;
  v.Win.PostDeferred([&] { ++calls; });
  EXPECT_EQ(calls, 0);
  QtViewer::Run(20);
  EXPECT_EQ(calls, 1);

  struct Ticks : TLectern {
    using TLectern::TLectern;
    int Count = 0;
    void Timer(int id) override {
      if (id == 7) ++Count;
    }
  };
  TLTQtWindow w;
  Ticks t(w);
  w.StartTimer(7, 5);
  QtViewer::Run(60);
  w.StopTimer(7);
  const int seen = t.Count;
  EXPECT_GT(seen, 0);
  QtViewer::Run(30);
  EXPECT_EQ(t.Count, seen);
}

TEST_F(LTQtWindowTest, ControlsAreChildWidgetsAtTheirPiecesAndScrollWithTheDocument) {
  QtViewer v;
  auto* button = new QPushButton(QStringLiteral("Go"));
  button->resize(60, 24);
  v.V.LTData().AddTextW(u"ab", 0, 0);
  auto item = std::make_unique<TLTControlItemInfo>();
  item->Control = std::make_unique<TLTQtControl>(button);
  item->ParaNo = -1;
  v.V.LTData().AddItem({}, std::move(item));
  for (int i = 0; i < 30; ++i) v.V.LTData().AddTextW(u"line", 0, 0);
  v.V.Format();
  const TLTDrawLineInfo& piece = v.V.LTData().DrawItems[1];
  EXPECT_EQ(button->parentWidget(), v.Win.viewport());
  EXPECT_TRUE(button->isVisible());
  EXPECT_EQ(button->pos(), QPoint(piece.Left + 1, piece.Top + 1));
  v.V.ScrollTo(40);
  const int top = v.V.VScrollPosition() * v.V.ScrollUnit();
  ASSERT_GT(top, 0);
  EXPECT_EQ(button->pos(), QPoint(piece.Left + 1, piece.Top + 1 - top));
}

}  // namespace
}  // namespace lectern
