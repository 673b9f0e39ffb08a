// The editor read and driven through Qt's accessibility interfaces on the
// offscreen platform, as a screen reader would: a template of a paragraph
// with a link, a 2 x 2 table, a picture and a closing paragraph.
//
// Its text for a reader, with offsets:
//   "Read the report now.\n"  0..21   (the link "report" at 9..15)
//   "Rome\nParis\nOslo\nBern\n" 21..42 (one cell a line)
//   U+FFFC " End"              42..47 (the picture, then text)

#include "access/LTAccessibleDocument.h"
#include "platform/qt/LTQtWindow.h"
#include "table/LTTable.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPalette>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace lectern {
namespace {

const QString kText = QString::fromUtf16(u"Read the report now.\nRome\nParis\nOslo\nBern\n\uFFFC End");

/// The events the window sent, by type and the offsets they carry.
struct TEvent {
  QAccessible::Event Type = QAccessible::Event(0);
  int Position = -1;
  QString Text;
  int Start = -1, End = -1;
};
std::vector<TEvent> events;

void Capture(QAccessibleEvent& event) {
  QAccessibleEvent* e = &event;
  TEvent t;
  t.Type = e->type();
  switch (e->type()) {
    case QAccessible::TextCaretMoved:
      t.Position = static_cast<QAccessibleTextCursorEvent*>(e)->cursorPosition();
      break;
    case QAccessible::TextSelectionChanged: {
      auto* s = static_cast<QAccessibleTextSelectionEvent*>(e);
      t.Start = s->selectionStart();
      t.End = s->selectionEnd();
      break;
    }
    case QAccessible::TextInserted:
      t.Position = static_cast<QAccessibleTextInsertEvent*>(e)->changePosition();
      t.Text = static_cast<QAccessibleTextInsertEvent*>(e)->textInserted();
      break;
    case QAccessible::TextRemoved:
      t.Position = static_cast<QAccessibleTextRemoveEvent*>(e)->changePosition();
      t.Text = static_cast<QAccessibleTextRemoveEvent*>(e)->textRemoved();
      break;
    case QAccessible::TextUpdated:
      t.Position = static_cast<QAccessibleTextUpdateEvent*>(e)->changePosition();
      t.Text = static_cast<QAccessibleTextUpdateEvent*>(e)->textInserted();
      break;
    default:
      return;
  }
  events.push_back(t);
}

struct QtTemplate {
  TLTStyle Style;
  TLTQtWindow Win;
  TLecternEdit E{Win};
  TLTTableItemInfo* Table = nullptr;

  QtTemplate() {
    RegisterTableItemKind();
    const int link = Style.TextStyles().Count();
    Style.TextStyles().Add().Jump = true;
    E.SetStyle(&Style);
    TLTEditLTData& d = E.EditData();
    d.AddTextW(u"Read the ", 0, 0);
    d.AddTextW(u"report", link, -1, TLTTag::FromString(u"https://example.org/report"));
    d.AddTextW(u" now.", 0, -1);
    auto table = std::make_unique<TLTTableItemInfo>(2, 2);
    Table = table.get();
    table->ParaNo = 0;
    const char16_t* cells[] = {u"Rome", u"Paris", u"Oslo", u"Bern"};
    for (int k = 0; k < 4; ++k) {
      Table->Cells(k / 2, k % 2)->Clear();
      Table->Cells(k / 2, k % 2)->AddTextW(cells[k], 0, 0);
    }
    d.AddItem({}, std::move(table));
    auto picture = std::make_unique<TLTGraphicItemInfo>();
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixels({8, 8, std::vector<uint32_t>(64, 0xFF336699u)});
    picture->Image = std::move(bmp);
    picture->Alt = u"Flag of Norway";
    d.AddItem({}, std::move(picture));
    d.AddTextW(u" End", 0, -1);
    Win.resize(400, 300);
    E.Format();
    Win.show();
    Win.setFocus();
    E.FocusChanged(true, TLTFocusReason::Other);
    QApplication::processEvents();
    events.clear();
  }
  QAccessibleInterface* Iface() { return QAccessible::queryAccessibleInterface(&Win); }
  QAccessibleTextInterface* Text() { return Iface()->textInterface(); }
  QAccessibleEditableTextInterface* Editable() { return Iface()->editableTextInterface(); }
  QString All() { return Text()->text(0, -1); }
  void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, m, text);
    QApplication::sendEvent(&Win, &e);
    QApplication::processEvents();
  }
  /// The last event of a type, or one of type None.
  TEvent Last(QAccessible::Event type) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->Type == type) return *it;
    return {};
  }
};

