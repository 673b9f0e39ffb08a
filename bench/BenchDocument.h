#pragma once
// What the layout benchmarks share: a formatted document measured on an
// off-screen Qt canvas, and a repeatable stream of words from a mixed list
// (hyphens, digits, percent signs, accented and wide characters).

#include "edit/LTEdit.h"
#include "layout/CLTFData.h"
#include "model/LTDocument.h"
#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtApplication.h"
#include "platform/qt/LTQtCanvas.h"
#include "platform/qt/LTQtWindow.h"
#include "style/LTStyle.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <string>

namespace lectern::bench {

/// A document without content, laid out at width pixels on the Qt canvas.
struct TQtDocument {
  TLTStyle Style;
  TLTDocumentContext Context;
  QImage Image{1, 1, QImage::Format_RGB32};
  std::unique_ptr<TLTQtCanvas> Canvas;
  TLTFormattedDocument Doc;

  explicit TQtDocument(int width) {
    EnsureQtGuiApplication();
    Canvas = std::make_unique<TLTQtCanvas>(Image);
    Context.Style = &Style;
    Doc.SetContext(&Context);
    Doc.Canvas = Canvas.get();
    Doc.ClientWidth = width;
  }
};

/// The same numbers and words for the same seed on every run.
class TWordSource {
 public:
  explicit TWordSource(unsigned seed) : rng_(seed) {}
  /// A number in 0 .. n - 1.
  int Next(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  const char16_t* Word() {
    static constexpr const char16_t* kWords[] = {
        u"the",     u"country", u"capital",  u"river",      u"mountain", u"population", u"of",     u"and",
        u"a",       u"coast",   u"north",    u"south-east", u"1,234",    u"(census)",   u"50%",    u"desert",
        u"island",  u"export",  u"language", u"official",   u"km²",      u"Ñuñoa",      u"Zürich", u"province",
        u"economy", u"is",      u"in",       u"largest",    u"city",     u"region",     u"—",      u"history"};
    return kWords[Next(static_cast<int>(std::size(kWords)))];
  }

 private:
  std::mt19937 rng_;
};

/// Appends paragraphs of words to a document until it holds targetBytes of
/// text (as UTF-8): mostly ordinary paragraphs, some long ones, some
/// one-liners, a fifth in a justified paragraph style (added to the sheet
/// as style 2 when it has fewer), a quarter of the runs in other text
/// styles. Returns the bytes added.
inline int64_t AddBenchText(TCustomLTData& doc, TLTStyle& style, int64_t targetBytes, unsigned seed = 12345) {
  while (style.ParaStyles().Count() < 3) style.ParaStyles().Add().Alignment = ltaJustify;
  TWordSource source(seed);
  auto next = [&](int n) { return source.Next(n); };
  int64_t bytes = 0;
  while (bytes < targetBytes) {
    const int kind = next(10);
    const int words = kind == 0 ? 2000 + next(2000) : kind < 4 ? 3 + next(10) : 40 + next(200);
    const int para = next(5) == 0 ? 2 : 0;
    int left = words;
    bool first = true;
    while (left > 0) {
      const int run = std::min(left, 1 + next(30));
      std::u16string text;
      for (int k = 0; k < run; ++k) {
        if (!text.empty() || !first) text += u' ';
        text += source.Word();
      }
      const int textStyle = next(4) == 0 ? next(6) : 0;
      doc.AddTextW(text, textStyle, first ? para : -1);
      bytes += static_cast<int64_t>(Utf16ToUtf8(text).size());
      first = false;
      left -= run;
    }
  }
  return bytes;
}

/// A text item of more than 20 characters in a left-aligned paragraph at
/// or after the middle of the document; -1 when there is none.
/// The 10 MB benchmark document, built once for the writers' figures
/// (only its saving is measured).
inline TLTDocument& TenMegabyteDocument() {
  static TLTDocument* doc = [] {
    auto* d = new TLTDocument;
    AddBenchText(d->Data, d->Style, 10 * 1000 * 1000);
    return d;
  }();
  return *doc;
}

inline int MiddleTextItem(const TCustomLTData& doc, const TLTStyle& style) {
  for (int i = doc.ItemCount() / 2; i < doc.ItemCount(); ++i) {
    const TCustomLTItemInfo& item = doc.GetItem(i);
    if (item.IsText() && item.TextLength() > 20 && style.ParaStyles()[item.ParaNo].Alignment == ltaLeft) return i;
  }
  return -1;
}

/// The editor control over the benchmark document on an off-screen Qt
/// window, laid out and shown; Item is a text item in its middle.
struct TWindowedEditor {
  TLTStyle Style;
  std::unique_ptr<TLTQtWindow> Window;
  std::unique_ptr<TLecternEdit> Editor;
  int64_t Bytes = 0;
  int Item = -1;

  explicit TWindowedEditor(int64_t bytes) {
    EnsureQtApplication();
    Window = std::make_unique<TLTQtWindow>();
    Window->resize(820, 600);
    Editor = std::make_unique<TLecternEdit>(*Window);
    Editor->SetStyle(&Style);
    Bytes = AddBenchText(Editor->LTData(), Style, bytes);
    Window->show();
    Editor->Format();
    Item = MiddleTextItem(Editor->LTData(), Style);
    QApplication::processEvents();
  }
};

}  // namespace lectern::bench
