#pragma once
// What the layout benchmarks share: a formatted document measured on an
// off-screen Qt canvas, and a repeatable stream of words from a mixed list
// (hyphens, digits, percent signs, accented and wide characters).

#include "layout/CLTFData.h"
#include "platform/qt/LTQtCanvas.h"

#include <QImage>

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

}  // namespace lectern::bench
