// The editing operations: typing, inserting items, text and stored
// documents at the caret, deleting, Backspace and Delete, Enter, text and
// paragraph styles, tags and page breaks; and Undo and Redo.
//
// Design notes. Every operation is built from the editable container's
// primitives, which record their own undo, inside one undo group. Before
// changing anything an operation notes which drawing items show the items
// it is about to touch (BeginEdit); afterwards only their paragraphs are
// laid out again (EndEdit), which keeps a keystroke in a long document as
// cheap as in a short one. Refusals are decided before the first change, so
// that a refused operation leaves neither a change nor an undo group.

#include "edit/LTEdit.h"

#include "edit/LTEditAction.h"
#include "edit/LTEditFlag.h"
#include "interchange/LTFormats.h"
#include "layout/CLTFData.h"
#include "platform/LTCodePage.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "style/LTStyleTemplates.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace lectern {

namespace {

constexpr uint8_t kBreakFlags = ltifJoinPrev | ltifNewLine | ltifNewPage;
/// Pixels painted above and below the lines a keystroke changed, for
/// glyphs that reach out of their line.
constexpr int kKeystrokeMargin = 2;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

/// Moves a caret (item, offset) along when items i and i + 1, of lenA and
/// whatever characters, (either may be empty) became one item at i.
void FollowJoin(int i, int lenA, bool aEmpty, bool bEmpty, int& caretItem, int& caretOffs) {
  if (caretItem == i + 1) {
    caretItem = i;
    caretOffs = bEmpty ? lenA + 1 : (aEmpty ? caretOffs : caretOffs + lenA);
  } else if (caretItem == i && aEmpty && !bEmpty) {
    caretOffs = 1;
  } else if (caretItem > i + 1) {
    --caretItem;
  }
}

/// A style derived from base: an equal style of the sheet, else a new one.
int32_t FindOrAddTextStyle(TLTStyle& sheet, int32_t base, const TFontInfo& derived) {
  const int found = sheet.TextStyles().FindEqualStyle(base, derived, LTAllFontInfoProperties);
  if (found >= 0) return found;
  TFontInfo& added = sheet.TextStyles().Add();
  added.Assign(derived);
  added.Standard = false;
  return sheet.TextStyles().Count() - 1;
}

int32_t FindOrAddParaStyle(TLTStyle& sheet, int32_t base, const TParaInfo& derived) {
  const int found = sheet.ParaStyles().FindEqualStyle(base, derived, LTAllParaInfoProperties);
  if (found >= 0) return found;
  TParaInfo& added = sheet.ParaStyles().Add();
  added.Assign(derived);
  added.Standard = false;
  return sheet.ParaStyles().Count() - 1;
}
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

// ---- Groups --------------------------------------------------------------------------------------

/// One user action: an undo group in group mode for its whole length. A
/// group that nothing was recorded into is dropped at the end, so that an
/// action that changed nothing leaves no step behind.

void TCustomLecternEdit::BeginUndoGroup(TLTUndoKind kind, const TLTString& caption) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->BeginUndoGroup(kind, caption);
    return;
  }
  BeginOwnUndoGroup(kind, caption);
}

void TCustomLecternEdit::BeginOwnUndoGroup(TLTUndoKind kind, const TLTString& caption) {
  TLTEditLTData& d = EditData();
  EndTypedWord();
  d.Target = d.UndoList().BeginGroup(kind, caretDrawItem_ >= 0 ? CurrentItemNo() : -1,
                                     caretDrawItem_ >= 0 ? CurrentItemOffset() : -1, caption)
                 ? TLTUndoTarget::Undo
                 : TLTUndoTarget::None;
}

void TCustomLecternEdit::SetUndoGroupMode(bool on) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->SetUndoGroupMode(on);
    return;
  }
  SetOwnUndoGroupMode(on);
}

void TCustomLecternEdit::SetOwnUndoGroupMode(bool on) {
  TLTUndoList& u = EditData().UndoList();
  if (on) {
    ++u.GroupMode;
    return;
  }
  if (u.GroupMode > 0) --u.GroupMode;
  if (u.GroupMode == 0) u.DropEmptyLast();
}

int TCustomLecternEdit::UndoLimit() const { return const_cast<TCustomLecternEdit*>(this)->EditData().UndoList().Limit; }

void TCustomLecternEdit::SetUndoLimit(int limit) { EditData().UndoList().Limit = limit; }

TLTUndoKind TCustomLecternEdit::UndoAction() const {
  if (const TCustomLecternEdit* n = ActiveNested(); n && n->UndoAction() != ltukNone) return n->UndoAction();
  return const_cast<TCustomLecternEdit*>(this)->EditData().UndoList().LastKind();
}

TLTUndoKind TCustomLecternEdit::RedoAction() const {
  if (const TCustomLecternEdit* n = ActiveNested(); n && n->RedoAction() != ltukNone) return n->RedoAction();
  return const_cast<TCustomLecternEdit*>(this)->EditData().RedoList().LastKind();
}

namespace {

TLTString GroupName(const TLTUndoList& list) {
  const TLTUndoInfos* g = list.Last();
  if (!g) return {};
  return g->Caption.empty() ? UndoKindName(g->Kind) : g->Caption;
}

}  // namespace

TLTString TCustomLecternEdit::UndoName() const {
  if (const TCustomLecternEdit* n = ActiveNested(); n && n->UndoAction() != ltukNone) return n->UndoName();
  return GroupName(const_cast<TCustomLecternEdit*>(this)->EditData().UndoList());
}

TLTString TCustomLecternEdit::RedoName() const {
  if (const TCustomLecternEdit* n = ActiveNested(); n && n->RedoAction() != ltukNone) return n->RedoName();
  return GroupName(const_cast<TCustomLecternEdit*>(this)->EditData().RedoList());
}

void TCustomLecternEdit::ClearUndo() {
  EndTypedWord();
  if (TCustomLecternEdit* n = ActiveNested()) n->ClearUndo();
  EditData().UndoList().Clear();
  EditData().RedoList().Clear();
}

// ---- Changing: permission, layout, the Modified flag -------------------------------------------

bool TCustomLecternEdit::BeforeChange() {
  bool can = CanChange();
  if (can && OnChanging && changeApproved_ == 0) OnChanging(RootEditor(), can);
  if (!can) {
    Refuse();
    return false;
  }
  EnsureNotEmpty();
  if (WordThread()) {
    // A keystroke moves the marks it passes; any other change has the
    // words from its start on checked again.
    WordThread()->Stop(!typing_);
    if (!typing_) {
      // The word typing changed is checked again, wherever the change is.
      if (typedItem_ >= 0 && WordThread()->ModifiedWord() && typedItem_ < typedData_->ItemCount())
        WordThread()->QueuePosition(*typedData_, typedItem_, 0);
      typedItem_ = -1;
      const TLTItemRange r = SelectionRange(true);
      if (&CaretContainer() == &LTData())
        ReportModifiedWord(LTData(), r.FirstItem >= 0 ? r.FirstItem : CurrentItemNo());
    }
  }
  return CurrentItemNo() >= 0;
}

// ---- Word checking around changes -----------------------------------------------------------------

void TCustomLecternEdit::PauseWordCheckingForEvent() {
  wordItemCount_ = LTData().ItemCount();
  PauseWordChecking();
}

void TCustomLecternEdit::WordCheckingAfterEvent() {
  if (wordChanged_) {
    wordChanged_ = false;
    if (WordThread()) {
      // Items came or went: the walk goes back to the top and passes over
      // what is still checked, so nothing that moved under it is missed.
      if (LTData().ItemCount() != wordItemCount_) WordThread()->QueuePosition(LTData(), 0, 0);
      PauseAndDelay();
    } else if (LiveSpellingMode == ltlspOnChange) {
      StartWordChecking();
    }
  }
  ResumeWordChecking();
}

void TCustomLecternEdit::NoteWordChange() {
  TCustomLecternEdit& root = RootEditor();
  root.wordChanged_ = true;
  if (root.eventDepth_ == 0) root.WordCheckingAfterEvent();
}

void TCustomLecternEdit::WordCheckKeystroke(int itemNo, int offs, int count, char16_t typed) {
  TLTEditLTData& d = EditData();
  TCustomLTItemInfo& item = d.GetItem(itemNo);
  // Its words are no longer all checked, whoever walks past it next.
  item.RuntimeState &= static_cast<uint8_t>(~1u);
  bool removed;
  if (count == 1)
    removed = item.ShiftMarksOnInsert(offs, d.GetItemTextW(itemNo), typed, Delimiters);
  else if (count < 0)
    removed = item.ShiftMarksOnDelete(offs, -count);
  else {
    item.ClearWordMarksFrom(offs - 1);
    removed = true;
  }
  ILTWordEnumThread* w = WordThread();
  if (!w || w->IsBefore(d, itemNo)) return;
  if (removed) {
    w->SetModifiedWord(false);
    w->SetUncheckedOnly(true);
    w->QueuePosition(d, itemNo, 0);
  } else {
    w->SetModifiedWord(true);
    typedData_ = &d;
    typedItem_ = itemNo;
    typedOffs_ = offs;
  }
}

bool TCustomLecternEdit::CutCommand() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->CutCommand();
  if (!HasSelection() || !CanChange()) {
    Refuse();
    return false;
  }
  if (!CopyDefault()) return false;
  DeleteSelection();
  return true;
}

bool TCustomLecternEdit::InsertFormatAtCaret(const TLTDocumentFormat& format, std::string_view bytes,
                                             std::string* error, std::vector<std::string>* warnings,
                                             const std::string& basePath) {
  if (!format.Read) {
    if (error) *error = "cannot read this file type";
    return false;
  }
  // Read apart with this document's styles, so that bytes that cannot be
  // read leave the document as it was.
  TLTFormattedDocument part;
  part.SetContext(&Context());
  TLTMemoryStream in{std::string(bytes)};
  TLTFormatReport report;
  const bool read = !basePath.empty() && format.ReadWithBase ? format.ReadWithBase(in, part, basePath, report)
                                                                : format.Read(in, part, report);
  part.SetContext(nullptr);
  if (warnings) warnings->insert(warnings->end(), report.Warnings.begin(), report.Warnings.end());
  if (!read) {
    if (error) *error = report.Error.empty() ? std::string("cannot be read") : report.Error;
    return false;
  }
  return InsertDocumentAtCaret(part);
}

bool TCustomLecternEdit::CanChange() const {
  if (const TCustomLecternEdit* n = ActiveNested()) return n->CanChange();
  return !readOnly_ && Style() && &CaretContainer() == &LTData();
}

void TCustomLecternEdit::MarkChanged(bool clearRedo) {
  Modified = true;
  ctrlJumpMode_ = false;
  if (clearRedo) EditData().RedoList().Clear();
  ContentChanged();
  // A change inside a cell changes the document the cell lies in.
  // and whatever the editors around had to redo no longer fits.
  for (TCustomLecternEdit* p = parentEditor_; p; p = p->parentEditor_) {
    p->Modified = true;
    if (clearRedo) p->EditData().RedoList().Clear();
  }
  if (OnChange) OnChange(*this);
  NoteWordChange();
  Window().AccessibleChanged(TLTAccessibleChange::Text);
}

void TCustomLecternEdit::SetReformatLock(bool on) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->SetReformatLock(on);
    return;
  }
  TLTUndoList& u = EditData().UndoList();
  if (on) {
    ++u.ReformatLock;
    return;
  }
  if (u.ReformatLock == 0 || --u.ReformatLock > 0 || pendingCaret_.first < 0) return;
  const auto [item, offs] = pendingCaret_;
  BeginEdit(item, item);
  EndEdit(item, offs);
}

void TCustomLecternEdit::Unformat() {
  TLTEditLTData& d = EditData();
  d.ClearDrawItems();
  d.ItemsDelta = 0;
  editFull_ = true;
  textEdit_ = {};
  editLines_.clear();
  Window().InvalidateAll();
}

void TCustomLecternEdit::BeginEdit(int firstItem, int lastItem) {
  TLTEditLTData& d = EditData();
  d.ItemsDelta = 0;
  const int count = d.ItemCount();
  editFull_ = count == 0 || d.DrawItems.Empty() || d.LastFormattedItem != count - 1;
  if (!editFull_) {
    // One item more on each side: an edit at a paragraph's edge changes
    // whether the paragraph before or after it is joined to it.
    const int a = std::clamp(std::min(firstItem, lastItem) - 1, 0, count - 1);
    const int b = std::clamp(std::max(firstItem, lastItem) + 1, 0, count - 1);
    editFirstDraw_ = d.GetItem(a).FirstDrawItem;
    editLastDraw_ = b + 1 < count ? d.GetItem(b + 1).FirstDrawItem - 1 : d.DrawItems.Count() - 1;
    editFull_ = editFirstDraw_ < 0 || editLastDraw_ < editFirstDraw_ || editLastDraw_ >= d.DrawItems.Count();
  }
  editLines_.clear();
  if (!editFull_ && textEdit_.Item >= 0) editLines_ = ParagraphLines(textEdit_.Item);
  // The drawing positions of the selection die with the layout.
  InvalidateCaret();
  ForgetSelection();
  caretDrawItem_ = caretStop_ = -1;
  caretStops_.clear();
  caretHeight_ = 0;
}

