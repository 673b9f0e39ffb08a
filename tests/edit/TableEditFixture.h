#pragma once
// An editor holding "before", a table and "after" on the headless platform,
// for the tests of editing inside tables and of table operations.

#include "LTEditFixture.h"

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <string>

namespace lectern::testing {

/// "before", a table of rows x cols cells holding "rc" each, "after".
struct TableEditor : TEditorFixture<TableEditor> {
  TLTTableItemInfo* T = nullptr;

  explicit TableEditor(int rows = 2, int cols = 2) {
    RegisterTableItemKind();
    Style.ParaStyles().Add();
    Para(u"before");
    auto table = std::make_unique<TLTTableItemInfo>(rows, cols);
    T = table.get();
    table->ParaNo = 0;
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        T->Cells(r, c)->Clear();
        T->Cells(r, c)->AddTextW(Utf8ToUtf16(std::to_string(r) + std::to_string(c)), 0, 0);
      }
    Add(std::move(table));
    Para(u"after");
    Ready();
  }
  void Key(int key, TLTShiftState keys = {}) {
    Win.SetKeys(keys);
    Win.Key(key);
    Win.SetKeys({});
  }
  std::string CellText(int r, int c) {
    return Utf16ToUtf8(T->CellContent(*T->Cells(r, c)).GetPlainText(0));
  }
  TCustomLecternEdit& In() { return E.InnermostEditor(); }
  std::pair<int, int> Edited() { return {T->EditedRow(), T->EditedCol()}; }
  std::string Ltf() {
    E.EndNestedEditing();
    TLTMemoryStream out;
    E.LTData().SaveLTFToStream(out);
    return out.Data();
  }
};

}  // namespace lectern::testing
