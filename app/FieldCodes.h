#pragma once
// The commands that put field codes into a template and take them out
// again: the Insert menu's six fields and Edit > Clear Codes. Both work on
// the innermost editor through its undoable operations, so each command is
// one step to undo.

#include "app/ReportMerge.h"

namespace lectern {

class TCustomLecternEdit;


/// The field an item belongs to: the field name of its own tag, else that
/// of the nearest item around its container that carries one (the table a
/// field's content brought). Empty when there is none.
TLTString FieldAt(const TCustomLTData& container, int itemNo);
/// The field at the caret of the innermost editor; from a table cell being
/// edited the search goes on through the editors around it.
TLTString FieldAtCaret(TCustomLecternEdit& editor);

/// Puts the field code of name (a text item reading the name, in the
/// field-code style, tagged "name|") at the caret of the innermost editor,
/// over the selection. A caret inside a field's run moves to the run's end
/// first, and a space keeps the code apart from a run of the same field
/// beside it: the merge treats neighbouring items of one field as one run.
/// The current text style stays. False, after one beep, when nothing could
/// be inserted.
bool InsertFieldCode(TCustomLecternEdit& editor, const TLTString& name);

/// The items Clear Codes works on in the innermost editor: the selection
/// without the items it only touches at their edges, or the caret's item.
/// False when there are none.
bool CodeRange(TCustomLecternEdit& editor, int& first, int& last);
/// Whether Clear Codes would change anything.
bool HasCodesToClear(TCustomLecternEdit& editor);
/// Strips the field part of the tags in CodeRange and in the cells of
/// tables there (a hyperlink keeps its address), as one step; selects the
/// items it looked at. False, after one beep, when no tag changes.
bool ClearCodes(TCustomLecternEdit& editor);

/// Makes text typed beside a field's value (or code) an item of its own,
/// so that the next view switch, which replaces the value, keeps it.
void KeepFieldValuesWhole(TCustomLecternEdit& editor);

/// The undo captions of the two commands.
TLTString InsertFieldCaption(const TLTString& name);
inline constexpr char16_t kClearCodesCaption[] = u"Clear Codes";

}  // namespace lectern
