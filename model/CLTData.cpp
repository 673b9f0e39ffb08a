// The document container: adding with the paragraph rules, inserting,
// deleting, checkpoints, walks into sub-documents, text merging, unused
// style clean-up and plain-text output.
//
// Invariants kept here: item 0 starts a paragraph; the items of a paragraph
// carry its ParaNo; a full-line item starts a paragraph; a list marker is
// never the last item of its paragraph; every checkpoint on an item is linked
// into the document-ordered list exactly once.

#include "model/CLTData.h"

#include "model/LTFuncs.h"
#include "platform/LTCodePage.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <typeinfo>

namespace lectern {

namespace {

const char* const kIndexError = "Item index is out of bounds";
const char* const kCheckpointError = "Checkpoint error";

// One step of the path from a position up to the root: a container and the
// index of the item (or of the item holding the sub-document) in it.
struct PathStep {
  const TCustomLTData* Data;
  int ItemNo;
};

std::vector<PathStep> PathToRoot(const TCustomLTData* data, int itemNo) {
  std::vector<PathStep> path{{data, itemNo}};
  while (const TCustomLTData* parent = data->PlacedParent()) {
    const int holder = parent->FindItemIndex(data->PlacedOwner());
    if (holder < 0) throw ELecternError("Error when comparing positions in the document");
    path.push_back({parent, holder});
    data = parent;
  }
  return path;
}

// Order of two sub-documents of one item, by walking its sub-documents.
int CompareSubDocuments(TCustomLTItemInfo& item, const TCustomLTData* a, const TCustomLTData* b) {
  std::unique_ptr<TLTSubDocCursor> cursor;
  for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext)) {
    if (d == a) return a == b ? 0 : -1;
    if (d == b) return 1;
  }
  throw ELecternError("Error when comparing positions in the document");
}

}  // namespace

TCustomLTData::TCustomLTData() = default;

TCustomLTData::~TCustomLTData() {
  // Items are freed silently: the document is going away, not being edited.
  items_.clear();
}

void TCustomLTData::SetParent(TCustomLTData* parent, TCustomLTItemInfo* ownerItem) {
  parent_ = parent;
  ownerItem_ = ownerItem;
}

TCustomLTData& TCustomLTData::GetRootData() {
  TCustomLTData* d = this;
  while (d->parent_) d = d->parent_;
  return *d;
}

const TCustomLTData& TCustomLTData::GetRootData() const {
  const TCustomLTData* d = this;
  while (d->parent_) d = d->parent_;
  return *d;
}

bool TCustomLTData::IsAttached() const {
  for (const TCustomLTData* d = this; d->PlacedParent(); d = d->PlacedParent())
    if (d->PlacedParent()->FindItemIndex(d->PlacedOwner()) < 0) return false;
  return true;
}

TCustomLTData* TCustomLTData::PlacedParent() const {
  if (parent_ || !standInFor_) return parent_;
  return standInFor_->PlacedParent();
}

TCustomLTItemInfo* TCustomLTData::PlacedOwner() const {
  if (parent_ || !standInFor_) return ownerItem_;
  return standInFor_->PlacedOwner();
}

TCustomLTData& TCustomLTData::NumberingRoot() {
  TCustomLTData* d = this;
  while (TCustomLTData* up = d->PlacedParent()) d = up;
  return *d;
}

const TCustomLTData& TCustomLTData::NumberingRoot() const {
  const TCustomLTData* d = this;
  while (const TCustomLTData* up = d->PlacedParent()) d = up;
  return *d;
}

void TCustomLTData::AttachItemsToDocument() {
  markers_.reset();
  seqList_.reset();
  prevMarkerList_ = nullptr;
  for (int i = 0; i < ItemCount(); ++i) items_[static_cast<size_t>(i)]->AttachToDocument(*this, i);
}

TLTDocumentContext* TCustomLTData::GetContext() const { return GetRootData().context_; }

TLTStyle* TCustomLTData::GetStyle() const {
  const TLTDocumentContext* ctx = GetContext();
  return ctx ? ctx->Style : nullptr;
}

TLTOptions TCustomLTData::GetOptions() const {
  const TLTDocumentContext* ctx = GetContext();
  return ctx ? ctx->Options : LTDefaultOptions;
}

// ---- Access ---------------------------------------------------------------------

void TCustomLTData::CheckIndex(int i) const {
  if (i < 0 || i >= ItemCount()) throw ELecternError(kIndexError);
}

void TCustomLTData::ThrowWrongItemClass() {
  throw ELecternError("Can't get or set this kind of information for this item");
}

TCustomLTItemInfo& TCustomLTData::GetItem(int i) const {
  CheckIndex(i);
  return *items_[static_cast<size_t>(i)];
}

int TCustomLTData::FindItemIndex(const TCustomLTItemInfo* item) const {
  for (int i = 0; i < ItemCount(); ++i)
    if (items_[static_cast<size_t>(i)].get() == item) return i;
  return -1;
}

int32_t TCustomLTData::ResolveTextStyle(int32_t styleNo, int32_t paraNo) const {
  if (styleNo != MaxInt) return styleNo;
  const TLTStyle* style = GetStyle();
  if (!style) return 0;
  const int32_t def = style->ParaStyles()[paraNo].DefStyleNo;
  return def < 0 ? 0 : def;
}

int32_t TCustomLTData::GetItemStyle(int i) const {
  const TCustomLTItemInfo& item = GetItem(i);
  return ResolveTextStyle(item.StyleNo, item.ParaNo);
}