void TCustomLecternEdit::EndEdit(int caretItem, int caretOffs) {
  TLTEditLTData& d = EditData();
  pendingCaret_ = {-1, -1};
  // Asked first, so that a request made during a full format is not left
  // for the next edit.
  if (d.TakeFullFormatRequest() || editFull_) {
    Format();
  } else {
    TLTRectI r = d.ReformatRange(editFirstDraw_, editLastDraw_, d.ItemsDelta);
    // A keystroke repaints the lines it changed, not its whole paragraph.
    int top = 0, bottom = 0;
    if (!editLines_.empty() && KeystrokeRect(top, bottom)) {
      const int viewTop = d.GetViewTop();
      r.Top = std::max(r.Top, top - viewTop - kKeystrokeMargin);
      if (r.Bottom < Window().ClientSize().Height) r.Bottom = std::min(r.Bottom, bottom - viewTop + kKeystrokeMargin);
      if (r.Bottom < r.Top) r.Bottom = r.Top;
    }
    Window().Invalidate(r);
    // The edit made the document taller or shorter than the window and a
    // scroll bar came or went: the lines are laid out for the new width,
    // or a horizontal bar follows and the right edge hides under the
    // vertical one.
    if (!parentEditor_ && LastFormatWidth() >= 0 && Window().ClientSize().Width != LastFormatWidth()) {
      Reformat();
      Window().InvalidateAll();
    }
  }
  d.ItemsDelta = 0;
  editFull_ = true;
  textEdit_ = {};
  editLines_.clear();
  if (d.ItemCount() == 0) return;
  caretItem = std::clamp(caretItem, 0, d.ItemCount() - 1);
  if (!SetCaretAt(caretItem, caretOffs)) EnsureNotEmpty();
}

std::vector<TCustomLecternEdit::TLineStart> TCustomLecternEdit::ParagraphLines(int itemNo) const {
  const TCustomLTFormattedData& d = CaretContainer();
  std::vector<TLineStart> lines;
  const int first = d.GetFirstParaItem(itemNo);
  const int last = ParaEnd(itemNo);
  const int from = d.GetItem(first).FirstDrawItem;
  const int to = last + 1 < d.ItemCount() ? d.GetItem(last + 1).FirstDrawItem : d.DrawItems.Count();
  if (from < 0 || to < from || to > d.DrawItems.Count()) return lines;
  for (int k = from; k < to; ++k) {
    const TLTDrawLineInfo& p = d.DrawItems[k];
    if (p.StartsLine || lines.empty()) {
      const TLTLineBox box = d.LineOf(k);
      lines.push_back({p.ItemNo, p.Offset, box.Top, box.Bottom});
    }
  }
  return lines;
}

bool TCustomLecternEdit::KeystrokeRect(int& top, int& bottom) const {
  const TCustomLTFormattedData& d = CaretContainer();
  if (textEdit_.Item < 0 || textEdit_.Item >= d.ItemCount()) return false;
  const std::vector<TLineStart> now = ParagraphLines(textEdit_.Item);
  if (now.empty()) return false;
  // Lines that start before the change start where they did; the first
  // line that moved is one of the two around the change (a word may go up
  // to the line before). From there, a line that starts at the same text
  // and height as before starts what is laid out as before.
  auto moved = [&](const TLineStart& l) {
    if (l.ItemNo == textEdit_.Item && l.Offs > textEdit_.Offs) return TLineStart{l.ItemNo, l.Offs + textEdit_.Units, l.Top, l.Bottom};
    return l;
  };
  // The line the change is in: the last that starts at or before it.
  size_t at = 0;
  while (at + 1 < editLines_.size()) {
    const TLineStart& next = editLines_[at + 1];
    if (next.ItemNo > textEdit_.Item || (next.ItemNo == textEdit_.Item && next.Offs > textEdit_.Offs)) break;
    ++at;
  }
  const size_t from = at > 0 ? at - 1 : 0;
  top = std::min(editLines_[std::min(from, editLines_.size() - 1)].Top, now[std::min(from, now.size() - 1)].Top);
  bottom = std::max(editLines_.back().Bottom, now.back().Bottom);
  for (size_t k = at + 1; k < editLines_.size() && k < now.size(); ++k) {
    const TLineStart was = moved(editLines_[k]);
    if (was.ItemNo == now[k].ItemNo && was.Offs == now[k].Offs && was.Top == now[k].Top) {
      bottom = now[k].Top;
      break;
    }
  }
  return true;
}

// ---- Questions about items ---------------------------------------------------------------------------

TLTProtectOptions TCustomLecternEdit::Protection(int itemNo) const {
  const TCustomLTFormattedData& c = CaretContainer();
  const TLTStyle* style = Style();
  if (!style || !c.GetItem(itemNo).IsText()) return {};
  const int32_t s = c.GetItemStyle(itemNo);
  return style->TextStyles().IsValidIndex(s) ? style->TextStyles()[s].Protection : TLTProtectOptions{};
}

bool TCustomLecternEdit::ParaReadOnly(int itemNo) const {
  const TLTStyle* style = Style();
  const int32_t p = CaretContainer().GetItem(itemNo).ParaNo;
  return style && style->ParaStyles().IsValidIndex(p) && style->ParaStyles()[p].Options.Contains(ltpaoReadOnly);
}

bool TCustomLecternEdit::ParaOption(int itemNo, TLTParaOption option) const {
  const TLTStyle* style = Style();
  const int32_t p = CaretContainer().GetItem(itemNo).ParaNo;
  return style && style->ParaStyles().IsValidIndex(p) && style->ParaStyles()[p].Options.Contains(option);
}

bool TCustomLecternEdit::Sticks(int a, int b) const {
  const TCustomLTFormattedData& c = CaretContainer();
  if (a < 0 || b >= c.ItemCount()) {
    if (a < 0 && b < c.ItemCount()) return Protection(b).Contains(ltprStickToTop);
    if (b >= c.ItemCount() && a >= 0) return Protection(a).Contains(ltprStickToBottom);
    return false;
  }
  const TLTProtectOptions pa = Protection(a), pb = Protection(b);
  for (const TLTProtectOption s : {ltprSticking, ltprSticking2, ltprSticking3})
    if (pa.Contains(s) && pb.Contains(s)) return true;
  return false;
}

bool TCustomLecternEdit::IsMarkerItem(int itemNo) const {
  const TCustomLTFormattedData& c = CaretContainer();
  return itemNo >= 0 && itemNo < c.ItemCount() && c.GetItem(itemNo).GetBoolValue(iqListMarker);
}

bool TCustomLecternEdit::HoldsParagraph(int itemNo) const {
  const TCustomLTFormattedData& c = CaretContainer();
  const TCustomLTItemInfo& it = c.GetItem(itemNo);
  const bool first = it.StartsParagraph() || (it.HasFlag(ltifJoinPrev) && IsMarkerItem(itemNo - 1));
  return first && ParaEnd(itemNo) == itemNo;
}

bool TCustomLecternEdit::IsFullLineItem(int itemNo) const {
  const TCustomLTFormattedData& c = CaretContainer();
  return itemNo >= 0 && itemNo < c.ItemCount() && c.GetItem(itemNo).GetBoolValue(iqFullLine);
}

int TCustomLecternEdit::ParaEnd(int itemNo) const {
  const TCustomLTFormattedData& c = CaretContainer();
  int e = itemNo;
  while (e + 1 < c.ItemCount() && !c.GetItem(e + 1).StartsParagraph()) ++e;
  return e;
}

TLTRawByteString TCustomLecternEdit::EncodeFor(int32_t styleNo, std::u16string_view text) const {
  const TCustomLTFormattedData& c = CaretContainer();
  if (c.IsUnicodeStyle(styleNo)) return Utf16ToBytes(text);
  return UnicodeToAnsi(text, c.StyleCodePage(styleNo));
}

std::unique_ptr<TCustomLTItemInfo> TCustomLecternEdit::NewTextItem(int32_t styleNo, int32_t paraNo,
                                                                   std::u16string_view text) const {
  auto item = ItemFactory(styleNo);
  item->ParaNo = paraNo;
  const int32_t resolved = CaretContainer().ResolveTextStyle(styleNo, paraNo);
  item->SetFlag(ltifWide, CaretContainer().IsUnicodeStyle(resolved));
  item->Text = EncodeFor(resolved, text);
  return item;
}

void TCustomLecternEdit::SwitchToUnicodeStyle() {
  const TLTStyle* style = Style();
  if (!style || CaretContainer().IsUnicodeStyle(ActualCurrentTextStyle())) return;
  if (style->TextStyles().IsValidIndex(style->DefUnicodeStyle)) SetCurrentTextStyle(style->DefUnicodeStyle);
}

// ---- Recorded compound changes -----------------------------------------------------------------------

void TCustomLecternEdit::SplitItem(int itemNo, int pos) {
  TLTEditLTData& d = EditData();
  const TCustomLTItemInfo& item = d.GetItem(itemNo);
  const int len = item.TextLength();
  TLTRawByteString tail = d.CharsOf(itemNo, pos, len - pos + 1);
  auto copy = ItemFactory(item.StyleNo);
  copy->Assign(item);
  copy->StyleNo = item.StyleNo;
  copy->Tag = item.Tag;
  copy->ParaNo = item.ParaNo;
  copy->ItemFlags = static_cast<uint8_t>((item.ItemFlags & ~kBreakFlags) | ltifJoinPrev);
  copy->Text = std::move(tail);
  d.DeleteChars(itemNo, pos, len - pos + 1);
  d.InsertOneItem(itemNo + 1, std::move(copy));
}

bool TCustomLecternEdit::MergeAt(int i) {
  TLTEditLTData& d = EditData();
  if (!d.CanMergeTextItems(i)) return false;
  const TCustomLTItemInfo& a = d.GetItem(i);
  const TCustomLTItemInfo& b = d.GetItem(i + 1);
  if (b.Text.empty()) {
    d.DeleteItems(i + 1, 1);
  } else if (a.Text.empty()) {
    // The empty item gives way; what it carried for its place stays.
    const uint8_t flags = a.ItemFlags & kBreakFlags;
    const TLTTag tag = a.Tag;
    const bool takeTag = b.Tag.IsEmpty() && !tag.IsEmpty();
    d.DeleteItems(i, 1);
    d.SetBreakFlags(i, flags);
    if (takeTag) d.SetTag(i, tag);
  } else {
    const TLTRawByteString text = b.Text;
    d.InsertChars(i, a.TextLength() + 1, text);
    d.DeleteItems(i + 1, 1);
  }
  return true;
}

void TCustomLecternEdit::JoinParagraph(int itemNo) {
  TLTEditLTData& d = EditData();
  const int32_t paraNo = d.GetItem(itemNo - 1).ParaNo;
  d.SetParaNo(itemNo, ParaEnd(itemNo), paraNo);
  d.SetBreakFlags(itemNo, ltifJoinPrev);
}

// ---- Placing one item at the caret -------------------------------------------------------------------

bool TCustomLecternEdit::InsertItemAtCaret(std::unique_ptr<TCustomLTItemInfo> item, bool caretBefore, int* insertedAt) {
  TLTEditLTData& d = EditData();
  const int n = CurrentItemNo();
  if (!item || n < 0) return false;
  const int o = CurrentItemOffset();
  const TCustomLTItemInfo& cur = d.GetItem(n);
  const bool fullLine = item->GetBoolValue(iqFullLine);
  const bool marker = item->GetBoolValue(iqListMarker);
  const bool pinned = item->Checkpoint && item->Checkpoint->Pinned;
  const TLTStyle* style = Style();
  const int32_t requested =
      !item->HasFlag(ltifJoinPrev) && style && style->ParaStyles().IsValidIndex(item->ParaNo) ? item->ParaNo : -1;
  const bool afterMarker = IsMarkerItem(n - 1) && cur.HasFlag(ltifJoinPrev);

  // Where it goes and how it meets its neighbours, decided before anything
  // changes.
  enum class TPlace : uint8_t { After, Before, Split, Replace };
  TPlace place = TPlace::After;
  if (!cur.IsText()) {
    if (marker) return false;
    place = o >= 1 ? TPlace::After : TPlace::Before;
  } else if (cur.TextLength() > 0) {
    const int len = cur.TextLength();
    if (o > len) {
      place = TPlace::After;
    } else if (o <= 1) {
      place = TPlace::Before;
    } else {
      if (Protection(n).Contains(ltprModifyProtect)) return false;
      place = TPlace::Split;
    }
  } else {
    if (Sticks(n, n + 1) || (cur.HasFlag(ltifJoinPrev) && Sticks(n - 1, n))) return false;
    place = afterMarker && fullLine ? TPlace::After : TPlace::Replace;
  }
  if (place == TPlace::After && Sticks(n, n + 1) && n + 1 < d.ItemCount() && d.GetItem(n + 1).HasFlag(ltifJoinPrev))
    return false;
  if (place == TPlace::Before && cur.HasFlag(ltifJoinPrev) && !afterMarker && Sticks(n - 1, n)) return false;
  const bool startsPara = d.ItemCount() == 0 || fullLine || pinned || marker;
  if (!startsPara && ParaReadOnly(n)) return false;

  if (item->StyleNo != ltikRule && !pinned) item->ParaNo = CurrentParaStyle();
  if (item->StyleNo == ltikRule) item->ParaNo = 0;
  uint8_t flags = 0;
  if (!startsPara) {
    flags = ltifJoinPrev;
    item->ParaNo = cur.ParaNo;
  }

  BeginEdit(n, n);
  int index = n + 1;
  switch (place) {
    case TPlace::After:
      // Nothing continues a rule or a table on its line.
      if (IsFullLineItem(n) && !startsPara) {
        flags = 0;
        item->ParaNo = CurrentParaStyle();
      }
      break;
    case TPlace::Before:
      index = n;
      if (afterMarker && !startsPara) break;
      if (!cur.HasFlag(ltifJoinPrev)) {
        // The new item takes over the start of the paragraph or line.
        if (fullLine || pinned || marker) {
          flags = cur.ItemFlags & ltifNewPage;
          d.SetBreakFlags(n, cur.ItemFlags & ~(ltifNewPage | ltifNewLine | ltifJoinPrev));
        } else {
          flags = cur.ItemFlags & (ltifNewLine | ltifNewPage);
          d.SetBreakFlags(n, ltifJoinPrev);
        }
      }
      break;
    case TPlace::Split:
      SplitItem(n, o);
      break;
    case TPlace::Replace: {
      index = n;
      const uint8_t old = cur.ItemFlags & kBreakFlags;
      if (!startsPara) flags = old;
      if (startsPara) flags = old & ltifNewPage;
      if (!startsPara && !(old & ltifJoinPrev)) item->ParaNo = CurrentParaStyle();
      d.DeleteItems(n, 1);
      break;
    }
  }
  if (IsMarkerItem(index - 1) && !fullLine && !marker) {
    flags = ltifJoinPrev;
    item->ParaNo = d.GetItem(index - 1).ParaNo;
  }
  item->ItemFlags = static_cast<uint8_t>((item->ItemFlags & ~kBreakFlags) | flags);
  const bool isText = item->IsText();
  const int length = item->TextLength();
  d.InsertOneItem(index, std::move(item));
  // The item after a rule or a table starts a paragraph of its own.
  if (fullLine && index + 1 < d.ItemCount() && !d.GetItem(index + 1).StartsParagraph())
    d.SetBreakFlags(index + 1, d.GetItem(index + 1).ItemFlags & ltifNewPage);
  if (requested >= 0 && requested != d.GetItem(index).ParaNo) {
    const int first = d.GetFirstParaItem(index);
    d.SetParaNo(first, ParaEnd(index), requested);
  }
  const int offs = caretBefore ? (isText ? 1 : 0) : (isText ? length + 1 : 1);
  EndEdit(index, offs);
  if (insertedAt) *insertedAt = index;
  return true;
}

