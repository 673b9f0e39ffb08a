// Reads a list style from arbitrary INI text and numbers a document of list
// paragraphs with it, so that damaged formats, levels and counters meet the
// numbering and display-text code.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/LTDocument.h"
#include "platform/LTIniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  // The first bytes choose the markers; the rest is the INI text.
  const size_t markers = size > 0 ? data[0] % 16 : 0;
  const size_t head = std::min(size, 1 + 2 * markers);
  TLTIniFile ini;
  ini.LoadFromString(std::string_view(reinterpret_cast<const char*>(data) + head, size - head));
  TLTDocument doc;
  doc.Style.ListStyles().Add().ReadFromIni(ini, "L", "%s");
  for (size_t i = 1; i + 1 < head; i += 2) {
    const int level = static_cast<int8_t>(data[i]);
    const bool reset = data[i + 1] & 0x80;
    auto marker = std::make_unique<TLTMarkerItemInfo>(data[i + 1] & 1 ? 0 : -1 + (data[i + 1] & 2), level,
                                                      static_cast<int8_t>(data[i + 1]) * 1000003, reset);
    doc.Data.AddItem({}, std::move(marker));
    doc.Data.AddTextW(u"x", 0, -1);
  }
  (void)doc.Data.GetPlainText(0);
  (void)doc.Data.GetPlainText(0, nullptr, true);
  if (doc.Data.ItemCount() > 2) doc.Data.DeleteItems(0, 2);
  doc.Data.RenumberMarkers();
  return 0;
}
