// Feeds arbitrary bytes to the RTF reader and the import: the first byte
// chooses the style modes, Unicode mode and what is ignored; the rest is
// the RTF, imported into a small document between two paragraphs. Whatever
// was read must write as RTF and LTF, and the LTF must read back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "model/LTRTFWriter.h"
#include "platform/LTStream.h"
#include "rtf/LTRTFImport.h"
#include "table/LTTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  const std::string_view rtf(reinterpret_cast<const char*>(data) + 1, size - 1);
  TLTDocument doc;
  // Stored with its styles, as the editor stores documents.
  doc.Context.LTFOptions = LTEditorLTFOptions;
  doc.Style.SpacesInTab = (mode & 0x40) ? 4 : 0;
  doc.Data.AddTextW(u"one", 0, 0);
  doc.Data.AddTextW(u"two", 1, 0);
  TLTRTFReaderProperties settings;
  static const TLTReaderStyleMode kModes[] = {ltrsAddIfNeeded, ltrsUseClosest, ltrsUseSpecified, ltrsAddIfNeeded};
  settings.TextStyleMode = kModes[mode & 3];
  settings.ParaStyleMode = kModes[(mode >> 2) & 3];
  settings.UnicodeMode = (mode & 0x10) ? ltruMixed : ((mode & 0x20) ? ltruNoUnicode : ltruOnlyUnicode);
  settings.IgnoreTables = (mode & 0x80) != 0 && (mode & 1);
  settings.SkipHiddenText = (mode & 0x80) == 0;
  int index = 1;
  settings.ImportRTFBytes(rtf, doc.Data, index);
  TLTMemoryStream out;
  if (!WriteRTF(doc.Data, nullptr, out)) std::abort();
  TLTMemoryStream ltf;
  if (!doc.Data.SaveLTFToStream(ltf)) std::abort();
  ltf.SetPosition(0);
  TLTDocument back;
  back.Context.LTFOptions = LTEditorLTFOptions;
  if (!back.Data.LoadLTFFromStream(ltf)) std::abort();
  return 0;
}