bool TCustomLecternEdit::InsertionAction(const std::function<bool()>& insert) {
  if (!CanDeleteSelection()) {
    Refuse();
    return false;
  }
  if (!BeforeChange()) return false;
  bool ok = false;
  {
    TActionScope action(*this, ltukInsertion);
    // What was recorded before belongs to a group the caller opened.
    const TLTUndoInfos* group = EditData().UndoList().Last();
    const size_t mark = group ? group->Records.size() : 0;
    const int keepStyle = CurrentTextStyle();
    DeleteSelectionNow();
    SetCurrentTextStyle(keepStyle);
    ok = insert();
    if (!ok) RollBackGroup(mark);
  }
  if (ok)
    MarkChanged(true);
  else
    Refuse();
  return ok;
}

bool TCustomLecternEdit::InsertItemWrapped(std::unique_ptr<TCustomLTItemInfo> item, bool caretBefore) {
  return InsertionAction([&] { return InsertItemAtCaret(std::move(item), caretBefore); });
}

bool TCustomLecternEdit::InsertItem(std::unique_ptr<TCustomLTItemInfo> item) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertItem(std::move(item));
  if (!item) return false;
  return InsertItemWrapped(std::move(item), false);
}

bool TCustomLecternEdit::InsertTextWithTag(std::u16string_view text, TLTTag tag) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertTextWithTag(text, tag);
  SwitchToUnicodeStyle();
  auto item = NewTextItem(ActualCurrentTextStyle(), CurrentParaStyle(), text);
  item->Tag = std::move(tag);
  return InsertItemWrapped(std::move(item), false);
}

bool TCustomLecternEdit::InsertTextWithTagA(std::string_view text, TLTTag tag) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertTextWithTagA(text, std::move(tag));
  const int32_t styleNo = ActualCurrentTextStyle();
  auto item = NewTextItem(styleNo, CurrentParaStyle(), AnsiToUnicode(text, CaretContainer().StyleCodePage(styleNo)));
  item->Tag = std::move(tag);
  return InsertItemWrapped(std::move(item), false);
}

bool TCustomLecternEdit::InsertTab() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertTab();
  auto tab = std::make_unique<TLTTabItemInfo>();
  tab->TextStyleNo = ActualCurrentTextStyle();
  return InsertItemWrapped(std::move(tab), false);
}

bool TCustomLecternEdit::InsertPicture(TLTRawByteString name, std::unique_ptr<TGraphic> picture, uint8_t vertAlign) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertPicture(std::move(name), std::move(picture), vertAlign);
  if (!picture) return false;
  auto item = std::make_unique<TLTGraphicItemInfo>(std::move(picture), vertAlign);
  item->Text = std::move(name);
  return InsertItemWrapped(std::move(item), false);
}

bool TCustomLecternEdit::InsertRule(TColor color, uint8_t width) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertRule(color, width);
  auto rule = std::make_unique<TLTBreakItemInfo>();
  rule->Color = color;
  rule->LineWidth = width;
  return InsertItemWrapped(std::move(rule), false);
}

// ---- Inserting text ----------------------------------------------------------------------------------

void TCustomLecternEdit::InsertText(std::u16string_view text, bool caretBefore) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->InsertText(text, caretBefore);
    return;
  }
  TLTString s(text);
  if (!s.empty() && s[0] == 0xFEFF) {
    s.erase(0, 1);
  } else if (!s.empty() && s[0] == 0xFFFE) {
    s.erase(0, 1);
    for (char16_t& c : s) c = static_cast<char16_t>((c >> 8) | (c << 8));
  }
  // Half a character is no character.
  TLTString whole;
  whole.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      whole += s[i];
      whole += s[++i];
    } else if (!IsHighSurrogate(s[i]) && !IsLowSurrogate(s[i])) {
      whole += s[i];
    }
  }
  s = std::move(whole);
  if (s.empty()) {
    Window().InvalidateAll();
    return;
  }
  if (!CanDeleteSelection()) {
    Refuse();
    return;
  }
  SwitchToUnicodeStyle();
  InsertionAction([&] { return InsertPieces(s, caretBefore); });
}

void TCustomLecternEdit::InsertTextA(std::string_view text, bool caretBefore) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->InsertTextA(text, caretBefore);
    return;
  }
  const TLTStyle* style = Style();
  const TLTCodePage cp = style ? style->DefCodePage : SystemCodePage();
  InsertText(AnsiToUnicode(text, cp), caretBefore);
}

bool TCustomLecternEdit::InsertTextFileAtCaret(const std::string& path) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertTextFileAtCaret(path);
  std::string bytes;
  if (!ReadFileBytes(path, bytes, nullptr)) return false;
  InsertTextA(bytes, false);
  return true;
}

bool TCustomLecternEdit::InsertPieces(const TLTString& s, bool caretBefore) {
  TLTEditLTData& d = EditData();
  const TLTStyle* style = Style();
  const int spaces = style ? style->SpacesInTab : 0;
  const int32_t textStyle = ActualCurrentTextStyle();
  const bool pageBreaks = true;
  // The pieces: text between line ends, with what ended each one.
  enum class TEnd : uint8_t { None, Para, Page, Line, Tab };
  struct TPiece {
    TLTString Text;
    TEnd EndedBy = TEnd::None;
  };
  std::vector<TPiece> pieces(1);
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    TEnd end = TEnd::None;
    if (c == u'\r' || c == u'\n') {
      if (i + 1 < s.size() && (s[i + 1] == u'\r' || s[i + 1] == u'\n') && s[i + 1] != c) ++i;
      end = TEnd::Para;
    } else if (c == 0x0C) {
      end = TEnd::Page;
    } else if (c == 0x2029) {
      end = TEnd::Para;
    } else if (c == 0x0B || c == 0x2028) {
      end = TEnd::Line;
    } else if (c == u'\t' && spaces < 1) {
      end = TEnd::Tab;
    } else if (c == u'\t') {
      pieces.back().Text.append(static_cast<size_t>(spaces), u' ');
      continue;
    } else {
      pieces.back().Text += c;
      continue;
    }
    pieces.back().EndedBy = end;
    pieces.push_back({});
  }

  // The first piece goes in as one item at the caret; the rest follow it.
  auto first = NewTextItem(textStyle, CurrentParaStyle(), pieces[0].Text);
  // Where it went, not where the caret is: an empty item inside a line has
  // no caret place of its own.
  int firstIndex = -1;
  if (!InsertItemAtCaret(std::move(first), false, &firstIndex)) return false;
  int last = firstIndex;
  const int listMarker = IsMarkerItem(d.GetFirstParaItem(firstIndex)) ? d.GetFirstParaItem(firstIndex) : -1;
  std::vector<std::unique_ptr<TCustomLTItemInfo>> rest;
  for (size_t k = 0; k + 1 < pieces.size(); ++k) {
    const TEnd end = pieces[k].EndedBy;
    if (end == TEnd::Tab) {
      auto tab = std::make_unique<TLTTabItemInfo>();
      tab->TextStyleNo = textStyle;
      tab->ParaNo = d.GetItem(firstIndex).ParaNo;
      tab->ItemFlags = ltifJoinPrev;
      rest.push_back(std::move(tab));
    }
    auto item = NewTextItem(textStyle, d.GetItem(firstIndex).ParaNo, pieces[k + 1].Text);
    if (end == TEnd::Para || end == TEnd::Page) {
      if (listMarker >= 0) {
        auto m = CloneItem(d.GetItem(listMarker));
        m->Checkpoint.reset();
        m->ItemFlags = static_cast<uint8_t>(m->ItemFlags & ~kBreakFlags);
        if (end == TEnd::Page && pageBreaks) m->ItemFlags |= ltifNewPage;
        rest.push_back(std::move(m));
        item->ItemFlags = ltifJoinPrev;
      } else {
        item->ItemFlags = end == TEnd::Page && pageBreaks ? ltifNewPage : 0;
      }
    } else if (end == TEnd::Line) {
      item->ItemFlags = ltifNewLine;
    } else {
      item->ItemFlags = ltifJoinPrev;
    }
    const bool wide = d.IsUnicodeStyle(d.ResolveTextStyle(textStyle, item->ParaNo));
    item->SetFlag(ltifWide, wide);
    rest.push_back(std::move(item));
  }
  const int count = static_cast<int>(rest.size());
  if (count > 0) {
    BeginEdit(firstIndex, firstIndex);
    d.InsertItems(firstIndex + 1, std::move(rest));
    last = firstIndex + count;
    EndEdit(last, d.GetOffsAfterItem(last));
  }
  // Text of one style meets text of the same style at both ends as one
  // item, and empty pieces inside a line go.
  int caretItem = last, caretOffs = d.GetOffsAfterItem(last);
  if (caretBefore) {
    caretItem = firstIndex;
    caretOffs = d.GetOffsBeforeItem(firstIndex);
  }
  BeginEdit(firstIndex - 1, last + 1);
  for (int i = std::min(last, d.ItemCount() - 2); i >= std::max(firstIndex - 1, 0); --i) {
    const bool edge = i == last || i == firstIndex - 1;
    if (!d.CanMergeTextItems(i) || !(edge || d.GetItem(i).Text.empty() || d.GetItem(i + 1).Text.empty())) continue;
    const int lenA = d.GetItem(i).TextLength();
    const bool aEmpty = d.GetItem(i).Text.empty(), bEmpty = d.GetItem(i + 1).Text.empty();
    if (!MergeAt(i)) continue;
    FollowJoin(i, lenA, aEmpty, bEmpty, caretItem, caretOffs);
  }
  EndEdit(caretItem, caretOffs);
  return true;
}

// ---- Stored documents -----------------------------------------------------------------------------------

bool TCustomLecternEdit::InsertLTFAtCaret(TLTStream& stream) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertLTFAtCaret(stream);
  if (!CanDeleteSelection()) {
    Refuse();
    return false;
  }
  if (!BeforeChange()) return false;
  // The stored document is read apart, into a container of this document,
  // so that a damaged one never reaches the document half read.
  TLTFormattedDocument part;
  part.SetContext(&Context());
  int at = 0;
  const bool read = part.InsertLTFAt(stream, at);
  part.SetContext(nullptr);
  if (!read) {
    Refuse();
    return false;
  }
  return InsertDocumentAtCaret(part);
}

bool TCustomLecternEdit::InsertDocumentAtCaret(TCustomLTData& part) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertDocumentAtCaret(part);
  if (part.ItemCount() == 0) return true;
  return InsertionAction([&] { return InsertContainerAtCaret(part); });
}

bool TCustomLecternEdit::InsertLTFFileAtCaret(const std::string& path) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertLTFFileAtCaret(path);
  std::string bytes;
  if (!ReadFileBytes(path, bytes, nullptr)) return false;
  TLTMemoryStream in(bytes);
  return InsertLTFAtCaret(in);
}

bool TCustomLecternEdit::InsertContainerAtCaret(TCustomLTData& part) {
  TLTEditLTData& d = EditData();
  std::vector<std::unique_ptr<TCustomLTItemInfo>> items = part.ExtractItems(0, part.ItemCount());
  // A copy that begins where an item ends, or ends where one begins, holds
  // an empty slice of it beside the text of its line: nothing to insert,
  // and the caret would stop on it unseen.
  auto slice = [](const TCustomLTItemInfo& it) { return it.IsText() && it.Text.empty() && !it.Checkpoint; };
  if (items.size() >= 2 && slice(*items.front()) && items[1]->HasFlag(ltifJoinPrev) && items[1]->IsText()) {
    const uint8_t flags = items.front()->ItemFlags & kBreakFlags;
    items.erase(items.begin());
    items.front()->ItemFlags = static_cast<uint8_t>((items.front()->ItemFlags & ~kBreakFlags) | flags);
  }
  if (items.size() >= 2 && slice(*items.back()) && items.back()->HasFlag(ltifJoinPrev) &&
      items[items.size() - 2]->IsText())
    items.pop_back();
  if (items.empty()) return true;
  std::unique_ptr<TCustomLTItemInfo> head = std::move(items.front());
  items.erase(items.begin());
  // The first item follows the paragraph rules of the caret; the others
  // keep the paragraphs they were stored with.
  // The first paragraph of the stored document goes into the caret's
  // paragraph, as the first line of pasted text does: a marker heading it
  // would split the caret's paragraph in two.
  if (head->GetBoolValue(iqListMarker) && !items.empty()) head.reset();
  int index = -1;
  if (head) {
    if (!InsertItemAtCaret(std::move(head), false, &index)) return false;
  } else {
    head = std::move(items.front());
    items.erase(items.begin());
    head->SetJoinPrev(false);
    if (!InsertItemAtCaret(std::move(head), false, &index)) return false;
  }
  const int count = static_cast<int>(items.size());
  if (count > 0) {
    BeginEdit(index, index);
    d.InsertItems(index + 1, std::move(items));
    // The item after the inserted content must not continue a rule or table.
    const int after = index + count + 1;
    if (after < d.ItemCount() && IsFullLineItem(after - 1) && !d.GetItem(after).StartsParagraph())
      d.SetBreakFlags(after, d.GetItem(after).ItemFlags & ltifNewPage);
    if (after < d.ItemCount() && d.GetItem(after).HasFlag(ltifJoinPrev) && IsMarkerItem(after))
      d.SetBreakFlags(after, 0);
    EndEdit(index + count, d.GetOffsAfterItem(index + count));
  }
  JoinInsertedEnds(index, index + count);
  return true;
}