uint32_t TCustomLTData::StyleCodePage(int32_t styleNo) const {
  const TLTStyle* style = GetStyle();
  return style ? style->StyleCodePage(styleNo) : CP_ACP;
}

TLTString TCustomLTData::GetItemTextW(int i) const {
  const TCustomLTItemInfo& item = GetItem(i);
  if (item.IsText() && item.IsWide()) return BytesToUtf16(item.Text);
  return AnsiToUnicode(item.Text, StyleCodePage(GetItemStyle(i)));
}

void TCustomLTData::SetItemTag(int i, TLTTag tag) { GetItem(i).Tag = std::move(tag); }

bool TCustomLTData::GetItemExtraIntProperty(int i, TLTExtraItemProperty p, int32_t& value) const {
  return GetItem(i).GetExtraIntProperty(p, value);
}

bool TCustomLTData::GetItemExtraStrProperty(int i, TLTExtraItemStrProperty p, TLTString& value) const {
  return GetItem(i).GetExtraStrProperty(p, value);
}

int TCustomLTData::FindControlItem(const TLTControl* control) const {
  for (int i = 0; i < ItemCount(); ++i)
    if (items_[static_cast<size_t>(i)]->OwnsControl(control)) return i;
  return -1;
}

int TCustomLTData::GetOffsAfterItem(int i) const {
  const TCustomLTItemInfo& item = GetItem(i);
  return item.IsText() ? item.TextLength() + 1 : 1;
}

int TCustomLTData::GetFirstParaItem(int i) const {
  CheckIndex(i);
  while (i > 0 && !items_[static_cast<size_t>(i)]->StartsParagraph()) --i;
  return i;
}

int TCustomLTData::GetFirstLineItem(int i) const {
  CheckIndex(i);
  while (i > 0 && items_[static_cast<size_t>(i)]->HasFlag(ltifJoinPrev)) --i;
  return i;
}

void TCustomLTData::ExpandToPara(int first, int last, int& a, int& b) const {
  a = GetFirstParaItem(first);
  CheckIndex(last);
  b = last;
  while (b + 1 < ItemCount() && !items_[static_cast<size_t>(b + 1)]->StartsParagraph()) ++b;
}

void TCustomLTData::ExpandToLine(int first, int last, int& a, int& b) const {
  a = GetFirstLineItem(first);
  CheckIndex(last);
  b = last;
  while (b + 1 < ItemCount() && items_[static_cast<size_t>(b + 1)]->HasFlag(ltifJoinPrev)) ++b;
}

// ---- Adding ---------------------------------------------------------------------

void TCustomLTData::AddItem(TLTRawByteString text, std::unique_ptr<TCustomLTItemInfo> item) {
  if (!item) return;
  const bool empty = items_.empty();
  const TCustomLTItemInfo* last = empty ? nullptr : items_.back().get();
  if (item->ParaNo == -1 && last && !last->GetBoolValue(iqFullLine)) {
    item->SetJoinPrev(true);
    item->ParaNo = last->ParaNo;
  } else {
    if (last && last->StyleNo == ltikMarker) {
      // A marker never ends its paragraph: give it an empty text to mark.
      auto filler = ItemFactory(0);
      filler->ParaNo = last->ParaNo;
      filler->SetJoinPrev(true);
      filler->SetFlag(ltifWide, IsUnicodeStyle(0));
      // A pending checkpoint belongs to the item being added, not to the filler.
      std::unique_ptr<TLTCPInfo> pending = std::move(pendingCP_);
      AddItemAsIs({}, std::move(filler));
      pendingCP_ = std::move(pending);
      last = items_.back().get();
    }
    item->SetJoinPrev(false);
    const bool fullLine = item->GetBoolValue(iqFullLine);
    // The item after a rule or a table starts a paragraph whatever it asks.
    const bool afterFullLine = last && last->GetBoolValue(iqFullLine);
    const bool newLine =
        (item->HasFlag(ltifNewLine) || !AllowNewParagraphs) && !fullLine && !empty && !afterFullLine;
    item->SetNewLine(newLine);
    if (newLine)
      item->ParaNo = last->ParaNo;  // a line of the same paragraph keeps its style
    else if (item->ParaNo == -1)
      item->ParaNo = 0;
  }
  AddItemAsIs(std::move(text), std::move(item));
}

void TCustomLTData::AddItemAsIs(TLTRawByteString text, std::unique_ptr<TCustomLTItemInfo> item) {
  if (!item) return;
  if (item->Checkpoint) {
    if (!pendingCP_) {
      pendingCP_ = item->Checkpoint->Copy();
      ++cpCount_;
    }
    item->Checkpoint.reset();
  }
  if (pendingCP_) AttachPendingCheckpoint(*item, lastCP_);
  item->Inserting(*this, text, false);
  item->Text = std::move(text);
  items_.push_back(std::move(item));
  items_.back()->Inserted(*this, ItemCount() - 1);
}

int32_t TCustomLTData::StyleForNewText(int32_t style, int32_t paraNo) const {
  if (style != MaxInt) return style;
  // A paragraph of -1 continues the current paragraph, whose style decides.
  const int32_t para = paraNo == -1 ? (items_.empty() ? 0 : items_.back()->ParaNo) : paraNo;
  return ResolveTextStyle(MaxInt, para);
}

