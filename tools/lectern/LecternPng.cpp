// Rendering a document to a PNG picture: laid out at a width on the Qt
// canvas off-screen and painted as the viewer paints it. A format of the
// registry that only the tool has, since it needs Qt.

#include "layout/CLTFData.h"
#include "platform/LTStream.h"
#include "platform/qt/LTQtCanvas.h"
#include "print/LTPrint.h"
#include "rtf/LTRTFImport.h"
#include "tools/lectern/LecternFormats.h"
#include "view/LTPaint.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>

namespace lectern {

namespace {

// Taller pictures exceed what image viewers and the PNG encoder handle well.
constexpr int kMaxPictureHeight = 65000;
constexpr int kMargin = 10;

/// Lays the document out at the settings' width and paints it on an
/// off-screen image; a range is not rendered alone, the whole document is.
bool WritePng(const TCustomLTData& from, const TLTItemRange*, TLTStream& out, const TLTWriteSettings& settings,
              TLTFormatReport& report) {
  EnsureQtGuiApplication();
  TLTDocumentContext* context = from.GetContext();
  if (!context || !context->Style) {
    report.Error = "the document has no style sheet";
    return false;
  }
  // A copy to lay out: the document itself is not laid out, and stays as it was.
  TLTFormattedDocument layout;
  layout.SetContext(context);
  for (int i = 0; i < from.ItemCount(); ++i) {
    std::unique_ptr<TCustomLTItemInfo> copy = CloneItem(from.GetItem(i));
    if (!copy) continue;
    TLTRawByteString text = std::move(copy->Text);
    layout.AddItemAsIs(std::move(text), std::move(copy));
  }
  layout.LeftMargin = layout.RightMargin = layout.TopMargin = layout.BottomMargin = kMargin;
  layout.ClientWidth = settings.PictureWidth > 0 ? settings.PictureWidth : kDefaultPictureWidth;

  QImage probe(1, 1, QImage::Format_RGB32);
  {
    TLTQtCanvas measure(probe);
    layout.Canvas = &measure;
    layout.FormatAll({.Force = true});
    layout.Canvas = nullptr;
  }
  const int width = std::max(1, layout.LeftMargin + layout.DocumentWidth + layout.RightMargin);
  const int height = std::max(1, layout.DocumentHeight);
  if (height > kMaxPictureHeight || width > kMaxPictureHeight) {
    report.Error = "the document is too large for one picture (" + std::to_string(width) + " x " +
                   std::to_string(height) + " pixels)";
    return false;
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);  // under a sheet colour of clNone
  {
    TLTQtCanvas paint(image);
    const TLTBackground background;
    PaintBackground(paint, {0, 0, width, height}, background, context->Style, 0, 0, width, height);
    TLTPaintContext paintContext;
    paintContext.Clip = {0, 0, width, height};
    PaintTo(layout, paint, paintContext);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    report.Error = "the picture could not be encoded";
    return false;
  }
  if (!out.WriteAll(bytes.constData(), static_cast<size_t>(bytes.size()))) {
    report.Error = "the picture could not be written";
    return false;
  }
  return true;
}

}  // namespace

void RegisterToolFormats() {
  RegisterDocumentFormat({"png", ".png", "a picture of the laid-out document", {}, {}, nullptr, &WritePng, nullptr, {}});
  RegisterPdfFormat();
  // RTF is read by the import, a layer above the format registry.
  RegisterRTFReading();
}

}  // namespace lectern
