// Footnotes, endnotes and note references: the note's document as a
// sub-document, its text after the document's in plain text, its hint, and
// the LTF records that carry the document as a stored stream.

#include "items/LTNote.h"

#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "platform/LTSysUtils.h"

namespace lectern {

namespace {

/// The one document of a note.
class TNoteCursor : public TLTSubDocCursor {
 public:
  std::string Describe() const override { return "note"; }
};

constexpr std::string_view kHintKey = "hint=";

template <class T>
const TLTItemClass& NoteClass(std::string_view name) {
  static const TLTItemClass info{name, [] { return std::unique_ptr<TCustomLTItemInfo>(new T); }};
  return info;
}

}  // namespace

// ---- Notes ------------------------------------------------------------------------------

TCustomLTNoteItemInfo::TCustomLTNoteItemInfo() : document_(std::make_unique<TLTNoteData>()) {}

TCustomLTNoteItemInfo::~TCustomLTNoteItemInfo() = default;

void TCustomLTNoteItemInfo::SetNoteText(std::u16string_view text, int32_t styleNo, TCustomLTData& context) {
  // The context lends the document its style sheet until the note is placed.
  document_->SetParent(&context, this);
  document_->Clear();
  const TLTStyle* style = context.GetStyle();
  if (style && !style->TextStyles().IsValidIndex(styleNo)) styleNo = 0;
  document_->AddTextW(text, styleNo, 0);
}

void TCustomLTNoteItemInfo::SetCounter(int32_t value, const TLTStyle* style) {
  TLTSeqItemInfo::SetCounter(value, style);
  document_->EnumerateItems([](TCustomLTData& data, int itemNo, bool&) {
    if (auto* ref = dynamic_cast<TLTNoteReferenceItemInfo*>(&data.GetItem(itemNo))) ref->RefreshText();
  });
}

void TCustomLTNoteItemInfo::RefreshHint() {
  if (!HintText.empty() && !(HintText == textHint_)) return;  // a hint of its own
  textHint_ = document_->GetPlainText(0);
  HintText = textHint_;
}

void TCustomLTNoteItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) {
  RefreshHint();
  TLTSeqItemInfo::OnDocWidthChange(ctx, availableWidth);
}

TCustomLTData* TCustomLTNoteItemInfo::GetSubDocument(std::unique_ptr<TLTSubDocCursor>& cursor,
                                                     TLTSubDocPosition pos) {
  if (pos != ltsdFirst && pos != ltsdLast) return nullptr;
  cursor = std::make_unique<TNoteCursor>();
  return document_.get();
}

void TCustomLTNoteItemInfo::AttachToDocument(TCustomLTData& owner, int itemNo) {
  document_->SetParent(&owner, this);
  TLTSeqItemInfo::AttachToDocument(owner, itemNo);
  document_->AttachItemsToDocument();
}

void TCustomLTNoteItemInfo::Removing(TCustomLTData& owner) {
  TLTSeqItemInfo::Removing(owner);
  // What the document keeps track of inside the note goes with it.
  for (int i = 0; i < document_->ItemCount(); ++i) document_->GetItem(i).Removing(*document_);
  document_->SetParent(nullptr, nullptr);
}

void TCustomLTNoteItemInfo::AfterLoading(TLTSaveFormat format) {
  TLTSeqItemInfo::AfterLoading(format);
  for (int i = 0; i < document_->ItemCount(); ++i) document_->GetItem(i).AfterLoading(format);
}

void TCustomLTNoteItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTSeqItemInfo::Assign(source);
  const auto* s = dynamic_cast<const TCustomLTNoteItemInfo*>(&source);
  if (!s || s == this) return;
  textHint_ = s->textHint_;
  document_->Clear();
  for (int i = 0; i < s->document_->ItemCount(); ++i) {
    auto copy = CloneItem(s->document_->GetItem(i));
    if (!copy) continue;
    TLTRawByteString text = std::move(copy->Text);
    document_->InsertItemAt(document_->ItemCount(), std::move(text), std::move(copy));
  }
}

void TCustomLTNoteItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  const size_t first = lines.size();
  TLTSeqItemInfo::GetExtraPropertyLines(lines);
  // The hint made from the note's text is shown, never stored.
  if (!textHint_.empty() && HintText == textHint_ && first < lines.size() &&
      lines[first].compare(0, kHintKey.size(), kHintKey) == 0)
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first));
}

TLTString TCustomLTNoteItemInfo::AsTextAfterDocument(int lineWidth) const {
  return u"\r\n" + LabelText + u" " + document_->GetPlainText(lineWidth);
}

bool TCustomLTNoteItemInfo::GetPrintedNote(TLTPrintedNote& note) const {
  note.Placement = GetSeqName() == LTEndnoteSeqName ? ltnpDocumentEnd : ltnpPageFoot;
  note.Mark = TLTString(LabelText);
  note.Document = document_.get();
  return true;
}

void TCustomLTNoteItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const {
  TLTSeqItemInfo::MarkStylesInUse(usage);
  document_->MarkStylesInUse(usage);
}

void TCustomLTNoteItemInfo::UpdateStyles(const TLTStyleUsage& usage) {
  TLTSeqItemInfo::UpdateStyles(usage);
  document_->UpdateStyles(usage);
}

