#pragma once
// Footnotes and endnotes: sequence fields that own a small document, the
// note's text, numbered in sequences of their own; and the note reference,
// a label inside a note's document that shows the note's number. A note's
// document is a sub-document of the note's container, so that every walk
// over the document (merge, normalization, unused styles, text output)
// reaches it.

#include "items/LTLabelItem.h"
#include "items/LTSeqItem.h"
#include "model/CLTData.h"

#include <memory>
#include <string>
#include <string_view>

namespace lectern {

/// The sequence names of footnotes and endnotes.
inline constexpr std::u16string_view LTFootnoteSeqName = u"@footnote@";
inline constexpr std::u16string_view LTEndnoteSeqName = u"@endnote@";

/// The document of a note.
class TLTNoteData : public TCustomLTData {};

/// A footnote or an endnote.
class TCustomLTNoteItemInfo : public TLTSeqItemInfo {
 public:
  TCustomLTNoteItemInfo();
  ~TCustomLTNoteItemInfo() override;

  /// The note's text; owned, never null.
  TLTNoteData& Document() const { return *document_; }
  /// Replaces the note's text by one paragraph of text in text style
  /// styleNo (0 when the sheet lacks it); the note must not be part of a
  /// document yet.
  void SetNoteText(std::u16string_view text, int32_t styleNo, TCustomLTData& context);

  std::u16string_view GetSeqName() const override = 0;
  /// Also refreshes the note references in the note's document.
  void SetCounter(int32_t value, const TLTStyle* style) override;
  /// The hint is the note's text, unless the note has a hint of its own.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;

  TCustomLTData* GetSubDocument(std::unique_ptr<TLTSubDocCursor>& cursor, TLTSubDocPosition pos) override;
  void AttachToDocument(TCustomLTData& owner, int itemNo) override;
  void Removing(TCustomLTData& owner) override;
  void AfterLoading(TLTSaveFormat format) override;
  void Assign(const TCustomLTItemInfo& source) override;
  void GetExtraPropertyLines(std::vector<std::string>& lines) const override;
  TLTString AsTextAfterDocument(int lineWidth) const override;
  /// Footnotes at the foot of their page, endnotes after the text.
  bool GetPrintedNote(TLTPrintedNote& note) const override;
  void MarkStylesInUse(TLTStyleUsage& usage) const override;
  void UpdateStyles(const TLTStyleUsage& usage) override;
  void DumpFields(std::string& out) const override;

  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  /// The note mark, then the note's text as a footnote or endnote.
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 private:
  /// Keeps the hint showing the note's text, when it has no other.
  void RefreshHint();
  std::unique_ptr<TLTNoteData> document_;
  /// The hint the note made from its text (not stored).
  TLTSharedText textHint_;
};

/// A footnote: numbered in the sheet's FootnoteNumbering.
class TLTFootnoteItemInfo : public TCustomLTNoteItemInfo {
 public:
  TLTFootnoteItemInfo();
  std::u16string_view GetSeqName() const override { return LTFootnoteSeqName; }
  TLTSeqType ShownNumberType(const TLTStyle* style) const override;
  std::string DumpHead() const override { return "footnote"; }
};

/// An endnote: numbered in the sheet's EndnoteNumbering.
class TLTEndnoteItemInfo : public TCustomLTNoteItemInfo {
 public:
  TLTEndnoteItemInfo();
  std::u16string_view GetSeqName() const override { return LTEndnoteSeqName; }
  TLTSeqType ShownNumberType(const TLTStyle* style) const override;
  std::string DumpHead() const override { return "endnote"; }
};

/// Shows the number of the note whose document holds it (nothing elsewhere).
class TLTNoteReferenceItemInfo : public TLTLabelItemInfo {
 public:
  TLTNoteReferenceItemInfo() { StyleNo = ltikNoteBackRef; }
  /// The note whose document holds the reference, or null.
  const TCustomLTNoteItemInfo* Note() const;
  /// Takes the note's number.
  void RefreshText();

  void AttachToDocument(TCustomLTData& owner, int itemNo) override;
  void Removing(TCustomLTData& owner) override;
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  std::string DumpHead() const override { return "noteref"; }
  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 private:
  const TCustomLTData* container_ = nullptr;  // not owned
};

/// Registers the footnote (-203), endnote (-204) and note reference (-205) kinds.
void RegisterNoteItemKinds();
/// Registers every kind of this library: labels, sequences and notes.
void RegisterSpecialItemKinds();

}  // namespace lectern
