// The editor in the Qt window on the offscreen platform: which keys reach
// it as keys and which as text, shortcuts it claims before menus, the input
// method's questions and its composition, and failures that only beep.

#include "edit/LTEdit.h"
#include "platform/qt/LTQtWindow.h"
#include "style/LTStyle.h"

#include <QApplication>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QKeyEvent>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace lectern {
namespace {

struct QtEditor {
  TLTStyle Style;
  TLTQtWindow Win;
  TLecternEdit E{Win};
  int Refusals = 0;

  QtEditor() {
    Win.resize(300, 120);
    E.SetStyle(&Style);
    E.LTData().AddTextW(u"abc def", 0, 0);
    E.Format();
    E.OnRefused = [this](TCustomLecternEdit&) { ++Refusals; };
    Win.show();
    E.FocusChanged(true, TLTFocusReason::Other);
  }
  bool Send(QEvent& e) { return QApplication::sendEvent(&Win, &e); }
  void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, m, text);
    Send(e);
  }
};

struct LTQtEditTest : ::testing::Test {
  static void SetUpTestSuite() { EnsureQtApplication(); }
};

TEST_F(LTQtEditTest, KeysThatNeverTypeStayKeysAndEnterIsReturn) {
  QtEditor e;
  e.Key(Qt::Key_Right);
  EXPECT_EQ(e.E.CurrentItemOffset(), 2);
  e.Key(Qt::Key_End, Qt::ShiftModifier);
  EXPECT_TRUE(e.E.HasSelection());
  // Escape, F-keys and Ctrl with a letter carry text Qt attaches; none of it
  // types.
  const TLTString before = e.E.LTData().GetPlainText(0);
  e.Key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
  e.Key(Qt::Key_F5);
  e.Key(Qt::Key_B, Qt::ControlModifier, "\x02");
  e.Key(Qt::Key_Menu);
  EXPECT_EQ(e.E.LTData().GetPlainText(0), before);
  // Printable text types over the selection, Enter on the keypad is Return.
  e.Key(Qt::Key_A, Qt::NoModifier, "a");
  e.Key(Qt::Key_Enter, Qt::KeypadModifier, "\r");
  EXPECT_EQ(e.E.LTData().ItemCount(), 2);
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"aa");
  EXPECT_EQ(e.Refusals, 0);
}

TEST_F(LTQtEditTest, AKeyWithCtrlOrAltThatNoCommandTakesTypesNothing) {
  QtEditor e;
  e.E.SetSelectionBounds(0, 1, 0, 4);
  // Qt attaches the character to these chords; it must not type, nor
  // replace the selection.
  e.Key(Qt::Key_Equal, Qt::ControlModifier, "=");
  e.Key(Qt::Key_Period, Qt::ControlModifier, ".");
  e.Key(Qt::Key_Comma, Qt::ControlModifier, ",");
  e.Key(Qt::Key_X, Qt::AltModifier, "x");
  e.Key(Qt::Key_Equal, Qt::ControlModifier | Qt::ShiftModifier, "+");
  EXPECT_EQ(e.E.LTData().GetPlainText(0), u"abc def");
  EXPECT_TRUE(e.E.HasSelection());
  // AltGr arrives as Ctrl with Alt where it composes a character.
  e.Key(Qt::Key_At, Qt::ControlModifier | Qt::AltModifier, "@");
  e.Key(Qt::Key_Equal, Qt::NoModifier, "=");
  EXPECT_EQ(e.E.LTData().GetPlainText(0), u"@= def");
}

