// The Terrabook window off-screen: it starts with the shipped template and
// table, shows the field codes, and after a country is chosen shows that
// country's report. Checked on the window's own pixels and its document, not
// pixel for pixel. LECTERN_SCREENSHOT_DIR keeps the pictures for a person
// to look at.

#include "edit/LTEdit.h"
#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtWindow.h"
#include "table/LTTable.h"
#include "terrabook/TerrabookWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace lectern {
namespace {

/// Pixels of the field-code look: dark text on the yellow highlight.
int FieldCodePixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      n += qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 80;
    }
  return n;
}

void Keep(const QImage& image, const char* name) {
  if (const char* dir = std::getenv("LECTERN_SCREENSHOT_DIR")) image.save(QString(dir) + "/" + name);
}

TEST(TerrabookWindow, ShowsTheTemplateThenACountrysReport) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  const std::vector<std::string> problems = window.Start(true);
  ASSERT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(window.windowTitle(), "terrabook.ltf[*] — Field Codes — Terrabook");
  ASSERT_GT(window.ViewList().count(), 50);
  EXPECT_EQ(window.ViewList().itemText(0), "(Field Codes");
  EXPECT_TRUE(window.GridBox().isChecked());
  QApplication::processEvents();

  const QImage codes = window.grab().toImage();
  Keep(codes, "terrabook-codes.png");
  EXPECT_GT(FieldCodePixels(codes), 200);
  EXPECT_FALSE(window.App().Modified);

  const int chile = window.ViewList().findText("Chile");
  ASSERT_GT(chile, 0);
  window.ChooseView(chile);
  QApplication::processEvents();
  const QImage report = window.grab().toImage();
  Keep(report, "terrabook-chile.png");
  EXPECT_EQ(FieldCodePixels(report), 0);  // the field-code style is gone
  const std::string text = Utf16ToUtf8(window.Editor().LTData().GetPlainText(0));
  EXPECT_NE(text.find("Country report: Chile"), std::string::npos);
  EXPECT_NE(text.find("Santiago"), std::string::npos);
  EXPECT_TRUE(window.App().Modified);
  EXPECT_NE(codes, report);

  // The caret shows at the report's start, and the keys move it.
  QWidget* viewport = window.Area().viewport();
  const TLTRectI caret = window.Editor().CaretRect();
  ASSERT_FALSE(caret.IsEmpty());
  const QPoint bar = viewport->mapTo(&window, QPoint(caret.Left, (caret.Top + caret.Bottom) / 2));
  EXPECT_LT(report.pixelColor(bar).lightness(), 80) << "a dark bar at the caret";
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
  QApplication::sendEvent(&window.Area(), &end);
  EXPECT_GT(window.Editor().CaretRect().Left, caret.Left);

  // Dragging over a city's name opens its table cell for editing and
  // selects there, and the selection shows.
  TLTTableCellData* city = nullptr;
  TLTTableItemInfo* cities = nullptr;
  TLecternLTData& doc = window.Editor().LTData();
  for (int i = 0; i < doc.ItemCount() && !city; ++i)
    if (auto* t = dynamic_cast<TLTTableItemInfo*>(&doc.GetItem(i)); t && t->NumRows() > 2 && t->NumColumns() == 3) {
      cities = t;
      city = t->Cells(1, 0);
    }
  ASSERT_NE(city, nullptr);
  const TLTPointI o = city->GetOriginInControl();
  const TLTDrawLineInfo& first = city->DrawItems[0];
  const int top = window.Editor().VScrollPosition() * window.Editor().ScrollUnit();
  const QPoint from(o.X + first.Left + 1, o.Y + first.Top + first.Height / 2 - top);
  const QPoint to(from.x() + first.Width - 2, from.y());
  QWidget* area = window.Area().viewport();
  auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), area->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(area, &e);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::NoButton);
  TCustomLecternEdit& inner = window.Editor().InnermostEditor();
  ASSERT_NE(&inner, &window.Editor()) << "the cell is edited in an editor of its own";
  EXPECT_EQ(cities->EditedRow(), 1);
  EXPECT_TRUE(inner.HasSelection());
  EXPECT_EQ(&inner.CaretContainer(), &cities->CellContent(*city)) << "the caret follows the selection's end";
  // The caret stands in the cell's document; the field is the table's.
  EXPECT_EQ(window.statusBar()->currentMessage().toStdString(), "The caret is in field: Cities");
  QApplication::processEvents();
  const QImage selected = window.grab().toImage();
  Keep(selected, "terrabook-cell-selection.png");
  EXPECT_NE(selected, report);

  // Back to the codes: the template shows its fields again.
  window.ChooseView(0);
  QApplication::processEvents();
  EXPECT_GT(FieldCodePixels(window.grab().toImage()), 200);
  window.App().Modified = false;  // no question when the test closes it
}

