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
#include <QMouseEvent>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
  EXPECT_EQ(window.windowTitle(), "Terrabook");
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

  // Dragging over a city's name selects inside its table cell, and the
  // selection shows there.
  TLTTableCellData* city = nullptr;
  TLecternLTData& doc = window.Editor().LTData();
  for (int i = 0; i < doc.ItemCount() && !city; ++i)
    if (auto* t = dynamic_cast<TLTTableItemInfo*>(&doc.GetItem(i)); t && t->NumRows() > 2 && t->NumColumns() == 3)
      city = t->Cells(1, 0);
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
  EXPECT_EQ(&window.Editor().SelectionContainer(), city);
  EXPECT_TRUE(window.Editor().HasSelection());
  EXPECT_EQ(&window.Editor().CaretContainer(), city) << "the caret follows the selection's end";
  // The caret stands in the cell's own document, whose items carry no field.
  EXPECT_EQ(window.statusBar()->currentMessage().toStdString(), "The caret is not in any field");
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

}  // namespace
}  // namespace lectern
