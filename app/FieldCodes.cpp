// The field code commands.

#include "app/FieldCodes.h"

#include "edit/LTEdit.h"

#include <algorithm>

namespace lectern {

namespace {

TLTString FieldOf(const TCustomLTItemInfo& item) {
  TLTString name;
  return GetFieldName(item.Tag, name) ? name : TLTString();
}

/// Asks BeforeChange once for a command made of several operations; the
/// operations inside do not ask again.
class TApproval {
 public:
  explicit TApproval(TCustomLecternEdit& e) : e_(e), ok_(e.BeforeChange()) {
    if (ok_) e_.SetChangeApproved(true);
  }
  ~TApproval() {
    if (ok_) e_.SetChangeApproved(false);
  }
  TApproval(const TApproval&) = delete;
  TApproval& operator=(const TApproval&) = delete;
  bool Ok() const { return ok_; }

 private:
  TCustomLecternEdit& e_;
  bool ok_;
};

}  // namespace

TLTString FieldAt(const TCustomLTData& container, int itemNo) {
  const TCustomLTData* c = &container;
  while (c) {
    if (itemNo >= 0 && itemNo < c->ItemCount())
      if (TLTString name = FieldOf(c->GetItem(itemNo)); !name.empty()) return name;
    const TCustomLTData* parent = c->GetParentData();
    const TCustomLTItemInfo* owner = c->GetOwnerItem();
    if (!parent || !owner) break;
    itemNo = parent->FindItemIndex(owner);
    c = parent;
  }
  return {};
}

TLTString FieldAtCaret(TCustomLecternEdit& editor) {
  for (TCustomLecternEdit* e = &editor.InnermostEditor(); e; e = e->ParentEditor())
    if (TLTString name = FieldAt(e->CaretContainer(), e->CurrentItemNo()); !name.empty()) return name;
  return {};
}

TLTString InsertFieldCaption(const TLTString& name) { return u"Insert " + name; }

bool InsertFieldCode(TCustomLecternEdit& editor, const TLTString& name) {
  TCustomLecternEdit& e = editor.InnermostEditor();
  TLTStyle* sheet = e.Style();
  TApproval approval(e);
  if (!approval.Ok() || !sheet) return false;
  TLTEditLTData& d = e.EditData();
  const int keepStyle = e.ActualCurrentTextStyle();
  bool ok = false;
  {
    e.BeginUndoGroup(ltukInsertion, InsertFieldCaption(name));
    e.SetUndoGroupMode(true);
    if (e.HasSelection()) e.DeleteSelection();
    const int item = e.CurrentItemNo();
    // Inside a field's run (a merged value), the code goes after the run,
    // so that the next merge does not take it for part of the value.
    if (item >= 0) {
      const TLTString field = FieldOf(d.GetItem(item));
      const int offs = e.CurrentItemOffset();
      int first = item, last = item;
      if (!field.empty()) {
        while (first > 0 && FieldOf(d.GetItem(first - 1)) == field) --first;
        while (last + 1 < d.ItemCount() && FieldOf(d.GetItem(last + 1)) == field) ++last;
        const bool atStart = item == first && offs <= d.GetOffsBeforeItem(item);
        const bool atEnd = item == last && offs >= d.GetOffsAfterItem(item);
        if (!atStart && !atEnd) e.SetCaretAt(last, d.GetOffsAfterItem(last));
      }
    }
    // What stands on either side of the caret now.
    auto sideField = [&](bool before) -> TLTString {
      const int i = e.CurrentItemNo(), o = e.CurrentItemOffset();
      if (i < 0) return {};
      const bool atStart = o <= d.GetOffsBeforeItem(i), atEnd = o >= d.GetOffsAfterItem(i);
      if (before) {
        if (!atStart) return FieldOf(d.GetItem(i));
        return i > 0 && !d.GetItem(i).StartsParagraph() ? FieldOf(d.GetItem(i - 1)) : TLTString();
      }
      if (!atEnd) return FieldOf(d.GetItem(i));
      return i + 1 < d.ItemCount() && !d.GetItem(i + 1).StartsParagraph() ? FieldOf(d.GetItem(i + 1)) : TLTString();
    };
    const bool spaceBefore = sideField(true) == name, spaceAfter = sideField(false) == name;
    if (spaceBefore) e.InsertTextWithTag(u" ", {});
    e.SetCurrentTextStyle(FindOrAddCodeStyle(ltcsFieldCode, *sheet));
    ok = e.InsertTextWithTag(name, TLTTag::FromString(name + u"|"));
    e.SetCurrentTextStyle(keepStyle);
    if (ok && spaceAfter) {
      e.InsertText(u" ", true);
    }
    e.SetUndoGroupMode(false);
  }
  e.SetCurrentTextStyle(keepStyle);
  return ok;
}

bool CodeRange(TCustomLecternEdit& editor, int& first, int& last) {
  TCustomLecternEdit& e = editor.InnermostEditor();
  const TCustomLTData& d = e.CaretContainer();
  if (!e.HasSelection()) {
    first = last = e.CurrentItemNo();
    return first >= 0;
  }
  int so = 0, eo = 0;
  e.GetSelectionBounds(first, so, last, eo, true);
  if (first < 0 || last < 0) return false;
  if (so >= d.GetOffsAfterItem(first)) ++first;
  if (eo <= d.GetOffsBeforeItem(last)) --last;
  return first <= last;
}

namespace {

std::optional<TLTTag> Cleared(const TLTTag& tag) {
  TLTFieldTag field;
  if (!ParseFieldTag(tag, field)) return std::nullopt;
  return field.Own.empty() ? TLTTag() : TLTTag::FromString(field.Own);
}

bool AnyToClear(TCustomLTItemInfo& item) {
  if (Cleared(item.Tag)) return true;
  std::unique_ptr<TLTSubDocCursor> cursor;
  for (TCustomLTData* sub = item.GetSubDocument(cursor, ltsdFirst); sub; sub = item.GetSubDocument(cursor, ltsdNext))
    for (int i = 0; i < sub->ItemCount(); ++i)
      if (AnyToClear(sub->GetItem(i))) return true;
  return false;
}

}  // namespace

bool HasCodesToClear(TCustomLecternEdit& editor) {
  TCustomLecternEdit& e = editor.InnermostEditor();
  int first = 0, last = 0;
  if (!CodeRange(e, first, last)) return false;
  TCustomLTData& d = e.CaretContainer();
  for (int i = first; i <= last; ++i)
    if (AnyToClear(d.GetItem(i))) return true;
  return false;
}

bool ClearCodes(TCustomLecternEdit& editor) {
  TCustomLecternEdit& e = editor.InnermostEditor();
  int first = 0, last = 0;
  if (!CodeRange(e, first, last)) {
    e.Refuse();
    return false;
  }
  if (!e.RetagItems(first, last, Cleared, kClearCodesCaption)) return false;
  const TCustomLTData& d = e.CaretContainer();
  e.SetSelectionBounds(first, d.GetOffsBeforeItem(first), last, d.GetOffsAfterItem(last));
  return true;
}

void KeepFieldValuesWhole(TCustomLecternEdit& editor) {
  editor.OnTypeAtItemEdge = [](TCustomLecternEdit&, const TCustomLTData& data, int itemNo, bool& canJoin) {
    if (!FieldOf(data.GetItem(itemNo)).empty()) canJoin = false;
  };
}

}  // namespace lectern