struct LTAccessibleQtTest : ::testing::Test {
  static void SetUpTestSuite() {
    EnsureQtApplication();
    RegisterAccessibility();
    SetAccessibleEventHook(&Capture);
  }
};

TEST_F(LTAccessibleQtTest, ReadsTheTemplateByOffsetsWordsLinesAndParagraphs) {
  QtTemplate t;
  QAccessibleInterface* a = t.Iface();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->role(), QAccessible::EditableText);
  EXPECT_TRUE(a->state().editable);
  ASSERT_TRUE(t.Text());
  EXPECT_EQ(t.All(), kText);
  EXPECT_EQ(t.Text()->characterCount(), kText.size());
  int s = 0, e = 0;
  EXPECT_EQ(t.Text()->textAtOffset(11, QAccessible::WordBoundary, &s, &e), "report ");
  EXPECT_EQ(s, 9);
  EXPECT_EQ(e, 16);
  EXPECT_EQ(t.Text()->textAfterOffset(0, QAccessible::WordBoundary, &s, &e), "the ");
  EXPECT_EQ(t.Text()->textBeforeOffset(21, QAccessible::CharBoundary, &s, &e), "\n");
  EXPECT_EQ(t.Text()->textAtOffset(3, QAccessible::ParagraphBoundary, &s, &e), "Read the report now.\n");
  // A cell is a line of its own, and the next line is the next cell.
  EXPECT_EQ(t.Text()->textAtOffset(22, QAccessible::LineBoundary, &s, &e), "Rome\n");
  EXPECT_EQ(s, 21);
  EXPECT_EQ(t.Text()->textAfterOffset(22, QAccessible::LineBoundary, &s, &e), "Paris\n");
  // The caret after the last character still reads the last line.
  EXPECT_EQ(t.Text()->textAtOffset(kText.size(), QAccessible::LineBoundary, &s, &e), QString::fromUtf16(u"\uFFFC End"));
  // Offsets outside the text read nothing and fault nothing.
  EXPECT_EQ(t.Text()->textAtOffset(-5, QAccessible::CharBoundary, &s, &e), QString());
  EXPECT_EQ(s, -1);
  EXPECT_EQ(t.Text()->textAtOffset(1000, QAccessible::WordBoundary, &s, &e), QString());
  EXPECT_EQ(t.Text()->textBeforeOffset(1000, QAccessible::WordBoundary, &s, &e), QString());
  EXPECT_EQ(t.Text()->text(44, 1000), "End");
  EXPECT_EQ(t.Text()->text(30, 10), QString());
  EXPECT_TRUE(t.Text()->characterRect(1000).isEmpty());
  // A character's box and the offset at a point inside it agree.
  const QRect box = t.Text()->characterRect(12);
  ASSERT_FALSE(box.isEmpty());
  EXPECT_EQ(t.Text()->offsetAtPoint(box.center()), 12);
  const QRect cell = t.Text()->characterRect(33);
  ASSERT_FALSE(cell.isEmpty());
  EXPECT_GT(cell.top(), box.top()) << "a cell's text lies below the paragraph";
  EXPECT_EQ(t.Text()->offsetAtPoint(cell.center()), 33);
}

TEST_F(LTAccessibleQtTest, TablesCellsLinksAndPicturesAreChildrenWithTheirRoles) {
  QtTemplate t;
  QAccessibleInterface* a = t.Iface();
  ASSERT_EQ(a->childCount(), 3);
  QAccessibleInterface* link = a->child(0);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->role(), QAccessible::Link);
  EXPECT_EQ(link->text(QAccessible::Name), "report");
  ASSERT_TRUE(link->hyperlinkInterface());
  EXPECT_EQ(link->hyperlinkInterface()->anchorTarget(), "https://example.org/report");
  EXPECT_EQ(link->hyperlinkInterface()->startIndex(), 9);
  EXPECT_EQ(link->hyperlinkInterface()->endIndex(), 15);
  EXPECT_EQ(a->indexOfChild(link), 0);
  EXPECT_EQ(link->parent(), a);
  // Pressing it follows it as a click does.
  std::vector<int> followed;
  t.E.OnJump = [&](TCustomLectern&, int id) { followed.push_back(id); };
  ASSERT_TRUE(link->actionInterface());
  link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  ASSERT_EQ(followed.size(), 1u);
  TCustomLTData* data = nullptr;
  int itemNo = -1;
  ASSERT_TRUE(t.E.GetJumpLocation(followed[0], data, itemNo));
  EXPECT_EQ(data->GetItemTextW(itemNo), u"report");

  QAccessibleInterface* table = a->child(1);
  ASSERT_TRUE(table && table->tableInterface());
  EXPECT_EQ(table->role(), QAccessible::Table);
  EXPECT_EQ(table->tableInterface()->rowCount(), 2);
  EXPECT_EQ(table->tableInterface()->columnCount(), 2);
  ASSERT_EQ(table->childCount(), 4);
  QAccessibleInterface* oslo = table->tableInterface()->cellAt(1, 0);
  ASSERT_TRUE(oslo && oslo->tableCellInterface());
  EXPECT_EQ(oslo->role(), QAccessible::Cell);
  EXPECT_EQ(oslo->text(QAccessible::Name), "Oslo");
  EXPECT_EQ(oslo->tableCellInterface()->rowIndex(), 1);
  EXPECT_EQ(oslo->tableCellInterface()->columnIndex(), 0);
  EXPECT_EQ(oslo->tableCellInterface()->table(), table);
  EXPECT_TRUE(table->rect().contains(oslo->rect().center()));
  EXPECT_EQ(table->tableInterface()->cellAt(5, 5), nullptr);

  QAccessibleInterface* picture = a->child(2);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->role(), QAccessible::Graphic);
  EXPECT_EQ(picture->text(QAccessible::Name), "Flag of Norway");
  EXPECT_EQ(a->child(3), nullptr);
}

