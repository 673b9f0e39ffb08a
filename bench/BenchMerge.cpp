// Report merge figures on the shipped data: one record into the sample
// template, and every record in turn into one document as the view list
// does it. Each merge is followed by the normalization pass, as in the
// program.

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "model/LTDocument.h"
#include "platform/LTDataTable.h"

#include <benchmark/benchmark.h>

#include <string>

namespace lectern {
namespace {

struct TShipped {
  TLTDocument Doc;
  TLTSQLiteTable Table;
  TLTReportMerge Merge{Doc.Style, &Table};
  bool Ok = false;

  TShipped() {
    const std::string bin = LECTERN_BIN_DIR;
    if (!Doc.Data.LoadLTF(bin + "/terrabook.ltf")) return;
    Table.SetFileName(bin + "/Terra.db");
    Table.Open();
    Merge.CodesView = false;
    Ok = true;
  }
  void MergeRecord(int recNo) {
    Table.SetRecNo(recNo);
    Merge.MergeRecord(Doc.Data);
    NormalizeDocument(Doc.Data);
  }
};

void BM_MergeRecord(benchmark::State& state) {
  TShipped s;
  if (!s.Ok) return state.SkipWithError("the shipped template or table is missing");
  for (auto _ : state) s.MergeRecord(1);
  state.counters["items"] = s.Doc.Data.ItemCount();
}

void BM_MergeAllRecords(benchmark::State& state) {
  TShipped s;
  if (!s.Ok) return state.SkipWithError("the shipped template or table is missing");
  const int records = s.Table.RecordCount();
  for (auto _ : state)
    for (int r = 1; r <= records; ++r) s.MergeRecord(r);
  state.counters["records"] = records;
  state.counters["records_per_s"] = benchmark::Counter(
      static_cast<double>(records) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MergeRecord)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MergeAllRecords)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lectern