void TCustomLecternEdit::JoinInsertedEnds(int first, int last) {
  // Inserted text meets text of its own style at both ends as one item, as
  // typed text does: a word pasted back into its place is one word again.
  TLTEditLTData& d = EditData();
  int caretItem = last, caretOffs = d.GetOffsAfterItem(last);
  BeginEdit(first - 1, last + 1);
  // One join at i, i + 1; false when the two stay apart.
  auto join = [&](int i, bool inserted) {
    if (i < 0 || i + 1 >= d.ItemCount()) return false;
    const TCustomLTItemInfo& a = d.GetItem(i);
    const TCustomLTItemInfo& b = d.GetItem(i + 1);
    const int lenA = a.TextLength();
    const bool aEmpty = a.IsText() && a.Text.empty(), bEmpty = b.IsText() && b.Text.empty();
    // An empty piece that came in beside text (a tagged one among them)
    // is nothing to keep: the caret would stop on it unseen.
    const int emptyIn = inserted ? (aEmpty && !bEmpty ? i : -1) : (bEmpty && !aEmpty ? i + 1 : -1);
    if (d.CanMergeTextItems(i)) {
      if (!MergeAt(i)) return false;
    } else if (emptyIn >= 0 && b.HasFlag(ltifJoinPrev) && a.IsText() && b.IsText() && !d.GetItem(emptyIn).Checkpoint) {
      const uint8_t flags = a.ItemFlags & kBreakFlags;
      d.DeleteItems(emptyIn, 1);
      if (emptyIn == i) d.SetBreakFlags(i, flags);
    } else {
      return false;
    }
    FollowJoin(i, lenA, aEmpty, bEmpty, caretItem, caretOffs);
    return true;
  };
  // After an empty piece goes, the text beyond it may join in turn.
  if (join(last, true) && last - 1 >= first) join(last - 1, true);
  if (join(first - 1, false)) join(first - 1, false);
  EndEdit(caretItem, caretOffs);
}

void TCustomLecternEdit::RollBackGroup(size_t mark) {
  TLTEditLTData& d = EditData();
  TLTUndoInfos* g = d.UndoList().Last();
  if (!g || g->IsTyping() || g->Records.size() <= mark) return;
  BeginEdit(0, d.ItemCount() - 1);
  editFull_ = true;
  const TLTUndoTarget keep = d.Target;
  d.Target = TLTUndoTarget::None;
  for (size_t k = g->Records.size(); k > mark; --k) g->Records[k - 1]->Undo(d);
  d.Target = keep;
  g->Records.resize(mark);
  EndEdit(g->CaretItemNo, g->CaretOffs);
}

// ---- Deleting the selection ---------------------------------------------------------------------------

bool TCustomLecternEdit::CanDeleteSelection() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->CanDeleteSelection();
  // Nothing goes in place of selected cells.
  if (HasPartSelection()) return false;
  if (!HasSelection()) return true;
  TCustomLTFormattedData& c = CaretContainer();
  int si = 0, so = 0, ei = 0, eo = 0;
  GetSelectionBounds(si, so, ei, eo, true);
  if (si < 0 || ei < 0) return true;
  for (int i = si; i <= ei; ++i) {
    const TCustomLTItemInfo& it = c.GetItem(i);
    const bool whole = (i > si || so <= c.GetOffsBeforeItem(i)) && (i < ei || eo >= c.GetOffsAfterItem(i));
    const TLTProtectOptions p = Protection(i);
    if (whole && p.Contains(ltprDeleteProtect)) return false;
    if (!whole && it.IsText() && p.Contains(ltprModifyProtect) && (i != ei || eo > 1) &&
        (i != si || so <= it.TextLength()))
      return false;
    if (ParaReadOnly(i)) return false;
    if (i > si && it.StartsParagraph() && it.Checkpoint && it.Checkpoint->Pinned) return false;
  }
  const TLTStyle* style = Style();
  if (style && style->ParaStyles().IsValidIndex(currentParaStyle_) &&
      style->ParaStyles()[currentParaStyle_].Options.Contains(ltpaoReadOnly))
    return false;
  return true;
}

void TCustomLecternEdit::DeleteSelection() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->DeleteSelection();
    return;
  }
  if (HasPartSelection()) {
    if (!nested_->ClearSelectedParts()) Refuse();
    return;
  }
  if (!HasSelection()) return;
  if (!CanDeleteSelection()) {
    Refuse();
    return;
  }
  if (!BeforeChange()) return;
  {
    TActionScope action(*this, ltukDeletion);
    DeleteSelectionNow();
  }
  MarkChanged(true);
}

void TCustomLecternEdit::DeleteSelectionNow() {
  if (!HasSelection()) return;
  TLTEditLTData& d = EditData();
  int si = 0, so = 0, ei = 0, eo = 0;
  GetSelectionBounds(si, so, ei, eo, true);
  if (si < 0 || ei < 0 || (si == ei && so == eo)) return;
  // A selection that ends where an item continuing the line starts ends
  // at the end of the item before it.
  if (ei > si && eo <= d.GetOffsBeforeItem(ei) && d.GetItem(ei).HasFlag(ltifJoinPrev)) {
    --ei;
    eo = d.GetOffsAfterItem(ei);
  }
  const int32_t firstPara = d.GetItem(d.GetFirstParaItem(si)).ParaNo;
  const uint8_t startFlags = d.GetItem(si).ItemFlags & kBreakFlags;
  const int32_t startStyle = d.GetItem(si).IsText() ? d.GetItem(si).StyleNo : ActualCurrentTextStyle();
  BeginEdit(si, ei);

  const bool firstKept = so > d.GetOffsBeforeItem(si);
  const bool lastKept = eo < d.GetOffsAfterItem(ei);
  if (si == ei) {
    if (d.GetItem(si).IsText() && (firstKept || lastKept)) {
      d.DeleteChars(si, so, eo - so);
      EndEdit(si, so);
      return;
    }
  } else {
    if (lastKept) d.DeleteChars(ei, 1, eo - 1);
    if (firstKept) d.DeleteChars(si, so, d.GetItem(si).TextLength() - so + 1);
  }
  const int a = firstKept ? si + 1 : si;
  const int b = (lastKept && si != ei) ? ei - 1 : ei;
  const bool tailWasLast = lastKept && si != ei;
  // A checkpoint of what goes moves to the item that stays at the
  // deletion point, when that one has none.
  const int stays = firstKept ? si : b + 1;
  if (stays < d.ItemCount() && !d.GetItem(stays).Checkpoint)
    for (int i = a; i <= b; ++i)
      if (d.GetItem(i).Checkpoint) {
        d.MoveCheckpoint(i, stays);
        break;
      }
  d.DeleteItems(a, b - a + 1);

  // What follows the deletion point continues the paragraph before it.
  int caretItem = a, caretOffs = -1;
  const int t = a;
  const bool tailJoined = t < d.ItemCount() && d.GetItem(t).HasFlag(ltifJoinPrev);
  if (t < d.ItemCount()) {
    TCustomLTItemInfo& tail = d.GetItem(t);
    if (firstKept) {
      if (tailWasLast) d.SetBreakFlags(t, ltifJoinPrev);
    } else if (tailWasLast || tail.HasFlag(ltifJoinPrev)) {
      d.SetBreakFlags(t, startFlags);
    }
    if (!d.GetItem(t).StartsParagraph() && IsMarkerItem(t)) {
      d.DeleteItems(t, 1);
    }
  }
  // A paragraph that lost all it had keeps an empty item for its break;
  // so does a list item that lost all its text, so that what is typed next
  // stays in it.
  // What followed the selection in its paragraph took the place of what
  // went: nothing is gone.
  const bool gone = !firstKept && !(t < d.ItemCount() && (tailWasLast || tailJoined));
  const bool nothingFollows = t >= d.ItemCount() || !d.GetItem(t).HasFlag(ltifJoinPrev);
  const bool paraGone = gone && (t >= d.ItemCount() || d.GetItem(t).StartsParagraph()) &&
                        !(startFlags & ltifJoinPrev) && !(startFlags & ltifNewLine);
  const bool lineGone = gone && nothingFollows && (startFlags & ltifNewLine);
  const bool itemGone = gone && nothingFollows && (startFlags & ltifJoinPrev) && IsMarkerItem(t - 1);
  if (paraGone || lineGone || itemGone || d.ItemCount() == 0) {
    auto empty = NewTextItem(startStyle, firstPara, u"");
    empty->ItemFlags = static_cast<uint8_t>((empty->ItemFlags & ~kBreakFlags) | startFlags);
    d.InsertOneItem(t, std::move(empty));
  }
  if (t < d.ItemCount() && !d.GetItem(t).StartsParagraph()) {
    const int first = d.GetFirstParaItem(t);
    const int end = ParaEnd(t);
    bool differs = false;
    for (int i = first; i <= end; ++i) differs = differs || d.GetItem(i).ParaNo != firstPara;
    if (differs) d.SetParaNo(first, end, firstPara);
  }
  if (firstKept) {
    caretItem = si;
    caretOffs = so;
  } else if (t < d.ItemCount()) {
    caretItem = t;
    caretOffs = d.GetOffsBeforeItem(t);
    if (t > 0 && d.GetItem(t).HasFlag(ltifJoinPrev) && !IsMarkerItem(t - 1)) {
      caretItem = t - 1;
      caretOffs = d.GetOffsAfterItem(t - 1);
    }
  } else {
    caretItem = d.ItemCount() - 1;
    caretOffs = d.GetOffsAfterItem(caretItem);
  }
  // Text of one style that now touches becomes one item; an empty item
  // that came to continue the line (the rest of an emptied list item) goes.
  if (caretItem >= 0 && caretItem + 1 < d.ItemCount() && d.GetItem(caretItem).IsText() &&
      caretOffs == d.GetOffsAfterItem(caretItem) && !d.GetItem(caretItem).Text.empty())
    MergeAt(caretItem);
  EndEdit(caretItem, caretOffs);
}

// ---- Typing -------------------------------------------------------------------------------------------

bool TCustomLecternEdit::TypeText(std::u16string_view text) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->TypeText(text);
  if (HasPartSelection()) {
    Refuse();
    return false;
  }
  typing_ = !HasSelection();
  const bool can = BeforeChange();
  typing_ = false;
  if (!can) return false;
  if (HasSelection()) {
    if (!CanDeleteSelection()) {
      Refuse();
      return false;
    }
    {
      TActionScope action(*this, ltukDeletion);
      DeleteSelectionNow();
    }
    MarkChanged(true);
  }
  bool all = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      all = TypeCharacter(text.substr(i, 2)) && all;
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      continue;  // an unpaired half is not a character
    } else {
      all = TypeCharacter(text.substr(i, 1)) && all;
    }
  }
  return all;
}

