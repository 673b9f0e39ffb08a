// The drawing item list and its deferred-deletion window.

#include "layout/LTDrawLines.h"

#include "model/CLTData.h"

#include <algorithm>

namespace lectern {

void TLTDrawLines::Insert(int index, std::unique_ptr<TLTDrawLineInfo> item) {
  if (deletedCount_ > 0) {
    if (index >= deletedStart_ && index < deletedStart_ + deletedCount_) {
      items_[static_cast<size_t>(deletedStart_)] = std::move(item);
      ++deletedStart_;
      --deletedCount_;
      return;
    }
    // Indices beyond the window count the slots that are about to go.
    const int shift = index >= deletedStart_ + deletedCount_ ? deletedCount_ : 0;
    ClearDeleted();
    index -= shift;
  }
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, std::move(item));
}

void TLTDrawLines::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (deletedCount_ > 0 && index == deletedStart_ - 1) {
    items_[static_cast<size_t>(index)].reset();
    --deletedStart_;
    ++deletedCount_;
    return;
  }
  if (deletedCount_ > 0) {
    if (index >= deletedStart_ && index < deletedStart_ + deletedCount_) return;  // already free
    const int shift = index >= deletedStart_ + deletedCount_ ? deletedCount_ : 0;
    ClearDeleted();
    index -= shift;
  }
  items_.erase(items_.begin() + index);
}

void TLTDrawLines::MoveBack(int from, int to) {
  if (to < 0 || to >= from || from >= Count()) return;
  std::rotate(items_.begin() + to, items_.begin() + from, items_.begin() + from + 1);
}

void TLTDrawLines::MarkDeleted(int first, int last) {
  if (deletedCount_ > 0) ClearDeleted();
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  if (last < first) {
    deletedStart_ = std::clamp(first, 0, Count());
    deletedCount_ = 0;
    return;
  }
  for (int i = first; i <= last; ++i) items_[static_cast<size_t>(i)].reset();
  deletedStart_ = first;
  deletedCount_ = last - first + 1;
}

void TLTDrawLines::ClearDeleted() {
  if (deletedCount_ > 0) {
    const auto b = items_.begin() + deletedStart_;
    items_.erase(b, b + deletedCount_);
  }
  deletedCount_ = 0;
}

void TLTDrawLines::Clear() {
  items_.clear();
  deletedStart_ = -1;
  deletedCount_ = 0;
}

TLTString PieceText(const TLTDrawLineInfo& piece, const TCustomLTData& data, int start, int length) {
  if (piece.ItemNo < 0 || piece.ItemNo >= data.ItemCount() || !data.GetItem(piece.ItemNo).IsText()) return {};
  const TLTString text = data.GetItemTextW(piece.ItemNo);
  const int64_t from = static_cast<int64_t>(piece.Offset) - 1 + std::max(start, 1) - 1;
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(piece.Offset) - 1 + piece.Length, text.size());
  const int64_t n = std::min<int64_t>(std::max(length, 0), end - from);
  if (from < 0 || n <= 0) return {};
  return text.substr(static_cast<size_t>(from), static_cast<size_t>(n));
}

TLTString PieceText(const TLTDrawLineInfo& piece, const TCustomLTData& data) {
  return PieceText(piece, data, 1, piece.Length);
}

}  // namespace lectern
