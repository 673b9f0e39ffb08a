// Layout and painting on the Qt canvas off-screen: what layout measures is
// what painting covers, line by line.

#include "platform/qt/LTQtCanvas.h"
#include "view/LTPaint.h"

#include <QImage>
#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(LTQtLayout, PaintedTextStaysInsideTheMeasuredPieces) {
  EnsureQtGuiApplication();
  TLTStyle style;
  style.TextStyles()[1].Size = 14;
  TLTDocumentContext context;
  context.Style = &style;
  QImage probe(1, 1, QImage::Format_RGB32);
  TLTQtCanvas measure(probe);
  TLTFormattedDocument doc;
  doc.SetContext(&context);
  doc.Canvas = &measure;
  doc.ClientWidth = 260;
  doc.AddTextW(u"Heading with Wide Letters WWW", 1, 0);
  doc.AddTextW(
      u"A paragraph of ordinary words that wraps over several lines, with some "
      u"punctuation, numbers like 1,234 and 50% and a hyphenated well-known word.",
      0, 0);
  doc.AddTextW(u" and more in italics", 3, -1);
  doc.FormatAll({.Force = true});
  ASSERT_GT(doc.DrawItems.Count(), 4);

  QImage image(doc.ClientWidth, doc.DocumentHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TLTQtCanvas paint(image);
    TLTPaintContext p;
    p.Clip = {0, 0, image.width(), image.height()};
    PaintTo(doc, paint, p);
  }
  for (int i = 0; i < doc.DrawItems.Count(); ++i) {
    const TLTDrawLineInfo& piece = doc.DrawItems[i];
    int first, last, top, bottom;
    doc.LineRange(i, first, last);
    if (i != last) continue;
    // Right of the line's last piece nothing is painted on the line's rows
    // (italic overhang may lean one pixel out).
    const int right = piece.Left + piece.Width + 1;
    doc.LineExtent(first, last, top, bottom);
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
      for (int x = right + 1; x < image.width(); ++x)
        ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << "line of piece " << i << " at " << x << "," << y;
    EXPECT_LE(piece.Left + piece.Width, doc.GetLeftMargin() + doc.TextWidth) << i;
  }
}

}  // namespace
}  // namespace lectern