TEST(TerrabookWindow, TypingEntersAndTheEditMenuUndoesWithTheActionsName) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  EXPECT_FALSE(window.App().Modified);
  TLecternLTData& doc = window.Editor().LTData();
  const TLTString before = doc.GetPlainText(0);
  QWidget* area = &window.Area();
  auto key = [&](int k, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(area, &e);
  };
  key(Qt::Key_X, "X");
  key(Qt::Key_Return, "\r");
  EXPECT_TRUE(window.App().Modified) << "an edit asks to be saved on closing";
  EXPECT_NE(doc.GetPlainText(0), before);

  QMenu* edit = nullptr;
  for (QAction* a : window.menuBar()->actions())
    if (a->text() == "&Edit") edit = a->menu();
  ASSERT_NE(edit, nullptr);
  emit edit->aboutToShow();
  QAction* undo = edit->actions().at(0);
  EXPECT_EQ(undo->text(), "&Undo Typing");
  EXPECT_TRUE(undo->isEnabled());
  undo->trigger();  // Enter
  undo->trigger();  // X
  EXPECT_EQ(doc.GetPlainText(0), before);
  emit edit->aboutToShow();
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(edit->actions().at(1)->text(), "&Redo Typing");
  window.App().Modified = false;
}

TEST(TerrabookWindow, TheStyleListShowsTheTemplateAtTheCaretAndAppliesAnother) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  QComboBox& list = window.StyleList();
  ASSERT_GE(list.count(), 6);
  EXPECT_EQ(list.itemText(0), "Normal");
  TLecternEdit& e = window.Editor();
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
  QApplication::sendEvent(&window.Area(), &home);  // into the title
  EXPECT_EQ(list.currentText(), "Title");
  const TLTStyle& sheet = *e.Style();
  const int titlePara = e.LTData().GetItem(0).ParaNo;
  window.ApplyTemplate(list.findText("Body"));
  const TParaInfo& now = sheet.ParaStyles()[e.LTData().GetItem(0).ParaNo];
  EXPECT_EQ(now.Alignment, ltaLeft) << "the title's centring came from its template, which Body does not keep";
  EXPECT_EQ(list.currentText(), "Body");
  EXPECT_TRUE(window.App().Modified);
  ASSERT_TRUE(e.Undo());
  EXPECT_EQ(e.LTData().GetItem(0).ParaNo, titlePara);
  window.App().Modified = false;
}

/// The shipped files copied where a test may change them.
struct TCopiedFiles {
  // One folder per test: ctest runs them side by side.
  std::filesystem::path Dir = std::filesystem::path(::testing::TempDir()) /
                              ("terrabook-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  bool Make() {
    const std::string bin = LECTERN_BIN_DIR;
    if (!std::filesystem::exists(bin + "/Terra.db")) return false;
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
    for (const char* f : {"Terra.db", "terrabook.ltf"})
      std::filesystem::copy_file(bin + "/" + f, Dir / f);
    return true;
  }
  ~TCopiedFiles() { std::filesystem::remove_all(Dir); }
  /// A window on the copies, shown and active.
  std::unique_ptr<TTerrabookWindow> Open() const {
    EnsureQtApplication();
    auto window = std::make_unique<TTerrabookWindow>(Dir.string() + "/");
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    return window;
  }
};

