// Plays arbitrary editing scripts against arbitrary documents: the script
// is the input up to its first NUL byte, the LTF document what follows.
// Whatever keys, clicks, drags and places a script asks for, the editor
// must neither crash nor leave its caret off its stops, and must give the
// document back whole.

#include "edit/LTEdit.h"
#include "interchange/LTFormats.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"
#include "tools/lectern/LecternFormats.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  RegisterTableItemKind();
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t nul = all.find('\0');
  const std::string_view script = all.substr(0, nul);
  const std::string ltf(nul == std::string_view::npos ? std::string_view{} : all.substr(nul + 1));
  const TLTDocumentFormat* format = FindFormatForFile("input.ltf");
  if (!format || !format->Read) std::abort();

  TLTDocument doc;
  int items = -1;
  std::ostringstream out, err;
  PlayEditScript(
      script, "fuzz", doc, 0,
      [&](TLTDocument& d) {
        d.Context.LTFOptions = LTEditorLTFOptions;
        TLTMemoryStream in(ltf);
        TLTFormatReport report;
        if (!format->Read(in, d.Data, report)) d.Data.Clear();
        // Handing items to the editor adds the text a marker ending its
        // paragraph must have; count them as the editor will get them.
        TLTDocument handed;
        handed.Data.AppendFrom(d.Data);
        d.Data.AppendFrom(handed.Data);
        items = d.Data.ItemCount();
        return 0;
      },
      out, err);
  // Until scripts edit, every item comes back (an empty document gets the
  // one empty item an editor with the focus always has).
  if (items >= 0 && doc.Data.ItemCount() != std::max(items, 1)) std::abort();
  return 0;
}
