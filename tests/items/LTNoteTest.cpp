// Notes and labels in storage and text: LTF round trips in both forms,
// note documents holding tables, lists and note references, nesting that
// outside input cannot push past the reader's limit, plain text, and the
// walks that must reach into notes.

#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/model/LTFTestIO.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using testing::Load;
using testing::Save;

const TLTFOptions kText = LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary};

template <class T>
T& Append(TCustomLTData& into, std::unique_ptr<T> item) {
  T& ref = *item;
  item->SetJoinPrev(into.ItemCount() > 0);
  into.InsertItemAt(into.ItemCount(), {}, std::move(item));
  return ref;
}

/// Text, a label, a sequence, a footnote whose document holds a note
/// reference, a list paragraph, a table and an endnote, and an endnote.
struct NoteDoc {
  TLTDocument D;
  TCustomLTNoteItemInfo* Foot = nullptr;
  NoteDoc() {
    RegisterSpecialItemKinds();
    RegisterTableItemKind();
    TLTListLevel& level = D.Style.ListStyles().Add().Levels.Add();
    level.ListType = ltlstDecimal;
    D.Data.AddTextW(u"Body", 0, 0);
    auto label = std::make_unique<TLTLabelItemInfo>();
    label->LabelText = u"see\r\nbelow";
    label->TextStyleNo = 1;
    label->MinWidth = 40;
    label->LabelAlignment = ltaCenter;
    label->ProtectTextStyleNo = true;
    label->HintText = u"a hint";
    Append(D.Data, std::move(label));
    auto seq = std::make_unique<TLTSeqItemInfo>(u"Figure", ltseqUpperRoman);
    seq->FormatString = u"Fig. %s";
    seq->Reset = true;
    seq->StartFrom = 4;
    Append(D.Data, std::move(seq));
    auto foot = std::make_unique<TLTFootnoteItemInfo>();
    foot->TextStyleNo = 1;
    foot->SetNoteText(u" first note", 0, D.Data);
    auto ref = std::make_unique<TLTNoteReferenceItemInfo>();
    ref->TextStyleNo = 1;
    foot->Document().InsertItemAt(0, {}, std::move(ref));
    foot->Document().GetItem(1).SetJoinPrev(true);
    Foot = &Append(D.Data, std::move(foot));
    TLTNoteData& nd = Foot->Document();
    auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false);
    nd.InsertItemAt(nd.ItemCount(), {}, std::move(marker));
    nd.AddTextW(u"listed", 0, -1);
    auto table = std::make_unique<TLTTableItemInfo>(1, 2);
    table->Cells(0, 1)->Clear();
    table->Cells(0, 1)->AddTextW(u"cell", 0, 0);
    nd.AddItem({}, std::move(table));
    auto inner = std::make_unique<TLTEndnoteItemInfo>();
    inner->SetNoteText(u"inner", 0, D.Data);
    nd.AddTextW(u"x", 0, 0);
    Append<TCustomLTNoteItemInfo>(nd, std::move(inner));
    auto end = std::make_unique<TLTEndnoteItemInfo>();
    end->SetNoteText(u"last", 0, D.Data);
    Append<TCustomLTNoteItemInfo>(D.Data, std::move(end));
  }
};

TEST(LTNote, DocumentsWithEveryKindRoundTripByteForByteInBothForms) {
  for (TLTFOptions options : {LTEditorLTFOptions, kText}) {
    NoteDoc n;
    const std::string first = Save(n.D, options);
    TLTDocument back;
    ASSERT_TRUE(Load(back, first, options)) << back.Context.LTFError;
    EXPECT_EQ(Save(back, options), first) << "binary: " << options.Contains(ltfoSaveBinary);
    // What was read numbers itself as the original did.
    auto* foot = dynamic_cast<TCustomLTNoteItemInfo*>(&back.Data.GetItem(3));
    ASSERT_NE(foot, nullptr);
    EXPECT_EQ(foot->LabelText, u"1");
    EXPECT_EQ(dynamic_cast<TLTLabelItemInfo&>(foot->Document().GetItem(0)).LabelText, u"1");
    EXPECT_EQ(dynamic_cast<TLTLabelItemInfo&>(back.Data.GetItem(2)).LabelText, u"Fig. IV");
    const auto& label = dynamic_cast<TLTLabelItemInfo&>(back.Data.GetItem(1));
    EXPECT_EQ(label.LabelText, u"see\r\nbelow");
    EXPECT_EQ(label.TextStyleNo, 1);
    EXPECT_EQ(label.MinWidth, 40);
    EXPECT_EQ(label.LabelAlignment, ltaCenter);
    EXPECT_TRUE(label.ProtectTextStyleNo);
    EXPECT_EQ(label.HintText, u"a hint");
  }
}

