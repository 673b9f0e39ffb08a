// The mouse inside table cells: a press in a cell selects in the cell's
// document, copying takes the cell's selection, words and hints come from
// the cell, and a table that goes away takes nothing of the control with it.

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"
#include "view/CLectern.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

/// "intro", then a 1 x 2 table with "alpha beta" and "gamma", then "outro".
struct CellViewer {
  TLTStyle Style;
  TLTHeadlessWindow Win{400, 200};
  TLectern V{Win};
  TLTTableCellData* Left = nullptr;
  TLTTableCellData* Right = nullptr;
  int TablePiece = -1;

  CellViewer() {
    RegisterTableItemKind();
    Style.SelectionMode = ltsmChar;
    V.SetStyle(&Style);
    TLecternLTData& doc = V.LTData();
    doc.AddTextW(u"intro", 0, 0);
    auto table = std::make_unique<TLTTableItemInfo>(1, 2);
    Left = table->Cells(0, 0);
    Right = table->Cells(0, 1);
    Left->Clear();
    Left->AddTextW(u"alpha beta", 0, 0);
    Right->Clear();
    Right->AddTextW(u"gamma", 0, 0);
    table->ParaNo = 0;
    doc.AddItem({}, std::move(table));
    doc.AddTextW(u"outro", 0, 0);
    V.Format();
    TablePiece = 1;
  }
  /// Whether the selection lies in the container (it lives in one at a time).
  bool HasOwnSelection(const TCustomLTFormattedData& c) const {
    return &V.SelectionContainer() == &c && V.SelectionAnchor().DrawItem >= 0;
  }
  /// The client point of character k of a cell's first line.
  TLTPointI InCell(const TLTTableCellData& cell, int k) const {
    const TLTPointI o = cell.GetOriginInControl();
    const TLTDrawLineInfo& p = cell.DrawItems[0];
    return {o.X + p.Left + 7 * k + 1, o.Y + p.Top + 6};
  }
};

TEST(TableMouse, DraggingInACellSelectsInItsDocumentAndCopyTakesThatSelection) {
  CellViewer v;
  const TLTPointI from = v.InCell(*v.Left, 0), to = v.InCell(*v.Left, 5);
  v.Win.Press(from.X, from.Y);
  v.Win.Move(to.X, to.Y);
  v.Win.Release(to.X, to.Y);
  EXPECT_EQ(&v.V.SelectionContainer(), v.Left);
  EXPECT_TRUE(v.V.HasSelection());
  // The document itself has no selection: the cell keeps its own.
  EXPECT_FALSE(v.HasOwnSelection(v.V.LTData()));

  ASSERT_TRUE(v.V.CopyDefault());
  EXPECT_EQ(*v.Win.Clipboard().Find(LTMimeText), "alpha");
  std::string fragment;
  ASSERT_TRUE(UnpackLTFFlavour(*v.Win.Clipboard().Find(LTMimeLTF), fragment));
  TLTHeadlessWindow win2;
  TLectern other(win2);
  other.SetStyle(&v.Style);
  TLTMemoryStream s(fragment);
  ASSERT_TRUE(other.LTData().LoadLTFFromStream(s));
  EXPECT_EQ(other.LTData().GetItemTextW(0), u"alpha");

  // A press in the other cell moves the selection there; the first cell
  // loses its own.
  const TLTPointI g = v.InCell(*v.Right, 1);
  v.Win.Press(g.X, g.Y);
  v.Win.Release(g.X, g.Y);
  EXPECT_EQ(&v.V.SelectionContainer(), v.Right);
  EXPECT_FALSE(v.HasOwnSelection(*v.Left));
  // And a press on the text around the table brings it back to the document.
  v.Win.Press(8, 8);
  v.Win.Move(30, 8);
  v.Win.Release(30, 8);
  EXPECT_EQ(&v.V.SelectionContainer(), &v.V.LTData());
  EXPECT_FALSE(v.HasOwnSelection(*v.Right));
  EXPECT_EQ(Utf16ToUtf8(v.V.TextBetween(0, 3)), "int");
}

TEST(TableMouse, DoubleClickSelectsTheCellsWordAndHintsComeFromCellItems) {
  CellViewer v;
  v.Left->GetItem(0).HintText = u"cell hint";
  std::u16string word;
  v.V.OnLTDblClick = [&](TCustomLectern&, const TLTString& w, int) { word = w; };
  const TLTPointI b = v.InCell(*v.Left, 7);
  v.Win.DoubleClick(b.X, b.Y);
  EXPECT_EQ(word, u"beta");
  EXPECT_EQ(&v.V.SelectionContainer(), v.Left);
  ASSERT_TRUE(v.V.CopyDefault());
  EXPECT_EQ(*v.Win.Clipboard().Find(LTMimeText), "beta");

  TCustomLTData* hintData = nullptr;
  TLTOptions o = v.V.Options();
  v.V.SetOptions(o.Include(ltoShowItemHints));
  v.V.OnItemHint = [&](TCustomLectern&, TCustomLTData& d, int, TLTString&) { hintData = &d; };
  v.Win.Move(b.X, b.Y + 1);
  EXPECT_EQ(hintData, v.Left);
  EXPECT_EQ(v.Win.HintText, u"cell hint");
}

TEST(TableMouse, ASelectedCellThatGoesAwayLeavesTheDocumentSelecting) {
  CellViewer v;
  const TLTPointI a = v.InCell(*v.Right, 0), b = v.InCell(*v.Right, 3);
  v.Win.Press(a.X, a.Y);
  v.Win.Move(b.X, b.Y);
  v.Win.Release(b.X, b.Y);
  ASSERT_EQ(&v.V.SelectionContainer(), v.Right);
  // The table is deleted without the control hearing of it.
  v.V.LTData().DeleteItems(1, 1);
  EXPECT_EQ(&v.V.SelectionContainer(), &v.V.LTData());
  EXPECT_FALSE(v.V.HasSelection());
  v.V.Format();
  v.Win.Press(8, 8);
  v.Win.Move(30, 8);
  v.Win.Release(30, 8);
  EXPECT_TRUE(v.V.HasSelection());
}

}  // namespace
}  // namespace lectern
