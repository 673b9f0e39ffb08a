// Random edits with the word checker running: typing, deleting, splitting,
// joining, undo and redo, editing and deleting table cells, with the
// worker's marks handed over at random moments. Built apart and run under
// ThreadSanitizer as well (scripts/test.sh), which must see no race; at the
// end the marks must be those of a fresh walk.

#include "../spell/SpellFixture.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <cstdlib>
#include <map>
#include <random>
#include <thread>

namespace lectern::testing {
namespace {

/// Every mark of the document, cells included, as "item:offset:word" in
/// the order of the text (a word checked again is marked last).
std::string AllMarks(TCustomLTData& root) {
  std::string out;
  root.EnumerateItems([&](TCustomLTData& data, int itemNo, bool&) {
    if (itemNo == 0 && &data != &root) out += " |";
    const TCustomLTItemInfo& item = data.GetItem(itemNo);
    if (!item.MarkList) return;
    const TLTString text = data.GetItemTextW(itemNo);
    std::map<int, std::string> marks;
    for (const auto& p : *item.MarkList)
      if (p->IsMisspelling() && p->StartOffs >= 1)
        marks[p->StartOffs] += Utf16ToUtf8(
            text.substr(std::min(static_cast<size_t>(p->StartOffs - 1), text.size()), static_cast<size_t>(p->Length)));
    for (const auto& [at, word] : marks) out += " " + std::to_string(itemNo) + ":" + std::to_string(at) + ":" + word;
  });
  return out;
}

TEST(WordCheckStress, RandomEditsWithTheWorkerRunningLeaveTheMarksOfAFreshWalk) {
  CheckedEditor e;
  RegisterTableItemKind();
  // Long enough that the worker is caught in the middle of its walk.
  for (int p = 0; p < 120; ++p) e.Para(p % 3 == 0 ? u"the cat sat on teh mat" : u"a wrod in a cell is a note");
  auto table = std::make_unique<TLTTableItemInfo>(8, 3);
  TLTTableItemInfo* t = table.get();
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 3; ++c) {
      t->Cells(r, c)->Clear();
      t->Cells(r, c)->AddTextW(u"teh cat and the wrod, the mat is a note in a cell", 0, 0);
    }
  e.Add(std::move(table));
  for (int p = 0; p < 60; ++p) e.Para(u"hello world naive naïve");
  e.Ready();
  e.E.StartWordChecking();

  // LECTERN_STRESS_SEED plays another sequence of edits.
  const char* seed = std::getenv("LECTERN_STRESS_SEED");
  std::mt19937 rng(seed ? static_cast<unsigned>(std::strtoul(seed, nullptr, 10)) : 2024u);
  auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
  static constexpr const char16_t* kTyped[] = {u"e", u"t", u" ", u"h", u"x", u"'", u"s"};
  for (int step = 0; step < 500; ++step) {
    TCustomLTData& d = e.E.LTData();
    const int item = pick(d.ItemCount());
    const int len = d.GetItem(item).IsText() ? d.GetItem(item).TextLength() : 0;
    switch (pick(13)) {
      case 0:
      case 1:
      case 2:
        e.Caret(item, 1 + pick(len + 1));
        e.E.TypeText(kTyped[pick(7)]);
        break;
      case 3:
        e.Caret(item, 1 + pick(len + 1));
        e.E.Backspace(pick(4) == 0);
        break;
      case 4:
        e.Caret(item, 1 + pick(len + 1));
        e.E.DeleteKey(false);
        break;
      case 5:
        e.Caret(item, 1 + pick(len + 1));
        e.E.NewParagraph(false);
        break;
      case 6: {
        const int to = std::min(d.ItemCount() - 1, item + pick(3));
        e.E.SetSelectionBounds(item, 1 + pick(len + 1), to, 1);
        e.E.DeleteSelection();
        break;
      }
      case 7:
        e.E.Undo();
        break;
      case 8:
        e.E.Redo();
        break;
      case 9:
        // The table may have gone with a deletion, or come back with an undo.
        t = nullptr;
        for (int i = 0; i < d.ItemCount() && !t; ++i) t = dynamic_cast<TLTTableItemInfo*>(&d.GetItem(i));
        if (t && t->EditCell(-1, pick(t->NumRows()), pick(t->NumColumns()))) {
          e.E.InnermostEditor().TypeText(pick(2) ? u"wrod " : u" the");
          if (pick(3) == 0)
            RunTableCommand(e.E, pick(2) ? TLTTableCommand::InsertRowBelow : TLTTableCommand::DeleteRows);
          e.E.EndNestedEditing();
        }
        break;
      case 10:
        if (pick(4) == 0)
          e.E.StartWordChecking();
        else
          e.E.WaitForWordChecking(pick(3));
        break;
      default:
        // Past the pause in typing, so that the next edit stops a worker
        // that walks.
        std::this_thread::sleep_for(std::chrono::microseconds(50000 + pick(8000)));
        e.E.WaitForWordChecking(pick(2));
        break;
    }
  }
  e.E.EndNestedEditing();
  e.Caret(0, 1);
  e.Settle();
  const std::string walked = AllMarks(e.E.LTData());
  e.E.StartWordChecking();
  e.Settle();
  EXPECT_EQ(walked, AllMarks(e.E.LTData()));
}

}  // namespace
}  // namespace lectern::testing
