// Pages on Qt's PDF writer and printers.
//
// Design notes. Pages are laid out on an off-screen canvas at the
// resolution of the device and painted on a canvas over the device, both
// the same Qt canvas, so measuring and painting agree as on the screen.
// The PDF writer's own page margins are 0: the pages paint their margins
// themselves, and a page's pixel (0, 0) is the paper's corner. Links and
// document properties, which the writer cannot express, are added to the
// finished bytes (print/LTPdfFile).

#include "print/LTPrint.h"

#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtApplication.h"
#include "platform/qt/LTQtCanvas.h"
#include "print/LTPdfFile.h"
#include "view/LTPrint.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>
#include <cctype>
#include <vector>

namespace lectern {

namespace {

constexpr double kPointsPerInch = 72;

/// Addresses a link may open from a PDF: no scripts, no local programs.
bool IsSafeLinkTarget(const std::string& uri) {
  std::string lower;
  for (char c : uri.substr(0, 8)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view scheme : {"http://", "https://", "mailto:", "ftp://"})
    if (lower.rfind(scheme, 0) == 0) return true;
  return false;
}

/// Where a hyperlink item leads, as the document's writers see it.
std::string LinkTarget(const TCustomLTFormattedData& data, int itemNo) {
  TLTString target, extras;
  const TLTDocumentContext* ctx = data.GetContext();
  if (ctx && ctx->OnWriteHyperlink)
    ctx->OnWriteHyperlink(data, itemNo, ltsfHTML, target, extras);
  else if (const TLTString* tag = data.GetItem(itemNo).Tag.String())
    target = *tag;
  const std::string uri = Utf16ToUtf8(target);
  return IsSafeLinkTarget(uri) ? uri : std::string();
}

/// The value of "Key=value" among the document's properties.
std::string Property(const TCustomLTData& data, std::u16string_view key) {
  const TLTDocumentContext* ctx = data.GetContext();
  if (!ctx) return {};
  for (const TLTString& p : ctx->DocProperties) {
    const size_t eq = p.find(u'=');
    if (eq != TLTString::npos && SameTextFold(std::u16string_view(p).substr(0, eq), key))
      return Utf16ToUtf8(p.substr(eq + 1));
  }
  return {};
}

QPageSize PageSizeOf(const TLTPageFormat& f) {
  return QPageSize(QSizeF(f.WidthMm, f.HeightMm), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace

bool PageFormatFor(const TCustomLTData& data, const TLTWriteSettings& settings, TLTPageFormat& format,
                   std::string& error) {
  const TLTDocumentContext* ctx = data.GetContext();
  format = ctx ? TLTPageFormat::FromDocParameters(ctx->DocParameters) : TLTPageFormat();
  if (!settings.Paper.empty() && !format.SetPaperByName(settings.Paper)) {
    error = "unknown paper size \"" + settings.Paper + "\"";
    return false;
  }
  if (settings.MarginsMm >= 0) format.SetMargins(settings.MarginsMm);
  error = format.Problem();
  return error.empty();
}

// ---- PDF files ----------------------------------------------------------------------

struct TLTPdfWriter::TImpl {
  TLTWriteSettings Settings;
  QByteArray Bytes;
  QBuffer Buffer{&Bytes};
  std::unique_ptr<QPdfWriter> Writer;
  std::unique_ptr<TLTQtCanvas> Canvas;
  QImage Probe{1, 1, QImage::Format_RGB32};
  std::unique_ptr<TLTQtCanvas> Measure;
  std::vector<TLTPdfLink> Links;
  TLTPdfInfo Info;
  int Pages = 0;
  std::vector<std::string> Warnings;
};

TLTPdfWriter::TLTPdfWriter(const TLTWriteSettings& settings) : d_(std::make_unique<TImpl>()) {
  EnsureQtGuiApplication();
  d_->Settings = settings;
  d_->Measure = std::make_unique<TLTQtCanvas>(d_->Probe, LTPdfPixelsPerInch);
  d_->Measure->SetIsPrinter(true);
}

TLTPdfWriter::~TLTPdfWriter() {
  // The painter ends before the device it paints on goes.
  d_->Canvas.reset();
}

int TLTPdfWriter::PageCount() const { return d_->Pages; }

const std::vector<std::string>& TLTPdfWriter::Warnings() const { return d_->Warnings; }

bool TLTPdfWriter::AddDocument(const TCustomLTData& data, std::string& error) {
  TLTPageFormat format;
  if (!PageFormatFor(data, d_->Settings, format, error)) return false;
  const TLTPageSetup setup = TLTPageSetup::For(format, LTPdfPixelsPerInch);
  TLTPagedDocument paged;
  if (!paged.Build(data, setup, *d_->Measure, error)) return false;

  const QPageSize size = PageSizeOf(format);
  if (!d_->Writer) {
    d_->Buffer.open(QIODevice::WriteOnly);
    d_->Writer = std::make_unique<QPdfWriter>(&d_->Buffer);
    d_->Writer->setResolution(LTPdfPixelsPerInch);
    d_->Writer->setPageSize(size);
    d_->Writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    d_->Info.Title = Property(data, u"Title");
    if (d_->Info.Title.empty()) d_->Info.Title = Utf16ToUtf8(d_->Settings.Title);
    d_->Info.Author = Property(data, u"Author");
    d_->Info.Subject = Property(data, u"Subject");
    d_->Info.Keywords = Property(data, u"Keywords");
    d_->Info.Creator = "Terrabook";
    d_->Writer->setTitle(QString::fromStdString(d_->Info.Title));
    d_->Writer->setCreator(QStringLiteral("Terrabook"));
    d_->Canvas = std::make_unique<TLTQtCanvas>(*d_->Writer, LTPdfPixelsPerInch);
    d_->Canvas->SetIsPrinter(true);
  }
  const double toPoints = kPointsPerInch / LTPdfPixelsPerInch;
  const double heightPt = setup.PageHeight * toPoints;
  for (int i = 0; i < paged.PageCount(); ++i) {
    if (d_->Pages > 0) {
      d_->Writer->setPageSize(size);
      d_->Writer->newPage();
    }
    PaintPage(paged, i, *d_->Canvas);
    for (const TLTPageLink& l : PageLinks(paged, i)) {
      std::string uri = LinkTarget(*l.Data, l.ItemNo);
      if (uri.empty()) continue;
      d_->Links.push_back({d_->Pages, l.Rect.Left * toPoints, heightPt - l.Rect.Bottom * toPoints,
                           l.Rect.Right * toPoints, heightPt - l.Rect.Top * toPoints, std::move(uri)});
    }
    ++d_->Pages;
  }
  return true;
}

bool TLTPdfWriter::Finish(TLTStream& out, std::string& error) {
  if (!d_->Writer || d_->Pages == 0) {
    error = "there are no pages to write";
    return false;
  }
  d_->Canvas.reset();
  d_->Writer.reset();
  d_->Buffer.close();
  std::string pdf(d_->Bytes.constData(), static_cast<size_t>(d_->Bytes.size()));
  // Pages without clickable links are better than no pages at all.
  if (std::string why; !AddPdfLinksAndInfo(pdf, d_->Links, d_->Info, why))
    d_->Warnings.push_back(why + "; hyperlinks and document properties were left out");
  if (!out.WriteBytes(pdf)) {
    error = "the PDF could not be written";
    return false;
  }
  return true;
}

// ---- Printers -------------------------------------------------------------------------

bool PrintDocument(const TCustomLTData& data, QPrinter& printer, std::string& error) {
  TLTPageFormat format;
  if (!PageFormatFor(data, {}, format, error)) return false;
  // The printer's paper, the document's margins.
  const QSizeF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
  format.WidthMm = paper.width();
  format.HeightMm = paper.height();
  if (error = format.Problem(); !error.empty()) return false;
  printer.setFullPage(true);
  const int ppi = std::max(1, printer.resolution());
  const TLTPageSetup setup = TLTPageSetup::For(format, ppi);
  QImage probe(1, 1, QImage::Format_RGB32);
  TLTQtCanvas measure(probe, ppi);
  measure.SetIsPrinter(true);
  TLTPagedDocument paged;
  if (!paged.Build(data, setup, measure, error)) return false;
  // The range the print dialog asked for (from 1; 0 for all).
  int first = 0, last = paged.PageCount() - 1;
  if (printer.fromPage() > 0) first = std::max(0, printer.fromPage() - 1);
  if (printer.toPage() > 0) last = std::min(last, printer.toPage() - 1);
  TLTQtCanvas canvas(printer, ppi);
  canvas.SetIsPrinter(true);
  for (int i = first; i <= last; ++i) {
    if (i > first) printer.newPage();
    PaintPage(paged, i, canvas);
  }
  return true;
}

// ---- The format --------------------------------------------------------------------

namespace {

bool WritePdf(const TCustomLTData& from, const TLTItemRange*, TLTStream& out, const TLTWriteSettings& settings,
              TLTFormatReport& report) {
  TLTPdfWriter writer(settings);
  const bool ok = writer.AddDocument(from, report.Error) && writer.Finish(out, report.Error);
  report.Warnings.insert(report.Warnings.end(), writer.Warnings().begin(), writer.Warnings().end());
  return ok;
}

}  // namespace

void RegisterPdfFormat() {
  RegisterDocumentFormat(
      {"pdf", ".pdf", "pages as a PDF file (A4 unless the document says)", {}, {}, nullptr, &WritePdf, nullptr, {}});
}

}  // namespace lectern
