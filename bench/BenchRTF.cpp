// RTF figures: writing the 10 MB benchmark document as RTF, in MB/s of
// output (the figure the clipboard's copy of a large selection depends on).

#include <benchmark/benchmark.h>

#include "bench/BenchDocument.h"
#include "model/LTDocument.h"
#include "model/LTRTFWriter.h"
#include "platform/LTStream.h"

namespace lectern {
namespace {

void WriteRTFDocument(benchmark::State& state) {
  TLTDocument& doc = bench::TenMegabyteDocument();
  int64_t bytes = 0;
  for (auto _ : state) {
    TLTMemoryStream out;
    if (!WriteRTF(doc.Data, nullptr, out)) state.SkipWithError("write failed");
    bytes = out.Size();
    benchmark::DoNotOptimize(out.Data().data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(WriteRTFDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace lectern