TEST(TerrabookWindow, ATemplateIsEditedGivenAFieldSeenMergedUndoneSavedAndOpenedAgain) {
  TCopiedFiles files;
  if (!files.Make()) GTEST_SKIP() << "Terra.db has not been generated in " << LECTERN_BIN_DIR;
  std::unique_ptr<TTerrabookWindow> window = files.Open();
  ASSERT_TRUE(window->Start(true).empty());
  TLecternEdit& e = window->Editor();
  TLecternLTData& doc = e.LTData();
  QWidget* area = &window->Area();
  area->setFocus();

  // Typed at the end of the heading's paragraph, then a field after it.
  e.SetCaretAt(0, doc.GetOffsAfterItem(0));
  for (QChar c : QString("Dear ")) QTest::keyClick(area, c.toLatin1());
  EXPECT_FALSE(window->Command("Cut")->isEnabled()) << "nothing is selected";
  ASSERT_TRUE(window->Command("Capital")->isEnabled());
  window->Command("Capital")->trigger();
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), "The caret is in field: Capital");
  EXPECT_TRUE(window->isWindowModified());
  EXPECT_EQ(window->Command("Undo")->text(), "&Undo Insert Capital");

  // A country shows its capital where the code went; back to the codes.
  const int chile = window->ViewList().findText("Chile");
  window->ChooseView(chile);
  EXPECT_NE(Utf16ToUtf8(doc.GetPlainText(0)).find("Country report: Dear Santiago"), std::string::npos);
  EXPECT_EQ(window->windowTitle(), "terrabook.ltf[*] — Chile — Terrabook");
  EXPECT_FALSE(window->Command("Undo")->isEnabled()) << "undo does not reach over a view switch";
  window->ChooseView(0);
  const std::string codes = Utf16ToUtf8(doc.GetPlainText(0));
  EXPECT_NE(codes.find("Country report: Dear Capital"), std::string::npos) << codes;

  // An edit in the codes view, undone; then Ctrl+S saves.
  e.SetCaretAt(0, 1);
  QTest::keyClick(area, 'Z');
  QTest::keyClick(area, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Utf16ToUtf8(doc.GetPlainText(0)), codes);
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(window->App().Modified);
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_TRUE(window->statusBar()->currentMessage().startsWith("Saved ")) << window->statusBar()->currentMessage().toStdString();
  window.reset();

  // A second start shows the edited template.
  TTerrabookWindow again(files.Dir.string() + "/");
  ASSERT_TRUE(again.Start(true).empty());
  EXPECT_EQ(Utf16ToUtf8(again.Editor().LTData().GetPlainText(0)), codes);
}

TEST(TerrabookWindow, ATableCellIsEditedWithKeysAndItsTextIsSavedWithTheTemplate) {
  TCopiedFiles files;
  if (!files.Make()) GTEST_SKIP() << "Terra.db has not been generated in " << LECTERN_BIN_DIR;
  std::unique_ptr<TTerrabookWindow> window = files.Open();
  ASSERT_TRUE(window->Start(true).empty());
  TLecternEdit& e = window->Editor();
  QWidget* area = &window->Area();
  area->setFocus();
  TLTTableItemInfo* facts = nullptr;
  for (int i = 0; i < e.LTData().ItemCount() && !facts; ++i)
    facts = dynamic_cast<TLTTableItemInfo*>(&e.LTData().GetItem(i));
  ASSERT_NE(facts, nullptr) << "the template has a table of key facts";

  // Into the label cell of the capital, at its end; typing goes there.
  ASSERT_TRUE(facts->EditCell(-1, 1, 0, {.CaretAtEnd = true}));
  for (QChar c : QString(" city")) QTest::keyClick(area, c.toLatin1());
  EXPECT_EQ(window->Command("Undo")->text(), "&Undo Typing");
  // Tab stays in the table: the next cell holds the Capital code.
  QTest::keyClick(area, Qt::Key_Tab);
  EXPECT_EQ(facts->EditedCol(), 1);
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), "The caret is in field: Capital");
  EXPECT_TRUE(window->isWindowModified());
  // The Table menu works on the table the caret is in; Undo takes it back.
  const int rows = facts->NumRows();
  window->Command("Insert Row Below")->trigger();
  EXPECT_EQ(facts->NumRows(), rows + 1);
  EXPECT_EQ(facts->EditedRow(), 1) << "the caret stays in its cell";
  window->Command("Undo")->trigger();
  EXPECT_EQ(facts->NumRows(), rows);
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(window->isWindowModified());
  window.reset();

  TTerrabookWindow again(files.Dir.string() + "/");
  ASSERT_TRUE(again.Start(true).empty());
  EXPECT_NE(Utf16ToUtf8(again.Editor().LTData().GetPlainText(0)).find("Capital city"), std::string::npos);
}

