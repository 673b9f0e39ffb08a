// Layout and painting on the Qt canvas off-screen: what layout measures is
// what painting covers, line by line.

#include "model/LTMarker.h"
#include "platform/qt/LTQtCanvas.h"
#include "view/LTPaint.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <cmath>

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

// Lines that mix directions, each laid out as one piece by the document and
// by QTextLayout alone (the same face, no kerning, the paragraph's
// direction): the pictures agree pixel for pixel, joined Arabic letters
// included, and the piece is as wide as Qt's line advances.
TEST(LTQtLayout, MixedDirectionLinesPaintAsQTextLayoutAlone) {
  EnsureQtGuiApplication();
  TLTStyle style;
  style.TextStyles()[0].FontName = u"DejaVu Sans";
  style.TextStyles()[0].Size = 14;
  TParaInfo& rtl = style.ParaStyles().Add();
  rtl.BiDiMode = ltbdRightToLeft;
  TLTDocumentContext context;
  context.Style = &style;
  QImage probe(1, 1, QImage::Format_RGB32);
  TLTQtCanvas measure(probe);
  TLTFormattedDocument doc;
  doc.SetContext(&context);
  doc.Canvas = &measure;
  doc.ClientWidth = 600;
  const std::u16string lines[] = {
      u"abc \u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD def",
      u"abc \u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645",
  };
  doc.AddTextW(lines[0], 0, 0);
  doc.AddTextW(lines[1], 0, 2);
  doc.AddTextW(lines[0], 0, 2);
  doc.FormatAll({.Force = true});
  ASSERT_EQ(doc.DrawItems.Count(), 3);

  QImage painted(doc.ClientWidth, doc.DocumentHeight, QImage::Format_RGB32);
  painted.fill(Qt::white);
  {
    TLTQtCanvas paint(painted);
    TLTPaintContext p;
    p.Clip = {0, 0, painted.width(), painted.height()};
    PaintTo(doc, paint, p);
  }
  QImage alone(painted.size(), QImage::Format_RGB32);
  alone.fill(Qt::white);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(19);  // 14 points at 96 pixels per inch
  font.setKerning(false);
  const int ascent = QFontMetrics(font).ascent();
  for (int i = 0; i < doc.DrawItems.Count(); ++i) {
    const TLTDrawLineInfo& piece = doc.DrawItems[i];
    const TLTString& text = lines[i == 1 ? 1 : 0];
    QTextLayout layout(QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())), font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setTextDirection(i == 0 ? Qt::LeftToRight : Qt::RightToLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1.0e6);
    layout.endLayout();
    EXPECT_LE(std::abs(piece.Width - line.horizontalAdvance()), 0.5) << i;
    QPainter painter(&alone);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(Qt::black);
    layout.draw(&painter, QPointF(piece.Left - line.naturalTextRect().left(), piece.Top + ascent - line.ascent()));
  }
  int differing = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) differing += painted.pixel(x, y) != alone.pixel(x, y);
  EXPECT_EQ(differing, 0);
  if (differing > 0 && qEnvironmentVariableIsSet("LECTERN_SCREENSHOT_DIR")) {
    const QString dir = qEnvironmentVariable("LECTERN_SCREENSHOT_DIR");
    painted.save(dir + QStringLiteral("/mixed-painted.png"));
    alone.save(dir + QStringLiteral("/mixed-alone.png"));
  }
}

