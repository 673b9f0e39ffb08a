// The HTML of labels, sequence fields and notes: a label and a sequence
// are their text, a note a link to its text, which the writer puts after
// the body.

#include "items/LTLabelItem.h"
#include "items/LTNote.h"
#include "items/LTSeqItem.h"

#include "model/CLTData.h"
#include "model/LTHTMLWriter.h"

namespace lectern {

void TLTLabelItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.PutText(LabelText);
}

void TLTSeqItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.PutText(LabelText);
}

void TCustomLTNoteItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const std::u16string anchor = w.AddNote(StyleNo == ltikEndnoteItem, Counter, Document());
  w.Put("<a");
  w.PutAttr("href", u"#" + anchor);
  w.Put('>');
  w.PutText(LabelText);
  w.Put("</a>");
}

void TLTNoteReferenceItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.PutText(LabelText);
}

}  // namespace lectern
