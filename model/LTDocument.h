#pragma once
// A document outside any control: a root container with a style sheet and
// settings of its own. The command-line tool, the report merge without a
// window, tests and benchmarks use it.

#include "model/CLTData.h"
#include "style/LTStyle.h"

namespace lectern {

class TLTDocument {
 public:
  /// String tags by default, as the application's field codes need them.
  explicit TLTDocument(bool stringTags = true) {
    Context.Style = &Style;
    Context.Options.Set(ltoTagsArePChars, stringTags);
    Data.SetContext(&Context);
  }
  TLTDocument(const TLTDocument&) = delete;
  TLTDocument& operator=(const TLTDocument&) = delete;

  TLTStyle Style;
  TLTDocumentContext Context;
  TCustomLTData Data;
};

}  // namespace lectern
