// The editable container and its primitives.

#include "edit/LTELTData.h"

#include "edit/LTEdit.h"
#include "platform/LTControl.h"

#include <algorithm>

namespace lectern {

namespace {

const char* const kUndoError = "Undo error";

}  // namespace

bool TLTEditLTData::IsEditable() const { return !static_cast<const TCustomLecternEdit&>(Owner()).ReadOnly(); }

TLTUndoList* TLTEditLTData::Recording() {
  TLTUndoList* list = Target == TLTUndoTarget::Undo   ? static_cast<TLTUndoList*>(&undo_)
                      : Target == TLTUndoTarget::Redo ? static_cast<TLTUndoList*>(&redo_)
                                                      : nullptr;
  if (into_) list = into_;
  if (!list || list->Limit == 0 || list->Empty()) return nullptr;
  return list;
}

void TLTEditLTData::Record(std::unique_ptr<TLTUndoInfo> record) {
  if (TLTUndoList* list = Recording()) list->Add(std::move(record));
}

TLTRawByteString TLTEditLTData::CharsOf(int itemNo, int pos, int count) const {
  const TCustomLTItemInfo& item = GetItem(itemNo);
  const size_t size = item.IsWide() ? 2 : 1;
  const size_t from = static_cast<size_t>(std::max(pos - 1, 0)) * size;
  if (from >= item.Text.size()) return {};
  return item.Text.substr(from, static_cast<size_t>(std::max(count, 0)) * size);
}

void TLTEditLTData::RawInsertChars(int itemNo, int pos, std::string_view raw) {
  if (itemNo < 0 || itemNo >= ItemCount() || !GetItem(itemNo).IsText()) throw std::runtime_error(kUndoError);
  TCustomLTItemInfo& item = GetItem(itemNo);
  const size_t at = std::min(static_cast<size_t>(std::max(pos - 1, 0)) * static_cast<size_t>(CharSize(itemNo)),
                             item.Text.size());
  item.Text.insert(at, raw);
  Changed(itemNo);
}

void TLTEditLTData::Changed(int itemNo) {
  // Misspellings behind an edit no longer stand where they were found.
  if (!KeepWordMarks) GetItem(itemNo).ClearWordMarks();
}

void TLTEditLTData::InsertChars(int itemNo, int pos, std::string_view raw) {
  if (raw.empty()) return;
  RawInsertChars(itemNo, pos, raw);
  Record(std::make_unique<TLTUndoInsertSubstringInfo>(itemNo, pos,
                                                      static_cast<int>(raw.size()) / CharSize(itemNo)));
}

void TLTEditLTData::DeleteChars(int itemNo, int pos, int count) {
  if (count <= 0) return;
  TCustomLTItemInfo& item = GetItem(itemNo);
  TLTRawByteString chars = CharsOf(itemNo, pos, count);
  if (chars.empty()) return;
  item.Text.erase(static_cast<size_t>(pos - 1) * static_cast<size_t>(CharSize(itemNo)), chars.size());
  Changed(itemNo);
  Record(std::make_unique<TLTUndoDeleteSubstringInfo>(itemNo, pos, std::move(chars)));
}

void TLTEditLTData::TypeChars(int itemNo, int pos, std::string_view raw) {
  RawInsertChars(itemNo, pos, raw);
  if (Target == TLTUndoTarget::Undo) RecordTyping(itemNo, pos, GetItem(itemNo).IsWide(), pos);
}

void TLTEditLTData::RecordTyping(int itemNo, int pos, bool unicode, int caretOffs) {
  if (undo_.Limit == 0) return;
  undo_.DropEmptyLast();
  if (TLTUndoInfos* last = undo_.Last(); last && last->IsTyping()) {
    auto* t = static_cast<TLTUndoTypingInfo*>(last->Records.front().get());
    if (t->ItemNo == itemNo && pos == t->Pos + t->Length) {
      ++t->Length;
      last->CaretOffs = caretOffs;
      return;
    }
  }
  // A keystroke opens its own group even in group mode: typing groups are
  // taken back one character at a time, which a shared group could not be.
  undo_.AppendGroup(ltukTyping, itemNo, caretOffs, {});
  auto record = std::make_unique<TLTUndoTypingInfo>(itemNo, pos, unicode);
  record->Owner = &undo_;
  undo_.Last()->Records.push_back(std::move(record));
}

void TLTEditLTData::RecordRedoTyping(int itemNo, int pos, std::string_view raw, bool unicode, int caretOffs) {
  if (TLTUndoInfos* last = redo_.Last(); last && !last->Records.empty()) {
    if (auto* t = dynamic_cast<TLTRedoTypingInfo*>(last->Records.front().get());
        t && last->Records.size() == 1 && t->ItemNo == itemNo && t->Unicode == unicode &&
        t->EndPos - t->CharCount() == pos + static_cast<int>(raw.size()) / (unicode ? 2 : 1)) {
      t->Chars.insert(0, raw);
      last->CaretOffs = caretOffs;
      return;
    }
  }
  redo_.AppendGroup(ltukTyping, itemNo, caretOffs, {});
  auto record = std::make_unique<TLTRedoTypingInfo>(itemNo, pos + static_cast<int>(raw.size()) / (unicode ? 2 : 1),
                                                    unicode);
  record->Chars = TLTRawByteString(raw);
  record->Owner = &redo_;
  redo_.Last()->Records.push_back(std::move(record));
}

void TLTEditLTData::InsertItems(int index, std::vector<std::unique_ptr<TCustomLTItemInfo>> items) {
  if (items.empty()) return;
  const int count = static_cast<int>(items.size());
  for (int k = 0; k < count; ++k) {
    TLTRawByteString text = std::move(items[static_cast<size_t>(k)]->Text);
    InsertItemAt(index + k, std::move(text), std::move(items[static_cast<size_t>(k)]));
  }
  if (FirstCheckpoint()) RefreshCheckpointIndices();
  ItemsDelta += count;
  Record(std::make_unique<TLTUndoInsertItemsInfo>(index, count));
}

void TLTEditLTData::InsertOneItem(int index, std::unique_ptr<TCustomLTItemInfo> item) {
  std::vector<std::unique_ptr<TCustomLTItemInfo>> one;
  one.push_back(std::move(item));
  InsertItems(index, std::move(one));
}

void TLTEditLTData::DeleteItems(int index, int count) {
  if (count <= 0) return;
  auto items = ExtractItems(index, count);
  ItemsDelta -= count;
  Record(std::make_unique<TLTUndoDeleteItemsInfo>(index, std::move(items)));
}

void TLTEditLTData::SetBreakFlags(int itemNo, uint8_t flags) {
  constexpr uint8_t kBreaks = ltifJoinPrev | ltifNewLine | ltifNewPage;
  TCustomLTItemInfo& item = GetItem(itemNo);
  const uint8_t old = item.ItemFlags & kBreaks;
  flags &= kBreaks;
  // A rule or a table always starts a paragraph of its own.
  if (item.GetBoolValue(iqFullLine)) flags &= ltifNewPage;
  if (old == flags) return;
  item.ItemFlags = static_cast<uint8_t>((item.ItemFlags & ~kBreaks) | flags);
  Record(std::make_unique<TLTUndoNewLineInfo>(itemNo, old));
}

void TLTEditLTData::SetParaNos(int first, const std::vector<int32_t>& paraNos) {
  std::vector<int32_t> old;
  old.reserve(paraNos.size());
  bool changed = false;
  for (size_t k = 0; k < paraNos.size(); ++k) {
    TCustomLTItemInfo& item = GetItem(first + static_cast<int>(k));
    old.push_back(item.ParaNo);
    changed = changed || item.ParaNo != paraNos[k];
    item.ParaNo = paraNos[k];
  }
  if (changed) Record(std::make_unique<TLTUndoParaListInfo>(first, std::move(old)));
}

void TLTEditLTData::SetParaNo(int first, int last, int32_t paraNo) {
  if (last < first) return;
  SetParaNos(first, std::vector<int32_t>(static_cast<size_t>(last - first + 1), paraNo));
}

void TLTEditLTData::SetStyleNo(int itemNo, int32_t styleNo, bool wide) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  if (item.StyleNo == styleNo && item.IsWide() == wide) return;
  auto record = std::make_unique<TLTUndoStyleNoInfo>(itemNo, item.StyleNo, item.IsWide());
  item.StyleNo = styleNo;
  item.SetFlag(ltifWide, wide);
  Changed(itemNo);
  Record(std::move(record));
}

