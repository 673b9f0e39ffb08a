// Sequence numbering: names compared without case, restarts, inserts and
// deletes in the middle, fields inside notes and tables, and the number
// texts at their edges.

#include "items/LTNote.h"
#include "items/LTSeqItem.h"
#include "model/LTDocument.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

#include <limits>

namespace lectern {
namespace {

struct SeqDoc {
  TLTDocument D;
  SeqDoc() {
    RegisterSpecialItemKinds();
    RegisterTableItemKind();
  }
  /// A field of the sequence at index (the end for -1).
  TLTSeqItemInfo& Add(std::u16string_view name, int index = -1, bool reset = false, int32_t start = 1) {
    auto f = std::make_unique<TLTSeqItemInfo>(name, ltseqDecimal);
    f->Reset = reset;
    f->StartFrom = start;
    f->SetJoinPrev(index != 0 && D.Data.ItemCount() > 0);
    TLTSeqItemInfo& ref = *f;
    D.Data.InsertItemAt(index < 0 ? D.Data.ItemCount() : index, {}, std::move(f));
    return ref;
  }
  /// The shown texts of the fields of the container, in order.
  static std::u16string Texts(const TCustomLTData& data) {
    std::u16string out;
    for (int i = 0; i < data.ItemCount(); ++i)
      if (const auto* l = dynamic_cast<const TLTLabelItemInfo*>(&data.GetItem(i)))
        out += (out.empty() ? u"" : u" ") + l->LabelText;
    return out;
  }
  std::u16string Texts() const { return Texts(D.Data); }
};

TEST(LTSeqItem, NamesDifferingOnlyInCaseShareOneSequence) {
  SeqDoc s;
  s.Add(u"Figure");
  s.Add(u"figure");
  s.Add(u"FIGURE");
  EXPECT_EQ(s.Texts(), u"1 2 3");
}

TEST(LTSeqItem, ARestartSetsItsValueAndTheFollowingCountOn) {
  SeqDoc s;
  s.Add(u"Table", -1, true, 5);
  s.Add(u"Table");
  s.Add(u"Table");
  EXPECT_EQ(s.Texts(), u"5 6 7");
  // A restart later in the sequence starts it again there.
  s.Add(u"Table", 2, true, 1);
  EXPECT_EQ(s.Texts(), u"5 6 1 2");
}

TEST(LTSeqItem, InsertsAndDeletesInTheMiddleRenumberOnlyTheirSequence) {
  SeqDoc s;
  s.Add(u"a");
  s.Add(u"b");
  s.Add(u"a");
  s.Add(u"b");
  EXPECT_EQ(s.Texts(), u"1 1 2 2");
  s.Add(u"a", 1);
  EXPECT_EQ(s.Texts(), u"1 2 1 3 2");
  s.D.Data.DeleteItems(0, 1);
  EXPECT_EQ(s.Texts(), u"1 1 2 2");
  // Extracting for an undo list renumbers too, and putting it back again.
  auto held = s.D.Data.ExtractItems(1, 1);
  EXPECT_EQ(s.Texts(), u"1 2 1");
  s.D.Data.InsertItemAt(1, {}, std::move(held[0]));
  EXPECT_EQ(s.Texts(), u"1 1 2 2");
}

TEST(LTSeqItem, DeletingRenumbersTheSequenceOfTheFieldThatMovesUp) {
  // The field after the deleted one belongs to another sequence, whose
  // numbers also start from the position the deleted one left.
  SeqDoc s;
  s.Add(u"a", -1, true, 7);
  s.Add(u"b", -1, true, 3);
  s.Add(u"a");
  s.Add(u"b");
  EXPECT_EQ(s.Texts(), u"7 3 8 4");
  s.D.Data.DeleteItems(1, 1);
  EXPECT_EQ(s.Texts(), u"7 8 1");
  s.D.Data.DeleteItems(0, 1);
  EXPECT_EQ(s.Texts(), u"1 1");
  // The last counters follow deletes: a field appended later counts on.
  s.D.Data.DeleteItems(1, 1);
  s.Add(u"b");
  s.Add(u"a");
  EXPECT_EQ(s.Texts(), u"1 1 2");
}

TEST(LTSeqItem, FieldsInsideNotesAndCellsCountInDocumentOrder) {
  SeqDoc s;
  s.Add(u"x");
  auto table = std::make_unique<TLTTableItemInfo>(1, 1);
  TLTTableCellData* cell = table->Cells(0, 0);
  s.D.Data.AddItem({}, std::move(table));
  auto note = std::make_unique<TLTFootnoteItemInfo>();
  TCustomLTNoteItemInfo* n = note.get();
  note->SetJoinPrev(true);
  cell->InsertItemAt(1, {}, std::move(note));
  auto inNote = std::make_unique<TLTSeqItemInfo>(u"x", ltseqDecimal);
  n->Document().InsertItemAt(0, {}, std::move(inNote));
  s.Add(u"x");
  EXPECT_EQ(SeqDoc::Texts(n->Document()), u"2");
  EXPECT_EQ(n->LabelText, u"1");
  EXPECT_EQ(s.Texts(), u"1 3");
  // A field put before the table moves every later one on.
  s.Add(u"X", 1);
  EXPECT_EQ(SeqDoc::Texts(n->Document()), u"3");
  // The table goes with its contents: their numbers leave the sequence.
  s.D.Data.DeleteItems(2, 1);
  EXPECT_EQ(s.Texts(), u"1 2 3");
}

TEST(LTSeqItem, ClearingTheDocumentDropsItsList) {
  SeqDoc s;
  s.Add(u"a");
  s.Add(u"a");
  ASSERT_NE(s.D.Data.GetSeqList(), nullptr);
  s.D.Data.Clear();
  EXPECT_EQ(s.D.Data.GetSeqList(), nullptr);
  s.Add(u"a");
  EXPECT_EQ(s.Texts(), u"1");
}

TEST(LTSeqItem, StartFromNearTheLimitSaturates) {
  SeqDoc s;
  const int32_t max = std::numeric_limits<int32_t>::max();
  s.Add(u"a", -1, true, max - 1);
  s.Add(u"a");
  s.Add(u"a");
  EXPECT_EQ(s.Texts(), u"2147483646 2147483647 2147483647");
  TLTSeqItemInfo& r = s.Add(u"r", -1, true, max);
  r.NumberType = ltseqUpperRoman;
  r.Renumber();
  EXPECT_EQ(r.LabelText, u"2147483647");
}

TEST(LTSeqItem, NumberTextsOfEveryType) {
  struct Case {
    int32_t N;
    TLTSeqType Type;
    std::u16string_view Text;
  };
  const Case cases[] = {
      {0, ltseqDecimal, u"0"},          {-3, ltseqDecimal, u"-3"},       {1, ltseqUpperAlpha, u"A"},
      {26, ltseqUpperAlpha, u"Z"},      {27, ltseqUpperAlpha, u"AA"},    {28, ltseqUpperAlpha, u"AB"},
      {702, ltseqUpperAlpha, u"ZZ"},    {703, ltseqLowerAlpha, u"aaa"},  {0, ltseqLowerAlpha, u""},
      {-1, ltseqUpperAlpha, u""},       {14, ltseqLowerRoman, u"xiv"},   {0, ltseqUpperRoman, u"?"},
      {-5, ltseqLowerRoman, u"?"},      {1994, ltseqUpperRoman, u"MCMXCIV"},
      {3999, ltseqUpperRoman, u"MMMCMXCIX"},
      {4000, ltseqUpperRoman, u"4000"}, {4000, ltseqLowerRoman, u"4000"},
      {2147483647, ltseqUpperAlpha, u"FXSHRXW"},
  };
  for (const Case& c : cases) EXPECT_EQ(SeqNumberText(c.N, c.Type), c.Text) << c.N << " type " << int{c.Type};
}

TEST(LTSeqItem, FormatStringsAreSubstitutedLiterally) {
  EXPECT_EQ(FormatSeqText(u"", u"3"), u"3");
  EXPECT_EQ(FormatSeqText(u"Fig. %s:", u"3"), u"Fig. 3:");
  // Only the first placeholder takes the number; "%%" is one percent
  // sign; other conversions and a lone % stay as they are.
  EXPECT_EQ(FormatSeqText(u"%s/%s", u"3"), u"3/%s");
  EXPECT_EQ(FormatSeqText(u"%d %n %x%%s %", u"3"), u"%d %n %x%s %");
  SeqDoc s;
  TLTSeqItemInfo& f = s.Add(u"a");
  f.FormatString = u"(%s)";
  f.NumberType = ltseqLowerAlpha;
  f.Renumber();
  EXPECT_EQ(f.LabelText, u"(a)");
}

TEST(LTSeqItem, ACopyKeepsTheSequenceAndCountsInTheDocumentItJoins) {
  SeqDoc s;
  TLTSeqItemInfo& f = s.Add(u"Fig", -1, true, 4);
  f.NumberType = ltseqUpperAlpha;
  f.FormatString = u"<%s>";
  f.Renumber();
  auto copy = CloneItem(f);
  auto& c = dynamic_cast<TLTSeqItemInfo&>(*copy);
  EXPECT_EQ(c.SeqName, u"Fig");
  EXPECT_EQ(c.LabelText, u"<D>");
  c.Reset = false;
  c.SetJoinPrev(true);
  s.D.Data.InsertItemAt(1, {}, std::move(copy));
  EXPECT_EQ(s.Texts(), u"<D> <E>");
}

}  // namespace
}  // namespace lectern
