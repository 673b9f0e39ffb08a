#pragma once
// Drawing items: the positioned pieces of items that formatting produces and
// painting, hit testing, the caret and editing work on; and the hyperlink
// rectangles registered with them.

#include "platform/LTTypes.h"

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lectern {

class TCustomLTData;

/// A position in drawing coordinates: a drawing item and the offset in it
/// (text 1..Length+1; other items 0 before, 1 after). Ordered as in the
/// document; DrawItem -1 is no position.
struct TLTDrawPos {
  int DrawItem = -1;
  int Offset = 0;
  auto operator<=>(const TLTDrawPos&) const = default;
};

/// One piece of an item on one line.
class TLTDrawLineInfo {
 public:
  TLTDrawLineInfo() = default;
  TLTDrawLineInfo(int left, int top, int width, int height, int itemNo, bool startsLine)
      : Left(left), Top(top), Width(width), Height(height), ItemNo(itemNo), StartsLine(startsLine) {}
  virtual ~TLTDrawLineInfo() = default;

  void SetPosition(int left, int top, int itemNo, bool startsLine) {
    Left = left;
    Top = top;
    ItemNo = itemNo;
    StartsLine = startsLine;
  }
  void SetSize(int width, int height) {
    Width = width;
    Height = height;
  }
  /// Whether the piece has a part painted separately (descendants).
  virtual bool HasSeparatePart() const { return false; }
  /// Pagination: how many page slices the piece asks for, and whether it
  /// may be split between pages.
  virtual int PageSliceCount() const { return 0; }
  virtual bool IsSplittable() const { return false; }

  /// Width added in front of the text (in reading order) by
  /// justification; part of Width.
  int32_t JustifyExtra = 0;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ItemNo = 0;
  /// Text: 1-based first character of the piece; others 0.
  int32_t Offset = 0;
  /// Text: number of characters; others 0.
  int32_t Length = 0;
  int32_t SpaceBelow = 0;
  int32_t SpaceAbove = 0;
  bool StartsLine = false;
  /// Text: drawn in right-to-left reading order, which puts its leading
  /// space and its JustifyExtra on its right.
  bool RightToLeft = false;

  int LineTop() const { return Top - SpaceAbove; }
  int LineBottom() const { return Top + Height + SpaceBelow; }
};

/// The drawing items of a container, with a window of freed slots that lets
/// a partial re-format replace N pieces by M with one move of the tail.
class TLTDrawLines {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  TLTDrawLineInfo& operator[](int i) const { return *items_[static_cast<size_t>(i)]; }
  TLTDrawLineInfo* Get(int i) const { return items_[static_cast<size_t>(i)].get(); }

  void Add(std::unique_ptr<TLTDrawLineInfo> item) { items_.push_back(std::move(item)); }
  /// Fills the next free slot of the window when there is one.
  void Insert(int index, std::unique_ptr<TLTDrawLineInfo> item);
  /// Frees the item; inside a window the window only widens.
  void Delete(int index);
  /// Moves the item at from back to index to, the items between one place
  /// on; both lie before the window.
  void MoveBack(int from, int to);
  /// Frees first..last and keeps their slots as the window.
  void MarkDeleted(int first, int last);
  /// Removes the slots left in the window.
  void ClearDeleted();
  void Clear();

  int DeletedStart() const { return deletedStart_; }
  int DeletedCount() const { return deletedCount_; }

 private:
  std::vector<std::unique_ptr<TLTDrawLineInfo>> items_;
  int deletedStart_ = -1;
  int deletedCount_ = 0;
};

/// The text of a drawing item (characters Offset..Offset+Length-1 of its
/// item), or of length characters from start (1-based) inside it.
TLTString PieceText(const TLTDrawLineInfo& piece, const TCustomLTData& data);
TLTString PieceText(const TLTDrawLineInfo& piece, const TCustomLTData& data, int start, int length);

/// A hyperlink rectangle: one per hyperlink piece.
struct TLTJumpInfo {
  TCustomLTData* LTData = nullptr;  // not owned
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  int32_t Id = 0;
  /// The piece in LTData's drawing items.
  int32_t DrawItemIndex = 0;
  /// The piece of the container that keeps this list: DrawItemIndex for
  /// its own hyperlinks, the table's piece for those in its cells.
  int32_t OwnerDrawItemIndex = 0;
  int16_t Cursor = 0;  // a TCursor
};

}  // namespace lectern
