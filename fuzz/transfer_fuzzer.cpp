// Pastes and drops what another program could offer: the input is split at
// NUL bytes into the flavours a clipboard or a drag may carry (the native
// block with its length, RTF, a URI list, a browser's link and source
// address, a picture and plain text). Whatever they hold, the editor must
// not crash, every paste and drop must be one step or none, and undoing
// them all must give back the document it started with, byte for byte.
// Addresses of local files are sent to a folder that does not exist, so
// that the URI list is parsed but no file of the machine is read.

#include "edit/LTEdit.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "rtf/LTRTFImport.h"
#include "style/LTStyle.h"
#include "table/LTTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  RegisterTableItemKind();
  RegisterRTFReading();
  static constexpr std::string_view kFlavours[] = {
      LTMimeLTF,       LTMimeRTF,  "text/uri-list", "text/x-moz-url", "text/x-moz-url-priv",
      "image/png",     LTMimeText, LTMimeHTML,
  };
  TLTClipboardData clip;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (const std::string_view mime : kFlavours) {
    if (rest.empty()) break;
    const size_t nul = rest.find('\0');
    std::string bytes(rest.substr(0, nul));
    rest.remove_prefix(nul == std::string_view::npos ? rest.size() : nul + 1);
    if (mime == "text/uri-list")
      for (size_t at = bytes.find("file://"); at != std::string::npos; at = bytes.find("file://", at + 1))
        bytes.insert(at + 7, "/nonexistent-lectern-fuzz");
    clip.Set(mime, std::move(bytes));
  }

  TLTStyle style;
  TLTHeadlessWindow win(300, 200);
  TLecternEdit editor(win);
  editor.SetStyle(&style);
  editor.AcceptDragDropFormats.Include(ltddURL);
  editor.OnReadHyperlink = [](TCustomLecternEdit&, const TLTString& url, TLTString&, int32_t& styleNo, TLTTag& tag) {
    styleNo = 1;
    tag = TLTTag::FromString(url);
  };
  editor.LTData().AddTextW(u"one two", 0, 0);
  editor.LTData().AddTextW(u"three", 0, 0);
  editor.Format();
  win.SetFocused(true);
  editor.EnsureNotEmpty();
  const std::string before = editor.LTData().SaveLTFSubDocument({});

  win.SetClipboard(clip);
  editor.SetSelectionBounds(0, 3, 0, 3);
  editor.PasteCommand();
  for (const TLTPasteChoice& choice : editor.PasteChoices()) editor.PasteFormat(choice.Mime);
  win.DropData(clip, 20, 5);
  win.DropData(clip, 290, 190, {ltdeMove});
  (void)TransferBasePath(TLTClipboardDropData(clip));

  for (int i = 0; i < 1000 && editor.UndoAction() != ltukNone; ++i) editor.Undo();
  if (editor.UndoAction() == ltukNone && editor.LTData().SaveLTFSubDocument({}) != before) std::abort();
  return 0;
}
