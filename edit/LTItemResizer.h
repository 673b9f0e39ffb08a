#pragma once
// The handles around a picture or an embedded control selected alone in an
// editor, and the frame a drag of one of them draws until the button is
// released: then the item takes the frame's size as one undo step.
//
// Handles are numbered 0..3 for the corners clockwise from the top-left,
// 4..7 for the middles of the top, right, bottom and left sides. Their
// points sit 3 pixels inside the item's box, so that they stay on the
// item, unless the item is smaller than 12 pixels either way or updates
// itself (an animation, a control), where they sit 3 pixels outside.

#include "platform/LTCanvas.h"
#include "platform/LTWindow.h"

namespace lectern {

class TCustomLecternEdit;

class TLTItemResizer {
 public:
  /// Handles for drawing item drawItem of the editor's document (not owned:
  /// the editor owns the resizer).
  TLTItemResizer(TCustomLecternEdit& editor, int drawItem);

  int ItemNo() const { return itemNo_; }
  int DrawItem() const { return drawItem_; }
  /// Handle points in the editor's client coordinates.
  TLTPointI HandlePoint(int handle) const;
  /// The first handle within 3 pixels of a client point either way, or -1.
  int HandleAt(int x, int y) const;
  static TLTCursorId HandleCursor(int handle);

  bool IsDragging() const { return dragging_; }
  /// Escape ended the drag; the release has not come yet.
  bool IsCancelled() const { return cancelled_; }
  /// The handle being dragged, -1 when none is.
  int DraggedHandle() const { return dragging_ ? handle_ : -1; }
  void StartDrag(int handle, int x, int y);
  /// The pointer moved: the frame follows it (Ctrl: both sides; Shift or
  /// a corner: the item's proportions).
  void DragTo(int x, int y, TLTShiftState shift);
  /// The button went up: the frame's size, false when the drag was
  /// cancelled or did not run.
  bool EndDrag(int& width, int& height);
  /// Escape: the frame goes, the release after it changes nothing.
  void Cancel();
  /// The frame relative to the item's top-left corner.
  TLTRectI Frame() const { return frame_; }
  /// Everything the resizer draws, client coordinates (for repainting).
  TLTRectI Bounds() const;
  /// Handles, or the frame while dragging, moved by offset.
  void Paint(TLTCanvas& canvas, TLTPointI offset) const;

 private:
  /// The item's top-left corner in client coordinates.
  TLTPointI Origin() const;
  /// A handle's point relative to the item, before the 3-pixel shift.
  TLTPointI RawPoint(int handle) const;
  void KeepProportions(bool topDragged, bool leftDragged, bool symmetric);

  TCustomLecternEdit& editor_;  // not owned: the owner
  int drawItem_;
  int itemNo_;
  /// The item's top-left corner in its document.
  TLTPointI place_;
  int width_, height_;
  /// The content's size (the item without its spacing).
  int contentWidth_, contentHeight_;
  bool handlesOutside_;
  bool dragging_ = false;
  bool cancelled_ = false;
  int handle_ = -1;
  TLTPointI grip_;
  TLTRectI frame_;
};

}  // namespace lectern