void TCustomLTData::AddTextPiece(TLTRawByteString bytes, bool wide, int32_t style, int32_t paraNo, const TLTTag& tag) {
  auto item = ItemFactory(style);
  item->ParaNo = paraNo;
  item->SetFlag(ltifWide, wide);
  item->Tag = tag;
  AddItem(std::move(bytes), std::move(item));
}

namespace {

// Splits text at tab characters, or replaces each tab by `spaces` blanks.
template <class Str, class Ch>
std::vector<Str> SplitTabs(std::basic_string_view<Ch> text, int spaces) {
  std::vector<Str> pieces(1);
  for (Ch c : text) {
    if (c != Ch('\t'))
      pieces.back().push_back(c);
    else if (spaces > 0)
      pieces.back().append(static_cast<size_t>(spaces), Ch(' '));
    else
      pieces.emplace_back();
  }
  return pieces;
}

}  // namespace

void TCustomLTData::AddTextPieces(const std::vector<TLTRawByteString>& pieces, bool wide, int32_t style, int32_t paraNo,
                                  const TLTTag& tag) {
  if (pieces.size() == 1) {
    AddTextPiece(pieces.front(), wide, style, paraNo, tag);
    return;
  }
  // Tabs become tab items measured in the text's style, with the text's tag
  // so that a tagged run stays one run.
  int32_t para = paraNo;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) {
      auto tabItem = std::make_unique<TLTTabItemInfo>();
      tabItem->TextStyleNo = style;
      tabItem->ParaNo = para;
      tabItem->Tag = tag;
      AddItem({}, std::move(tabItem));
      para = -1;
    }
    if (!pieces[i].empty()) {
      AddTextPiece(pieces[i], wide, style, para, tag);
      para = -1;
    }
  }
}

int TCustomLTData::SpacesInTab() const {
  const TLTStyle* sheet = GetStyle();
  return sheet ? sheet->SpacesInTab : 8;
}

bool TCustomLTData::IsUnicodeStyle(int32_t styleNo) const {
  const TLTStyle* sheet = GetStyle();
  return sheet ? sheet->TextStyles()[styleNo].Unicode : true;
}

void TCustomLTData::AddTextFromText(std::u16string_view text, int32_t style, int32_t paraNo, const TLTTag& tag) {
  const int32_t effective = StyleForNewText(style, paraNo);
  const bool wide = IsUnicodeStyle(effective);
  const TLTCodePage cp = StyleCodePage(effective);
  std::vector<TLTRawByteString> pieces;
  for (const TLTString& piece : SplitTabs<TLTString>(text, SpacesInTab()))
    pieces.push_back(TextToItemBytes(piece, wide, cp));
  AddTextPieces(pieces, wide, style, paraNo, tag);
}

void TCustomLTData::AddTextA(std::string_view text, int32_t style, int32_t paraNo, TLTTag tag) {
  if (style < 0) style = MaxInt;
  const int32_t effective = StyleForNewText(style, paraNo);
  if (IsUnicodeStyle(effective)) {
    AddTextFromText(AnsiToUnicode(text, StyleCodePage(effective)), style, paraNo, tag);
    return;
  }
  // 8-bit text that stays 8-bit keeps its exact bytes.
  AddTextPieces(SplitTabs<TLTRawByteString>(text, SpacesInTab()), false, style, paraNo, tag);
}

void TCustomLTData::AddTextWBytes(std::string_view utf16le, int32_t style, int32_t paraNo, TLTTag tag) {
  if (style < 0) style = MaxInt;
  AddTextFromText(BytesToUtf16(utf16le), style, paraNo, tag);
}

void TCustomLTData::AddTextW(std::u16string_view text, int32_t style, int32_t paraNo, TLTTag tag) {
  if (style < 0) style = MaxInt;
  AddTextFromText(text, style, paraNo, tag);
}

int TCustomLTData::AddNamedCheckpoint(TLTString name, bool raiseEvent, TLTTag tag) {
  if (pendingCP_) return cpCount_ - 1;
  pendingCP_ = std::make_unique<TLTCPInfo>();
  pendingCP_->CheckpointName = std::move(name);
  pendingCP_->RaiseEvent = raiseEvent;
  pendingCP_->Tag = std::move(tag);
  return cpCount_++;
}

// ---- Inserting and deleting -----------------------------------------------------

void TCustomLTData::InsertItemAt(int index, TLTRawByteString text, std::unique_ptr<TCustomLTItemInfo> item) {
  if (!item) return;
  if (index < 0 || index > ItemCount()) throw ELecternError(kIndexError);
  item->Inserting(*this, text, false);
  item->Text = std::move(text);
  TCustomLTItemInfo* raw = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  if (raw->Checkpoint) {
    // Keep the list whole: a checkpoint that arrives with its item joins it.
    raw->Checkpoint->ItemInfo = raw;
    raw->Checkpoint->Next = raw->Checkpoint->Prev = nullptr;
    raw->Checkpoint->ItemNo = index;
    ++cpCount_;
    InsertCheckpointSorted(raw->Checkpoint.get());
  }
  raw->Inserted(*this, index);
}

