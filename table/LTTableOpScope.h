#pragma once
// The frame of one table operation: its undo group in the editor the table
// lies in, and the layout and change notice at its end.

#include "edit/LTEdit.h"
#include "table/LTTable.h"

#include <exception>

namespace lectern {

/// Opens the operation's undo group in the editor the table lies in and
/// brackets its records; at the end lays the table out again and marks the
/// document changed. Group mode is left also when the operation throws.
class TLTTableItemInfo::TOperationScope {
 public:
  explicit TOperationScope(TLTTableItemInfo& t) : t_(t), editor_(t.Editor()), itemNo_(t.OwnIndex(-1)) {
    if (!editor_ || itemNo_ < 0) {
      editor_ = nullptr;
      return;
    }
    editor_->BeginOwnUndoGroup(ltukItemChange);
    editor_->SetOwnUndoGroupMode(true);
    editor_->EditData().BracketPropertyChanges(TLTPropTarget{itemNo_}, true);
  }
  ~TOperationScope() {
    t_.LayoutInvalid = true;
    if (!editor_) return;
    editor_->EditData().BracketPropertyChanges(TLTPropTarget{itemNo_}, false);
    editor_->SetOwnUndoGroupMode(false);
    if (std::uncaught_exceptions() > 0) return;
    t_.Relayout();
    editor_->MarkChanged(true);
  }
  TOperationScope(const TOperationScope&) = delete;
  TOperationScope& operator=(const TOperationScope&) = delete;

 private:
  TLTTableItemInfo& t_;
  TCustomLecternEdit* editor_;
  int itemNo_;
};

}  // namespace lectern
