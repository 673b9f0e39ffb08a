// Feeds arbitrary bytes to the plain-text reader of the command-line tool and
// dumps the document, so that every item it builds is also walked.

#include "model/LTDocument.h"
#include "tools/lectern/LecternTool.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  TLTDocument document;
  document.Style.SpacesInTab = size > 0 ? data[0] % 3 : 0;
  TCustomLTData& doc = document.Data;
  std::string error;
  if (ReadTextDocument(std::string_view(reinterpret_cast<const char*>(data), size), doc, error)) {
    std::ostringstream out;
    DumpDocument(doc, out);
    doc.NormalizeRange(0, doc.ItemCount() - 1);
    (void)doc.GetPlainText(0);
  }
  return 0;
}