void TCustomLTData::ReleaseItem(int i) {
  TCustomLTItemInfo& item = *items_[static_cast<size_t>(i)];
  TLTRawByteString text = item.Text;
  ReportItemAction(ltiaDestroying, item, text);
  item.Removing(*this);
  if (auto* ctrl = dynamic_cast<TLTControlItemInfo*>(&item)) {
    TLTDocumentContext* ctx = GetContext();
    TLTControl* c = ctrl->Control.get();
    if (ctx && ctx->OnControlAction) ctx->OnControlAction(ltcaDestroy, i, c);
  }
  if (item.Checkpoint) {
    UnlinkCheckpoint(item.Checkpoint.get(), true);
    item.Checkpoint.reset();
  }
  items_[static_cast<size_t>(i)].reset();
}

void TCustomLTData::DeleteItems(int index, int count) {
  if (index < 0) throw ELecternError(kIndexError);
  if (index >= ItemCount() || count <= 0) return;
  count = std::min(count, ItemCount() - index);
  for (int i = index; i < index + count; ++i) ReleaseItem(i);
  items_.erase(items_.begin() + index, items_.begin() + index + count);
}

std::vector<std::unique_ptr<TCustomLTItemInfo>> TCustomLTData::ExtractItems(int index, int count) {
  std::vector<std::unique_ptr<TCustomLTItemInfo>> out;
  if (index < 0 || count < 0 || index > ItemCount() - count) throw ELecternError(kIndexError);
  out.reserve(static_cast<size_t>(count));
  for (int i = index; i < index + count; ++i) {
    TCustomLTItemInfo& item = *items_[static_cast<size_t>(i)];
    TLTRawByteString text = item.Text;
    ReportItemAction(ltiaMovingToUndoList, item, text);
    item.Removing(*this);
    if (item.Checkpoint) UnlinkCheckpoint(item.Checkpoint.get(), true);
    out.push_back(std::move(items_[static_cast<size_t>(i)]));
  }
  items_.erase(items_.begin() + index, items_.begin() + index + count);
  if (firstCP_) RefreshCheckpointIndices();
  return out;
}

void TCustomLTData::Clear() {
  clearing_ = true;
  FirstParaCut = LastParaCut = false;
  FirstParaListNo = FirstParaLevel = -1;
  if (IsRoot() && continuedList_) SetContinuedNumbering({});
  for (int i = 0; i < ItemCount(); ++i) ReleaseItem(i);
  items_.clear();
  pendingCP_.reset();
  firstCP_ = lastCP_ = nullptr;
  cpCount_ = 0;
  if (IsRoot() && context_) context_->DocProperties.clear();
  clearing_ = false;
}

std::vector<std::unique_ptr<TCustomLTItemInfo>> TCustomLTData::ReleaseItems() {
  // The items leave: the numbering lists let go of them first, without
  // renumbering what is about to be empty.
  clearing_ = true;
  for (auto& item : items_) item->Removing(*this);
  clearing_ = false;
  std::vector<std::unique_ptr<TCustomLTItemInfo>> items = std::move(items_);
  items_.clear();
  // Their checkpoints are made again where they go; this list of them is
  // dropped as a whole (a pending one stays).
  firstCP_ = lastCP_ = nullptr;
  cpCount_ = pendingCP_ ? 1 : 0;
  return items;
}

void TCustomLTData::AdoptPendingCheckpoint(TCustomLTData& source) {
  if (!source.pendingCP_) return;
  // This container's own pending checkpoint, if it has one, wins.
  if (!pendingCP_) {
    pendingCP_ = std::move(source.pendingCP_);
    ++cpCount_;
  }
  source.pendingCP_.reset();
  source.cpCount_ = 0;
}

void TCustomLTData::AppendFrom(TCustomLTData& source) {
  if (&source == this) return;
  if (TagsArePChars() != source.TagsArePChars())
    throw ELecternError("Can't assign Lectern to Lectern - tags types mismatch");
  std::vector<std::unique_ptr<TCustomLTItemInfo>> moving = source.ReleaseItems();
  for (auto& item : moving) {
    if (item->HasFlag(ltifJoinPrev)) item->ParaNo = -1;
    if (item->Checkpoint) item->Checkpoint->Next = item->Checkpoint->Prev = nullptr;
    TLTRawByteString text = std::move(item->Text);
    AddItem(std::move(text), std::move(item));
  }
  AdoptPendingCheckpoint(source);
}

void TCustomLTData::MoveItemsFrom(TCustomLTData& source) {
  if (&source == this) return;
  if (TagsArePChars() != source.TagsArePChars())
    throw ELecternError("Can't assign Lectern to Lectern - tags types mismatch");
  std::vector<std::unique_ptr<TCustomLTItemInfo>> moving = source.ReleaseItems();
  items_.reserve(items_.size() + moving.size());
  for (auto& item : moving) {
    TLTRawByteString text = std::move(item->Text);
    InsertItemAt(ItemCount(), std::move(text), std::move(item));
  }
  AdoptPendingCheckpoint(source);
}

// ---- Checkpoints ----------------------------------------------------------------

void TCustomLTData::AttachPendingCheckpoint(TCustomLTItemInfo& item, TLTCPInfo* after) {
  if (!pendingCP_) return;
  TLTCPInfo* cp = pendingCP_.get();
  cp->Prev = after;
  if (after) {
    cp->Next = after->Next;
    after->Next = cp;
  } else {
    cp->Next = firstCP_;
    firstCP_ = cp;
  }
  if (cp->Next)
    cp->Next->Prev = cp;
  else
    lastCP_ = cp;
  cp->ItemInfo = &item;
  item.Checkpoint = std::move(pendingCP_);
}