TEST(LTNote, EndnotesInsideANoteCountInDocumentOrder) {
  NoteDoc n;
  // Endnotes use the sheet's lower-case Roman numerals: the one inside the
  // footnote comes first.
  auto& last = dynamic_cast<TLTLabelItemInfo&>(n.D.Data.GetItem(4));
  EXPECT_EQ(last.LabelText, u"ii");
  n.D.Style.EndnoteNumbering = ltseqUpperAlpha;
  dynamic_cast<TLTSeqList*>(n.D.Data.GetSeqList())->RenumberAll();
  EXPECT_EQ(last.LabelText, u"B");
}

TEST(LTNote, StyleNamesInLabelLinesAreLookedUpNotMapped) {
  NoteDoc n;
  const std::string bytes = Save(n.D, LTEditorLTFOptions | TLTFOptions{ltfoUseStyleNames});
  EXPECT_NE(bytes.find(LTFQuote(n.D.Style.TextStyles()[1].StyleName)), std::string::npos);
  TLTDocument back;
  ASSERT_TRUE(Load(back, bytes)) << back.Context.LTFError;
  EXPECT_EQ(dynamic_cast<TLTLabelItemInfo&>(back.Data.GetItem(1)).TextStyleNo, 1);
  EXPECT_EQ(dynamic_cast<TLTLabelItemInfo&>(back.Data.GetItem(3)).TextStyleNo, 1);
}

TEST(LTNote, NotesNestedPastTheReadersLimitAreRefused) {
  RegisterSpecialItemKinds();
  TLTDocument d;
  TCustomLTData* into = &d.Data;
  for (int level = 0; level < LTFMaxNesting + 2; ++level) {
    auto note = std::make_unique<TLTFootnoteItemInfo>();
    TCustomLTData* next = &note->Document();
    Append(*into, std::move(note));
    into = next;
  }
  into->AddTextW(u"core", 0, 0);
  const std::string bytes = Save(d, LTEditorLTFOptions);
  TLTDocument back;
  EXPECT_FALSE(Load(back, bytes));
  EXPECT_NE(back.Context.LTFError.find("nested"), std::string::npos) << back.Context.LTFError;
}

TEST(LTNote, PlainTextEndsWithTheNoteTextsAfterTheirNumbers) {
  NoteDoc n;
  const TLTString text = n.D.Data.GetPlainText(0);
  // The document, with every note's number where the note stands ...
  EXPECT_EQ(text.rfind(u"Bodysee\r\nbelowFig. IV1ii\r\n", 0), 0u) << Utf16ToUtf8(text);
  // ... then each note's text after its number, in document order, with
  // the note reference showing its note's number.
  EXPECT_NE(text.find(u"\r\n1 1 first note\r\n"), TLTString::npos);
  EXPECT_NE(text.find(u"cell\r\n\r\nxi\r\ni inner\r\nii last"), TLTString::npos) << Utf16ToUtf8(text);
  EXPECT_EQ(text.size() - text.rfind(u"ii last"), 7u);
}

TEST(LTNote, UnusedStylesAndRenumberedStylesReachIntoNotes) {
  NoteDoc n;
  const int before = n.D.Style.TextStyles().Count();
  n.D.Style.TextStyles().Add().Standard = false;  // unused
  n.D.Style.TextStyles().Add().Standard = false;  // used only in the note
  n.Foot->Document().AddTextW(u"styled", before + 1, 0);
  n.D.Data.DeleteUnusedStyles(true, false, false);
  EXPECT_EQ(n.D.Style.TextStyles().Count(), before + 1);
  EXPECT_EQ(n.Foot->Document().GetItem(n.Foot->Document().ItemCount() - 1).StyleNo, before);
}

TEST(LTNote, HintShowsTheTextUnlessTheNoteHasItsOwnAndIsNeverStored) {
  NoteDoc n;
  auto& last = dynamic_cast<TCustomLTNoteItemInfo&>(n.D.Data.GetItem(4));
  TLTHeadlessCanvas canvas;
  TLTDeviceScale scale;
  TLTItemLayoutContext ctx{canvas, n.D.Style, scale, &n.D.Data};
  last.OnDocWidthChange(ctx, 100);
  EXPECT_EQ(last.HintText, u"last");
  EXPECT_EQ(Save(n.D, LTEditorLTFOptions).find("hint=last"), std::string::npos);
  auto copy = CloneItem(last);
  std::vector<std::string> lines;
  copy->GetExtraPropertyLines(lines);
  EXPECT_TRUE(lines.empty());
  last.HintText = u"own";
  last.OnDocWidthChange(ctx, 100);
  EXPECT_EQ(last.HintText, u"own");
}

}  // namespace
}  // namespace lectern
