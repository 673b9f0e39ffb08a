// The Terrabook window off-screen: it starts with the shipped template and
// table, shows the field codes, and after a country is chosen shows that
// country's report. Checked on the window's own pixels and its document, not
// pixel for pixel. LECTERN_SCREENSHOT_DIR keeps the pictures for a person
// to look at.

#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtWindow.h"
#include "terrabook/TerrabookWindow.h"
#include "view/CLectern.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
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
  const std::string text = Utf16ToUtf8(window.Viewer().LTData().GetPlainText(0));
  EXPECT_NE(text.find("Country report: Chile"), std::string::npos);
  EXPECT_NE(text.find("Santiago"), std::string::npos);
  EXPECT_TRUE(window.App().Modified);
  EXPECT_NE(codes, report);

  // Back to the codes: the template shows its fields again.
  window.ChooseView(0);
  QApplication::processEvents();
  EXPECT_GT(FieldCodePixels(window.grab().toImage()), 200);
  window.App().Modified = false;  // no question when the test closes it
}

}  // namespace
}  // namespace lectern