TEST_F(LTAccessibleQtTest, FollowsTheCaretAndTheSelectionWithEvents) {
  QtTemplate t;
  t.Key(Qt::Key_Right);
  t.Key(Qt::Key_Right);
  t.Key(Qt::Key_Right);
  EXPECT_EQ(t.Text()->cursorPosition(), 3);
  EXPECT_EQ(t.Last(QAccessible::TextCaretMoved).Position, 3);
  t.Key(Qt::Key_End, Qt::ShiftModifier);
  ASSERT_EQ(t.Text()->selectionCount(), 1);
  int s = 0, e = 0;
  t.Text()->selection(0, &s, &e);
  EXPECT_EQ(s, 3);
  EXPECT_EQ(e, 20);
  EXPECT_EQ(t.Last(QAccessible::TextSelectionChanged).Start, 3);
  EXPECT_EQ(t.Last(QAccessible::TextSelectionChanged).End, 20);
  EXPECT_EQ(t.Text()->cursorPosition(), 20);
  // Into the table: the caret is in the first cell, read in the one text.
  t.Key(Qt::Key_Down);
  EXPECT_EQ(t.Text()->selectionCount(), 0);
  EXPECT_EQ(t.Last(QAccessible::TextSelectionChanged).Start, -1);
  t.Key(Qt::Key_Right);
  EXPECT_EQ(t.Text()->cursorPosition(), 22);
  EXPECT_EQ(t.Last(QAccessible::TextCaretMoved).Position, 22);
  // Typing in the cell is an insertion at its place in the whole text.
  events.clear();
  t.Key(Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(t.Last(QAccessible::TextInserted).Position, 22);
  EXPECT_EQ(t.Last(QAccessible::TextInserted).Text, "x");
  EXPECT_EQ(t.Last(QAccessible::TextCaretMoved).Position, 23);
  t.Key(Qt::Key_Backspace);
  EXPECT_EQ(t.Last(QAccessible::TextRemoved).Position, 22);
  EXPECT_EQ(t.Last(QAccessible::TextRemoved).Text, "x");
  EXPECT_EQ(t.All(), kText);
  // A reader moves the caret into another cell, which opens for editing.
  t.Text()->setCursorPosition(35);
  EXPECT_EQ(t.Table->EditedRow(), 1);
  EXPECT_EQ(t.Table->EditedCol(), 0);
  EXPECT_EQ(t.Text()->cursorPosition(), 35);
  t.Text()->setSelection(0, 26, 29);
  EXPECT_EQ(t.E.InnermostEditor().SelectedText(), u"Par");
  // Offsets outside the text leave caret and selection alone.
  t.Text()->setCursorPosition(-3);
  t.Text()->setCursorPosition(1000);
  t.Text()->setSelection(0, 26, 1000);
  EXPECT_EQ(t.E.InnermostEditor().SelectedText(), u"Par");
}

TEST_F(LTAccessibleQtTest, EditsGoThroughTheEditorsUndoableOperations) {
  QtTemplate t;
  QAccessibleEditableTextInterface* ed = t.Editable();
  ASSERT_TRUE(ed);
  ed->insertText(0, "Now ");
  EXPECT_TRUE(t.All().startsWith("Now Read the"));
  ed->replaceText(30, 33, "Lyon");  // "Paris" -> "Lyon" + "is"
  EXPECT_TRUE(t.All().contains("\nLyonis\n"));
  ed->deleteText(0, 4);
  EXPECT_TRUE(t.All().startsWith("Read the report"));
  // Each change is one step of Undo.
  t.E.Undo();
  EXPECT_TRUE(t.All().startsWith("Now Read"));
  t.E.EndNestedEditing();
  t.E.Undo();
  t.E.Undo();
  EXPECT_EQ(t.All(), kText);
  // Offsets outside the text, backwards ranges and ranges across cells
  // change nothing.
  ed->insertText(-1, "x");
  ed->insertText(1000, "x");
  ed->deleteText(30, 10);
  ed->deleteText(0, 1000);
  ed->deleteText(23, 28);
  ed->replaceText(-4, 2, "x");
  EXPECT_EQ(t.All(), kText);
  // A read-only editor refuses.
  t.E.SetReadOnly(true);
  EXPECT_FALSE(t.Iface()->state().editable);
  ed->insertText(0, "x");
  EXPECT_EQ(t.All(), kText);
}

TEST_F(LTAccessibleQtTest, AnObjectOfAChangedDocumentAnswersThatItIsGone) {
  QtTemplate t;
  QAccessibleInterface* table = t.Iface()->child(1);
  ASSERT_TRUE(table && table->isValid());
  QAccessibleInterface* cell = table->child(0);
  ASSERT_TRUE(cell);
  // The table goes: what a reader still holds must not reach its cells.
  t.E.SelectAll();
  t.E.DeleteSelection();
  EXPECT_FALSE(table->isValid());
  EXPECT_FALSE(cell->isValid());
  EXPECT_EQ(cell->text(QAccessible::Name), QString());
  EXPECT_EQ(table->tableInterface(), nullptr);
  EXPECT_EQ(cell->parent(), nullptr);
  EXPECT_EQ(t.Iface()->childCount(), 0);
}

TEST_F(LTAccessibleQtTest, AHighContrastPaletteColoursSelectionCaretAndFocusFrameNotTheDocument) {
  QtTemplate t;
  QPalette contrast;
  contrast.setColor(QPalette::Base, Qt::black);
  contrast.setColor(QPalette::Text, QColor(255, 255, 0));
  contrast.setColor(QPalette::Highlight, QColor(0, 255, 255));
  contrast.setColor(QPalette::HighlightedText, Qt::black);
  t.Win.setPalette(contrast);
  t.Win.activateWindow();
  t.Win.setFocus();
  QApplication::processEvents();
  t.Text()->setSelection(0, 0, 4);
  QApplication::processEvents();
  const QImage shot = t.Win.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (const char* dir = std::getenv("LECTERN_SCREENSHOT_DIR")) shot.save(QString(dir) + "/access-contrast.png");
  // The selected word lies on the palette's highlight, the document's own
  // white around it stays.
  const QRect first = t.Text()->characterRect(1);
  const QPoint inSelection = t.Win.viewport()->mapFromGlobal(QPoint(first.left(), first.top() + 1));
  EXPECT_EQ(shot.pixel(inSelection), qRgb(0, 255, 255));
  const QRect outside = t.Text()->characterRect(12);
  EXPECT_EQ(shot.pixel(t.Win.viewport()->mapFromGlobal(QPoint(outside.left(), outside.top() + 1))), qRgb(255, 255, 255));
  // The frame of the focused area runs along its edge in the highlight.
  ASSERT_TRUE(t.Win.hasFocus());
  EXPECT_EQ(shot.pixel(0, shot.height() / 2), qRgb(0, 255, 255));
  EXPECT_EQ(shot.pixel(shot.width() / 2, shot.height() - 1), qRgb(0, 255, 255));
  {
    // The caret is a bar in the palette's text colour, unless that colour
    // would vanish on the page under it (white text of a dark palette on
    // the document's own white): then black.
    t.Text()->setCursorPosition(30);
    auto caretPixel = [&](QColor text) {
      contrast.setColor(QPalette::Text, text);
      t.Win.setPalette(contrast);
      QApplication::processEvents();
      const QImage image = t.Win.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      const TLTRectI caret = t.E.InnermostEditor().CaretRect();
      const TLTPointI at = t.E.InnermostEditor().ToRootClient({caret.Left, (caret.Top + caret.Bottom) / 2});
      return image.pixel(at.X, at.Y);
    };
    EXPECT_EQ(caretPixel(QColor(255, 0, 255)), qRgb(255, 0, 255));
    EXPECT_EQ(caretPixel(Qt::white), qRgb(0, 0, 0));
  }
}

}  // namespace
}  // namespace lectern