void TCustomLTData::UnlinkCheckpoint(TLTCPInfo* cp, bool countIt) {
  if (!cp) return;
  if (cp->Prev)
    cp->Prev->Next = cp->Next;
  else if (firstCP_ == cp)
    firstCP_ = cp->Next;
  if (cp->Next)
    cp->Next->Prev = cp->Prev;
  else if (lastCP_ == cp)
    lastCP_ = cp->Prev;
  cp->Next = cp->Prev = nullptr;
  if (countIt) --cpCount_;
}

void TCustomLTData::RefreshCheckpointIndices() {
  for (int i = 0; i < ItemCount(); ++i)
    if (TLTCPInfo* cp = items_[static_cast<size_t>(i)]->Checkpoint.get()) cp->ItemNo = i;
}

void TCustomLTData::AttachCheckpoint(int itemNo, std::unique_ptr<TLTCPInfo> cp) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  if (!cp || item.Checkpoint) throw ELecternError(kCheckpointError);
  cp->ItemInfo = &item;
  cp->ItemNo = itemNo;
  cp->Next = cp->Prev = nullptr;
  item.Checkpoint = std::move(cp);
  ++cpCount_;
  InsertCheckpointSorted(item.Checkpoint.get());
}

std::unique_ptr<TLTCPInfo> TCustomLTData::DetachCheckpoint(int itemNo) {
  TCustomLTItemInfo& item = GetItem(itemNo);
  if (!item.Checkpoint) throw ELecternError(kCheckpointError);
  UnlinkCheckpoint(item.Checkpoint.get(), true);
  item.Checkpoint->ItemInfo = nullptr;
  return std::move(item.Checkpoint);
}

void TCustomLTData::InsertCheckpointSorted(TLTCPInfo* cp) {
  RefreshCheckpointIndices();
  TLTCPInfo* after = nullptr;
  for (TLTCPInfo* c = firstCP_; c; c = c->Next) {
    if (c == cp) continue;
    if (c->ItemNo < cp->ItemNo) after = c;
  }
  cp->Prev = after;
  cp->Next = after ? after->Next : firstCP_;
  if (after)
    after->Next = cp;
  else
    firstCP_ = cp;
  if (cp->Next)
    cp->Next->Prev = cp;
  else
    lastCP_ = cp;
}

TLTCPInfo* TCustomLTData::FindCheckpointBefore(int index) {
  RefreshCheckpointIndices();
  TLTCPInfo* found = nullptr;
  for (TLTCPInfo* c = firstCP_; c && c->ItemNo < index; c = c->Next) found = c;
  return found;
}

// ---- Sub-documents ----------------------------------------------------------------

bool TCustomLTData::EnumerateItems(const TLTEnumItemsProc& proc) {
  for (int i = 0; i < ItemCount(); ++i) {
    bool stop = false;
    proc(*this, i, stop);
    if (stop) return false;
    TCustomLTItemInfo& item = *items_[static_cast<size_t>(i)];
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext))
      if (!d->EnumerateItems(proc)) return false;
  }
  return true;
}

int TCustomLTData::ComparePositions(int itemNo1, const TCustomLTData& data2, int itemNo2) const {
  const std::vector<PathStep> a = PathToRoot(this, itemNo1);
  const std::vector<PathStep> b = PathToRoot(&data2, itemNo2);
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t j = 0; j < b.size(); ++j) {
      if (a[i].Data != b[j].Data) continue;
      if (a[i].ItemNo != b[j].ItemNo) return a[i].ItemNo < b[j].ItemNo ? -1 : 1;
      if (i == 0 && j == 0) return 0;
      // One position is the item itself: it comes before its contents.
      if (i == 0) return -1;
      if (j == 0) return 1;
      TCustomLTItemInfo& holder = a[i].Data->GetItem(a[i].ItemNo);
      return CompareSubDocuments(holder, a[i - 1].Data, b[j - 1].Data);
    }
  }
  throw ELecternError("Error when comparing positions in the document");
}

// ---- Merging text -----------------------------------------------------------------

bool TCustomLTData::CanMergeTextItems(int i, bool crossParagraphs) const {
  if (i < 0 || i + 1 >= ItemCount()) return false;
  const TCustomLTItemInfo& a = *items_[static_cast<size_t>(i)];
  const TCustomLTItemInfo& b = *items_[static_cast<size_t>(i + 1)];
  if (!a.IsText() || !b.IsText()) return false;
  const bool joins = b.HasFlag(ltifJoinPrev) || crossParagraphs;
  if ((a.Text.empty() || b.Text.empty()) && joins) {
    // b goes away: it may not take a checkpoint, tag or hint with it.
    if (b.Checkpoint) return false;
    const bool aTakesOver = a.Text.empty();
    if (!(b.Tag.IsEmpty() || b.Tag == a.Tag || (aTakesOver && a.Tag.IsEmpty()))) return false;
    if (!(b.HintText.empty() || b.HintText == a.HintText || (aTakesOver && a.HintText.empty()))) return false;
    return true;
  }
  if (a.StyleNo != b.StyleNo || !joins || a.IsWide() != b.IsWide()) return false;
  const TLTStyle* style = GetStyle();
  const int32_t sa = GetItemStyle(i);
  const int32_t sb = GetItemStyle(i + 1);
  if (style && style->TextStyles()[sa].Unicode != style->TextStyles()[sb].Unicode) return false;
  if (a.HintText != b.HintText || !(a.Tag == b.Tag) || b.Checkpoint) return false;
  if (!style) return true;
  const TLTProtectOptions prot = style->TextStyles()[sa].Protection;
  return !prot.Contains(ltprModifyProtect) && !prot.Contains(ltprConcateProtect);
}

