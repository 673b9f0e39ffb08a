// HTML figures: writing the 10 MB benchmark document as a page with a
// style sheet, in MB/s of output (what saving a large report and copying a
// large selection as text/html cost).

#include <benchmark/benchmark.h>

#include "bench/BenchDocument.h"
#include "model/LTDocument.h"
#include "model/LTHTMLWriter.h"
#include "platform/LTStream.h"

namespace lectern {
namespace {

void WriteHTMLDocument(benchmark::State& state) {
  TLTDocument& doc = bench::TenMegabyteDocument();
  TLTHTMLWriteSettings settings;
  settings.CSS = state.range(0) != 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    TLTMemoryStream out;
    if (!WriteHTML(doc.Data, nullptr, out, settings)) state.SkipWithError("write failed");
    bytes = out.Size();
    benchmark::DoNotOptimize(out.Data().data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(WriteHTMLDocument)->ArgName("css")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace lectern