bool TCustomLecternEdit::TypeCharacter(std::u16string_view ch) {
  TLTEditLTData& d = EditData();
  SwitchToUnicodeStyle();
  int n = CurrentItemNo();
  int o = CurrentItemOffset();
  if (n < 0) return false;
  if (ParaReadOnly(n)) {
    Refuse();
    return false;
  }
  const int32_t cs = ActualCurrentTextStyle();
  bool inItem = d.GetItem(n).IsText() && d.GetItemStyle(n) == cs;
  if (!inItem) {
    // At the end of an item of another style, typing goes on in the next
    // item when that one is of the current style.
    const bool atEnd = d.GetItem(n).IsText() ? o > d.GetItem(n).TextLength() : o >= 1;
    if (atEnd && n + 1 < d.ItemCount() && d.GetItem(n + 1).HasFlag(ltifJoinPrev) && d.GetItem(n + 1).IsText() &&
        d.GetItemStyle(n + 1) == cs) {
      ++n;
      o = 1;
      inItem = true;
    }
  }
  if (inItem && OnTypeAtItemEdge && (o <= 1 || o > d.GetItem(n).TextLength())) {
    bool canJoin = true;
    OnTypeAtItemEdge(*this, d, n, canJoin);
    inItem = canJoin;
  }
  if (inItem) {
    const TLTProtectOptions p = Protection(n);
    if (p.Contains(ltprConcateProtect) && !d.GetItem(n).Text.empty()) inItem = false;
    if (p.Contains(ltprModifyProtect)) {
      if (o > 1 && o <= d.GetItem(n).TextLength()) {
        Refuse();
        return false;
      }
      inItem = false;
    }
  }
  if (!inItem) {
    auto item = NewTextItem(cs, CurrentParaStyle(), ch);
    bool ok = false;
    {
      TActionScope action(*this, ltukInsertion);
      ok = InsertItemAtCaret(std::move(item), false);
    }
    if (!ok) {
      Refuse();
      return false;
    }
    MarkChanged(true);
    return true;
  }

  const TLTRawByteString raw = EncodeFor(d.GetItemStyle(n), ch);
  const int units = static_cast<int>(raw.size()) / d.CharSize(n);
  const bool emptyPara = d.GetItem(n).Text.empty() && d.GetItem(n).StartsParagraph() && ParaEnd(n) == n &&
                         !IsMarkerItem(n - 1) && d.GetItem(n).ParaNo != CurrentParaStyle();
  textEdit_ = {n, o - 1, units};
  BeginEdit(n, n);
  if (units == 1 && !emptyPara) {
    const TLTRawByteString oldText = d.GetItem(n).Text;
    if (OnItemTextEdit) {
      // The application may retag or restyle what was typed; then the
      // keystroke is an ordinary insertion in a group of its own.
      TLTTag tag = d.GetItem(n).Tag;
      int32_t styleNo = d.GetItem(n).StyleNo;
      TLTTag newTag = tag;
      int32_t newStyle = styleNo;
      d.Target = TLTUndoTarget::None;
      d.InsertChars(n, o, raw);
      d.Target = TLTUndoTarget::Undo;
      OnItemTextEdit(*this, oldText, d, n, newTag, newStyle);
      if (newTag == tag && newStyle == styleNo) {
        d.RecordTyping(n, o, d.GetItem(n).IsWide(), o);
      } else {
        // With undo off nothing is recorded, here as anywhere.
        if (d.UndoList().Limit != 0) {
          d.UndoList().AppendGroup(ltukTyping, n, o, {});
          d.UndoList().Add(std::make_unique<TLTUndoInsertSubstringInfo>(n, o, 1));
        }
        if (!(newTag == tag)) d.SetTag(n, newTag);
        if (newStyle != styleNo) d.SetStyleNo(n, newStyle, d.IsUnicodeStyle(newStyle));
      }
    } else {
      d.KeepWordMarks = true;
      if (TypingByWord)
        TypeIntoWord(n, o, raw, ch[0]);
      else
        d.TypeChars(n, o, raw);
      d.KeepWordMarks = false;
      WordCheckKeystroke(n, o, 1, ch[0]);
    }
  } else {
    TActionScope action(*this, ltukOtherTyping);
    if (emptyPara) d.SetParaNo(n, n, CurrentParaStyle());
    d.KeepWordMarks = true;
    d.InsertChars(n, o, raw);
    d.KeepWordMarks = false;
    WordCheckKeystroke(n, o, units, ch[0]);
  }
  EndEdit(n, o + units);
  MarkChanged(true);
  return true;
}

void TCustomLecternEdit::TypeIntoWord(int n, int o, std::string_view raw, char16_t typed) {
  // The word is one ordinary insertion that grows with each keystroke, so
  // that Undo takes it back whole and Redo types it again whole.
  TLTEditLTData& d = EditData();
  const TLTString text = o > 1 ? d.GetItemTextW(n) : TLTString{};
  const char16_t before = o > 1 && static_cast<size_t>(o - 2) < text.size() ? text[static_cast<size_t>(o - 2)] : u' ';
  const TLTUndoTarget keep = d.Target;
  d.Target = TLTUndoTarget::None;
  d.InsertChars(n, o, raw);
  d.Target = keep;
  TLTUndoList& u = d.UndoList();
  if (u.Limit == 0 || d.Target != TLTUndoTarget::Undo) return;
  u.DropEmptyLast();
  using std::chrono::milliseconds, std::chrono::steady_clock;
  const int64_t now = TypingClock
                          ? TypingClock()
                          : std::chrono::duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  TLTUndoInfos* g = u.Last();
  TLTUndoInsertSubstringInfo* run = nullptr;
  if (g && g == wordStep_.Group && wordStep_.Open && now - wordStep_.At < TypingPauseMs && g->Records.size() == 1)
    run = dynamic_cast<TLTUndoInsertSubstringInfo*>(g->Records.front().get());
  if (run && !dynamic_cast<TLTUndoTypingInfo*>(run) && run->ItemNo == n && o == run->Pos + run->Length) {
    ++run->Length;
  } else {
    u.AppendGroup(ltukTyping, n, o, {});
    u.Add(std::make_unique<TLTUndoInsertSubstringInfo>(n, o, 1));
    g = u.Last();
  }
  // A space after a word ends the word's step; the space is its last part.
  const bool wordEnds = typed == u' ' && before != u' ';
  wordStep_ = {g, now, !wordEnds};
}

// ---- Backspace and Delete -------------------------------------------------------------------------------

int TCustomLecternEdit::WordChars(int itemNo, int offs, bool forward) const {
  const TCustomLTFormattedData& c = CaretContainer();
  const TLTString text = c.GetItemTextW(itemNo);
  const int len = static_cast<int>(text.size());
  if (forward) {
    int k = offs - 1;
    while (k < len && !IsDelimiter(text[static_cast<size_t>(k)])) ++k;
    while (k < len && IsDelimiter(text[static_cast<size_t>(k)])) ++k;
    return std::max(k - (offs - 1), 1);
  }
  int k = offs - 1;
  while (k > 0 && IsDelimiter(text[static_cast<size_t>(k - 1)])) --k;
  while (k > 0 && !IsDelimiter(text[static_cast<size_t>(k - 1)])) --k;
  return std::max(offs - 1 - k, 1);
}

int TCustomLecternEdit::CharsBefore(int itemNo, int offs) const {
  // A character of two code units goes as one.
  const TCustomLTFormattedData& c = CaretContainer();
  if (!c.GetItem(itemNo).IsWide() || offs < 3) return 1;
  const TLTString text = c.GetItemTextW(itemNo);
  return IsLowSurrogate(text[static_cast<size_t>(offs - 2)]) && IsHighSurrogate(text[static_cast<size_t>(offs - 3)])
             ? 2
             : 1;
}

int TCustomLecternEdit::CharsAfter(int itemNo, int offs) const {
  const TCustomLTFormattedData& c = CaretContainer();
  if (!c.GetItem(itemNo).IsWide()) return 1;
  const TLTString text = c.GetItemTextW(itemNo);
  const size_t k = static_cast<size_t>(offs - 1);
  return k + 1 < text.size() && IsHighSurrogate(text[k]) && IsLowSurrogate(text[k + 1]) ? 2 : 1;
}

bool TCustomLecternEdit::DeleteItemKeepingPara(int itemNo, int& caretItem, int& caretOffs) {
  // An item leaves; when it was its paragraph's only one, an empty item
  // keeps the paragraph, and when it started it, the next item does.
  TLTEditLTData& d = EditData();
  const TCustomLTItemInfo& it = d.GetItem(itemNo);
  if (Protection(itemNo).Contains(ltprDeleteProtect)) return false;
  const uint8_t flags = it.ItemFlags & kBreakFlags;
  const bool continued = itemNo + 1 < d.ItemCount() && d.GetItem(itemNo + 1).HasFlag(ltifJoinPrev);
  const bool starts = !(flags & ltifJoinPrev);
  const int32_t paraNo = it.ParaNo;
  // A list item's only content leaves its marker an empty item to type in.
  const bool listItemGone = !starts && !continued && IsMarkerItem(itemNo - 1);
  d.DeleteItems(itemNo, 1);
  if (starts && continued) {
    d.SetBreakFlags(itemNo, flags);
  } else if ((starts && !continued) || listItemGone) {
    auto empty = NewTextItem(ActualCurrentTextStyle(), paraNo, u"");
    empty->ItemFlags = static_cast<uint8_t>((empty->ItemFlags & ~kBreakFlags) | flags);
    d.InsertOneItem(itemNo, std::move(empty));
    caretItem = itemNo;
    caretOffs = 1;
    return true;
  }
  if (itemNo > 0 && (itemNo >= d.ItemCount() || d.GetItem(itemNo).HasFlag(ltifJoinPrev) || !starts) &&
      !IsMarkerItem(itemNo - 1)) {
    caretItem = itemNo - 1;
    caretOffs = d.GetOffsAfterItem(itemNo - 1);
  } else {
    caretItem = itemNo;
    caretOffs = d.GetOffsBeforeItem(itemNo);
  }
  return true;
}

int TCustomLecternEdit::DeletionKeyStart(int& offs) {
  if (HasSelection()) {
    DeleteSelection();
    return -1;
  }
  // A deletion key moves the marks it passes, as typing does.
  typing_ = true;
  const bool can = BeforeChange();
  typing_ = false;
  if (!can) return -2;
  const int n = CurrentItemNo();
  offs = CurrentItemOffset();
  if (ParaReadOnly(n)) {
    Refuse();
    return -2;
  }
  return n;
}

bool TCustomLecternEdit::Backspace(bool word) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->Backspace(word);
  if (HasPartSelection()) {
    DeleteSelection();
    return true;
  }
  int o = 0;
  const int n = DeletionKeyStart(o);
  if (n < 0) return n == -1;
  TLTEditLTData& d = EditData();
  const TCustomLTItemInfo& cur = d.GetItem(n);
  const bool afterMarker = IsMarkerItem(n - 1) && cur.HasFlag(ltifJoinPrev);
  const bool atStart = o <= d.GetOffsBeforeItem(n) && (!cur.HasFlag(ltifJoinPrev) || afterMarker);
  int caretItem = n, caretOffs = o;
  bool changed = false, refused = false;

  if (atStart) {
    // The first list item of the document leaves its list as any other
    // does, once a page break before it is gone.
    const bool firstInList = afterMarker && n == 1 && !d.GetItem(0).HasFlag(ltifNewPage);
    if ((n == 0 || (afterMarker && n == 1)) && !firstInList) {
      const int breakItem = afterMarker ? n - 1 : n;
      if (!d.GetItem(breakItem).HasFlag(ltifNewPage)) return false;
      TActionScope action(*this, ltukPageBreakRemoval);
      BeginEdit(breakItem, n);
      d.SetBreakFlags(breakItem, d.GetItem(breakItem).ItemFlags & ~ltifNewPage);
      EndEdit(n, o);
      MarkChanged(true);
      return true;
    }
    if (!afterMarker && (IsFullLineItem(n) || (IsFullLineItem(n - 1) && (!cur.IsText() || !cur.Text.empty())))) {
      MoveCaret(ltecCharLeft);
      return true;
    }
    TActionScope action(*this, ltukDeletion);
    BeginEdit(n - 1, n);
    if (!afterMarker && cur.HasFlag(ltifNewLine)) {
      d.SetBreakFlags(n, ltifJoinPrev);
      caretItem = n - 1;
      caretOffs = d.GetOffsAfterItem(n - 1);
      MergeAt(n - 1);
      changed = true;
    } else if (!afterMarker && cur.HasFlag(ltifNewPage)) {
      d.SetBreakFlags(n, cur.ItemFlags & ~ltifNewPage);
      changed = true;
    } else if (afterMarker) {
      // The paragraph leaves its list.
      const uint8_t markerFlags = d.GetItem(n - 1).ItemFlags & (ltifNewLine | ltifNewPage);
      if (d.GetItem(n - 1).Checkpoint && d.GetItem(n - 1).Checkpoint->Pinned) {
        refused = true;
      } else {
        d.DeleteItems(n - 1, 1);
        d.SetBreakFlags(n - 1, markerFlags);
        caretItem = n - 1;
        caretOffs = d.GetOffsBeforeItem(n - 1);
        changed = true;
      }
    } else if (cur.IsText() && cur.Text.empty() && ParaEnd(n) == n) {
      if (Protection(n).Contains(ltprDeleteProtect) || (cur.Checkpoint && cur.Checkpoint->Pinned) ||
          IsFullLineItem(n - 1)) {
        refused = !IsFullLineItem(n - 1);
        if (!refused) {
          d.DeleteItems(n, 1);
          caretItem = n - 1;
          caretOffs = 1;
          changed = true;
        }
      } else {
        d.DeleteItems(n, 1);
        caretItem = n - 1;
        caretOffs = d.GetOffsAfterItem(n - 1);
        changed = true;
      }
    } else if (d.GetItem(n - 1).IsText() && d.GetItem(n - 1).Text.empty() && !IsFullLineItem(n - 1)) {
      const TCustomLTItemInfo& prev = d.GetItem(n - 1);
      if (Protection(n - 1).Contains(ltprDeleteProtect) || ParaReadOnly(n - 1) ||
          (prev.Checkpoint && prev.Checkpoint->Pinned)) {
        refused = true;
      } else {
        const uint8_t prevFlags = prev.ItemFlags & kBreakFlags;
        const int32_t prevPara = prev.ParaNo;
        d.DeleteItems(n - 1, 1);
        d.SetBreakFlags(n - 1, prevFlags);
        if (!(prevFlags & ltifJoinPrev)) d.SetParaNo(n - 1, ParaEnd(n - 1), prevPara);
        caretItem = n - 1;
        caretOffs = d.GetOffsBeforeItem(n - 1);
        changed = true;
      }
    } else {
      if (ParaReadOnly(n - 1) || Protection(n).Contains(ltprParaStartProtect) ||
          (cur.Checkpoint && cur.Checkpoint->Pinned)) {
        refused = true;
      } else {
        caretItem = n - 1;
        caretOffs = d.GetOffsAfterItem(n - 1);
        JoinParagraph(n);
        MergeAt(n - 1);
        changed = true;
      }
    }
    if (changed) {
      EndEdit(caretItem, caretOffs);
      MarkChanged(true);
    } else {
      EndEdit(n, o);
      if (refused) Refuse();
    }
    return changed;
  }

  // Inside a line: the character or item before the caret goes.
  int item = n, offs = o;
  if (o <= d.GetOffsBeforeItem(n) && n > 0) {
    item = n - 1;
    offs = d.GetOffsAfterItem(n - 1);
  }
  const TCustomLTItemInfo& it = d.GetItem(item);
  TActionScope action(*this, ltukDeletion);
  const int count = it.IsText() && offs > 1 ? (word ? WordChars(item, offs, false) : CharsBefore(item, offs)) : 0;
  if (count > 0) textEdit_ = {item, offs - count - 1, -count};
  BeginEdit(item, item);
  if (it.IsText()) {
    if (Protection(item).Contains(ltprModifyProtect) || offs <= 1) {
      EndEdit(n, o);
      Refuse();
      return false;
    }
    d.KeepWordMarks = true;
    d.DeleteChars(item, offs - count, count);
    d.KeepWordMarks = false;
    WordCheckKeystroke(item, offs - count, -count, 0);
    caretItem = item;
    caretOffs = offs - count;
    if (d.GetItem(item).Text.empty() && !HoldsParagraph(item))
      DeleteItemKeepingPara(item, caretItem, caretOffs);
    else if (d.GetItem(item).Text.empty())
      caretOffs = 1;
  } else if (!DeleteItemKeepingPara(item, caretItem, caretOffs)) {
    EndEdit(n, o);
    Refuse();
    return false;
  }
  if (caretItem > 0 && caretItem < d.ItemCount() && caretOffs <= d.GetOffsBeforeItem(caretItem) &&
      d.GetItem(caretItem).HasFlag(ltifJoinPrev) && !IsMarkerItem(caretItem - 1)) {
    --caretItem;
    caretOffs = d.GetOffsAfterItem(caretItem);
  }
  // The caret stays where it was in the first item of a merge.
  if (caretItem >= 0 && caretItem < d.ItemCount() && d.GetItem(caretItem).IsText() &&
      caretOffs == d.GetOffsAfterItem(caretItem))
    MergeAt(caretItem);
  EndEdit(caretItem, caretOffs);
  MarkChanged(true);
  return true;
}

