#pragma once
// What documents need of embedded window controls and image lists. The
// toolkit back ends supply the real controls; the document only sizes,
// shows, hides and names them, and the window a document is shown in
// places them (ILTWindow::PlaceControl).

#include "platform/LTGraphic.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace lectern {

/// An embedded window control owned by a control item.
class TLTControl {
 public:
  virtual ~TLTControl() = default;
  /// The class name stored with the control.
  virtual std::string_view ClassName() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  /// True for a window control that can take the keyboard focus.
  virtual bool CanFocus() const = 0;
  /// Makes the control that wide (its item sets its width in percent of
  /// the document's); the height stays.
  virtual void SetWidth(int width) = 0;
  /// Gives the control a size of the user's choosing (a resize handle).
  virtual void SetSize(int width, int height) = 0;
};

/// A list of images of one size, referred to (not owned) by bullet and
/// hotspot items and list levels.
class TLTImageList {
 public:
  int Width = 16;
  int Height = 16;
  /// Numeric tag by which stored documents name the list.
  int64_t Tag = 0;
  std::vector<TLTPixels> Images;
  int Count() const { return static_cast<int>(Images.size()); }
};

}  // namespace lectern
