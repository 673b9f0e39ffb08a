// Rendering a document to a PNG picture: laid out at a width on the Qt
// canvas off-screen, painted as the viewer paints it, written through a
// temporary file.

#include "layout/CLTFData.h"
#include "platform/LTStream.h"
#include "platform/qt/LTQtCanvas.h"
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

}  // namespace

bool WritePng(TLTDocument& doc, const std::string& path, const TToolOptions& options, TFailure& failure) {
  EnsureQtGuiApplication();
  TLTFormattedDocument layout;
  layout.SetContext(&doc.Context);
  layout.AppendFrom(doc.Data);
  layout.LeftMargin = layout.RightMargin = layout.TopMargin = layout.BottomMargin = kMargin;
  layout.ClientWidth = options.Width > 0 ? options.Width : kDefaultPictureWidth;

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
    failure = {path, "the document is too large for one picture (" + std::to_string(width) + " x " +
                         std::to_string(height) + " pixels)"};
    return false;
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);  // under a sheet colour of clNone
  {
    TLTQtCanvas paint(image);
    const TLTBackground background;
    PaintBackground(paint, {0, 0, width, height}, background, &doc.Style, 0, 0, width, height);
    TLTPaintContext params;
    params.Clip = {0, 0, width, height};
    PaintTo(layout, paint, params);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    failure = {path, "the picture could not be encoded"};
    return false;
  }
  std::string error;
  if (!WriteFileAtomic(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &error)) {
    failure = {path, error};
    return false;
  }
  return true;
}

}  // namespace lectern