TEST_F(LTQtEditTest, AnEditThatBringsTheVerticalBarBringsNoHorizontalOne) {
  QtEditor e;
  // A line as wide as the window, and a rule across it.
  e.E.LTData().AddTextW(u"aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk", 0, 0);
  e.E.LTData().AddItem({}, std::make_unique<TLTBreakItemInfo>());
  e.E.Format();
  QApplication::processEvents();
  ASSERT_FALSE(e.Win.verticalScrollBar()->isVisible());
  e.E.MoveCaret(ltecDocEnd);
  for (int k = 0; k < 12 && !e.Win.verticalScrollBar()->isVisible(); ++k) e.Key(Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::processEvents();
  ASSERT_TRUE(e.Win.verticalScrollBar()->isVisible());
  EXPECT_FALSE(e.Win.horizontalScrollBar()->isVisible());
  const int width = e.Win.viewport()->width();
  for (int d = 0; d < e.E.LTData().DrawItems.Count(); ++d) {
    const TLTDrawLineInfo& p = e.E.LTData().DrawItems[d];
    EXPECT_LE(p.Left + p.Width, width) << "piece " << d << " of item " << p.ItemNo;
  }
}

TEST_F(LTQtEditTest, TheDocumentClaimsItsShortcutsBeforeMenus) {
  QtEditor e;
  QKeyEvent copy(QEvent::ShortcutOverride, Qt::Key_C, Qt::ControlModifier);
  e.Send(copy);
  EXPECT_TRUE(copy.isAccepted());
  QKeyEvent unbound(QEvent::ShortcutOverride, Qt::Key_Q, Qt::ControlModifier);
  unbound.ignore();
  e.Send(unbound);
  EXPECT_FALSE(unbound.isAccepted()) << "Ctrl+Q stays the menu's";
}

TEST_F(LTQtEditTest, TheInputMethodComposesAtTheCaretAndIsOffWhenReadOnly) {
  QtEditor e;
  e.E.SetCaretAt(0, 4);
  EXPECT_TRUE(e.Win.inputMethodQuery(Qt::ImEnabled).toBool());
  const QRect r = e.Win.inputMethodQuery(Qt::ImCursorRectangle).toRect();
  const QPoint o = e.Win.viewport()->mapTo(&e.Win, QPoint(0, 0));
  EXPECT_EQ(r.left(), e.E.CaretRect().Left + o.x());
  EXPECT_EQ(e.Win.inputMethodQuery(Qt::ImSurroundingText).toString(), "abc def");
  EXPECT_EQ(e.Win.inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);
  QInputMethodEvent compose("ni", {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 1, 1)});
  e.Send(compose);
  EXPECT_EQ(e.E.Preedit(), u"ni");
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf16(u"\u4F60"));
  e.Send(commit);
  EXPECT_TRUE(e.E.Preedit().empty());
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"abc\u4F60 def");
  EXPECT_EQ(e.Refusals, 0);
  e.E.SetReadOnly(true);
  EXPECT_FALSE(e.Win.inputMethodQuery(Qt::ImEnabled).toBool());
}

TEST_F(LTQtEditTest, AFailureInTheCoreBeepsAndTheWindowGoesOn) {
  QtEditor e;
  e.E.OnCaretMove = [](TCustomLecternEdit&) { throw std::runtime_error("broken handler"); };
  e.Key(Qt::Key_Right);  // the exception stops at the window
  e.E.OnCaretMove = nullptr;
  e.Key(Qt::Key_Right);
  EXPECT_EQ(e.E.CurrentItemOffset(), 3);
}

TEST_F(LTQtEditTest, ADropFromAnotherProgramGoesInAndAReadOnlyEditorRefusesIt) {
  QtEditor e;
  QMimeData mime;
  mime.setText("XY");
  mime.setData("application/x-unknown", "?");
  QWidget* view = e.Win.viewport();
  auto drag = [&](QPointF at) {
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  };
  // After the third character of the first line.
  const TLTRectI caret = (e.E.SetCaretAt(0, 4), e.E.CaretRect());
  e.E.SetCaretAt(0, 1);
  EXPECT_EQ(drag(QPointF(caret.Left, caret.Top + 2)), Qt::CopyAction);
  EXPECT_EQ(e.E.LTData().GetPlainText(0), u"abcXY def");
  e.E.SetReadOnly(true);
  EXPECT_EQ(drag(QPointF(caret.Left, caret.Top + 2)), Qt::IgnoreAction);
  EXPECT_EQ(e.E.LTData().GetPlainText(0), u"abcXY def");
}

}  // namespace
}  // namespace lectern
