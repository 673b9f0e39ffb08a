// Document model figures: building a large document, merging text, cleaning
// up styles and merging style collections.

#include "model/LTDocument.h"

#include <benchmark/benchmark.h>

namespace lectern {
namespace {

using Doc = TLTDocument;

// A document of n paragraphs, each of three runs in alternating styles.
void Fill(Doc& d, int paragraphs) {
  for (int i = 0; i < paragraphs; ++i) {
    d.Data.AddTextW(u"The quick brown fox jumps ", 0, i % 2);
    d.Data.AddTextW(u"over the lazy dog", 1 + i % 3, -1, TLTTag::FromString(u"Country"));
    d.Data.AddTextW(u" and runs away.", 0, -1);
  }
}

void BM_AddText(benchmark::State& state) {
  for (auto _ : state) {
    Doc d;
    Fill(d, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(d.Data.ItemCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 3);
}
BENCHMARK(BM_AddText)->Arg(1000)->Arg(10000);

void BM_NormalizeRange(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Doc d;
    // Runs of equal style that all merge into one item per paragraph.
    for (int i = 0; i < state.range(0); ++i) {
      d.Data.AddTextW(u"alpha ", 0, 0);
      d.Data.AddTextW(u"beta ", 0, -1);
      d.Data.AddTextW(u"", 2, -1);
      d.Data.AddTextW(u"gamma", 0, -1);
    }
    state.ResumeTiming();
    d.Data.NormalizeRange(0, d.Data.ItemCount() - 1);
    benchmark::DoNotOptimize(d.Data.ItemCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 4);
}
BENCHMARK(BM_NormalizeRange)->Arg(1000)->Arg(10000);

void BM_DeleteUnusedStyles(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Doc d;
    for (int i = 0; i < 200; ++i) {
      TFontInfo& f = d.Style.TextStyles().Add();
      f.Size = 8 + i;
      f.Standard = false;
    }
    Fill(d, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    d.Data.DeleteUnusedStyles(true, true, false);
    benchmark::DoNotOptimize(d.Style.TextStyles().Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 3);
}
BENCHMARK(BM_DeleteUnusedStyles)->Arg(10000);

void BM_MergeStyles(benchmark::State& state) {
  TLTStyle incoming;
  for (int i = 0; i < state.range(0); ++i) {
    TFontInfo& f = incoming.TextStyles().Add();
    f.Size = 8 + i % 40;
    f.Color = RGBColor(i, 2 * i, 3 * i);
  }
  for (auto _ : state) {
    TLTStyle sheet;
    std::vector<int> map;
    sheet.TextStyles().MergeStyles(incoming.TextStyles(), ltf_sInsertMerge, map);
    sheet.TextStyles().MergeStyles(incoming.TextStyles(), ltf_sInsertMap, map);
    benchmark::DoNotOptimize(map.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_MergeStyles)->Arg(100)->Arg(400);

}  // namespace
}  // namespace lectern