bool TCustomLecternEdit::DeleteKey(bool word) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->DeleteKey(word);
  if (HasPartSelection()) {
    DeleteSelection();
    return true;
  }
  int o = 0;
  const int n = DeletionKeyStart(o);
  if (n < 0) return n == -1;
  TLTEditLTData& d = EditData();
  const TCustomLTItemInfo& cur = d.GetItem(n);
  const bool atEnd = cur.IsText() ? o > cur.TextLength() : o >= 1;
  int caretItem = n, caretOffs = o;

  if (!atEnd) {
    TActionScope action(*this, ltukDeletion);
    const int count = cur.IsText() ? (word ? WordChars(n, o, true) : CharsAfter(n, o)) : 0;
    if (count > 0) textEdit_ = {n, o - 1, -count};
    BeginEdit(n, n);
    if (cur.IsText()) {
      if (Protection(n).Contains(ltprModifyProtect)) {
        EndEdit(n, o);
        Refuse();
        return false;
      }
      d.KeepWordMarks = true;
      d.DeleteChars(n, o, count);
      d.KeepWordMarks = false;
      WordCheckKeystroke(n, o, -count, 0);
      if (d.GetItem(n).Text.empty() && !HoldsParagraph(n)) DeleteItemKeepingPara(n, caretItem, caretOffs);
    } else if (IsFullLineItem(n)) {
      EndEdit(n, o);
      MoveCaret(ltecCharRight);
      return true;
    } else if (!DeleteItemKeepingPara(n, caretItem, caretOffs)) {
      EndEdit(n, o);
      Refuse();
      return false;
    }
    EndEdit(caretItem, caretOffs);
    MarkChanged(true);
    return true;
  }
  if (n + 1 >= d.ItemCount()) {
    // At the very end only an empty item is affected.
    if (cur.IsText() && cur.Text.empty() && n > 0 && !IsMarkerItem(n - 1)) return Backspace(false);
    return false;
  }
  const TCustomLTItemInfo& next = d.GetItem(n + 1);
  if (next.HasFlag(ltifJoinPrev)) {
    // The caret stands at an item boundary inside the line.
    TActionScope action(*this, ltukDeletion);
    BeginEdit(n, n + 1);
    if (next.IsText()) {
      if (Protection(n + 1).Contains(ltprModifyProtect)) {
        EndEdit(n, o);
        Refuse();
        return false;
      }
      if (!next.Text.empty()) d.DeleteChars(n + 1, 1, word ? WordChars(n + 1, 1, true) : CharsAfter(n + 1, 1));
      if (d.GetItem(n + 1).Text.empty()) DeleteItemKeepingPara(n + 1, caretItem, caretOffs);
      caretItem = n;
      caretOffs = o;
    } else if (!DeleteItemKeepingPara(n + 1, caretItem, caretOffs)) {
      EndEdit(n, o);
      Refuse();
      return false;
    } else {
      caretItem = n;
      caretOffs = o;
    }
    MergeAt(n);
    EndEdit(caretItem, caretOffs);
    MarkChanged(true);
    return true;
  }
  if (next.HasFlag(ltifNewLine)) {
    TActionScope action(*this, ltukDeletion);
    BeginEdit(n, n + 1);
    d.SetBreakFlags(n + 1, ltifJoinPrev);
    MergeAt(n);
    EndEdit(n, o);
    MarkChanged(true);
    return true;
  }
  // The end of a paragraph.
  if ((IsFullLineItem(n) || IsFullLineItem(n + 1)) && !(cur.IsText() && cur.Text.empty())) {
    MoveCaret(ltecCharRight);
    return true;
  }
  const bool markerNext = IsMarkerItem(n + 1);
  const int first = markerNext ? n + 2 : n + 1;
  if (ParaReadOnly(n + 1) || (first < d.ItemCount() && Protection(first).Contains(ltprParaStartProtect)) ||
      (markerNext && d.GetItem(n + 1).Checkpoint && d.GetItem(n + 1).Checkpoint->Pinned) ||
      (next.Checkpoint && next.Checkpoint->Pinned)) {
    Refuse();
    return false;
  }
  TActionScope action(*this, ltukDeletion);
  BeginEdit(n, first);
  if (cur.IsText() && cur.Text.empty() && cur.StartsParagraph() && !IsMarkerItem(n - 1) &&
      !Protection(n).Contains(ltprDeleteProtect)) {
    d.DeleteItems(n, 1);
    caretItem = n;
    caretOffs = d.GetOffsBeforeItem(n);
    if (IsMarkerItem(n) && n + 1 < d.ItemCount()) caretItem = n + 1, caretOffs = d.GetOffsBeforeItem(n + 1);
  } else {
    if (markerNext) {
      const uint8_t flags = d.GetItem(n + 1).ItemFlags & kBreakFlags;
      d.DeleteItems(n + 1, 1);
      if (n + 1 < d.ItemCount()) d.SetBreakFlags(n + 1, flags);
    }
    if (n + 1 < d.ItemCount()) {
      if (d.GetItem(n + 1).IsText() && d.GetItem(n + 1).Text.empty() && ParaEnd(n + 1) == n + 1 &&
          !IsFullLineItem(n + 1)) {
        d.DeleteItems(n + 1, 1);
      } else {
        JoinParagraph(n + 1);
        // An empty item that started the joined paragraph (a field's place)
        // would stand in the line unseen and take the next Delete.
        const TCustomLTItemInfo& joined = d.GetItem(n + 1);
        if (joined.IsText() && joined.Text.empty() && !joined.Checkpoint && n + 2 < d.ItemCount() &&
            d.GetItem(n + 2).HasFlag(ltifJoinPrev))
          d.DeleteItems(n + 1, 1);
        MergeAt(n);
      }
    }
  }
  EndEdit(caretItem, caretOffs);
  MarkChanged(true);
  return true;
}

// ---- Enter --------------------------------------------------------------------------------------------------

bool TCustomLecternEdit::NewParagraph(bool shift) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->NewParagraph(shift);
  if (HasSelection()) {
    if (!CanDeleteSelection()) {
      Refuse();
      return false;
    }
    if (!BeforeChange()) return false;
    {
      TActionScope action(*this, ltukDeletion);
      DeleteSelectionNow();
    }
    MarkChanged(true);
  }
  if (!BeforeChange()) return false;
  TLTEditLTData& d = EditData();
  const int n = CurrentItemNo();
  const int o = CurrentItemOffset();
  if (ParaOption(n, ltpaoDoNotWantReturns) || (shift && ParaReadOnly(n))) {
    Refuse();
    return false;
  }
  const TCustomLTItemInfo& cur = d.GetItem(n);
  const bool afterMarker = IsMarkerItem(n - 1) && cur.HasFlag(ltifJoinPrev);
  const int len = cur.TextLength();
  const bool atStart = o <= d.GetOffsBeforeItem(n) && (!cur.HasFlag(ltifJoinPrev) || afterMarker);
  const bool atEnd = (cur.IsText() ? o > len : o >= 1) &&
                     (n + 1 >= d.ItemCount() || !d.GetItem(n + 1).HasFlag(ltifJoinPrev));
  const int first = d.GetFirstParaItem(n);
  const bool inList = IsMarkerItem(first);

  if (atStart || atEnd) {
    if (Protection(n).Contains(ltprParaStartProtect) || (atEnd && Sticks(n, n + 1)) ||
        (!atEnd && afterMarker ? false : (!atEnd && Sticks(n - 1, n)))) {
      Refuse();
      return false;
    }
    if (!shift && cur.IsText() && cur.Text.empty() && afterMarker) {
      // Enter in an empty list paragraph takes it out of the list first;
      // both are one step to undo.
      TActionScope action(*this, ltukOtherTyping);
      if (!Backspace(false)) return false;
      return NewParagraphPlain(false);
    }
    return NewParagraphPlain(shift);
  }
  if (ParaReadOnly(n)) {
    Refuse();
    return false;
  }
  // The item the new paragraph or line starts with.
  int target = n;
  bool split = false;
  if (cur.IsText() && o > 1 && o <= len) {
    if (Protection(n).Contains(ltprParaStartProtect) || Protection(n).Contains(ltprModifyProtect)) {
      Refuse();
      return false;
    }
    split = true;
    target = n + 1;
  } else if (!cur.IsText() && o >= 1) {
    target = n + 1;
  } else if (cur.IsText() && o > len) {
    target = n + 1;
  }
  if (!split && (Protection(target).Contains(ltprParaStartProtect) || Sticks(target - 1, target))) {
    Refuse();
    return false;
  }
  {
    TActionScope action(*this, ltukOtherTyping);
    BeginEdit(n, target);
    if (split) SplitItem(n, o);
    if (shift) {
      d.SetBreakFlags(target, ltifNewLine);
    } else {
      d.SetBreakFlags(target, 0);
      if (inList) {
        auto m = CloneItem(d.GetItem(first));
        m->Checkpoint.reset();
        m->ItemFlags = static_cast<uint8_t>(m->ItemFlags & ~kBreakFlags);
        d.InsertOneItem(target, std::move(m));
        d.SetBreakFlags(target + 1, ltifJoinPrev);
        ++target;
      }
    }
    EndEdit(target, d.GetOffsBeforeItem(target));
  }
  MarkChanged(true);
  return true;
}

bool TCustomLecternEdit::NewParagraphPlain(bool shift) {
  TLTEditLTData& d = EditData();
  const TLTStyle* style = Style();
  const int n = CurrentItemNo();
  const int o = CurrentItemOffset();
  const TCustomLTItemInfo& cur = d.GetItem(n);
  const bool afterMarker = IsMarkerItem(n - 1) && cur.HasFlag(ltifJoinPrev);
  const int len = cur.TextLength();
  const bool atEnd = (cur.IsText() ? o > len : o >= 1) &&
                     (n + 1 >= d.ItemCount() || !d.GetItem(n + 1).HasFlag(ltifJoinPrev));
  const int first = d.GetFirstParaItem(n);
  const bool inList = IsMarkerItem(first);

  TActionScope action(*this, ltukOtherTyping);
  // The styles of the new paragraph: the styles that follow the current ones.
  if (atEnd && cur.IsText() && cur.StyleNo == currentTextStyle_ && style &&
      style->TextStyles().IsValidIndex(cur.StyleNo) && style->TextStyles()[cur.StyleNo].NextStyleNo != -1 &&
      style->TextStyles().IsValidIndex(style->TextStyles()[cur.StyleNo].NextStyleNo))
    SetCurrentTextStyle(style->TextStyles()[cur.StyleNo].NextStyleNo);
  const bool nextNewLine = n + 1 < d.ItemCount() && d.GetItem(n + 1).HasFlag(ltifNewLine);
  if (!shift && !nextNewLine && style && style->ParaStyles().IsValidIndex(cur.ParaNo)) {
    const int32_t next = style->ParaStyles()[cur.ParaNo].NextParaNo;
    if (ParaReadOnly(n) || (atEnd && next != -1))
      SetCurrentParaStyle(next < 0 || !style->ParaStyles().IsValidIndex(next) ? 0 : next);
  }
  int32_t ts = ActualCurrentTextStyle();
  if (style && style->TextStyles().IsValidIndex(ts) && style->TextStyles()[ts].Protection.Contains(ltprModifyProtect))
    ts = 0;
  auto item = NewTextItem(ts, shift ? cur.ParaNo : CurrentParaStyle(), u"");
  if (cur.IsText() && d.GetItemStyle(n) == ts) item->Tag = cur.Tag;

  int caretItem = n;
  BeginEdit(n, n + 1);
  if (atEnd) {
    item->ItemFlags = static_cast<uint8_t>((item->ItemFlags & ~kBreakFlags) | (shift ? ltifNewLine : 0));
    int at = n + 1;
    if (!shift && inList && d.GetItem(first).ParaNo == item->ParaNo) {
      auto m = CloneItem(d.GetItem(first));
      m->Checkpoint.reset();
      m->ItemFlags = static_cast<uint8_t>(m->ItemFlags & ~kBreakFlags);
      d.InsertOneItem(at, std::move(m));
      ++at;
      item->ItemFlags = static_cast<uint8_t>((item->ItemFlags & ~kBreakFlags) | ltifJoinPrev);
      item->ParaNo = d.GetItem(first).ParaNo;
    }
    d.InsertOneItem(at, std::move(item));
    caretItem = at;
    EndEdit(caretItem, 1);
  } else {
    // At the start: the new empty paragraph or line goes before.
    if (afterMarker && !shift) {
      item->ItemFlags = static_cast<uint8_t>((item->ItemFlags & ~kBreakFlags) | ltifJoinPrev);
      item->ParaNo = d.GetItem(n - 1).ParaNo;
      d.InsertOneItem(n, std::move(item));
      auto m = CloneItem(d.GetItem(n - 1));
      m->Checkpoint.reset();
      m->ItemFlags = static_cast<uint8_t>(m->ItemFlags & ~kBreakFlags);
      d.InsertOneItem(n + 1, std::move(m));
      caretItem = n + 2;
    } else {
      const uint8_t curFlags = cur.ItemFlags & kBreakFlags;
      item->ItemFlags = static_cast<uint8_t>((item->ItemFlags & ~kBreakFlags) |
                                             (afterMarker ? ltifJoinPrev : curFlags & (ltifNewLine | ltifNewPage)));
      if (afterMarker) item->ParaNo = d.GetItem(n - 1).ParaNo;
      d.InsertOneItem(n, std::move(item));
      d.SetBreakFlags(n + 1, shift ? ltifNewLine : 0);
      caretItem = n + 1;
    }
    EndEdit(caretItem, d.GetOffsBeforeItem(caretItem));
  }
  MarkChanged(true);
  return true;
}