void TCustomLTNoteItemInfo::DumpFields(std::string& out) const {
  TLTLabelItemInfo::DumpFields(out);
  out += " counter=" + IntToStr(Counter);
  if (Reset) out += " restart=" + IntToStr(StartFrom);
}

void TCustomLTNoteItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  std::vector<std::string> lines;
  AppendStyleLines(w, lines);
  lines.emplace_back(Reset ? "1" : "0");
  lines.push_back(IntToStr(StartFrom));
  lines.push_back(LTFName(w));
  SaveLTFRecord(w, forceJoin, w.DataKind(), 1, lines);
  // The document inside is always stored in the compact form: the record
  // already encodes it once in the text form, and encoding every level of
  // notes in notes again would double the size per level.
  TLTFOptions options = w.Options();
  options.Include(ltfoSaveBinary);
  if (w.BinaryMode()) {
    const size_t at = w.BeginBlock();
    document_->AppendLTFSubDocument(w.Out(), options);
    w.EndBlock(at);
  } else {
    w.HexLine(document_->SaveLTFSubDocument(options));
  }
}

bool TCustomLTNoteItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind,
                                         TLTFReadContext& ctx) {
  // The style lines, Reset, StartFrom, the name, then the properties and
  // the document.
  constexpr int kFixedLines = 8;
  if (lineCount < kFixedLines || (dataKind != ltfdkText && dataKind != ltfdkBinary)) return false;
  if (!ReadStyleLines(src, ctx)) return false;
  std::string_view line;
  if (!src.TextLine(line)) return false;
  Reset = line != "0";
  if (!src.TextLine(line)) return false;
  StartFrom = TryStrToInt(line).value_or(1);
  if (!ReadNameLine(src, ctx) || !TCustomLTItemInfo::ReadLTFLines(src, lineCount - kFixedLines, ltfdkText, ctx))
    return false;
  std::string storage;
  std::string_view bytes;
  if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), storage, bytes) || !ctx.ReadSubDocument) return false;
  // The document reaches the sheet and the settings through the container
  // being read; the reader bounds how deep notes may nest.
  document_->SetParent(&ctx.Data, this);
  document_->Clear();
  return ctx.ReadSubDocument(*document_, bytes);
}

TLTFootnoteItemInfo::TLTFootnoteItemInfo() {
  StyleNo = ltikFootnoteItem;
  SeqName = LTFootnoteSeqName;
}

TLTSeqType TLTFootnoteItemInfo::ShownNumberType(const TLTStyle* style) const {
  return style ? style->FootnoteNumbering : ltseqDecimal;
}

TLTEndnoteItemInfo::TLTEndnoteItemInfo() {
  StyleNo = ltikEndnoteItem;
  SeqName = LTEndnoteSeqName;
}

TLTSeqType TLTEndnoteItemInfo::ShownNumberType(const TLTStyle* style) const {
  return style ? style->EndnoteNumbering : ltseqLowerRoman;
}

// ---- Note references --------------------------------------------------------------------

const TCustomLTNoteItemInfo* TLTNoteReferenceItemInfo::Note() const {
  for (const TCustomLTData* d = container_; d; d = d->GetParentData())
    if (const auto* note = dynamic_cast<const TCustomLTNoteItemInfo*>(d->GetOwnerItem())) return note;
  return nullptr;
}

void TLTNoteReferenceItemInfo::RefreshText() {
  const TCustomLTNoteItemInfo* note = Note();
  LabelText = note ? note->LabelText : TLTString();
}

void TLTNoteReferenceItemInfo::AttachToDocument(TCustomLTData& owner, int itemNo) {
  TLTLabelItemInfo::AttachToDocument(owner, itemNo);
  container_ = &owner;
  RefreshText();
}

void TLTNoteReferenceItemInfo::Removing(TCustomLTData& owner) {
  TLTLabelItemInfo::Removing(owner);
  container_ = nullptr;
}

void TLTNoteReferenceItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) {
  RefreshText();
  TLTLabelItemInfo::OnDocWidthChange(ctx, availableWidth);
}

void TLTNoteReferenceItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  std::vector<std::string> lines;
  AppendStyleLines(w, lines);
  lines.push_back(LTFName(w));
  SaveLTFRecord(w, forceJoin, ltfdkText, 0, lines);
}

bool TLTNoteReferenceItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t /*dataKind*/,
                                            TLTFReadContext& ctx) {
  constexpr int kFixedLines = 5;
  if (lineCount < kFixedLines || !ReadStyleLines(src, ctx) || !ReadNameLine(src, ctx)) return false;
  container_ = &ctx.Data;
  RefreshText();
  return TCustomLTItemInfo::ReadLTFLines(src, lineCount - kFixedLines, ltfdkText, ctx);
}

// ---- Registry ---------------------------------------------------------------------------

void RegisterNoteItemKinds() {
  RegisterItemKind(ltikFootnoteItem, NoteClass<TLTFootnoteItemInfo>("TLTFootnoteItemInfo"));
  RegisterItemKind(ltikEndnoteItem, NoteClass<TLTEndnoteItemInfo>("TLTEndnoteItemInfo"));
  RegisterItemKind(ltikNoteBackRef, NoteClass<TLTNoteReferenceItemInfo>("TLTNoteReferenceItemInfo"));
}

void RegisterSpecialItemKinds() {
  RegisterLabelItemKind();
  RegisterSeqItemKind();
  RegisterNoteItemKinds();
}

}  // namespace lectern
