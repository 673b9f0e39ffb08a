// Word checking figures in the editor control on an off-screen Qt window,
// with the system's en_US Hunspell dictionary: checking the whole document
// of more than 10 MB of text in the background, from the start to the
// moment the worker has walked everything (marks handed over included);
// and one character typed into the middle of that document while the
// worker walks it (the typing figure of bench_edit, with the worker
// running).

#include "bench/BenchDocument.h"
#include "edit/LTEdit.h"
#include "platform/qt/LTQtApplication.h"
#include "platform/qt/LTQtWindow.h"
#include "spell/LTSpeller.h"
#include "spell/LTThread.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

namespace lectern {
namespace {

constexpr int64_t kBytes = 10 * 1'050'000;

/// Word checking is registered before the editor exists.
struct TWordCheckingRegistered {
  TWordCheckingRegistered() { RegisterWordChecking(); }
};

struct TCheckedDocument : TWordCheckingRegistered, bench::TWindowedEditor {
  std::unique_ptr<TLTSpeller> Speller;
  std::string Error;

  TCheckedDocument() : TWindowedEditor(kBytes) {}
  /// A speller with nothing remembered yet; false when there is no en_US.
  bool FreshSpeller() {
    Speller = std::make_unique<TLTSpeller>();
    if (!Speller->Open("en_US", TLTSpeller::DefaultDictionaryDirs(), Error)) return false;
    TLTSpeller* s = Speller.get();
    Editor->OnSpellingCheck = [s](TCustomLectern&, const TLTString& word, int32_t, bool& misspelled) {
      misspelled = s->IsMisspelled(word);
    };
    return true;
  }
};

TCheckedDocument& Doc() {
  // Kept to the end: the window must not outlive the application.
  static auto* doc = new TCheckedDocument;
  return *doc;
}

int64_t CountMarks(TCustomLTData& data) {
  int64_t n = 0;
  data.EnumerateItems([&](TCustomLTData& d, int i, bool&) {
    if (const auto& marks = d.GetItem(i).MarkList) n += static_cast<int64_t>(marks->size());
  });
  return n;
}

void BM_CheckWholeDocument(benchmark::State& state) {
  TCheckedDocument& d = Doc();
  for (auto _ : state) {
    state.PauseTiming();
    d.Editor->StopWordChecking();
    if (!d.FreshSpeller()) {
      state.SkipWithError(("no en_US dictionary: " + d.Error).c_str());
      return;
    }
    state.ResumeTiming();
    d.Editor->StartWordChecking();
    // The window's event loop hands the marks over, as in the program,
    // and otherwise leaves the machine to the worker.
    while (!d.Editor->WaitForWordChecking(0)) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  state.counters["MB"] = static_cast<double>(d.Bytes) / 1e6;
  state.counters["marks"] = static_cast<double>(CountMarks(d.Editor->LTData()));
}
BENCHMARK(BM_CheckWholeDocument)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TypeCharacterWhileChecking(benchmark::State& state) {
  TCheckedDocument& d = Doc();
  if (d.Item < 0 || !d.FreshSpeller()) {
    state.SkipWithError("no paragraph to type into, or no en_US dictionary");
    return;
  }
  d.Editor->StartWordChecking();
  d.Editor->SetCaretAt(d.Item, d.Editor->LTData().GetItem(d.Item).TextLength() / 2);
  QApplication::processEvents();
  for (auto _ : state) {
    // Past the pause in typing the worker walks again; the keystroke
    // stops it, and it goes on afterwards.
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    QApplication::processEvents();
    // A worker done with the document walks it again from the top.
    if (d.Editor->WaitForWordChecking(0)) d.Editor->StartWordChecking();
    state.ResumeTiming();
    d.Editor->TypeText(u"x");
    QApplication::processEvents();  // the repaint
    state.PauseTiming();
    d.Editor->Backspace(false);
    QApplication::processEvents();
    state.ResumeTiming();
  }
  d.Editor->ClearUndo();
  d.Editor->StopWordChecking();
}
BENCHMARK(BM_TypeCharacterWhileChecking)->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lectern
