#pragma once
// What painting is given, by value: the part of the canvas to paint, where
// the document lies on it, and the state of the view it is shown in (the
// selection, the hovered hyperlink, the focus, the output). That state
// belongs to the control; painting reads it from here only and never
// changes the document it paints.

#include "layout/LTDrawLines.h"
#include "model/LTItem.h"
#include "platform/LTCanvas.h"

#include <vector>

namespace lectern {

class TCustomLTFormattedData;

/// A selection as painting sees it: the container it lies in and its two
/// ends in that container's drawing positions.
struct TLTSelection {
  const TCustomLTFormattedData* Data = nullptr;  // not owned; null: none
  TLTDrawPos Anchor;
  TLTDrawPos End;

  bool Exists() const { return Data && Anchor.DrawItem >= 0 && End.DrawItem >= 0; }
};

struct TLTPaintContext {
  /// The part to paint, in canvas coordinates.
  TLTRectI Clip;
  /// Where the container's document coordinates (0, 0) lie on the canvas.
  TLTPointI Origin;
  TLTSelection Selection;
  /// Every piece counts as selected (the cells of a table selected whole).
  bool WhollySelected = false;
  /// The hyperlink shown hovered, -1 for none.
  int HoverJumpId = -1;
  /// The item under an editor's caret, which paints itself as current
  /// (fields show it); compared only.
  const TCustomLTItemInfo* CurrentItem = nullptr;
  /// The state every item starts from: focus, printing, another canvas.
  TLTItemDrawState State;
  /// How colours reach paper when printing.
  TLTOutputColorMode ColorMode = ltocAsIs;
  /// Skip pieces whose bottom lies below the clip.
  bool WholeLinesOnly = false;
  /// Skip text pieces that the clip's top or bottom edge cuts: a page shows
  /// every line of text on one page only, also in table cells.
  bool TextInsideClipOnly = false;
  /// Soft page breaks to mark (item numbers where printed pages begin).
  const std::vector<int>* SoftPageBreaks = nullptr;

  bool IsPrinting() const { return State.Contains(ltidsPrinting); }
  bool IsFocused() const { return State.Contains(ltidsFocused); }
};

}  // namespace lectern