// ---- Styles ---------------------------------------------------------------------------------------------------

bool TCustomLecternEdit::AppliedElsewhere(const std::function<void(TCustomLecternEdit&)>& change) {
  if (TCustomLecternEdit* n = ActiveNested()) {
    change(*n);
    return true;
  }
  if (!HasPartSelection()) return false;
  if (!nested_->ApplyToSelectedParts(change)) Refuse();
  return true;
}

void TCustomLecternEdit::ApplyTextStyle(int styleNo) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyTextStyle(styleNo); })) return;
  const TLTStyle* style = Style();
  if (!style || !style->TextStyles().IsValidIndex(styleNo)) return;
  ConvertTextStyles([&](const TStyleSite& at) {
    const int32_t s = at.Style;
    if (at.ToText && style->TextStyles().IsValidIndex(s) &&
        style->TextStyles()[s].Protection.Contains(ltprStyleProtect))
      return s;
    return static_cast<int32_t>(styleNo);
  });
}

void TCustomLecternEdit::ApplyStyleConversion(int userData) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyStyleConversion(userData); })) return;
  ConvertTextStyles([&](const TStyleSite& at) {
    int32_t next = at.Style;
    if (OnStyleConversion) OnStyleConversion(*this, at.Style, userData, at.ToText, next);
    return next;
  });
}

void TCustomLecternEdit::ApplyTextStyleTemplate(int templateIndex, bool keepModified) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyTextStyleTemplate(templateIndex, keepModified); }))
    return;
  TLTStyle* style = Style();
  if (!style || templateIndex >= style->StyleTemplates().Count()) return;
  TLTStyleTemplateCollection& templates = style->StyleTemplates();
  ConvertTextStyles([&](const TStyleSite& at) {
    TFontInfos& texts = style->TextStyles();
    if (!texts.IsValidIndex(at.Style) || texts[at.Style].Protection.Contains(ltprStyleProtect)) return at.Style;
    TFontInfo derived;
    derived.Assign(texts[at.Style]);
    const TCustomLTParaInfo* para = style->ParaStyles().IsValidIndex(at.Para) ? &style->ParaStyles()[at.Para] : nullptr;
    if (templateIndex < 0)
      templates.ResetTextStyle(derived, para);
    else
      // The styles of tabs and labels go with their text as the template has it.
      templates.ApplyTextTemplate(templates[templateIndex], derived, para, !(keepModified && !at.Associated));
    return FindOrAddTextStyle(*style, at.Style, derived);
  });
}

void TCustomLecternEdit::ConvertTextStyles(const std::function<int32_t(const TStyleSite&)>& convertAt) {
  if (!BeforeChange()) return;
  TLTEditLTData& d = EditData();
  const TLTStyle* style = Style();
  // The paragraph style of item i's paragraph.
  auto paraOf = [&](int i) { return d.GetItem(d.GetFirstParaItem(i)).ParaNo; };
  int converting = -1;  // the item being converted, -1 for the current style
  auto convert = [&](int32_t s, bool toText) {
    const TCustomLTItemInfo* it = converting >= 0 ? &d.GetItem(converting) : nullptr;
    return convertAt({s, toText, it ? paraOf(converting) : CurrentParaStyle(), it && !it->IsText()});
  };
  const int32_t newCurrent = convert(ActualCurrentTextStyle(), false);
  if (!style->TextStyles()[ActualCurrentTextStyle()].Protection.Contains(ltprDoNotAutoSwitch))
    lastSwitchableTextStyle_ = ActualCurrentTextStyle();
  auto validStyle = [&](int32_t s) { return style->TextStyles().IsValidIndex(s); };
  auto convertItem = [&](int i) {
    converting = i;
    const int32_t old = d.GetItemStyle(i);
    const int32_t to = convert(old, true);
    if (to == old || !validStyle(to)) return;
    if (EditorOptions.Contains(ltoClearTagOnStyleApp) && !d.GetItem(i).Tag.IsEmpty()) d.SetTag(i, {});
    const bool wide = d.IsUnicodeStyle(to);
    if (wide != d.GetItem(i).IsWide()) {
      // Text changing encoding keeps its characters: through the code pages.
      const TLTString text = d.GetItemTextW(i);
      d.ChangeText(i, wide ? Utf16ToBytes(text) : UnicodeToAnsi(text, d.StyleCodePage(to)));
    }
    d.SetStyleNo(i, to, wide);
  };

  if (!HasSelection()) {
    const int n = CurrentItemNo();
    const int o = CurrentItemOffset();
    if (n >= 0 && d.GetItem(n).IsText() && d.GetItem(n).Text.empty()) {
      {
        TActionScope action(*this, ltukTextStyle);
        BeginEdit(n, n);
        convertItem(n);
        EndEdit(n, o);
      }
      MarkChanged(true);
    }
    SetCurrentTextStyle(newCurrent);
    return;
  }
  int start = 0, length = 0;
  GetSelectionCharPositions(start, length);
  int si = 0, so = 0, ei = 0, eo = 0;
  GetSelectionBounds(si, so, ei, eo, true);
  {
    TActionScope action(*this, ltukTextStyle);
    BeginEdit(si, ei);
    for (int i = ei; i >= si; --i) {
      converting = i;
      const TCustomLTItemInfo& it = d.GetItem(i);
      if (!it.IsText()) {
        // A tab goes with the text style around it.
        const int32_t own = it.GetAssociatedTextStyleNo();
        if (own >= 0 && validStyle(convert(own, true))) d.SetAssociatedTextStyle(i, convert(own, true));
        continue;
      }
      const int len = it.TextLength();
      const int a = i == si ? std::max(so, 1) : 1;
      const int b = i == ei ? std::min(eo, len + 1) : len + 1;
      if (len > 0 && a >= b) continue;
      const int32_t to = convert(d.GetItemStyle(i), true);
      if (to == d.GetItemStyle(i)) continue;
      if (Protection(i).Contains(ltprStyleSplitProtect) || (a <= 1 && b > len)) {
        convertItem(i);
        continue;
      }
      if (b <= len) SplitItem(i, b);
      if (a > 1) {
        SplitItem(i, a);
        convertItem(i + 1);
        converting = i;
      } else {
        convertItem(i);
      }
    }
    // Neighbours of one style become one item again.
    const int lastAffected = std::min(d.ItemCount() - 1, ei + 2 * (ei - si + 1) + 2);
    for (int i = lastAffected - 1; i >= std::max(si - 1, 0); --i)
      if (i + 1 < d.ItemCount() && !d.GetItem(i).Text.empty() && !d.GetItem(i + 1).Text.empty()) MergeAt(i);
    EndEdit(si, so);
  }
  SetSelectionCharPositions(start, length);
  SetCurrentTextStyle(newCurrent);
  MarkChanged(true);
}

void TCustomLecternEdit::ApplyParaStyle(int paraNo) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyParaStyle(paraNo); })) return;
  const TLTStyle* style = Style();
  if (!style || !style->ParaStyles().IsValidIndex(paraNo)) return;
  ConvertParaStyles([&](int32_t) { return static_cast<int32_t>(paraNo); });
}

void TCustomLecternEdit::ApplyParaStyleTemplate(int templateIndex) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyParaStyleTemplate(templateIndex); })) return;
  TLTStyle* style = Style();
  if (!style || templateIndex >= style->StyleTemplates().Count()) return;
  TLTStyleTemplateCollection& templates = style->StyleTemplates();
  ConvertParaStyles([&](int32_t p) {
    TParaInfos& paras = style->ParaStyles();
    if (!paras.IsValidIndex(p) || paras[p].Options.Contains(ltpaoStyleProtect)) return p;
    TParaInfo derived;
    derived.Assign(paras[p]);
    if (templateIndex < 0)
      templates.ResetParaStyle(derived);
    else
      templates.ApplyParaTemplate(templates[templateIndex], derived, true);
    return FindOrAddParaStyle(*style, p, derived);
  });
}

void TCustomLecternEdit::ApplyStyleTemplate(int templateIndex) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyStyleTemplate(templateIndex); })) return;
  TLTStyle* style = Style();
  if (!style || templateIndex >= style->StyleTemplates().Count()) return;
  bool paragraph = templateIndex < 0;
  if (!paragraph) {
    TLTStyleTemplate* t = &style->StyleTemplates()[templateIndex];
    // A loop left in stored data ends the walk (the links were checked
    // when they were made, but a cap costs nothing).
    for (int depth = 0; t && !paragraph && depth <= style->StyleTemplates().Count(); t = t->Parent(), ++depth)
      paragraph = !t->ValidParaProperties.Empty();
  }
  // The text is linked to the template: what was changed by hand stays
  // where the template does not define it.
  if (!paragraph) {
    ApplyTextStyleTemplate(templateIndex, false);
    return;
  }
  if (!BeforeChange()) return;
  // A paragraph template sets the whole paragraphs, their text included.
  // Items split on the way, so the
  // selection comes back by character positions.
  int si = 0, so = 0, ei = 0, eo = 0;
  GetSelectionBounds(si, so, ei, eo, true);
  int start = 0, length = 0;
  GetSelectionCharPositions(start, length);
  TActionScope action(*this, ltukParaStyle);
  ApplyParaStyleTemplate(templateIndex);
  TLTEditLTData& d = EditData();
  if (si < 0 || ei >= d.ItemCount()) return;
  const int a = d.GetFirstParaItem(si);
  int b = ei;
  while (b + 1 < d.ItemCount() && !d.IsParaStart(b + 1)) ++b;
  SetSelectionBounds(a, d.GetOffsBeforeItem(a), b, d.GetOffsAfterItem(b));
  ApplyTextStyleTemplate(templateIndex, false);
  SetSelectionCharPositions(start, length);
}

void TCustomLecternEdit::ApplyParaStyleConversion(int userData) {
  TEventScope scope(*this);
  if (AppliedElsewhere([&](TCustomLecternEdit& e) { e.ApplyParaStyleConversion(userData); })) return;
  ConvertParaStyles([&](int32_t p) {
    int32_t next = p;
    if (OnParaStyleConversion) OnParaStyleConversion(*this, p, userData, false, next);
    return next;
  });
}

void TCustomLecternEdit::ConvertParaStyles(const std::function<int32_t(int32_t)>& convert) {
  if (!BeforeChange()) return;
  TLTEditLTData& d = EditData();
  const TLTStyle* style = Style();
  int si = CurrentItemNo(), ei = si, so = 0, eo = 0;
  const bool sel = HasSelection();
  int start = 0, length = 0;
  if (sel) {
    GetSelectionCharPositions(start, length);
    GetSelectionBounds(si, so, ei, eo, true);
  }
  const int caretItem = CurrentItemNo(), caretOffs = CurrentItemOffset();
  const int first = d.GetFirstParaItem(si);
  const int last = ParaEnd(ei);
  std::vector<int32_t> paras;
  paras.reserve(static_cast<size_t>(last - first + 1));
  bool changed = false;
  int32_t paraStyle = 0;
  bool keep = false;
  for (int i = first; i <= last; ++i) {
    const TCustomLTItemInfo& it = d.GetItem(i);
    if (it.StartsParagraph() || i == first) {
      const int32_t old = it.ParaNo;
      const int32_t to = convert(old);
      keep = !style->ParaStyles().IsValidIndex(to) ||
             (style->ParaStyles().IsValidIndex(old) && style->ParaStyles()[old].Options.Contains(ltpaoStyleProtect));
      paraStyle = keep ? old : to;
    }
    paras.push_back(keep ? it.ParaNo : paraStyle);
    changed = changed || paras.back() != it.ParaNo;
  }
  if (changed) {
    {
      TActionScope action(*this, ltukParaStyle);
      BeginEdit(first, last);
      d.SetParaNos(first, paras);
      EndEdit(caretItem, caretOffs);
    }
    if (sel) SetSelectionCharPositions(start, length);
    MarkChanged(true);
  }
  SetCurrentParaStyle(d.GetItem(CurrentItemNo()).ParaNo);
}

// ---- Tags and page breaks ------------------------------------------------------------------------------------------

