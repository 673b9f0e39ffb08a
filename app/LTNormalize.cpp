#include "app/LTNormalize.h"

#include "app/ReportMerge.h"

#include "model/CLTData.h"
#include "style/LTStyle.h"

#include <memory>

namespace lectern {

namespace {

bool IsMarker(const TCustomLTItemInfo& item) { return item.StyleNo == ltikMarker; }

bool IsFieldItem(const TCustomLTItemInfo& item) {
  TLTString name;
  return GetFieldName(item.Tag, name);
}

/// Hands the checkpoint of item from to the neighbouring item to. The two
/// are adjacent, so the checkpoint keeps its place in the document's list.
void MoveCheckpoint(TCustomLTData& data, int from, int to) {
  TCustomLTItemInfo& source = data.GetItem(from);
  TCustomLTItemInfo& target = data.GetItem(to);
  target.Checkpoint = std::move(source.Checkpoint);
  target.Checkpoint->ItemInfo = &target;
  target.Checkpoint->ItemNo = to;
}

}  // namespace

void InsertEmptyText(TCustomLTData& data, int index) {
  auto item = ItemFactory(0);
  item->StyleNo = 0;
  item->ParaNo = 0;
  item->ItemFlags = ltifJoinPrev;
  item->SetFlag(ltifWide, data.IsUnicodeStyle(0));
  data.InsertItemAt(index, {}, std::move(item));
}

void NormalizeDocument(TCustomLTData& data) {
  int i = 0;
  bool forcedStart = true;
  bool afterMarker = false;
  int32_t paraStyle = 0;
  while (i < data.ItemCount()) {
    TCustomLTItemInfo* x = &data.GetItem(i);
    const bool fullLine = x->GetBoolValue(iqFullLine);
    if (forcedStart || fullLine || IsMarker(*x)) {
      x->SetFlag(ltifNewLine, false);
      x->SetFlag(ltifJoinPrev, false);
    }
    // The item after a marker continues the marker's paragraph, so it must
    // take the marker's paragraph style too: join it before the style is
    // settled.
    const bool joinsMarker = afterMarker && !IsMarker(*x) && !fullLine;
    if (joinsMarker) x->SetJoinPrev(true);
    if (x->HasFlag(ltifJoinPrev) || x->HasFlag(ltifNewLine))
      x->ParaNo = paraStyle;
    else
      paraStyle = x->ParaNo;

    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* d = x->GetSubDocument(cursor, ltsdFirst); d; d = x->GetSubDocument(cursor, ltsdNext))
      NormalizeDocument(*d);

    if (afterMarker && !joinsMarker) {
      // A marker needs an item of its own paragraph after it. Another marker
      // cannot be that item, and neither can a table or a rule: those always
      // start a paragraph of their own.
      InsertEmptyText(data, i);
      x = &data.GetItem(i);
    }
    forcedStart = x->GetBoolValue(iqFullLine);
    afterMarker = IsMarker(*x);
    if (!x->IsText()) {
      ++i;
      continue;
    }

    const bool hasNext = i + 1 < data.ItemCount();
    TCustomLTItemInfo* next = hasNext ? &data.GetItem(i + 1) : nullptr;
    // An empty item of a field keeps the field's place where its value
    // could not (a value that starts or ends with a table); two items of a
    // field are never joined, since two codes of one field side by side
    // are two values.
    const bool field = IsFieldItem(*x);
    const bool empty = x->Text.empty() && !field;

    // An empty piece that starts a paragraph or a line hands that start to
    // the item that continues it.
    if (!x->HasFlag(ltifJoinPrev) && empty && next && next->HasFlag(ltifJoinPrev)) {
      next->SetNewPage(x->HasFlag(ltifNewPage));
      next->SetJoinPrev(false);
      next->SetNewLine(x->HasFlag(ltifNewLine));
      if (x->Checkpoint && !next->Checkpoint) MoveCheckpoint(data, i, i + 1);
      data.DeleteItems(i, 1);
      continue;
    }

    // An empty piece inside a paragraph serves nothing, unless it is the
    // text item a list marker needs.
    if (x->HasFlag(ltifJoinPrev) && i > 0 && empty && !IsMarker(data.GetItem(i - 1))) {
      if (x->Checkpoint && next && next->HasFlag(ltifJoinPrev) && !next->Checkpoint) MoveCheckpoint(data, i, i + 1);
      data.DeleteItems(i, 1);
      continue;
    }

    // Two pieces that look the same become one. Pieces of different width
    // cannot share one byte string; they can only meet when a stored
    // document declared a width its style does not have, and then they stay
    // apart rather than turn into garbage.
    if (x->HasFlag(ltifJoinPrev) && i > 0 && !field && data.GetItemStyle(i - 1) == x->StyleNo && !x->Checkpoint) {
      TCustomLTItemInfo& prev = data.GetItem(i - 1);
      if (prev.Tag == x->Tag && prev.IsWide() == x->IsWide()) {
        TLTRawByteString joined = prev.Text + x->Text;
        data.ReportItemAction(ltiaTextModifying, prev, joined);
        prev.Text = std::move(joined);
        data.DeleteItems(i, 1);
        continue;
      }
    }
    ++i;
  }
  if (afterMarker) InsertEmptyText(data, data.ItemCount());
}

}  // namespace lectern
