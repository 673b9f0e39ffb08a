// Hyperlinks inside table cells: numbered in document order with the ones
// around the table, registered with the control's container at the cell's
// place, and followed by a click like any other.

#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"
#include "view/CLectern.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(TableLinks, CellLinksJoinTheControlsNumberingAndAnswerClicks) {
  RegisterTableItemKind();
  TLTStyle style;
  TLTHeadlessWindow win(300, 200);
  TLectern viewer(win);
  viewer.SetStyle(&style);
  TLecternLTData& doc = viewer.LTData();
  doc.AddTextW(u"before", 4, 0);  // a link style
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  TLTTableCellData* cell = table->Cells(0, 1);
  cell->Clear();
  cell->AddTextW(u"in cell", 4, 0);
  table->ParaNo = 0;
  doc.AddItem({}, std::move(table));
  doc.AddTextW(u"after", 4, 0);
  viewer.Format();

  ASSERT_EQ(doc.Jumps.size(), 3u);
  std::vector<int> ids;
  for (const TLTJumpInfo& j : doc.Jumps) ids.push_back(j.Id);
  EXPECT_EQ(ids, (std::vector<int>{0, 1, 2}));
  const TLTJumpInfo& inCell = doc.Jumps[1];
  EXPECT_EQ(inCell.LTData, cell);
  EXPECT_EQ(cell->GetItem(0).LinkIndex, 1);
  // Its rectangle lies in the table's piece, at the second cell.
  const TLTDrawLineInfo& piece = doc.DrawItems[1];
  EXPECT_GT(inCell.Left, piece.Left + cell->Left - 1);
  EXPECT_GE(inCell.Top, piece.Top);
  EXPECT_LE(inCell.Top + inCell.Height, piece.Top + piece.Height);

  int jumped = -1;
  viewer.OnJump = [&](TCustomLectern&, int id) { jumped = id; };
  win.Click(inCell.Left + 2, inCell.Top + 2);
  EXPECT_EQ(jumped, 1);
  TCustomLTData* data = nullptr;
  int itemNo = -1;
  ASSERT_TRUE(viewer.GetJumpLocation(1, data, itemNo));
  EXPECT_EQ(data, cell);
  EXPECT_EQ(itemNo, 0);
}

}  // namespace
}  // namespace lectern
