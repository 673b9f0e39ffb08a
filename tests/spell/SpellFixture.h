#pragma once
// An editor on the headless platform whose words are checked by the worker
// against the small test dictionary in tests/data/spell (en_TEST: the, cat,
// sat, on, mat, word, table, cell, note, in, a, is, hello, world, don't,
// it's, naïve, start, end, after, and plurals with -s). The headless window
// has no event loop: Settle hands the worker's marks over until it has
// walked everything.

#include "../edit/LTEditFixture.h"
#include "platform/LTSysUtils.h"
#include "spell/LTSpeller.h"
#include "spell/LTThread.h"

#include <gtest/gtest.h>

#include <string>

namespace lectern::testing {

inline std::string TestDictionaryDir() { return LECTERN_TEST_DATA "/spell"; }

/// "item:word" for every misspelling mark of a container, in item order.
inline std::string MarkedWords(const TCustomLTData& data) {
  std::string out;
  for (int i = 0; i < data.ItemCount(); ++i) {
    const TCustomLTItemInfo& item = data.GetItem(i);
    if (!item.MarkList) continue;
    const TLTString text = data.GetItemTextW(i);
    for (const auto& p : *item.MarkList) {
      if (!p->IsMisspelling()) continue;
      if (!out.empty()) out += ' ';
      const size_t from = static_cast<size_t>(std::max(p->StartOffs - 1, 0));
      out += std::to_string(i) + ":" +
             Utf16ToUtf8(text.substr(std::min(from, text.size()), static_cast<size_t>(p->Length)));
    }
  }
  return out;
}

struct CheckedEditor : TEditorFixture<CheckedEditor> {
  TLTSpeller Speller;

  CheckedEditor() {
    RegisterWordChecking();
    std::string error;
    EXPECT_TRUE(Speller.Open("en_TEST", {TestDictionaryDir()}, error)) << error;
    E.OnSpellingCheck = [this](TCustomLectern&, const TLTString& word, int32_t, bool& misspelled) {
      misspelled = Speller.IsMisspelled(word);
    };
  }
  void Start() {
    E.StartWordChecking();
    Settle();
  }
  void Settle() { ASSERT_TRUE(E.WaitForWordChecking(20000)); }
  std::string Marked() { return MarkedWords(E.LTData()); }
  void Caret(int item, int offs) { E.SetSelectionBounds(item, offs, item, offs); }
};

}  // namespace lectern::testing
