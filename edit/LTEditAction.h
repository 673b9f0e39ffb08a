#pragma once
// The undo group of one editing action, shared by the files of the editor.

#include "edit/LTEdit.h"

namespace lectern {

/// Opens an undo group of a kind in group mode for a scope: everything the
/// action records joins it, and an action that recorded nothing leaves no
/// group behind.
class TCustomLecternEdit::TActionScope {
 public:
  TActionScope(TCustomLecternEdit& editor, TLTUndoKind kind) : e_(editor) {
    e_.BeginUndoGroup(kind);
    e_.SetUndoGroupMode(true);
  }
  ~TActionScope() { e_.SetUndoGroupMode(false); }
  TActionScope(const TActionScope&) = delete;
  TActionScope& operator=(const TActionScope&) = delete;

 private:
  TCustomLecternEdit& e_;
};

}  // namespace lectern