TEST(TerrabookWindow, WithoutItsTableTheWindowStillEditsAndSavesTheTemplate) {
  TCopiedFiles files;
  if (!files.Make()) GTEST_SKIP() << "Terra.db has not been generated in " << LECTERN_BIN_DIR;
  std::filesystem::remove(files.Dir / "Terra.db");
  EnsureQtApplication();
  TTerrabookWindow window(files.Dir.string() + "/");
  const std::vector<std::string> problems = window.Start(true);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(window.ViewList().count(), 1);
  EXPECT_EQ(window.ViewList().itemText(0), "(Field Codes");
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("Terra.db")) << window.statusBar()->currentMessage().toStdString();
  window.Editor().SetCaretAt(0, 1);
  window.Editor().TypeText(u"X");
  EXPECT_TRUE(window.Save());
  window.App().Modified = false;
}

TEST(TerrabookWindow, ZoomScalesTheLayoutAndCtrlWheelZooms) {
  TCopiedFiles files;
  if (!files.Make()) GTEST_SKIP() << "Terra.db has not been generated in " << LECTERN_BIN_DIR;
  EnsureQtApplication();
  TTerrabookWindow window(files.Dir.string() + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  const int height = window.Editor().LTData().DocumentHeight;
  window.SetZoom(200);
  EXPECT_GT(window.Editor().LTData().DocumentHeight, height * 3 / 2);
  QWidget* viewport = window.Area().viewport();
  QWheelEvent wheel(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), {}, {0, -120}, Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(viewport, &wheel);
  EXPECT_EQ(window.Zoom(), 190);
  EXPECT_EQ(window.Editor().VScrollPosition(), 0) << "Ctrl with the wheel zooms instead of scrolling";
  window.Command("Actual Size")->trigger();
  EXPECT_EQ(window.Editor().LTData().DocumentHeight, height);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

/// Points the window's checker at the test dictionary (as the user's
/// language) and the personal list into a scratch folder, for one test.
struct TTestDictionaryEnv {
  std::string Config = (std::filesystem::temp_directory_path() / "terrabook-spell-config").string();
  TTestDictionaryEnv() {
    std::filesystem::remove_all(Config);
    for (const char* name : {"DICPATH", "LC_ALL", "XDG_CONFIG_HOME"})
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
    setenv("DICPATH", LECTERN_TEST_DATA "/spell", 1);
    setenv("LC_ALL", "en_TEST", 1);
    setenv("XDG_CONFIG_HOME", Config.c_str(), 1);
  }
  ~TTestDictionaryEnv() {
    for (const char* name : {"DICPATH", "LC_ALL", "XDG_CONFIG_HOME"}) unsetenv(name);
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    std::filesystem::remove_all(Config);
  }

 private:
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST(TerrabookWindow, MisspelledWordsGetAZigzagAndARightClickOffersWhatTheyCouldBe) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  TTestDictionaryEnv env;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  QAction* toggle = window.Command("Check Spelling While Typing");
  ASSERT_NE(toggle, nullptr);
  toggle->trigger();
  ASSERT_TRUE(window.LiveChecking());
  TLecternEdit& e = window.Editor();
  e.MoveCaret(ltecDocEnd);
  e.NewParagraph(false);
  e.TypeText(u"the teh cat");
  const int item = e.CurrentItemNo();
  TCustomLTItemInfo& typed = e.LTData().GetItem(item);
  for (int i = 0; i < 400 && !typed.IsMisspelledAt(5); ++i) QTest::qWait(10);
  ASSERT_TRUE(typed.IsMisspelledAt(5));
  EXPECT_FALSE(typed.IsMisspelledAt(1));
  QApplication::processEvents();
  const QImage marked = window.grab().toImage();
  Keep(marked, "terrabook-spelling.png");

  int d = -1, o = 0;
  ASSERT_TRUE(e.LTData().ItemToDrawItem(item, 6, d, o));
  const TLTDrawLineInfo& piece = e.LTData().DrawItems[d];
  const TLTPointI at = e.DocumentToClient({e.LTData().CaretX(d, o) + 1, piece.Top + piece.Height / 2});
  std::unique_ptr<QMenu> menu = window.SuggestionMenu(at.X, at.Y);
  ASSERT_NE(menu, nullptr);
  QStringList entries;
  for (QAction* a : menu->actions()) entries << a->text();
  EXPECT_TRUE(entries.contains("the")) << entries.join(", ").toStdString();
  EXPECT_TRUE(entries.contains("&Add to dictionary"));
  menu->adjustSize();
  Keep(menu->grab().toImage(), "terrabook-suggestions.png");
  EXPECT_EQ(window.SuggestionMenu(0, 0), nullptr) << "no menu of its own away from a marked word";
  for (QAction* a : menu->actions())
    if (a->text() == "the") a->trigger();
  EXPECT_EQ(e.LTData().GetItemTextW(item), u"the the cat");

  // A word added to the dictionary is kept for the user and loses its mark.
  e.MoveCaret(ltecLineEnd);
  e.TypeText(u" wrod");
  const int wordItem = e.CurrentItemNo();
  TCustomLTItemInfo& second = e.LTData().GetItem(wordItem);
  e.MoveCaret(ltecDocStart);
  for (int i = 0; i < 400 && !second.IsMisspelledAt(13); ++i) QTest::qWait(10);
  ASSERT_TRUE(second.IsMisspelledAt(13));
  ASSERT_TRUE(e.LTData().ItemToDrawItem(wordItem, 14, d, o));
  const TLTDrawLineInfo& p2 = e.LTData().DrawItems[d];
  const TLTPointI at2 = e.DocumentToClient({e.LTData().CaretX(d, o) + 1, p2.Top + p2.Height / 2});
  menu = window.SuggestionMenu(at2.X, at2.Y);
  ASSERT_NE(menu, nullptr);
  for (QAction* a : menu->actions())
    if (a->text() == "&Add to dictionary") a->trigger();
  for (int i = 0; i < 400 && (e.IsWordChecking() && !e.WaitForWordChecking(0)); ++i) QTest::qWait(10);
  EXPECT_FALSE(e.LTData().GetItem(wordItem).IsMisspelledAt(13));
  std::ifstream words(env.Config + "/terrabook/words");
  std::string line;
  EXPECT_TRUE(std::getline(words, line));
  EXPECT_EQ(line, "wrod");

  toggle->trigger();
  EXPECT_FALSE(e.IsWordChecking());
  EXPECT_FALSE(e.LTData().GetItem(wordItem).MarkList);
}

TEST(TerrabookWindow, KeysReachEveryPanelControlAndStepTheViewListWithoutLeavingIt) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  window.activateWindow();
  QApplication::processEvents();
  // Each panel control has its letter with Alt.
  QTest::keyClick(&window, Qt::Key_Y, Qt::AltModifier);
  EXPECT_TRUE(window.StyleList().hasFocus());
  QTest::keyClick(&window, Qt::Key_W, Qt::AltModifier);
  QComboBox& list = window.ViewList();
  ASSERT_TRUE(list.hasFocus());
  // The arrows choose without applying: no report is merged on the way.
  QTest::keyClick(&list, Qt::Key_Down);
  QTest::keyClick(&list, Qt::Key_Down);
  QTest::keyClick(&list, Qt::Key_Up);
  EXPECT_EQ(list.currentIndex(), 1);
  EXPECT_EQ(window.windowTitle(), "terrabook.ltf[*] — Field Codes — Terrabook");
  QTest::keyClick(&list, Qt::Key_Up);
  QTest::keyClick(&list, Qt::Key_Up);
  EXPECT_EQ(list.currentIndex(), 0) << "the first entry stays the first";
  QTest::keyClick(&list, Qt::Key_Down);
  // Enter applies, and the list keeps the keys for the next step.
  QTest::keyClick(&list, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(window.windowTitle(), "terrabook.ltf[*] — " + list.itemText(1) + " — Terrabook");
  EXPECT_TRUE(list.hasFocus());
  Keep(window.grab().toImage(), "terrabook-view-list-keys.png");
  // Tab walks on through the panel into the document.
  QTest::keyClick(&list, Qt::Key_Tab);
  EXPECT_TRUE(window.GridBox().hasFocus());
  QTest::keyClick(&window.GridBox(), Qt::Key_Tab);
  EXPECT_TRUE(window.StyleList().hasFocus());
  QTest::keyClick(&window.StyleList(), Qt::Key_Tab);
  EXPECT_TRUE(window.Area().hasFocus());
  // A choice with the mouse still hands the keys to the document.
  list.setFocus();
  window.ChooseView(0);
  EXPECT_TRUE(window.Area().hasFocus());
}

TEST(TerrabookWindow, CtrlZTakesBackTheLastTypedWord) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  TLecternEdit& e = window.Editor();
  e.MoveCaret(ltecDocEnd);
  e.NewParagraph(false);
  const TLTString before = e.LTData().GetPlainText(0);
  QWidget* area = &window.Area();
  for (const QChar c : QString("hello world")) {
    const int key = c == ' ' ? int(Qt::Key_Space) : int(Qt::Key_A) + (c.unicode() - 'a');
    QTest::keyClick(area, static_cast<Qt::Key>(key), Qt::NoModifier);
  }
  ASSERT_EQ(e.LTData().GetPlainText(0), before + u"hello world");
  QTest::keyClick(area, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(e.LTData().GetPlainText(0), before + u"hello ");
  QTest::keyClick(area, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(e.LTData().GetPlainText(0), before);
  Keep(window.grab().toImage(), "terrabook-undo-word.png");
  window.App().Modified = false;
}

TEST(TerrabookWindow, ViewShowFormattingMarksPaintsParagraphEnds) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.resize(900, 700);
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  QAction* marks = window.Command("Show Formatting Marks");
  ASSERT_NE(marks, nullptr);
  EXPECT_TRUE(marks->isCheckable());
  EXPECT_FALSE(window.Editor().Options().Contains(ltoShowSpecialCharacters));
  QApplication::processEvents();
  const QImage plain = window.Area().grab().toImage();
  marks->trigger();
  EXPECT_TRUE(window.Editor().Options().Contains(ltoShowSpecialCharacters));
  QApplication::processEvents();
  const QImage shown = window.Area().grab().toImage();
  Keep(shown, "terrabook-formatting-marks.png");
  EXPECT_NE(plain, shown);
  marks->trigger();
  EXPECT_FALSE(window.Editor().Options().Contains(ltoShowSpecialCharacters));
}

TEST(TerrabookWindow, AChosenSuggestionIsOneStepToUndo) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!std::filesystem::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  TTestDictionaryEnv env;
  EnsureQtApplication();
  TTerrabookWindow window(bin + "/");
  window.show();
  ASSERT_TRUE(window.Start(true).empty());
  window.Command("Check Spelling While Typing")->trigger();
  TLecternEdit& e = window.Editor();
  e.MoveCaret(ltecDocEnd);
  e.NewParagraph(false);
  e.TypeText(u"the teh cat");
  const int item = e.CurrentItemNo();
  TCustomLTItemInfo& typed = e.LTData().GetItem(item);
  for (int i = 0; i < 400 && !typed.IsMisspelledAt(5); ++i) QTest::qWait(10);
  ASSERT_TRUE(typed.IsMisspelledAt(5));
  int d = -1, o = 0;
  ASSERT_TRUE(e.LTData().ItemToDrawItem(item, 6, d, o));
  const TLTDrawLineInfo& piece = e.LTData().DrawItems[d];
  const TLTPointI at = e.DocumentToClient({e.LTData().CaretX(d, o) + 1, piece.Top + piece.Height / 2});
  std::unique_ptr<QMenu> menu = window.SuggestionMenu(at.X, at.Y);
  ASSERT_NE(menu, nullptr);
  for (QAction* a : menu->actions())
    if (a->text() == "the") a->trigger();
  EXPECT_EQ(e.LTData().GetItemTextW(item), u"the the cat");
  e.Undo();
  EXPECT_EQ(e.LTData().GetItemTextW(item), u"the teh cat");
  window.App().Modified = false;
}

}  // namespace
}  // namespace lectern
