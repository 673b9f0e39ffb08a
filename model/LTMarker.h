#pragma once
// List markers: the item at the start of every list paragraph, and the list
// of them that a root document keeps in document order so that inserting,
// removing or changing one renumbers the markers of its list after it.
//
// The marker derives from the item classes, so it lives with them rather
// than with the list styles it refers to.

#include "model/LTItem.h"
#include "style/LTStyle.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace lectern {

class TLTMarkerList;

/// The text of number n in a numbering kind: decimal, bijective letters
/// (empty for 0 or less), Roman numerals ("?" for 0 or less; decimal
/// above 100,000, where numerals stop being readable); empty for kinds
/// without a number.
TLTString ListNumberText(int64_t n, TLTListType kind);

/// A list marker item.
class TLTMarkerItemInfo : public TLTRectItemInfo {
 public:
  TLTMarkerItemInfo() { StyleNo = ltikMarker; }
  TLTMarkerItemInfo(int32_t listNo, int32_t level, int32_t startFrom, bool reset);

  /// List style index; -1 makes the marker inert.
  int32_t ListNo = 0;
  /// Level index; -1 = none; above the last level the last level is used.
  int32_t Level = 0;
  int32_t StartFrom = 0;
  /// Numbering restarts at StartFrom here.
  bool Reset = false;
  /// The number and text renumbering computed.
  int32_t Counter = 1;
  TLTString DisplayString;
  bool NoHTMLImageSize = false;

  /// The level of the list style that this marker shows, or null.
  const TLTListLevel* GetLevelInfo(const TLTStyle* style) const;
  /// The level index within the list style (clamped to its last level), or -1.
  int32_t EffectiveLevel(const TLTStyle* style) const;
  /// Whether the marker takes part in numbering at all.
  bool IsActive() const { return ListNo >= 0 && Level >= 0; }

  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;

  /// The level's picture, image or text in the marker font; a marker
  /// aligned right or centred reaches left of the pen by what it hangs
  /// over, and the text after it starts at the level's first indent at
  /// the earliest.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  int GetPenOffset() const override { return penOffset_; }
  /// Markers take no vertical shift of their own.
  int GetVShift(const TLTDeviceScale& /*scale*/) const override { return 0; }
  const TLTListLevel* GetListLevel(const TLTStyle& style) const override { return GetLevelInfo(&style); }
  /// The marker on the line's baseline; it never shows a selection.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  std::string DumpHead() const override { return "marker"; }
  void DumpFields(std::string& out) const override;

  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;
  TLTString AsText(int lineWidth, const TCustomLTData& owner, bool unicode) const override;
  void MarkStylesInUse(TLTStyleUsage& usage) const override;
  void UpdateStyles(const TLTStyleUsage& usage) override;
  void AttachToDocument(TCustomLTData& owner, int itemNo) override;
  bool ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) override;
  void Removing(TCustomLTData& owner) override;
  /// The marker's text (or picture) in a list-text group, then its list
  /// override and level.
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  /// The text of the marker as shown: its number or the level's bullet.
  std::u16string_view ShownText(const TLTListLevel& level) const { return MarkerText(level); }

 protected:
  const TLTItemIntProperty* FindIntProperty(TLTExtraItemProperty p) const override;
  std::string LTFHeaderTail(const TLTFWriter& w) const override;

 private:
  friend class TLTMarkerList;
  friend class TCustomLTData;
  /// What a text marker shows: its number, or the level's bullet.
  std::u16string_view MarkerText(const TLTListLevel& level) const;
  mutable int cachedIndex_ = -1;  // position in the marker list, checked before use
  // Set by renumbering, which recomputes every later marker of a list after
  // a change in it: the nearest earlier marker of the same list in the same
  // marker list, and the nearest such with a lower level (not owned). The
  // markers between a marker and its lower one are all at its level or
  // deeper, so searches back jump over them.
  const TLTMarkerItemInfo* prevInList_ = nullptr;
  const TLTMarkerItemInfo* lower_ = nullptr;
  int penOffset_ = 0;
};

/// The markers of one document in document order, with an optional link to
/// the list of a document whose numbering this one continues.
class TLTMarkerList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TLTMarkerItemInfo& operator[](int i) const { return *items_.at(static_cast<size_t>(i)); }
  /// Position of a marker, or -1.
  int IndexOf(const TLTMarkerItemInfo& marker) const;
  void Insert(int index, TLTMarkerItemInfo& marker);
  /// Takes a marker out; returns its old position or -1.
  int Remove(const TLTMarkerItemInfo& marker);

  /// Renumbers the markers of one list from position `from` on and rebuilds
  /// their texts.
  void Renumber(int from, int32_t listNo, const TLTStyle* style);
  /// Renumbers every list.
  void RenumberAll(const TLTStyle* style);

  /// The preceding document's markers (not owned); searching backwards
  /// continues at its end.
  TLTMarkerList* PrevMarkerList = nullptr;

 private:
  /// A position in this list or in a linked preceding one.
  struct Cursor {
    const TLTMarkerList* List;
    int Index;
    int Hops = 0;
    /// Steps to the previous marker, into the linked lists; false at the start.
    bool Prev();
    const TLTMarkerItemInfo& Marker() const { return (*List)[Index]; }
  };
  /// The nearest marker of the list before index that takes part in numbering.
  const TLTMarkerItemInfo* PreviousInList(int index, int32_t listNo) const;
  int32_t ComputeCounter(int index, const TLTStyle* style) const;
  TLTString ComputeDisplayString(int index, const TLTStyle* style) const;

  std::vector<TLTMarkerItemInfo*> items_;  // not owned: the items are the document's
};

}  // namespace lectern
