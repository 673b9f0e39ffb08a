// Reads a style collection from arbitrary bytes as a damaged document would
// hand it over; whatever was accepted must be written and read back.
// The first byte picks the collection (text, paragraph or list styles),
// whether unknown properties are taken as handled, and whether the bytes are
// a whole component with its children instead.

#include "style/LTPropStream.h"
#include "style/LTStyle.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

lectern::TLTCollection& Chosen(lectern::TLTStyle& sheet, int kind) {
  switch (kind) {
    case 0:
      return sheet.TextStyles();
    case 1:
      return sheet.ParaStyles();
    default:
      return sheet.ListStyles();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  if (size == 0) return 0;
  const int kind = data[0] % 3;
  const bool handled = (data[0] & 0x10) != 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  // A stored component owning components: children are read into sheets
  // of their own or skipped, depth and budget bounded.
  if (data[0] & 0x20) {
    TLTStyle root;
    std::vector<std::unique_ptr<TLTStyle>> children;
    TLTPropReader reader(bytes);
    reader.OnUnknownProperty = [](const std::string&) { return true; };
    const bool ok = reader.ReadComponent(root, nullptr, [&](const std::string&, const std::string& name) {
      if (name.empty() || children.size() >= 16) return static_cast<TLTPersistent*>(nullptr);
      children.push_back(std::make_unique<TLTStyle>());
      return static_cast<TLTPersistent*>(children.back().get());
    });
    if (!ok && reader.Ok()) std::abort();
    return 0;
  }

  TLTStyle sheet;
  TLTPropReader reader(bytes);
  if (handled) reader.OnUnknownProperty = [](const std::string&) { return true; };
  if (!reader.ReadCollection(Chosen(sheet, kind))) {
    if (reader.Ok()) std::abort();  // a failure must say why
    return 0;
  }

  std::string again;
  TLTPropWriter writer(again);
  writer.WriteCollection(Chosen(sheet, kind));
  TLTStyle other;
  TLTPropReader check(again);
  if (!check.ReadCollection(Chosen(other, kind)) || !check.AtEnd()) {
    std::fprintf(stderr, "written collection not readable: %s\n", check.Error().c_str());
    std::abort();
  }
  if (Chosen(other, kind).Count() != Chosen(sheet, kind).Count()) std::abort();
  return 0;
}
