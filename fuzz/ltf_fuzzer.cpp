// Feeds arbitrary bytes to the LTF reader, as a whole-document load or as
// an insertion into a small document, then checks that whatever was read
// writes, reads and writes again to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"

namespace {

std::string Save(lectern::TLTDocument& d) {
  lectern::TLTMemoryStream m;
  if (!d.Data.SaveLTFToStream(m)) std::abort();
  return m.Data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  TLTDocument doc;
  TLTImageList images;
  images.Images.resize(4);
  doc.Context.OnLTFImageListNeeded = [&](int64_t) { return &images; };
  doc.Context.LTFOptions = LTEditorLTFOptions;
  if (mode & 1) doc.Context.LTFOptions.Include(ltfoConvUnknownStylesToZero).Include(ltfoIgnoreUnknownPicFmt);
  if (mode & 2) doc.Context.LTFOptions.Include(ltfoConvLargeImageIdxToZero).Include(ltfoLoadLayout);
  if (mode & 4) doc.Context.LTFTextStylesReadMode = ltf_sInsertMap;
  TLTMemoryStream in(bytes);
  if (mode & 8) {
    doc.Data.AddTextW(u"one", 0, 0);
    doc.Data.AddTextW(u"two", 1, 0);
    int index = mode >> 4;
    doc.Data.InsertLTFAt(in, index);
  } else {
    TLTLayoutInfo layout;
    TLTBackgroundInfo back;
    doc.Data.LoadLTFFromStream(in, &layout, &back);
  }
  (void)doc.Data.GetPlainText(0);

  // What was read, and written, must come back the same.
  if (mode & 0x80) doc.Context.LTFOptions.Exclude(ltfoSaveBinary);
  const std::string first = Save(doc);
  TLTDocument again;
  again.Context.OnLTFImageListNeeded = doc.Context.OnLTFImageListNeeded;
  again.Context.LTFOptions = doc.Context.LTFOptions;
  TLTMemoryStream copy(first);
  if (!again.Data.LoadLTFFromStream(copy)) std::abort();
  if (Save(again) != first) std::abort();
  return 0;
}
