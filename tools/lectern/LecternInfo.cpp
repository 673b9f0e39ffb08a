// The info command of `lectern`: what a document holds and how large it
// lays out, one "key: value" a line, for scripts and for a quick look.

#include "layout/LTPages.h"
#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtCanvas.h"
#include "print/LTPrint.h"
#include "tools/lectern/LecternFormats.h"
#include "tools/lectern/LecternTool.h"

#include <QImage>

#include <unicode/uchar.h>

#include <cmath>
#include <memory>
#include <ostream>

namespace lectern {

namespace {

/// Margins of a rendered picture, as the picture format lays it out.
constexpr int kPictureMargin = 10;

struct TCounts {
  int Items = 0, Paragraphs = 0, Tables = 0, Pictures = 0;
};

TCounts CountItems(TCustomLTData& data) {
  TCounts n;
  data.EnumerateItems([&](TCustomLTData& d, int itemNo, bool&) {
    const TCustomLTItemInfo& item = d.GetItem(itemNo);
    ++n.Items;
    if (item.StartsParagraph() || item.GetBoolValue(iqFullLine)) ++n.Paragraphs;
    if (item.StyleNo == ltikTable) ++n.Tables;
    if (item.StyleNo == ltikImage || item.StyleNo == ltikHotImage) ++n.Pictures;
  });
  return n;
}

/// Words are runs of characters between white space that hold a letter or
/// a digit; characters are code points, paragraph and line ends left out.
void CountText(const TLTString& text, int64_t& words, int64_t& characters) {
  words = characters = 0;
  bool inWord = false, wordHasLetter = false;
  auto endWord = [&] {
    if (inWord && wordHasLetter) ++words;
    inWord = wordHasLetter = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    UChar32 c = text[i];
    if (U16_IS_LEAD(c) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) c = U16_GET_SUPPLEMENTARY(c, text[++i]);
    if (c == '\r' || c == '\n' || c == '\f') {
      endWord();
      continue;
    }
    ++characters;
    if (u_isUWhiteSpace(c)) {
      endWord();
      continue;
    }
    inWord = true;
    wordHasLetter |= u_isalnum(c) != 0;
  }
  endWord();
}

}  // namespace

int InfoCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& out,
                std::ostream& err) {
  if (files.size() != 1) return UsageError(err, "info takes one input file");
  auto doc = std::make_unique<TLTDocument>();
  if (const int status = Load(files[0], *doc, err); status != lteOk) return status;

  // The page first: a page without room for text is refused before anything is printed.
  const bool paged = !options.Paper.empty() || options.MarginsMm >= 0 || options.Width == 0;
  TLTPageFormat format;
  if (paged) {
    TLTWriteSettings settings;
    settings.Paper = options.Paper;
    settings.MarginsMm = options.MarginsMm;
    std::string error;
    if (!PageFormatFor(doc->Data, settings, format, error)) return Fail(err, {files[0], error});
  }

  const TCounts n = CountItems(doc->Data);
  TLTStyleUsage usage(doc->Style.TextStyles().Count(), doc->Style.ParaStyles().Count(),
                      doc->Style.ListStyles().Count(), true, true, true);
  doc->Data.MarkStylesInUse(usage);
  int textStyles = 0, paraStyles = 0, listStyles = 0;
  for (int i = 0; i < doc->Style.TextStyles().Count(); ++i) textStyles += usage.TextUsed(i);
  for (int i = 0; i < doc->Style.ParaStyles().Count(); ++i) paraStyles += usage.ParaUsed(i);
  for (int i = 0; i < doc->Style.ListStyles().Count(); ++i) listStyles += usage.ListUsed(i);
  int64_t words = 0, characters = 0;
  CountText(doc->Data.GetPlainText(0), words, characters);

  out << "items: " << n.Items << '\n'
      << "paragraphs: " << n.Paragraphs << '\n'
      << "tables: " << n.Tables << '\n'
      << "pictures: " << n.Pictures << '\n'
      << "text styles in use: " << textStyles << '\n'
      << "paragraph styles in use: " << paraStyles << '\n'
      << "list styles in use: " << listStyles << '\n'
      << "words: " << words << '\n'
      << "characters: " << characters << '\n';

  EnsureQtGuiApplication();
  if (!paged) {
    // Laid out as a .png picture of that width is.
    QImage probe(1, 1, QImage::Format_RGB32);
    TLTQtCanvas measure(probe);
    TLTFormattedDocument layout;
    layout.SetContext(doc->Data.GetContext());
    for (int i = 0; i < doc->Data.ItemCount(); ++i) {
      std::unique_ptr<TCustomLTItemInfo> copy = CloneItem(doc->Data.GetItem(i));
      if (!copy) continue;
      TLTRawByteString text = std::move(copy->Text);
      layout.AddItemAsIs(std::move(text), std::move(copy));
    }
    layout.LeftMargin = layout.RightMargin = layout.TopMargin = layout.BottomMargin = kPictureMargin;
    layout.ClientWidth = options.Width;
    layout.Canvas = &measure;
    layout.FormatAll({.Force = true});
    out << "width: " << options.Width << '\n' << "height: " << layout.DocumentHeight << '\n';
    return lteOk;
  }
  QImage probe(1, 1, QImage::Format_RGB32);
  TLTQtCanvas measure(probe, LTPdfPixelsPerInch);
  measure.SetIsPrinter(true);
  TLTPagedDocument pages;
  std::string error;
  if (!pages.Build(doc->Data, TLTPageSetup::For(format, LTPdfPixelsPerInch), measure, error))
    return Fail(err, {files[0], error});
  auto mm = [](double v) { return std::to_string(static_cast<int>(std::lround(v))); };
  out << "page: " << mm(format.WidthMm) << " x " << mm(format.HeightMm) << " mm\n"
      << "pages: " << pages.PageCount() << '\n';
  return lteOk;
}

}  // namespace lectern
