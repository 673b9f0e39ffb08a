// LTF figures: saving a large document (over 10 MB of text in mixed styles
// and paragraphs, with list markers and pictures) in the binary and in the
// text form.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <fstream>
#include <string>

#include "model/LTDocument.h"
#include "platform/LTStream.h"

namespace lectern {
namespace {

constexpr int kParagraphs = 60000;

// Built once: the document is large and only its saving is measured.
TLTDocument& LargeDocument() {
  static TLTDocument* doc = [] {
    auto* d = new TLTDocument;
    TLTListInfo& list = d->Style.ListStyles().Add();
    list.Levels.Add().ListType = ltlstDecimal;
    list.Levels.Add().ListType = ltlstLowerAlpha;
    TFontInfo& narrow = d->Style.TextStyles().Add();
    narrow.Unicode = false;
    TLTPixels px;
    px.Width = px.Height = 32;
    px.Data.assign(32 * 32, 0xFF2060A0u);
    for (int i = 0; i < kParagraphs; ++i) {
      if (i % 10 == 0) d->Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, i % 20 == 0 ? 0 : 1, 0, false));
      d->Data.AddTextW(u"The quick brown fox jumps over the lazy dog; ", i % 3, i % 10 == 0 ? -1 : i % 2);
      d->Data.AddTextW(u"Zürich, Москва and 東京 are cities far apart, ", 1 + i % 5, -1,
                       TLTTag::FromString(u"Cities"));
      d->Data.AddTextA("plain eight-bit text in a narrow style.", 6, -1);
      if (i % 500 == 0) {
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetPixels(px);
        d->Data.AddItem({}, std::make_unique<TLTGraphicItemInfo>(std::move(bmp), 0));
      }
    }
    return d;
  }();
  return *doc;
}

void SaveLTF(benchmark::State& state, bool binary) {
  TLTDocument& doc = LargeDocument();
  doc.Context.LTFOptions = LTEditorLTFOptions;
  doc.Context.LTFOptions.Set(ltfoSaveBinary, binary);
  int64_t bytes = 0;
  for (auto _ : state) {
    TLTMemoryStream out;
    if (!doc.Data.SaveLTFToStream(out)) state.SkipWithError("save failed");
    bytes = out.Size();
    benchmark::DoNotOptimize(out.Data().data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

std::string Saved(bool binary) {
  TLTDocument& doc = LargeDocument();
  doc.Context.LTFOptions = LTEditorLTFOptions;
  doc.Context.LTFOptions.Set(ltfoSaveBinary, binary);
  TLTMemoryStream out;
  doc.Data.SaveLTFToStream(out);
  return out.TakeData();
}

// Resident memory in bytes: the current figure, or the peak since the last
// reset (Linux resets the peak when "5" is written to clear_refs).
int64_t ProcStatus(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(std::strlen(key))) * 1024;
  return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void LoadLTF(benchmark::State& state, bool binary) {
  const std::string bytes = Saved(binary);
  double ratio = 0;
  for (auto _ : state) {
    TLTDocument doc;
    TLTMemoryStream in(bytes);
    state.PauseTiming();
    malloc_trim(0);
    ResetPeak();
    const int64_t before = ProcStatus("VmRSS:");
    state.ResumeTiming();
    if (!doc.Data.LoadLTFFromStream(in)) state.SkipWithError("load failed");
    state.PauseTiming();
    // Everything the load needed at its peak, against the stored size.
    ratio = static_cast<double>(ProcStatus("VmHWM:") - before) / static_cast<double>(bytes.size());
    doc.Data.Clear();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.counters["input_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["peak_x_file"] = ratio;
}

void BM_LTFLoad_Binary(benchmark::State& state) { LoadLTF(state, true); }
void BM_LTFLoad_Text(benchmark::State& state) { LoadLTF(state, false); }
BENCHMARK(BM_LTFLoad_Binary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LTFLoad_Text)->Unit(benchmark::kMillisecond);

// A small stored document (a field's content) inserted into the middle of
// the large one, as the report merge does for every field.
void BM_LTFInsert(benchmark::State& state) {
  TLTDocument small;
  small.Data.AddTextW(u"Paris is the capital and largest city of France.", 0, 0);
  small.Data.AddTextW(u" It lies on the Seine.", 1, -1);
  small.Context.LTFOptions = TLTFOptions{ltfoSaveBinary};
  TLTMemoryStream field;
  small.Data.SaveLTFToStream(field);
  const std::string bytes = field.TakeData();
  TLTDocument doc;
  TLTMemoryStream large(Saved(true));
  doc.Data.LoadLTFFromStream(large);
  const int middle = doc.Data.ItemCount() / 2;
  for (auto _ : state) {
    TLTMemoryStream in(bytes);
    int index = middle;
    if (!doc.Data.InsertLTFAt(in, index)) state.SkipWithError("insert failed");
    state.PauseTiming();
    doc.Data.DeleteItems(index, 2);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LTFInsert)->Unit(benchmark::kMicrosecond);

void BM_LTFSave_Binary(benchmark::State& state) { SaveLTF(state, true); }
void BM_LTFSave_Text(benchmark::State& state) { SaveLTF(state, false); }
BENCHMARK(BM_LTFSave_Binary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LTFSave_Text)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lectern
