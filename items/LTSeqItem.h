#pragma once
// Numbered sequence fields: labels whose text is a counter shared by every
// field of the same sequence name (compared without case) in a document.
// The root keeps all of them, notes included, in one list in document
// order; inserting or removing one renumbers the fields after it.

#include "items/LTLabelItem.h"
#include "model/CLTData.h"
#include "style/LTStyle.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lectern {

class TLTSeqItemInfo;

/// The name a sequence gets when it is made without one.
inline constexpr std::u16string_view LTDefaultSeqName = u"tlectern";

/// The text of counter value n in a number type: decimal; letters A..Z,
/// AA.. (nothing for 0 or less); Roman numerals ("?" for 0 or less, and
/// decimal above 3999, which Roman numerals cannot write).
TLTString SeqNumberText(int32_t n, TLTSeqType type);
/// The shown text: format with its string placeholder "%s" replaced by
/// number and "%%" as one percent sign; every other character, "%" too,
/// as it is. An empty format shows the number alone. The format is never
/// handed to a formatter: stored and pasted formats are outside input.
TLTString FormatSeqText(std::u16string_view format, std::u16string_view number);

/// The root's list of sequence fields in document order.
class TLTSeqList : public TLTDocumentList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TLTSeqItemInfo& Item(int i) const { return *items_[static_cast<size_t>(i)]; }
  /// The position of the field, or -1.
  int IndexOf(const TLTSeqItemInfo& item) const;
  /// Puts a field that stands at itemNo of owner (part of the document) at
  /// its place in document order and renumbers from there.
  void Insert(TLTSeqItemInfo& item, const TCustomLTData& owner, int itemNo);
  /// Takes a field out; unless the document is going away as a whole,
  /// renumbers its sequence and that of the field now at its place.
  /// Returns the position it had, or -1.
  int Remove(const TLTSeqItemInfo& item, bool renumber);
  /// Numbers the fields named like field index from index on: a field that
  /// restarts takes its StartFrom, every other one the counter of the
  /// nearest earlier field of the name plus 1 (1 for the first).
  void Renumber(int index);
  /// Numbers every field again (after the style sheet's note numbering changed).
  void RenumberAll();

 private:
  /// Renumber; appended: the field at index was just added at the end, and
  /// the last counters tell where its name stands.
  void RenumberFrom(int index, bool appended);
  /// Where a field at (owner, itemNo) goes: after the last one before it.
  int InsertionPoint(const TCustomLTData& owner, int itemNo) const;
  std::vector<TLTSeqItemInfo*> items_;  // not owned: the document's items
  /// The counter of the last field of each sequence, by folded name, while
  /// it is known: fields read in order are numbered without a walk back.
  std::unordered_map<std::u16string, int32_t> lastCounters_;
  bool countersKnown_ = true;
};

/// A numbered sequence field.
class TLTSeqItemInfo : public TLTLabelItemInfo {
 public:
  TLTSeqItemInfo() { StyleNo = ltikNumbering; }
  /// A field of the sequence name (LTDefaultSeqName when empty).
  TLTSeqItemInfo(std::u16string_view seqName, TLTSeqType numberType);

  TLTString SeqName{LTDefaultSeqName};
  TLTSeqType NumberType = ltseqDecimal;
  /// The field restarts its sequence at StartFrom.
  bool Reset = false;
  int32_t StartFrom = 1;
  /// Shown text around the number (see FormatSeqText); may be empty.
  TLTString FormatString;
  /// The value numbering gave the field.
  int32_t Counter = 0;

  /// The number type the field shows (notes take theirs from the sheet).
  virtual TLTSeqType ShownNumberType(const TLTStyle* style) const;
  /// The sequence the field counts in (notes have a fixed one).
  virtual std::u16string_view GetSeqName() const { return SeqName; }
  /// Sets the counter and the text it shows.
  virtual void SetCounter(int32_t value, const TLTStyle* style);
  /// The container the field lies in while it is part of a document (not owned).
  TCustomLTData* Container() const { return container_; }
  /// Its index there (cached; looked up again when the cache is stale).
  int ItemNo() const;
  /// The document's list of fields, or null.
  TLTSeqList* SeqList() const;
  /// Numbers the fields of the field's sequence again from it (after
  /// Reset, StartFrom, NumberType or FormatString changed).
  void Renumber();

  void AttachToDocument(TCustomLTData& owner, int itemNo) override;
  void Removing(TCustomLTData& owner) override;
  void Assign(const TCustomLTItemInfo& source) override;
  std::string DumpHead() const override { return "sequence"; }
  void DumpFields(std::string& out) const override;
  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  /// A SEQ field whose result is the shown number.
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 private:
  friend class TLTSeqList;
  TCustomLTData* container_ = nullptr;  // not owned
  mutable int itemNo_ = -1;
  /// Position in the root's list (a hint; -1 when unknown).
  mutable int listIndex_ = -1;
};

/// Registers the sequence kind (-202).
void RegisterSeqItemKind();

}  // namespace lectern