void TCustomLecternEdit::SetItemTagUndoable(int itemNo, TLTTag tag) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->SetItemTagUndoable(itemNo, std::move(tag));
    return;
  }
  TLTEditLTData& d = EditData();
  if (itemNo < 0 || itemNo >= d.ItemCount()) throw ELecternError("Item index is out of bounds");
  if (d.GetItem(itemNo).Tag == tag) return;
  if (!BeforeChange()) return;
  {
    TActionScope action(*this, ltukTagChange);
    d.SetTag(itemNo, std::move(tag));
  }
  MarkChanged(true);
  Window().InvalidateAll();
}

namespace {

/// Calls f(path, item) for every item inside item's sub-documents, depth
/// first, with the path that leads to it.
void ForEachSubDocItem(TCustomLTItemInfo& item, std::vector<int>& path,
                       const std::function<void(const std::vector<int>&, TCustomLTItemInfo&)>& f) {
  std::unique_ptr<TLTSubDocCursor> cursor;
  int n = 0;
  for (TCustomLTData* doc = item.GetSubDocument(cursor, ltsdFirst); doc;
       doc = item.GetSubDocument(cursor, ltsdNext), ++n) {
    for (int i = 0; i < doc->ItemCount(); ++i) {
      path.push_back(n);
      path.push_back(i);
      f(path, doc->GetItem(i));
      ForEachSubDocItem(doc->GetItem(i), path, f);
      path.resize(path.size() - 2);
    }
  }
}

}  // namespace

bool TCustomLecternEdit::RetagItems(int first, int last,
                                    const std::function<std::optional<TLTTag>(const TLTTag&)>& change,
                                    const TLTString& caption) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->RetagItems(first, last, change, caption);
  TLTEditLTData& d = EditData();
  first = std::max(first, 0);
  last = std::min(last, d.ItemCount() - 1);
  // What changes is known before anything does: a range without a tag to
  // change is refused like any other action that cannot be done.
  struct TChange {
    int ItemNo;
    std::vector<int> Path;
    TLTTag Tag;
  };
  std::vector<TChange> changes;
  std::vector<int> path;
  for (int i = first; i <= last; ++i) {
    TCustomLTItemInfo& item = d.GetItem(i);
    if (std::optional<TLTTag> t = change(item.Tag); t && !(*t == item.Tag)) changes.push_back({i, {}, std::move(*t)});
    ForEachSubDocItem(item, path, [&](const std::vector<int>& p, TCustomLTItemInfo& inner) {
      if (std::optional<TLTTag> t = change(inner.Tag); t && !(*t == inner.Tag)) changes.push_back({i, p, std::move(*t)});
    });
  }
  if (changes.empty()) {
    Refuse();
    return false;
  }
  if (!BeforeChange()) return false;
  {
    BeginUndoGroup(ltukTagChange, caption);
    SetUndoGroupMode(true);
    for (TChange& c : changes) {
      if (c.Path.empty())
        d.SetTag(c.ItemNo, std::move(c.Tag));
      else
        d.SetSubDocTag(c.ItemNo, c.Path, std::move(c.Tag));
    }
    SetUndoGroupMode(false);
  }
  MarkChanged(true);
  Window().InvalidateAll();
  return true;
}

void TCustomLecternEdit::SetPageBreak(bool on) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) {
    n->SetPageBreak(on);
    return;
  }
  if (!BeforeChange()) return;
  TLTEditLTData& d = EditData();
  const int n = CurrentItemNo(), o = CurrentItemOffset();
  int first = d.GetFirstParaItem(n);
  if (d.GetItem(first).HasFlag(ltifNewPage) == on) return;
  if (on && first == 0) return;  // nothing stands before the first page
  {
    TActionScope action(*this, on ? ltukItemChange : ltukPageBreakRemoval);
    BeginEdit(first, n);
    d.SetBreakFlags(first, static_cast<uint8_t>(on ? (d.GetItem(first).ItemFlags & ~ltifNewLine) | ltifNewPage
                                                   : d.GetItem(first).ItemFlags & ~ltifNewPage));
    EndEdit(n, o);
  }
  MarkChanged(true);
}

void TCustomLecternEdit::RemoveCurrentPageBreak() {
  if (nested_) {
    Refuse();
    return;
  }
  SetPageBreak(false);
}

// ---- Item properties -----------------------------------------------------------------------------------------------

bool TCustomLecternEdit::ResizeItem(int itemNo, int width, int height) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->ResizeItem(itemNo, width, height);
  TLTEditLTData& d = EditData();
  if (itemNo < 0 || itemNo >= d.ItemCount()) throw ELecternError("Item index is out of bounds");
  auto* rect = dynamic_cast<TLTRectItemInfo*>(&d.GetItem(itemNo));
  auto* control = dynamic_cast<TLTControlItemInfo*>(rect);
  auto* picture = dynamic_cast<TLTGraphicItemInfo*>(rect);
  if (!control && !picture) return false;
  // The frame the user drew includes the spacing around the content.
  width = std::max(1, width - 2 * rect->Spacing());
  height = std::max(1, height - 2 * rect->Spacing());
  if (width == rect->GetImageWidth(nullptr) && height == rect->GetImageHeight(nullptr)) return false;
  if (!BeforeChange()) return false;
  const int caretItem = CurrentItemNo(), caretOffs = CurrentItemOffset();
  {
    TActionScope action(*this, ltukItemChange);
    BeginEdit(itemNo, itemNo);
    if (control) {
      d.ResizeControl(itemNo, width, height);
    } else {
      d.SetExtraIntProperty(itemNo, ltepImageHeight, height);
      d.SetExtraIntProperty(itemNo, ltepImageWidth, width);
    }
    // The item may have been or become the widest thing in the document.
    editFull_ = true;
    EndEdit(caretItem, caretOffs);
  }
  MarkChanged(true);
  if (OnItemResize) OnItemResize(*this, d, itemNo);
  return true;
}

bool TCustomLecternEdit::SetItemExtraIntPropertyEd(int itemNo, TLTExtraItemProperty prop, int32_t value) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->SetItemExtraIntPropertyEd(itemNo, prop, value);
  TLTEditLTData& d = EditData();
  if (itemNo < 0 || itemNo >= d.ItemCount()) throw ELecternError("Item index is out of bounds");
  int32_t old = 0;
  if (!d.GetItem(itemNo).GetExtraIntProperty(prop, old)) return false;
  if (old == value) return true;
  if (!BeforeChange()) return false;
  const int caretItem = CurrentItemNo(), caretOffs = CurrentItemOffset();
  bool ok = false;
  {
    TActionScope action(*this, ltukItemChange);
    BeginEdit(itemNo, itemNo);
    ok = d.SetExtraIntProperty(itemNo, prop, value);
    editFull_ = true;
    EndEdit(caretItem, caretOffs);
  }
  if (ok) MarkChanged(true);
  return ok;
}

bool TCustomLecternEdit::SetItemExtraStrPropertyEd(int itemNo, TLTExtraItemStrProperty prop, const TLTString& value) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->SetItemExtraStrPropertyEd(itemNo, prop, value);
  TLTEditLTData& d = EditData();
  if (itemNo < 0 || itemNo >= d.ItemCount()) throw ELecternError("Item index is out of bounds");
  TLTString old;
  if (!d.GetItem(itemNo).GetExtraStrProperty(prop, old)) return false;
  if (old == value) return true;
  if (!BeforeChange()) return false;
  bool ok = false;
  {
    // Hints and file names are not laid out.
    TActionScope action(*this, ltukItemChange);
    ok = d.SetExtraStrProperty(itemNo, prop, value);
  }
  if (ok) MarkChanged(true);
  return ok;
}

bool TCustomLecternEdit::SetItemIntPropertiesEd(const TLTPropTarget& target,
                                                const std::vector<std::pair<std::string, int64_t>>& values) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->SetItemIntPropertiesEd(target, values);
  TLTEditLTData& d = EditData();
  if (target.ItemNo < 0 || target.ItemNo >= d.ItemCount()) throw ELecternError("Item index is out of bounds");
  if (!d.AcceptsIntProperties(target, values)) return false;
  TLTPersistent& obj = *target.Resolve(d);
  if (std::none_of(values.begin(), values.end(), [&](const auto& v) {
        return obj.ClassInfo().Find(v.first)->GetOrd(obj) != v.second;
      }))
    return true;
  if (!BeforeChange()) return false;
  const int caretItem = CurrentItemNo(), caretOffs = CurrentItemOffset();
  {
    TActionScope action(*this, ltukItemChange);
    BeginEdit(target.ItemNo, target.ItemNo);
    d.BracketPropertyChanges(target, true);
    d.SetIntProperties(target, values);
    d.BracketPropertyChanges(target, false);
    editFull_ = true;
    EndEdit(caretItem, caretOffs);
  }
  MarkChanged(true);
  return true;
}

// ---- Undo and redo --------------------------------------------------------------------------------------------------

bool TCustomLecternEdit::Undo() { return UndoRedo(true); }

bool TCustomLecternEdit::Redo() { return UndoRedo(false); }

bool TCustomLecternEdit::NestedUndoRedo(bool undo) {
  TCustomLecternEdit* n = ActiveNested();
  if (!n) return false;
  TEventScope scope(*this);
  if ((undo ? n->UndoAction() : n->RedoAction()) != ltukNone)
    return undo ? n->Undo() : n->Redo();
  // Nothing left in the cell: the cell editor closes (handing its redo
  // steps to this editor's history) and this editor takes its own step at
  // once, so that the request cannot be lost.
  nested_->EndNestedEditing(false);
  return false;
}

bool TCustomLecternEdit::UndoRedo(bool undo) {
  EndTypedWord();
  if (readOnly_) {
    Refuse();
    return false;
  }
  if (ActiveNested() && NestedUndoRedo(undo)) return true;
  // Cells selected: the selection goes, the step is the document's.
  if (nested_) nested_->EndNestedEditing(false);
  TEventScope scope(*this);
  TLTEditLTData& d = EditData();
  // What is taken back may lie anywhere: checked again from the top.
  if (WordThread()) {
    WordThread()->Stop(true);
    WordThread()->QueuePosition(LTData(), 0, 0);
  }
  TLTUndoList& from = undo ? static_cast<TLTUndoList&>(d.UndoList()) : d.RedoList();
  TLTUndoList& to = undo ? static_cast<TLTUndoList&>(d.RedoList()) : d.UndoList();
  if (readOnly_ || from.Empty() || &CaretContainer() != &LTData()) {
    Refuse();
    return false;
  }
  from.DropEmptyLast();
  if (from.Empty()) {
    Refuse();
    return false;
  }
  // The group leaves the list while its records run: a record may add to
  // the lists (a cell editor it opens folds its own steps).
  std::unique_ptr<TLTUndoInfos> owned = from.PopLast();
  TLTUndoInfos& g = *owned;
  const bool typing = g.Records.size() == 1 && (dynamic_cast<TLTUndoTypingInfo*>(g.Records.front().get()) ||
                                                dynamic_cast<TLTRedoTypingInfo*>(g.Records.front().get()));
  // The items the group touches, in today's numbering: each record knows
  // its own in the numbering it will meet, which the records undone after
  // it (earlier in the group) shift.
  int first = d.ItemCount(), last = -1, delta = 0;
  bool format = false, full = false;
  for (auto it = g.Records.rbegin(); it != g.Records.rend(); ++it) {
    int a = 0, b = 0;
    (*it)->GetAffectedRange(a, b);
    first = std::min({first, a, a - delta});
    last = std::max({last, b, b - delta});
    delta += (*it)->ItemsAdded();
    format = format || (*it)->RequiresFormat();
    full = full || (*it)->RequiresFullReformat();
  }
  // Under the reformat lock the layout is dropped and rebuilt once, when
  // the lock ends.
  const bool locked = d.UndoList().ReformatLock > 0;
  format = format || locked;
  const int caretItem = caretDrawItem_ >= 0 ? CurrentItemNo() : -1;
  const int caretOffs = caretDrawItem_ >= 0 ? CurrentItemOffset() : -1;
  if (!typing) to.AppendGroup(g.Kind, caretItem, caretOffs, g.Caption);
  if (typing) {
    // One character goes or comes back: the lines around it are painted.
    if (const auto* t = dynamic_cast<const TLTUndoTypingInfo*>(g.Records.front().get()))
      textEdit_ = {t->ItemNo, t->Pos + t->Length - 2, -1};
    else if (const auto* r = dynamic_cast<const TLTRedoTypingInfo*>(g.Records.front().get()))
      textEdit_ = {r->ItemNo, r->EndPos - r->CharCount() - 1, 1};
  }
  if (format) BeginEdit(first, last);
  if (full) editFull_ = true;
  d.Target = undo ? TLTUndoTarget::Redo : TLTUndoTarget::Undo;
  int backItem = g.CaretItemNo, backOffs = g.CaretOffs;
  try {
    for (auto it = g.Records.rbegin(); it != g.Records.rend(); ++it) (*it)->Undo(d);
  } catch (...) {
    d.Target = TLTUndoTarget::Undo;
    if (format) EndEdit(caretItem, caretOffs);
    throw;
  }
  d.Target = TLTUndoTarget::Undo;
  if (typing) {
    if (auto* t = dynamic_cast<TLTUndoTypingInfo*>(g.Records.front().get())) {
      backItem = t->ItemNo;
      backOffs = t->Pos + t->Length;
    } else if (auto* r = dynamic_cast<TLTRedoTypingInfo*>(g.Records.front().get())) {
      backItem = r->ItemNo;
      backOffs = r->EndPos - r->CharCount();
    }
    if (!g.IsEmpty()) from.PushBack(std::move(owned));
  }
  to.DropEmptyLast();
  if (locked) {
    Unformat();
    pendingCaret_ = {backItem, backOffs};
  } else if (format)
    EndEdit(backItem, backOffs);
  else if (!nested_)
    // A step that reopened a cell leaves the caret there.
    SetCaretAt(backItem, backOffs);
  MarkChanged(false);
  return true;
}

}  // namespace lectern