void TLTEditLTData::ChangeText(int itemNo, TLTRawByteString raw) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  if (item.Text == raw) return;
  auto record = std::make_unique<TLTUndoChangeTextInfo>(itemNo, std::move(item.Text));
  item.Text = std::move(raw);
  Changed(itemNo);
  Record(std::move(record));
}

void TLTEditLTData::SetTag(int itemNo, TLTTag tag) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  auto record = std::make_unique<TLTUndoTagInfo>(itemNo, std::move(item.Tag));
  item.Tag = std::move(tag);
  Record(std::move(record));
}

TCustomLTItemInfo* TLTEditLTData::SubDocItem(int itemNo, const std::vector<int>& path) {
  if (itemNo < 0 || itemNo >= ItemCount() || path.size() % 2 != 0) return nullptr;
  TCustomLTItemInfo* item = &GetItem(itemNo);
  for (size_t k = 0; k < path.size(); k += 2) {
    std::unique_ptr<TLTSubDocCursor> cursor;
    TCustomLTData* doc = item->GetSubDocument(cursor, ltsdFirst);
    for (int n = 0; doc && n < path[k]; ++n) doc = item->GetSubDocument(cursor, ltsdNext);
    if (!doc || path[k + 1] < 0 || path[k + 1] >= doc->ItemCount()) return nullptr;
    item = &doc->GetItem(path[k + 1]);
  }
  return item;
}

