// Table figures on the Qt canvas off-screen: a full layout of a document of
// 1,000 tables of 10 x 10 cells at 800 pixels (every table laid out and
// every cell formatted again), and the paint of one screen in its middle.

#include "bench/BenchDocument.h"
#include "table/LTTable.h"
#include "view/LTPaint.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace lectern {
namespace {

constexpr int kTables = 1000;
constexpr int kSide = 10;
constexpr int kScreenWidth = 800, kScreenHeight = 600;

/// A heading paragraph and a 10 x 10 table, a thousand times, with two to
/// six words per cell, laid out at 800 pixels on an off-screen Qt canvas.
struct TTableDocument : bench::TQtDocument {
  int Cells = 0;

  TTableDocument() : TQtDocument(kScreenWidth) {
    RegisterTableItemKind();
    bench::TWordSource words(4711);
    auto next = [&](int n) { return words.Next(n); };
    for (int i = 0; i < kTables; ++i) {
      Doc.AddTextW(u"Table " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)), 0, 0);
      auto table = std::make_unique<TLTTableItemInfo>(kSide, kSide);
      table->ParaNo = 0;
      table->CellBorderWidth = 1;
      table->BorderWidth = 1;
      for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
          TLTTableCellData* cell = table->Cells(r, c);
          std::u16string text;
          for (int k = 2 + next(5); k > 0; --k) {
            if (!text.empty()) text += u' ';
            text += words.Word();
          }
          cell->Clear();
          cell->AddTextW(text, r == 0 ? 1 : 0, 0);
          ++Cells;
        }
      Doc.AddItem({}, std::move(table));
    }
    Doc.FormatAll({.Force = true, .ForceTables = true});
  }
};

TTableDocument& Tables() {
  static TTableDocument doc;
  return doc;
}

void BM_TableFormatAll(benchmark::State& state) {
  TTableDocument& d = Tables();
  for (auto _ : state) {
    d.Doc.FormatAll({.Force = true, .ForceTables = true});
    benchmark::DoNotOptimize(d.Doc.DocumentHeight);
  }
  state.counters["tables"] = kTables;
  state.counters["cells"] = d.Cells;
  state.counters["height_px"] = d.Doc.DocumentHeight;
}
BENCHMARK(BM_TableFormatAll)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TablePaintScreen(benchmark::State& state) {
  TTableDocument& d = Tables();
  QImage screen(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  TLTQtCanvas canvas(screen);
  TLTPaintContext p;
  p.Clip = {0, 0, kScreenWidth, kScreenHeight};
  // The screen shows the middle of the document.
  p.Origin.Y = -d.Doc.DocumentHeight / 2;
  for (auto _ : state) {
    PaintBackground(canvas, p.Clip, {}, &d.Style, 0, 0, kScreenWidth, kScreenHeight);
    PaintTo(d.Doc, canvas, p);
  }
}
BENCHMARK(BM_TablePaintScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lectern
