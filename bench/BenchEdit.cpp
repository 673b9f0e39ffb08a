// Editing figures in the editor control on an off-screen Qt window: one
// character typed into the middle of a paragraph of a document of more than
// 10 MB of text (and of 1 MB, for comparison), with the re-layout of its
// paragraph and the repaint of what changed; and one Undo and one Redo of a
// typing step of 1,000 characters; one character typed into a cell of a
// table of 300 rows in the middle of the 1 MB document, and a cell opened
// and closed again there.

#include "bench/BenchDocument.h"
#include "edit/LTEdit.h"
#include "platform/qt/LTQtApplication.h"
#include "platform/qt/LTQtWindow.h"
#include "table/LTTable.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace lectern {
namespace {

/// The editor over the benchmark document, with what typing needs.
struct TEditedDocument : bench::TWindowedEditor {
  explicit TEditedDocument(int64_t bytes) : TWindowedEditor(bytes) {}
  void CaretToMiddle() {
    Editor->SetCaretAt(Item, Editor->LTData().GetItem(Item).TextLength() / 2);
    QApplication::processEvents();
  }
};

TEditedDocument& Doc(int64_t megabytes) {
  // Kept to the end: the windows must not outlive the application, which
  // static destruction cannot promise.
  static auto* docs = new std::map<int64_t, std::unique_ptr<TEditedDocument>>;
  auto& d = (*docs)[megabytes];
  if (!d) d = std::make_unique<TEditedDocument>(megabytes * 1'050'000);
  return *d;
}

void BM_TypeCharacter(benchmark::State& state) {
  TEditedDocument& d = Doc(state.range(0));
  if (d.Item < 0) {
    state.SkipWithError("no paragraph to type into");
    return;
  }
  d.CaretToMiddle();
  for (auto _ : state) {
    d.Editor->TypeText(u"x");
    QApplication::processEvents();  // the repaint
    // The character goes again, untimed, so that every round types into
    // the same paragraph.
    state.PauseTiming();
    d.Editor->Backspace(false);
    QApplication::processEvents();
    state.ResumeTiming();
  }
  d.Editor->ClearUndo();
  state.counters["MB"] = static_cast<double>(d.Bytes) / 1e6;
}
BENCHMARK(BM_TypeCharacter)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

void BM_UndoRedoTypingStep(benchmark::State& state) {
  TEditedDocument& d = Doc(10);
  if (d.Item < 0) {
    state.SkipWithError("no paragraph to type into");
    return;
  }
  d.CaretToMiddle();
  d.Editor->ClearUndo();
  for (int i = 0; i < 1000; ++i) d.Editor->TypeText(i % 7 == 6 ? u" " : u"y");
  QApplication::processEvents();
  for (auto _ : state) {
    // Undo takes the step's last character back and Redo types it again:
    // the step keeps its 1,000 characters between rounds.
    d.Editor->Undo();
    d.Editor->Redo();
    QApplication::processEvents();
  }
  state.counters["step"] = 1000;
}
BENCHMARK(BM_UndoRedoTypingStep)->Unit(benchmark::kMicrosecond);

/// The 1 MB document with a table of 300 rows of three cells after its
/// middle paragraph.
struct TTableDocument : TEditedDocument {
  TLTTableItemInfo* Table = nullptr;
  TTableDocument() : TEditedDocument(1'050'000) {
    RegisterTableItemKind();
    auto table = std::make_unique<TLTTableItemInfo>(300, 3);
    Table = table.get();
    table->ParaNo = 0;
    for (int r = 0; r < 300; ++r)
      for (int c = 0; c < 3; ++c) {
        TLTTableCellData* cell = Table->Cells(r, c);
        cell->Clear();
        cell->AddTextW(c == 0 ? u"A city with a name of some length" : u"1,234,567", 0, 0);
      }
    Editor->EditData().InsertOneItem(Item + 1, std::move(table));
    Editor->ClearUndo();
    Editor->Format();
    QApplication::processEvents();
  }
};

TTableDocument& TableDoc() {
  static auto* doc = new TTableDocument;
  return *doc;
}

void BM_TypeInTableCell(benchmark::State& state) {
  TTableDocument& d = TableDoc();
  d.Table->EditCell(-1, 150, 0, {.CaretAtEnd = true});
  QApplication::processEvents();
  for (auto _ : state) {
    d.Editor->TypeText(u"x");
    QApplication::processEvents();
    state.PauseTiming();
    d.Editor->Backspace(false);
    QApplication::processEvents();
    state.ResumeTiming();
  }
  d.Editor->EndNestedEditing();
  d.Editor->ClearUndo();
}
BENCHMARK(BM_TypeInTableCell)->Unit(benchmark::kMicrosecond);

void BM_OpenAndCloseTableCell(benchmark::State& state) {
  TTableDocument& d = TableDoc();
  for (auto _ : state) {
    d.Table->EditCell(-1, 150, 1);
    d.Editor->EndNestedEditing();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_OpenAndCloseTableCell)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lectern
