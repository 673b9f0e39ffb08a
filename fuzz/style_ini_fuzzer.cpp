// Reads text and paragraph styles from arbitrary INI text, then stores and
// compares them, as a style sheet loaded from a damaged file would be used.

#include "platform/LTIniFile.h"
#include "style/LTStyle.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  TLTIniFile ini;
  ini.LoadFromString(std::string_view(reinterpret_cast<const char*>(data), size));
  TLTStyle sheet;
  TFontInfo& text = sheet.TextStyles().Add();
  text.ReadFromIni(ini, "S", "%s");
  TParaInfo& para = sheet.ParaStyles().Add();
  para.ReadFromIni(ini, "S", "%s");
  (void)text.Similarity(sheet.TextStyles()[0]);
  (void)para.Similarity(sheet.ParaStyles()[0]);
  std::vector<int> map;
  TLTStyle other;
  other.TextStyles().MergeStyles(sheet.TextStyles(), ltf_sInsertMerge, map);
  other.ParaStyles().MergeStyles(sheet.ParaStyles(), ltf_sInsertMap, map);
  TLTIniFile out;
  text.WriteToIni(out, "S", "%s");
  para.WriteToIni(out, "S", "%s");
  return 0;
}
