// The viewer's copy command and dragging of the selection: every flavour
// of the format registry that the options ask for (a drag takes them all),
// written from the selection's container.

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "view/CLectern.h"

namespace lectern {

namespace {

/// Sets a pointer for a scope and clears it at the end.
class TPointerScope {
 public:
  TPointerScope(TLTClipboardData*& slot, TLTClipboardData* value) : slot_(slot) { slot_ = value; }
  ~TPointerScope() { slot_ = nullptr; }
  TPointerScope(const TPointerScope&) = delete;
  TPointerScope& operator=(const TPointerScope&) = delete;

 private:
  TLTClipboardData*& slot_;
};

}  // namespace

void TCustomLectern::StartDragging() {
  dragCandidate_ = false;
  StopAutoScroll();
  EndMouseSelection();
  pressedJump_ = -1;
  if (Window().HasCapture()) Window().ReleaseCapture();
  TLTClipboardData data;
  if (!SelectionFlavours(data, std::nullopt)) return;
  // The drag runs until the drop; the release it ends with never reaches us.
  DragFinished(Window().StartDrag(data, DragEffects()));
}

// ---- Copy -------------------------------------------------------------------------------------

bool TCustomLectern::CopyDefault() {
  const TLTOptions o = Options();
  const std::vector<const TLTDocumentFormat*> formats = DocumentFormats();
  const bool anyFormat = std::any_of(formats.begin(), formats.end(), [&](const TLTDocumentFormat* f) {
    return !f->MimeType.empty() && f->Write && !(f->CopyOptions & o).Empty();
  });
  if ((!anyFormat && !OnCopy) || !HasSelection()) return false;
  TLTClipboardData clip;
  {
    TPointerScope scope(copying_, &clip);
    if (OnCopy) OnCopy(*this);
  }
  // Nothing to put there leaves what the clipboard holds alone.
  if (!SelectionFlavours(clip, o) || clip.Empty()) return false;
  Window().SetClipboard(clip);
  return true;
}

TLTString TCustomLectern::SelectedText() const {
  if (!HasSelection()) return {};
  const TCustomLTFormattedData& c = Sel();
  int si, so, ei, eo;
  BoundsIn(c, si, so, ei, eo, true);
  if (si < 0) return {};
  const TLTItemRange range{si, so, ei, eo};
  TLTString text = c.GetPlainText(0, &range);
  std::erase(text, u'\r');
  return text;
}

bool TCustomLectern::SelectionFlavours(TLTClipboardData& clip, std::optional<TLTOptions> copyOptions) const {
  // A selection inside a table cell is copied from the cell's document.
  const TCustomLTFormattedData& c = Sel();
  int si, so, ei, eo;
  BoundsIn(c, si, so, ei, eo, true);
  if (si < 0) return false;
  const TLTItemRange range{si, so, ei, eo};
  for (const TLTDocumentFormat* f : DocumentFormats()) {
    if (f->MimeType.empty() || !f->Write) continue;
    if (copyOptions && (f->CopyOptions & *copyOptions).Empty()) continue;
    TLTMemoryStream s;
    TLTFormatReport report;
    if (!f->Write(c, &range, s, {}, report)) continue;
    std::string bytes = s.TakeData();
    // Programs on this platform end lines of pasted text with LF alone.
    if (f->MimeType == LTMimeText) std::erase(bytes, '\r');
    std::string packed = f->Pack ? f->Pack(bytes) : std::move(bytes);
    if (!f->AltMimeType.empty()) clip.Set(f->MimeType, packed);
    clip.Set(f->AltMimeType.empty() ? f->MimeType : f->AltMimeType, std::move(packed));
  }
  return true;
}

}  // namespace lectern