void TCustomLTData::MergeTextItems(int i) {
  CheckIndex(i);
  CheckIndex(i + 1);
  JoinTextItems(i);
  items_.erase(items_.begin() + i + 1);
}

void TCustomLTData::JoinTextItems(int i) {
  TCustomLTItemInfo& a = *items_[static_cast<size_t>(i)];
  TCustomLTItemInfo& b = *items_[static_cast<size_t>(i + 1)];
  if (!a.IsText() || !b.IsText()) ThrowWrongItemClass();
  if (a.Text.empty() && !b.Text.empty()) {
    a.StyleNo = b.StyleNo;
    a.SetFlag(ltifWide, b.IsWide());
    if (a.Tag.IsEmpty()) a.Tag = b.Tag;
    if (a.HintText.empty()) a.HintText = b.HintText;
    a.Text = b.Text;
  } else if (!b.Text.empty()) {
    a.Text += ConvertItemBytes(b.Text, b.IsWide(), a.IsWide(), StyleCodePage(GetItemStyle(i)));
  }
  if (b.Checkpoint && !a.Checkpoint) {
    // The two items are neighbours, so the list order stays right.
    a.Checkpoint = std::move(b.Checkpoint);
    a.Checkpoint->ItemInfo = &a;
  }
  ReleaseItem(i + 1);
}

void TCustomLTData::NormalizeRange(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, ItemCount() - 1);
  if (first > last) return;
  auto normalizeSubDocs = [](TCustomLTItemInfo& item) {
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext))
      d->NormalizeRange(0, d->ItemCount() - 1);
  };
  // Merged items leave empty slots behind the item that took them; they are
  // closed in one pass at the end so that long ranges stay linear.
  bool merged = false;
  for (int i = last; i > first; --i) {
    normalizeSubDocs(*items_[static_cast<size_t>(i)]);
    if (CanMergeTextItems(i - 1)) {
      JoinTextItems(i - 1);
      merged = true;
    }
  }
  normalizeSubDocs(*items_[static_cast<size_t>(first)]);
  if (merged) {
    const auto begin = items_.begin() + first;
    const auto end = items_.begin() + last + 1;
    items_.erase(std::remove(begin, end, nullptr), end);
  }
}

void TCustomLTData::NormalizeParaStyles(int i) {
  const int start = GetFirstParaItem(i);
  const int32_t para = items_[static_cast<size_t>(start)]->ParaNo;
  for (int j = start + 1; j < ItemCount() && !items_[static_cast<size_t>(j)]->StartsParagraph(); ++j)
    items_[static_cast<size_t>(j)]->ParaNo = para;
}

// ---- Styles -----------------------------------------------------------------------

void TCustomLTData::MarkStylesInUse(TLTStyleUsage& usage) const {
  for (const auto& item : items_) item->MarkStylesInUse(usage);
}

void TCustomLTData::UpdateStyles(const TLTStyleUsage& usage) {
  for (auto& item : items_) item->UpdateStyles(usage);
}

void TCustomLTData::DeleteUnusedStyles(bool text, bool para, bool list) {
  TCustomLTData& root = GetRootData();
  TLTStyle* style = GetStyle();
  if (!style || (!text && !para && !list)) return;
  TFontInfos& texts = style->TextStyles();
  TParaInfos& paras = style->ParaStyles();
  TLTListInfos& lists = style->ListStyles();
  TLTStyleUsage usage(texts.Count(), paras.Count(), lists.Count(), text, para, list);

  for (int k = 0; k < texts.Count(); ++k)
    if (texts[k].Standard) usage.MarkText(k);
  for (int k = 0; k < paras.Count(); ++k)
    if (paras[k].Standard) usage.MarkPara(k);
  for (int k = 0; k < lists.Count(); ++k)
    if (lists[k].Standard) usage.MarkList(k);
  if (!texts.IsValidIndex(style->DefUnicodeStyle)) style->DefUnicodeStyle = -1;
  usage.MarkText(style->DefUnicodeStyle);

  root.MarkStylesInUse(usage);

  // Styles that used styles refer to are used too, transitively; references
  // past the end of their collection are cut.
  auto closeOver = [](TCustomLTInfos& coll, auto isUsed, auto mark) {
    bool changed = true;
    while (changed) {
      changed = false;
      for (int k = 0; k < coll.Count(); ++k) {
        if (!isUsed(k)) continue;
        coll.Items(k).ForEachStyleReference([&](int32_t& ref) {
          if (ref >= coll.Count()) ref = -1;
          if (ref >= 0 && !isUsed(ref)) {
            mark(ref);
            changed = true;
          }
        });
      }
    }
  };
  if (para)
    closeOver(
        paras, [&](int k) { return usage.ParaUsed(k); }, [&](int k) { usage.MarkPara(k); });
  if (list)
    closeOver(
        lists, [&](int k) { return usage.ListUsed(k); }, [&](int k) { usage.MarkList(k); });
  if (text) {
    for (int k = 0; k < paras.Count(); ++k) {
      if (!usage.ParaUsed(k)) continue;
      int32_t& def = paras[k].DefStyleNo;
      if (def >= texts.Count()) def = -1;
      usage.MarkText(def);
    }
    closeOver(
        texts, [&](int k) { return usage.TextUsed(k); }, [&](int k) { usage.MarkText(k); });
  }

  // Whether each style survives, decided before the marks become shifts.
  std::vector<bool> keepText(static_cast<size_t>(texts.Count()));
  std::vector<bool> keepPara(static_cast<size_t>(paras.Count()));
  for (int k = 0; k < texts.Count(); ++k) keepText[static_cast<size_t>(k)] = usage.TextUsed(k);
  for (int k = 0; k < paras.Count(); ++k) keepPara[static_cast<size_t>(k)] = usage.ParaUsed(k);
  std::vector<bool> keepList(static_cast<size_t>(lists.Count()));
  for (int k = 0; k < lists.Count(); ++k) keepList[static_cast<size_t>(k)] = usage.ListUsed(k);
  usage.ConvertToShifts();

  for (int k = texts.Count() - 1; k >= 0; --k)
    if (!keepText[static_cast<size_t>(k)]) texts.Delete(k);
  for (int k = paras.Count() - 1; k >= 0; --k)
    if (!keepPara[static_cast<size_t>(k)]) paras.Delete(k);
  for (int k = lists.Count() - 1; k >= 0; --k)
    if (!keepList[static_cast<size_t>(k)]) lists.Delete(k);
  if (list)
    for (int k = 0; k < lists.Count(); ++k)
      lists.Items(k).ForEachStyleReference([&](int32_t& ref) { ref = usage.NewList(ref); });

  if (text)
    for (int k = 0; k < texts.Count(); ++k)
      texts.Items(k).ForEachStyleReference([&](int32_t& ref) { ref = usage.NewText(ref); });
  for (int k = 0; k < paras.Count(); ++k) {
    if (para) paras.Items(k).ForEachStyleReference([&](int32_t& ref) { ref = usage.NewPara(ref); });
    if (text) paras[k].DefStyleNo = usage.NewText(paras[k].DefStyleNo);
  }

  root.UpdateStyles(usage);
  style->DefUnicodeStyle = usage.NewText(style->DefUnicodeStyle);
}

