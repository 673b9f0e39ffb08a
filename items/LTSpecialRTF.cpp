// The RTF of labels, sequence fields and notes: a label is its text, a
// sequence a SEQ field with its shown number as the result, a note the
// note mark followed by its text as a footnote or endnote.

#include "items/LTLabelItem.h"
#include "items/LTNote.h"
#include "items/LTSeqItem.h"

#include "model/CLTData.h"
#include "model/LTRTFWriter.h"

namespace lectern {

namespace {

/// The numbering switch of a SEQ field for a number type.
std::string_view SeqFormatSwitch(TLTSeqType t) {
  switch (t) {
    case ltseqLowerAlpha: return " \\\\* alphabetic";
    case ltseqUpperAlpha: return " \\\\* ALPHABETIC";
    case ltseqLowerRoman: return " \\\\* roman";
    case ltseqUpperRoman: return " \\\\* ROMAN";
    default: return {};
  }
}

}  // namespace

bool TLTLabelItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.PutTextW(LabelText);
  return false;
}

bool TLTSeqItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const std::u16string_view name = GetSeqName();
  w.Put("{\\field{\\*\\fldinst {SEQ ");
  // A name with blanks is one argument only in quotes.
  const bool quoted = name.empty() || name.find_first_of(u" \t\"\\") != std::u16string_view::npos;
  if (quoted) w.Put('"');
  w.PutFieldArgument(name);
  if (quoted) w.Put('"');
  w.Put(SeqFormatSwitch(ShownNumberType(&w.Style())));
  if (Reset) w.Put(" \\\\r ", StartFrom);
  w.Put(" \\\\* MERGEFORMAT }}{\\fldrslt {");
  w.PutTextW(LabelText);
  w.Put("}}}");
  return false;
}

bool TCustomLTNoteItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.Put("\\chftn{\\footnote");
  w.Put(StyleNo == ltikEndnoteItem ? "\\ftnalt " : " ");
  // A note's text stands outside any table, wherever its mark is.
  w.WriteDocument(Document(), 0);
  w.Put('}');
  return false;
}

bool TLTNoteReferenceItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.Put("\\chftn ");
  return false;
}

}  // namespace lectern