// A report page in Hebrew and Arabic: right-to-left paragraphs aligned
// right and justified, a right-to-left list, words and numbers of the
// other direction inside. Every line's ink stays inside its pieces.
TEST(LTQtLayout, RightToLeftPageStaysInsideItsLines) {
  EnsureQtGuiApplication();
  TLTStyle style;
  style.TextStyles()[0].FontName = u"DejaVu Sans";
  style.TextStyles()[0].Size = 12;
  TFontInfo& heading = style.TextStyles().Add();
  heading.FontName = u"DejaVu Sans";
  heading.Size = 16;
  heading.Style = {fsBold};
  const int headingNo = style.TextStyles().Count() - 1;
  TParaInfo& right = style.ParaStyles().Add();
  right.BiDiMode = ltbdRightToLeft;
  right.Alignment = ltaRight;
  right.SpaceAfter = 8;
  const int rightNo = style.ParaStyles().Count() - 1;
  TParaInfo& justified = style.ParaStyles().Add();
  justified.BiDiMode = ltbdRightToLeft;
  justified.Alignment = ltaJustify;
  justified.SpaceAfter = 8;
  const int justifiedNo = style.ParaStyles().Count() - 1;
  TLTListInfo& list = style.ListStyles().Add();
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  level.MarkerIndent = 10;
  level.LeftIndent = 40;
  level.FirstIndent = 0;
  TLTDocumentContext context;
  context.Style = &style;
  QImage probe(1, 1, QImage::Format_RGB32);
  TLTQtCanvas measure(probe);
  TLTFormattedDocument doc;
  doc.SetContext(&context);
  doc.Canvas = &measure;
  doc.ClientWidth = 520;
  doc.AddTextW(u"\u05D3\u05D5\u05D7 \u05E2\u05DC \u05D9\u05E9\u05E8\u05D0\u05DC", headingNo, rightNo);
  doc.AddTextW(
      u"\u05D9\u05E9\u05E8\u05D0\u05DC \u05D4\u05D9\u05D0 \u05DE\u05D3\u05D9\u05E0\u05D4 \u05D1\u05DE\u05D6\u05E8\u05D7 "
      u"\u05D4\u05EA\u05D9\u05DB\u05D5\u05DF. \u05D1\u05D9\u05E8\u05EA\u05D4 \u05D4\u05D9\u05D0 "
      u"\u05D9\u05E8\u05D5\u05E9\u05DC\u05D9\u05DD, \u05D5\u05D1\u05E9\u05E0\u05EA 2021 \u05D7\u05D9\u05D5 "
      u"\u05D1\u05D4 9,364,000 \u05EA\u05D5\u05E9\u05D1\u05D9\u05DD. \u05D4\u05E9\u05E4\u05D5\u05EA "
      u"\u05D4\u05E8\u05E9\u05DE\u05D9\u05D5\u05EA: \u05E2\u05D1\u05E8\u05D9\u05EA (Hebrew) "
      u"\u05D5\u05E2\u05E8\u05D1\u05D9\u05EA.",
      0, justifiedNo);
  doc.AddTextW(
      u"\u0645\u0635\u0631 \u062F\u0648\u0644\u0629 \u0641\u064A \u0634\u0645\u0627\u0644 "
      u"\u0623\u0641\u0631\u064A\u0642\u064A\u0627. \u0639\u0627\u0635\u0645\u062A\u0647\u0627 "
      u"\u0627\u0644\u0642\u0627\u0647\u0631\u0629\u060C \u0648\u0639\u062F\u062F "
      u"\u0633\u0643\u0627\u0646\u0647\u0627 104,258,327 \u0646\u0633\u0645\u0629 \u0641\u064A "
      u"\u0639\u0627\u0645 2022. \u0627\u0644\u0644\u063A\u0629 \u0627\u0644\u0631\u0633\u0645\u064A\u0629 "
      u"\u0647\u064A \u0627\u0644\u0639\u0631\u0628\u064A\u0629 (Arabic).",
      0, justifiedNo);
  for (const char16_t* entry : {u"\u05E2\u05E8\u05D9\u05DD: \u05D9\u05E8\u05D5\u05E9\u05DC\u05D9\u05DD",
                                u"\u0627\u0644\u0645\u062F\u0646: \u0627\u0644\u0642\u0627\u0647\u0631\u0629"}) {
    auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false);
    marker->ParaNo = rightNo;
    doc.AddItem({}, std::move(marker));
    doc.AddTextW(entry, 0, -1);
  }
  doc.AddTextW(u"Mixed: abc \u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD def, abc "
               u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645 ghi.",
               0, 0);
  doc.FormatAll({.Force = true});

  QImage image(doc.ClientWidth, doc.DocumentHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TLTQtCanvas paint(image);
    TLTPaintContext p;
    p.Clip = {0, 0, image.width(), image.height()};
    PaintTo(doc, paint, p);
  }
  if (qEnvironmentVariableIsSet("LECTERN_SCREENSHOT_DIR"))
    image.save(qEnvironmentVariable("LECTERN_SCREENSHOT_DIR") + QStringLiteral("/right-to-left-page.png"));
  for (int i = 0; i < doc.DrawItems.Count(); ++i) {
    int first, last, top, bottom;
    doc.LineRange(i, first, last);
    if (i != first) continue;
    int left = INT32_MAX, right = INT32_MIN;
    for (int k = first; k <= last; ++k) {
      left = std::min(left, doc.DrawItems[k].Left);
      right = std::max(right, doc.DrawItems[k].Left + doc.DrawItems[k].Width);
    }
    EXPECT_LE(right, doc.ClientWidth - doc.GetRightMargin()) << "line of piece " << i;
    doc.LineExtent(first, last, top, bottom);
    // Glyphs may overhang their advance by a pixel or two, and Arabic
    // letters reach into the lines above and below: the line's middle half.
    const int quarter = (bottom - top) / 4;
    for (int y = std::max(top + quarter, 0); y < std::min(bottom - quarter, image.height()); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (x < left - 2 || x > right + 2)
          ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << "line of piece " << i << " at " << x << "," << y;
  }
}

}  // namespace
}  // namespace lectern
