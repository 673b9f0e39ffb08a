// Undo records and the lists that hold them.

#include "edit/LTUndo.h"

#include "edit/LTELTData.h"

#include <algorithm>

namespace lectern {

TLTString UndoKindName(TLTUndoKind kind) {
  switch (kind) {
    case ltukDeletion: return u"Deletion";
    case ltukInsertion: return u"Insertion";
    case ltukParaStyle: return u"Paragraph Style";
    case ltukOtherTyping:
    case ltukTyping: return u"Typing";
    case ltukPageBreakRemoval: return u"Page Break Removal";
    case ltukTagChange: return u"Tag Change";
    case ltukTextStyle: return u"Text Style";
    case ltukItemChange: return u"Item Change";
    default: return {};
  }
}

// ---- Records ------------------------------------------------------------------------------------

void TLTUndoInsertSubstringInfo::Undo(TLTEditLTData& data) { data.DeleteChars(ItemNo, Pos, Length); }

void TLTUndoDeleteSubstringInfo::Undo(TLTEditLTData& data) { data.InsertChars(ItemNo, Pos, Chars); }

void TLTUndoTypingInfo::Undo(TLTEditLTData& data) {
  if (Length <= 0) return;
  const int pos = Pos + Length - 1;
  TLTRawByteString ch = data.CharsOf(ItemNo, pos, 1);
  TCustomLTItemInfo& item = data.GetItem(ItemNo);
  item.Text.erase(static_cast<size_t>(pos - 1) * static_cast<size_t>(data.CharSize(ItemNo)), ch.size());
  item.ClearWordMarks();
  --Length;
  data.RecordRedoTyping(ItemNo, pos, ch, Unicode, pos + 1);
}

void TLTRedoTypingInfo::Undo(TLTEditLTData& data) {
  if (Chars.empty()) return;
  const size_t size = Unicode ? 2 : 1;
  const int pos = EndPos - CharCount();
  const TLTRawByteString ch = Chars.substr(0, size);
  Chars.erase(0, size);
  TCustomLTItemInfo& item = data.GetItem(ItemNo);
  item.Text.insert(std::min(static_cast<size_t>(pos - 1) * size, item.Text.size()), ch);
  item.ClearWordMarks();
  data.RecordTyping(ItemNo, pos, Unicode, pos);
}

void TLTUndoChangeTextInfo::Undo(TLTEditLTData& data) { data.ChangeText(ItemNo, Text); }

void TLTUndoInsertItemsInfo::Undo(TLTEditLTData& data) { data.DeleteItems(ItemNo, Count); }

void TLTUndoDeleteItemsInfo::Undo(TLTEditLTData& data) {
  // The items go back into the document; the record must not free them.
  data.InsertItems(ItemNo, std::move(Items));
  Items.clear();
}

void TLTUndoNewLineInfo::Undo(TLTEditLTData& data) { data.SetBreakFlags(ItemNo, Flags); }

void TLTUndoParaListInfo::Undo(TLTEditLTData& data) { data.SetParaNos(ItemNo, ParaNos); }

void TLTUndoStyleNoInfo::Undo(TLTEditLTData& data) { data.SetStyleNo(ItemNo, StyleNo, Wide); }

void TLTUndoTagInfo::Undo(TLTEditLTData& data) { data.SetTag(ItemNo, Tag); }

void TLTUndoSubDocTagInfo::Undo(TLTEditLTData& data) { data.SetSubDocTag(ItemNo, Path, Tag); }

void TLTUndoAssociatedTextStyleNoInfo::Undo(TLTEditLTData& data) { data.SetAssociatedTextStyle(ItemNo, StyleNo); }

void TLTUndoAddCPInfo::Undo(TLTEditLTData& data) { data.DeleteCheckpoint(ItemNo); }

void TLTUndoDeleteCPInfo::Undo(TLTEditLTData& data) { data.AddCheckpoint(ItemNo, std::move(Checkpoint)); }

void TLTUndoReformateRange::Undo(TLTEditLTData& data) { data.MarkReformat(ItemNo, LastItemNo, WholeDocument); }

void TLTUndoResizeInfo::Undo(TLTEditLTData& data) { data.ResizeControl(ItemNo, Width, Height); }

void TLTUndoExtraIntProperty::Undo(TLTEditLTData& data) { data.SetExtraIntProperty(ItemNo, Prop, Value); }

void TLTUndoExtraStrProperty::Undo(TLTEditLTData& data) { data.SetExtraStrProperty(ItemNo, Prop, Value); }

TLTPersistent* TLTPropTarget::Resolve(TLTEditLTData& data) const {
  if (ItemNo < 0 || ItemNo >= data.ItemCount()) return nullptr;
  TCustomLTItemInfo& item = data.GetItem(ItemNo);
  return Row < 0 ? dynamic_cast<TLTPersistent*>(&item) : item.GetPropertyPart(Row, Col);
}

void TLTUndoModifyItemTerminator::Undo(TLTEditLTData& data) { data.BracketPropertyChanges(Target, !Opening); }

void TLTUndoModifyItemIntProperty::Undo(TLTEditLTData& data) { data.SetIntProperty(Target, Name, Value); }

void TLTUndoModifyItemIntProperties::Undo(TLTEditLTData& data) { data.SetIntProperties(Target, Values); }

void TLTCompositeUndo::Undo(TLTEditLTData& data) {
  if (List.Empty()) return;
  TLTEditLTData& nested = Nested(data);
  std::unique_ptr<TLTUndoInfos> g = List.PopLast();
  std::unique_ptr<TLTCompositeUndo> inverse = MakeInverse();
  inverse->List.AppendGroup(g->Kind, g->CaretItemNo, g->CaretOffs, g->Caption);
  {
    // The nested records' own inverses go into the inverse composite, not
    // into whatever list the nested container records into.
    TLTEditLTData::TRecordInto into(nested, inverse->List);
    for (auto it = g->Records.rbegin(); it != g->Records.rend(); ++it) (*it)->Undo(nested);
  }
  inverse->List.DropEmptyLast();
  if (!inverse->List.Empty()) data.Record(std::move(inverse));
}

// ---- Groups ---------------------------------------------------------------------------------------

bool TLTUndoInfos::IsTyping() const {
  return Records.size() == 1 && dynamic_cast<const TLTUndoTypingInfo*>(Records.front().get()) != nullptr;
}

bool TLTUndoInfos::IsEmpty() const {
  if (Records.empty()) return true;
  return Records.size() == 1 && Records.front()->IsSpent();
}

// ---- Lists -----------------------------------------------------------------------------------------

void TLTUndoList::TakeGroupsFrom(TLTUndoList& other, int count) {
  const size_t n = count < 0 ? other.groups_.size() : std::min(other.groups_.size(), static_cast<size_t>(count));
  const auto from = other.groups_.end() - static_cast<std::ptrdiff_t>(n);
  for (auto it = from; it != other.groups_.end(); ++it) {
    for (auto& record : (*it)->Records) record->Owner = this;
    groups_.push_back(std::move(*it));
  }
  other.groups_.erase(from, other.groups_.end());
}

bool TLTUndoList::BeginGroup(TLTUndoKind kind, int caretItemNo, int caretOffs, const TLTString& caption) {
  if (Limit == 0) return false;
  if (GroupMode >= 1 && !groups_.empty() && !groups_.back()->IsTyping()) return true;
  AppendGroup(kind, caretItemNo, caretOffs, caption);
  return true;
}

void TLTUndoList::AppendGroup(TLTUndoKind kind, int caretItemNo, int caretOffs, const TLTString& caption) {
  // A lowered limit takes effect here: the oldest groups go until the new
  // one fits.
  if (Limit > 0) TrimTo(Limit - 1);
  auto group = std::make_unique<TLTUndoInfos>();
  if (!groups_.empty() && groups_.back()->Records.empty()) {
    // An empty group is replaced, and the action it was opened for lends
    // its caption and caret to the one that follows.
    group->Caption = groups_.back()->Caption;
    group->CaretItemNo = groups_.back()->CaretItemNo;
    group->CaretOffs = groups_.back()->CaretOffs;
    groups_.pop_back();
  } else {
    group->Caption = caption;
    group->CaretItemNo = caretItemNo;
    group->CaretOffs = caretOffs;
  }
  if (!caption.empty()) group->Caption = caption;
  group->Kind = kind;
  groups_.push_back(std::move(group));
}

void TLTUndoList::Add(std::unique_ptr<TLTUndoInfo> record) {
  if (groups_.empty()) throw ELecternError("Can't modify empty undo list");
  if (groups_.back()->IsTyping()) throw ELecternError("Incorrect adding into undo list");
  record->Owner = this;
  groups_.back()->Records.push_back(std::move(record));
}

std::unique_ptr<TLTUndoInfos> TLTUndoList::PopLast() {
  if (groups_.empty()) throw ELecternError("Undo buffer is empty");
  std::unique_ptr<TLTUndoInfos> g = std::move(groups_.back());
  groups_.pop_back();
  return g;
}

void TLTUndoList::PushBack(std::unique_ptr<TLTUndoInfos> group) { groups_.push_back(std::move(group)); }

void TLTUndoList::DropEmptyLast() {
  if (!groups_.empty() && groups_.back()->IsEmpty()) groups_.pop_back();
}

void TLTUndoList::TrimTo(int n) {
  if (n < 0) n = 0;
  if (Count() <= n) return;
  groups_.erase(groups_.begin(), groups_.begin() + (Count() - n));
}

}  // namespace lectern
