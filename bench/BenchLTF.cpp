// LTF figures: saving a large document (over 10 MB of text in mixed styles
// and paragraphs, with list markers and pictures) in the binary and in the
// text form.

#include <benchmark/benchmark.h>

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

void BM_LTFSave_Binary(benchmark::State& state) { SaveLTF(state, true); }
void BM_LTFSave_Text(benchmark::State& state) { SaveLTF(state, false); }
BENCHMARK(BM_LTFSave_Binary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LTFSave_Text)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lectern