// ---- Plain text ---------------------------------------------------------------------

void TCustomLTData::WalkPlainText(int lineWidth, const TLTItemRange* range, bool formFeeds,
                                  const TPlainTextSink& sink) const {
  if (items_.empty()) return;
  int first = 0;
  int last = ItemCount() - 1;
  if (range) {
    CheckIndex(range->FirstItem);
    CheckIndex(range->LastItem);
    first = range->FirstItem;
    last = range->LastItem;
  }
  TLTDocumentContext* ctx = GetContext();
  if (range) {
    // A range that starts inside a list paragraph begins with the number.
    const int start = GetFirstParaItem(first);
    if (start < first && items_[static_cast<size_t>(start)]->StyleNo == ltikMarker)
      sink(items_[static_cast<size_t>(start)]->AsText(lineWidth, *this, true), -1);
  }
  for (int i = first; i <= last; ++i) {
    const TCustomLTItemInfo& item = *items_[static_cast<size_t>(i)];
    if (i > first) {
      if (formFeeds && item.HasFlag(ltifNewPage))
        sink(u"\f", -1);
      else if (!item.HasFlag(ltifJoinPrev))
        sink(u"\r\n", -1);
    }
    if (item.IsText()) {
      TLTString t = GetItemTextW(i);
      if (range) {
        const int from = i == first ? std::clamp(range->FirstOffs - 1, 0, static_cast<int>(t.size())) : 0;
        const int to =
            i == last ? std::clamp(range->LastOffs - 1, from, static_cast<int>(t.size())) : static_cast<int>(t.size());
        t = t.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
      }
      sink(t, GetItemStyle(i));
      continue;
    }
    if (range && ((i == first && range->FirstOffs >= 1) || (i == last && range->LastOffs <= 0))) continue;
    bool doDefault = true;
    TLTString piece;
    if (ctx && ctx->OnSaveItemToFile)
      ctx->OnSaveItemToFile({}, const_cast<TCustomLTData&>(*this), i, ltsfText, true, piece, doDefault);
    sink(doDefault ? item.AsText(lineWidth, *this, true) : piece, -1);
  }
  // What items keep for the end of the whole document (note texts) follows
  // it, from wherever they stand in it.
  if (range || !IsRoot() || StandInFor()) return;
  const_cast<TCustomLTData&>(*this).EnumerateItems([&](TCustomLTData& data, int itemNo, bool&) {
    const TLTString after = data.GetItem(itemNo).AsTextAfterDocument(lineWidth);
    if (!after.empty()) sink(after, -1);
  });
}

TLTString TCustomLTData::GetPlainText(int lineWidth, const TLTItemRange* range, bool formFeeds) const {
  TLTString out;
  WalkPlainText(lineWidth, range, formFeeds, [&](std::u16string_view text, int32_t) { out += text; });
  return out;
}

bool TCustomLTData::SaveText(TLTStream& stream, int lineWidth, bool unicode, bool withBOM,
                             const TLTItemRange* range) const {
  try {
    if (unicode) {
      const TLTString text = GetPlainText(lineWidth, range, false);
      if (withBOM && !stream.WriteBytes("\xFF\xFE")) return false;
      return stream.WriteBytes(Utf16ToBytes(text));
    }
    // Every text item in its own style's code page, so that Greek,
    // Cyrillic or Central European text keeps its letters; the rest in the
    // sheet's.
    std::string bytes;
    WalkPlainText(lineWidth, range, false, [&](std::u16string_view text, int32_t styleNo) {
      bytes += UnicodeToAnsi(text, StyleCodePage(styleNo));
    });
    return stream.WriteBytes(bytes);
  } catch (const std::exception&) {
    return false;
  }
}

