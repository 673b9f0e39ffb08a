// Merging a field value that brings many styles of its own: a stored
// document with 40,000 text styles, each used by a word of it, merged into
// the sample template as the view list does, into a fresh sheet each time
// (every style is new to it, the most work a merge does).

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "model/LTDocument.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace lectern {
namespace {

constexpr int kStyles = 40000;

// A stored document whose every word has a text style of its own.
std::string FieldOfManyStyles() {
  TLTDocument field;
  TFontInfos& styles = field.Style.TextStyles();
  for (int i = 0; i < kStyles; ++i) {
    TFontInfo& f = styles.Add();
    f.Size = 6 + i % 40;
    f.Color = MakeColor((static_cast<uint32_t>(i) * 2654435761u) & 0xFFFFFF);
    f.StyleName = Utf8ToUtf16("Style " + IntToStr(i));
    field.Data.AddTextW(u"word ", styles.Count() - 1, i % 10 == 0 ? 0 : -1);
  }
  field.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m;
  field.Data.SaveLTFToStream(m);
  return m.TakeData();
}

// A table file of one record whose Description holds the field.
std::string MakeTable(const std::string& blob) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("lectern-bench-styles-" + std::to_string(::getpid()) + ".db"))
          .string();
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db,
               "CREATE TABLE Countries (Country TEXT, Capital TEXT, CallingCode TEXT, Description BLOB, Cities BLOB, "
               "Demographics BLOB)",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO Countries VALUES ('Styled', 'Capital', '+1', ?, NULL, NULL)", -1, &st, nullptr);
  sqlite3_bind_blob(st, 1, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
  sqlite3_step(st);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return path;
}

void BM_MergeFieldOf40000Styles(benchmark::State& state) {
  std::string templ;
  if (!ReadFileBytes(std::string(LECTERN_BIN_DIR) + "/terrabook.ltf", templ))
    return state.SkipWithError("the shipped template is missing");
  const std::string blob = FieldOfManyStyles();
  const std::string path = MakeTable(blob);
  TLTSQLiteTable table;
  table.SetFileName(path);
  table.Open();
  table.SetRecNo(1);
  int styles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<TLTDocument>();
    doc->Context.LTFOptions = LTEditorLTFOptions;
    TLTMemoryStream in(templ);
    doc->Data.LoadLTFFromStream(in);
    auto merge = std::make_unique<TLTReportMerge>(doc->Style, &table);
    merge->CodesView = false;
    state.ResumeTiming();
    merge->MergeRecord(doc->Data);
    NormalizeDocument(doc->Data);
    state.PauseTiming();
    if (!merge->Problems.empty()) {
      state.SkipWithError(merge->Problems.front().c_str());
      break;
    }
    styles = doc->Style.TextStyles().Count();
    merge.reset();
    doc.reset();
    state.ResumeTiming();
  }
  table.Close();
  std::filesystem::remove(path);
  state.counters["field_MB"] = static_cast<double>(blob.size()) / 1e6;
  state.counters["sheet_styles"] = styles;
}
BENCHMARK(BM_MergeFieldOf40000Styles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lectern
