// Plays arbitrary editing scripts against arbitrary documents: the script
// is the input up to its first NUL byte, the LTF document what follows.
// Whatever keys, clicks, drags, edits and styles a script asks for, the
// editor must not crash, and undoing every step must give back the items
// it started with, byte for byte. Scripts read no files here.

#include "edit/LTEdit.h"
#include "interchange/LTFormats.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"
#include "tools/lectern/LecternFormats.h"

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

  // Files are the one thing a script reaches outside the input with.
  std::string lines;
  for (size_t at = 0; at < script.size();) {
    size_t end = script.find('\n', at);
    if (end == std::string_view::npos) end = script.size();
    const std::string_view line = script.substr(at, end - at);
    if (line.find("insert-file") == std::string_view::npos && line.find("insert-picture") == std::string_view::npos &&
        line.find("-file") == std::string_view::npos && line.find("clipboard-add") == std::string_view::npos) {
      lines.append(line);
      lines += '\n';
    }
    at = end + 1;
  }

  TLTDocument doc;
  std::ostringstream out, err;
  std::string before;
  PlayEditScript(
      lines, "fuzz", doc, 0,
      [&](TLTDocument& d) {
        d.Context.LTFOptions = LTEditorLTFOptions;
        TLTMemoryStream in(ltf);
        TLTFormatReport report;
        if (!format->Read(in, d.Data, report)) d.Data.Clear();
        return 0;
      },
      out, err,
      [&](TCustomLecternEdit& e, bool finished) {
        e.SetReadOnly(false);
        if (!finished) {
          e.EnsureNotEmpty();
          before = e.LTData().SaveLTFSubDocument({});
          return;
        }
        // A cell still open holds its items in its editor; saving gives
        // them back first, and so does this comparison (its history joins
        // the document's, to be undone too).
        for (int round = 0; round < 2; ++round) {
          for (int i = 0; i < 200000 && e.UndoAction() != ltukNone; ++i) e.Undo();
          e.EndNestedEditing();
        }
        if (e.UndoAction() == ltukNone && e.LTData().SaveLTFSubDocument({}) != before) std::abort();
      });
  return 0;
}