// ---- List markers -------------------------------------------------------------------

void TCustomLTData::SetPrevMarkerList(TLTMarkerList* list) {
  TCustomLTData& root = GetRootData();
  root.prevMarkerList_ = list;
  if (root.markers_) {
    root.markers_->PrevMarkerList = list;
    root.markers_->RenumberAll(GetStyle());
  }
}

void TCustomLTData::SetContinuedNumbering(const std::vector<TLTNumberingEntry>& entries) {
  TCustomLTData& root = GetRootData();
  const bool linked = root.continuedList_ && root.prevMarkerList_ == root.continuedList_.get();
  auto list = std::make_unique<TLTMarkerList>();
  std::vector<std::unique_ptr<TLTMarkerItemInfo>> markers;
  for (const TLTNumberingEntry& e : entries) {
    auto m = std::make_unique<TLTMarkerItemInfo>(e.ListNo, e.Level, e.StartFrom, e.Reset);
    m->Counter = e.Counter;
    list->Insert(list->Count(), *m);
    markers.push_back(std::move(m));
  }
  // The document's markers must let go of the old list before it goes.
  if (entries.empty()) {
    if (linked) root.SetPrevMarkerList(nullptr);
    root.continuedList_.reset();
    root.continuedMarkers_.clear();
    return;
  }
  root.SetPrevMarkerList(list.get());
  root.continuedList_ = std::move(list);
  root.continuedMarkers_ = std::move(markers);
}

void TCustomLTData::RegisterMarker(TLTMarkerItemInfo& marker, int itemNo) {
  // A sub-document that is not part of its document yet (a cell of a table
  // being built or read) registers its markers when it becomes part of it.
  if (!IsAttached()) return;
  TCustomLTData& root = NumberingRoot();
  if (!root.markers_) {
    root.markers_ = std::make_unique<TLTMarkerList>();
    root.markers_->PrevMarkerList = root.prevMarkerList_;
  }
  TLTMarkerList& list = *root.markers_;
  // A marker is counted once, however often its container is attached
  // (the cached index says whether it may be in a list at all).
  if (marker.cachedIndex_ >= 0 && list.IndexOf(marker) >= 0) list.Remove(marker);
  // After the nearest marker before it in document order: back through this
  // container (and the documents its items hold), then through the earlier
  // sub-documents of the item that holds it, then on in the container above.
  const TLTMarkerItemInfo* before = MarkerBefore(*this, itemNo, &marker);
  for (const TCustomLTData* data = this; !before && data->PlacedParent(); data = data->PlacedParent()) {
    TCustomLTItemInfo* holder = data->PlacedOwner();
    holder->VisitSubDocumentsBefore(*data, [&](TCustomLTData& d) {
      before = MarkerBefore(d, d.ItemCount(), &marker);
      return before == nullptr;
    });
    if (!before) before = MarkerBefore(*data->PlacedParent(), data->PlacedParent()->FindItemIndex(holder), &marker);
  }
  const int position = before ? list.IndexOf(*before) + 1 : 0;
  list.Insert(position, marker);
  list.Renumber(position, marker.ListNo, GetStyle());
}

const TLTMarkerItemInfo* TCustomLTData::MarkerBefore(const TCustomLTData& data, int itemNo,
                                                     const TLTMarkerItemInfo* skip) {
  for (int i = std::min(itemNo, data.ItemCount()) - 1; i >= 0; --i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    if (item.StyleNo == ltikMarker && &item != skip) return static_cast<const TLTMarkerItemInfo*>(&item);
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdLast); d; d = item.GetSubDocument(cursor, ltsdPrev))
      if (const TLTMarkerItemInfo* m = MarkerBefore(*d, d->ItemCount(), skip)) return m;
  }
  return nullptr;
}

void TCustomLTData::UnregisterMarker(TLTMarkerItemInfo& marker) {
  TCustomLTData& root = NumberingRoot();
  if (!root.markers_) return;
  const int index = root.markers_->Remove(marker);
  if (root.markers_->Count() == 0) {
    root.markers_.reset();
    return;
  }
  // A document being cleared as a whole does not renumber what goes away.
  if (index >= 0 && !root.clearing_) root.markers_->Renumber(index, marker.ListNo, GetStyle());
}

void TCustomLTData::MarkerChanged(TLTMarkerItemInfo& marker, int32_t oldListNo) {
  TLTMarkerList* list = GetMarkers();
  if (!list) return;
  const int index = list->IndexOf(marker);
  if (index < 0) return;
  list->Renumber(index, marker.ListNo, GetStyle());
  if (oldListNo >= 0 && oldListNo != marker.ListNo) list->Renumber(index, oldListNo, GetStyle());
}

void TCustomLTData::RenumberMarkers() {
  if (TLTMarkerList* list = GetMarkers()) list->RenumberAll(GetStyle());
}

void TCustomLTData::ReportItemAction(TLTItemAction action, TCustomLTItemInfo& item, TLTRawByteString& text) {
  TLTDocumentContext* ctx = GetContext();
  if (ctx && ctx->OnItemAction) ctx->OnItemAction(action, item, text, *this);
}

}  // namespace lectern