void TLTEditLTData::SetSubDocTag(int itemNo, const std::vector<int>& path, TLTTag tag) {
  TCustomLTItemInfo* item = SubDocItem(itemNo, path);
  if (!item) throw std::runtime_error(kUndoError);
  auto record = std::make_unique<TLTUndoSubDocTagInfo>(itemNo, path, std::move(item->Tag));
  item->Tag = std::move(tag);
  Record(std::move(record));
}

void TLTEditLTData::SetAssociatedTextStyle(int itemNo, int32_t styleNo) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  const int32_t old = item.GetAssociatedTextStyleNo();
  if (old == styleNo || old < 0) return;
  item.SetAssociatedTextStyleNo(styleNo);
  Record(std::make_unique<TLTUndoAssociatedTextStyleNoInfo>(itemNo, old));
}

void TLTEditLTData::AddCheckpoint(int itemNo, std::unique_ptr<TLTCPInfo> cp) {
  AttachCheckpoint(itemNo, std::move(cp));
  Record(std::make_unique<TLTUndoAddCPInfo>(itemNo));
}

void TLTEditLTData::DeleteCheckpoint(int itemNo) {
  std::unique_ptr<TLTCPInfo> cp = DetachCheckpoint(itemNo);
  Record(std::make_unique<TLTUndoDeleteCPInfo>(itemNo, std::move(cp)));
}

void TLTEditLTData::MoveCheckpoint(int from, int to) {
  if (from == to || !GetItem(from).Checkpoint || GetItem(to).Checkpoint) return;
  std::unique_ptr<TLTCPInfo> cp = DetachCheckpoint(from);
  Record(std::make_unique<TLTUndoDeleteCPInfo>(from, cp->Copy()));
  AttachCheckpoint(to, std::move(cp));
  Record(std::make_unique<TLTUndoAddCPInfo>(to));
}

