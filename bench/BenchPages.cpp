// Page figures: splitting the 10 MB benchmark document, laid out at the
// text width of an A4 page, into pages; and every report of the shipped
// table merged and written as a PDF file of its own, as `lectern merge
// --all --to pdf` and File > Export All Reports do it.

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "bench/BenchDocument.h"
#include "layout/LTPages.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "print/LTPrint.h"
#include "table/LTTable.h"

#include <benchmark/benchmark.h>

#include <string>

namespace lectern {
namespace {

/// The 10 MB benchmark document (the text of bench::TenMegabyteDocument,
/// built by the same generator from the same seed) laid out at the text
/// width of A4 with 2 cm margins; the layout is not part of the figure.
struct TPagedBig : bench::TQtDocument {
  TLTPageSetup Setup = TLTPageSetup::For(TLTPageFormat(), LTScreenPixelsPerInch);
  int64_t Bytes = 0;
  TPagedBig() : TQtDocument(0) {
    Doc.ClientWidth = Setup.TextWidth();
    Doc.LeftMargin = Doc.RightMargin = Doc.TopMargin = Doc.BottomMargin = 0;
    Bytes = bench::AddBenchText(Doc, Style, 10'000'000);
    Doc.FormatAll({.Force = true});
  }
};

void BM_Paginate10MB(benchmark::State& state) {
  static TPagedBig d;
  size_t pages = 0;
  for (auto _ : state) {
    const std::vector<TLTPage> result = Paginate(d.Doc, d.Setup);
    pages = result.size();
    benchmark::DoNotOptimize(pages);
  }
  state.SetBytesProcessed(state.iterations() * d.Bytes);
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["pieces"] = d.Doc.DrawItems.Count();
}
BENCHMARK(BM_Paginate10MB)->Unit(benchmark::kMillisecond);

void BM_AllReportsToPdf(benchmark::State& state) {
  EnsureQtGuiApplication();
  RegisterTableItemKind();
  const std::string bin = LECTERN_BIN_DIR;
  TLTSQLiteTable table;
  table.SetFileName(bin + "/Terra.db");
  table.Open();
  TLTMemoryStream tmpl;
  {
    TLTDocument doc;
    if (!doc.Data.LoadLTF(bin + "/terrabook.ltf")) return state.SkipWithError("the shipped template is missing");
    doc.Context.LTFOptions = LTEditorLTFOptions;
    doc.Data.SaveLTFToStream(tmpl);
  }
  const std::string bytes = tmpl.TakeData();
  const int records = table.RecordCount();
  int64_t written = 0;
  for (auto _ : state) {
    written = 0;
    for (int r = 1; r <= records; ++r) {
      TLTDocument doc;
      doc.Context.LTFOptions = LTEditorLTFOptions;
      TLTMemoryStream in(bytes);
      doc.Data.LoadLTFFromStream(in);
      table.SetRecNo(r);
      TLTReportMerge merge(doc.Style, &table);
      merge.MergeRecord(doc.Data);
      NormalizeDocument(doc.Data);
      TLTPdfWriter writer({});
      TLTMemoryStream out;
      std::string error;
      if (!writer.AddDocument(doc.Data, error) || !writer.Finish(out, error)) return state.SkipWithError(error.c_str());
      written += out.Size();
    }
  }
  state.counters["records"] = records;
  state.counters["pdf_MB"] = static_cast<double>(written) / 1e6;
}
BENCHMARK(BM_AllReportsToPdf)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lectern
