#pragma once
// The clean-up pass that runs after every report merge: field contents cut
// from other documents are dropped into the middle of paragraphs, so the
// paragraph rules have to be restored across the whole document.

namespace lectern {

class TCustomLTData;

/// Walks data and, recursively, every document its items hold: each
/// paragraph starts where a paragraph may start and carries one paragraph
/// style, empty text pieces that serve nothing go, a list marker is never
/// followed by another marker, a full-line item or the end, and neighbouring
/// text items that became indistinguishable are joined. Works on the items
/// directly (no undo).
void NormalizeDocument(TCustomLTData& data);

/// Inserts an empty text item at index that continues the paragraph before
/// it: text style 0, paragraph style 0, wide when style 0 is Unicode.
void InsertEmptyText(TCustomLTData& data, int index);

}  // namespace lectern
