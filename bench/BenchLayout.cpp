// Layout figures on the Qt canvas off-screen: a full layout of a document of
// more than 10 MB of text at 800 pixels, and the partial re-layout after one
// character is typed into a paragraph in the middle of it.

#include "bench/BenchDocument.h"
#include "platform/LTSysUtils.h"

#include <benchmark/benchmark.h>

#include <string>

namespace lectern {
namespace {

/// A document of long and short paragraphs in six styles, more than 10 MB
/// of text, laid out at 800 pixels on an off-screen Qt canvas.
struct TBigDocument : bench::TQtDocument {
  int64_t Bytes = 0;
  int MiddleItem = -1;

  TBigDocument() : TQtDocument(800) {
    Bytes = bench::AddBenchText(Doc, Style, 10'500'000);
    Doc.FormatAll({.Force = true});
    MiddleItem = bench::MiddleTextItem(Doc, Style);
  }
};

TBigDocument& Big() {
  static TBigDocument doc;
  return doc;
}

void BM_FormatAll(benchmark::State& state) {
  TBigDocument& d = Big();
  for (auto _ : state) {
    d.Doc.FormatAll({.Force = true});
    benchmark::DoNotOptimize(d.Doc.DocumentHeight);
  }
  state.SetBytesProcessed(state.iterations() * d.Bytes);
  state.counters["MB"] = static_cast<double>(d.Bytes) / 1e6;
  state.counters["pieces"] = d.Doc.DrawItems.Count();
}
BENCHMARK(BM_FormatAll)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReformatParagraph(benchmark::State& state) {
  TBigDocument& d = Big();
  d.Doc.FormatAll({.Force = true});
  if (d.MiddleItem < 0) {
    state.SkipWithError("no paragraph to type into");
    return;
  }
  TCustomLTItemInfo& item = d.Doc.GetItem(d.MiddleItem);
  bool insert = true;
  for (auto _ : state) {
    // Type a character into the middle of the item, then take it out again
    // on the next round, so that every round sees the same document.
    state.PauseTiming();
    std::u16string text = d.Doc.GetItemTextW(d.MiddleItem);
    if (insert)
      text.insert(text.size() / 2, 1, u'x');
    else
      text.erase(text.size() / 2, 1);
    insert = !insert;
    d.Doc.SetItemTextRaw(d.MiddleItem, Utf16ToBytes(text));
    int first = item.FirstDrawItem, last = first;
    while (last + 1 < d.Doc.DrawItems.Count() && d.Doc.DrawItems[last + 1].ItemNo == d.MiddleItem) ++last;
    state.ResumeTiming();
    benchmark::DoNotOptimize(d.Doc.ReformatRange(first, last, 0));
  }
}
BENCHMARK(BM_ReformatParagraph)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lectern