bool TLTEditLTData::SetExtraIntProperty(int itemNo, TLTExtraItemProperty prop, int32_t value) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  int32_t old = 0;
  if (!item.GetExtraIntProperty(prop, old)) return false;
  if (old == value) return true;
  if (!item.SetExtraIntProperty(prop, value)) return false;
  Record(std::make_unique<TLTUndoExtraIntProperty>(itemNo, prop, old));
  return true;
}

bool TLTEditLTData::SetExtraStrProperty(int itemNo, TLTExtraItemStrProperty prop, const TLTString& value) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  TLTString old;
  if (!item.GetExtraStrProperty(prop, old)) return false;
  if (old == value) return true;
  if (!item.SetExtraStrProperty(prop, value)) return false;
  Record(std::make_unique<TLTUndoExtraStrProperty>(itemNo, prop, std::move(old)));
  return true;
}

void TLTEditLTData::ResizeControl(int itemNo, int width, int height) {
  auto* item = dynamic_cast<TLTControlItemInfo*>(&GetItem(itemNo));
  if (!item) throw std::runtime_error(kUndoError);
  const int oldWidth = item->GetImageWidth(nullptr), oldHeight = item->GetImageHeight(nullptr);
  if (oldWidth == width && oldHeight == height) return;
  if (item->Control)
    item->Control->SetSize(width, height);
  else if (item->Stored) {
    item->Stored->Width = width;
    item->Stored->Height = height;
  }
  const int docWidth = DocumentWidth;
  Record(std::make_unique<TLTUndoResizeInfo>(itemNo, oldWidth, oldHeight,
                                             std::max(oldWidth, width) + 2 * item->Spacing() >= docWidth));
}

void TLTEditLTData::MarkReformat(int first, int last, bool wholeDocument) {
  Record(std::make_unique<TLTUndoReformateRange>(first, last, wholeDocument));
}

namespace {

const TLTPropInfo* IntProp(TLTPersistent& obj, std::string_view name) {
  const TLTPropInfo* p = obj.ClassInfo().Find(name);
  return p && p->IsOrdinal() && p->GetOrd && p->SetOrd ? p : nullptr;
}

}  // namespace

bool TLTEditLTData::SetIntProperty(const TLTPropTarget& target, std::string_view name, int64_t value) {
  TLTPersistent* obj = target.Resolve(*this);
  const TLTPropInfo* p = obj ? IntProp(*obj, name) : nullptr;
  if (!p || value < p->MinValue || value > p->MaxValue) return false;
  const int64_t old = p->GetOrd(*obj);
  if (old == value) return true;
  p->SetOrd(*obj, value);
  Record(std::make_unique<TLTUndoModifyItemIntProperty>(target, std::string(name), old));
  return true;
}

bool TLTEditLTData::AcceptsIntProperties(const TLTPropTarget& target,
                                         const std::vector<std::pair<std::string, int64_t>>& values) {
  TLTPersistent* obj = target.Resolve(*this);
  if (!obj) return false;
  for (const auto& [name, value] : values) {
    const TLTPropInfo* p = IntProp(*obj, name);
    if (!p || value < p->MinValue || value > p->MaxValue) return false;
  }
  return true;
}

bool TLTEditLTData::SetIntProperties(const TLTPropTarget& target,
                                     const std::vector<std::pair<std::string, int64_t>>& values) {
  // All or nothing: a name that is not there changes none of them.
  if (!AcceptsIntProperties(target, values)) return false;
  TLTPersistent* obj = target.Resolve(*this);
  std::vector<std::pair<std::string, int64_t>> old;
  for (const auto& [name, value] : values) {
    const TLTPropInfo* p = IntProp(*obj, name);
    const int64_t was = p->GetOrd(*obj);
    if (was == value) continue;
    old.emplace_back(name, was);
    p->SetOrd(*obj, value);
  }
  if (!old.empty()) Record(std::make_unique<TLTUndoModifyItemIntProperties>(target, std::move(old)));
  return true;
}

void TLTEditLTData::BracketPropertyChanges(const TLTPropTarget& target, bool opening) {
  Record(std::make_unique<TLTUndoModifyItemTerminator>(target, opening));
}

}  // namespace lectern
