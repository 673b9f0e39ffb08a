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
  if (!HasSelection()) return;
  TLTDragSource source;
  for (const TLTDocumentFormat* f : DocumentFormats()) {
    if (f->MimeType.empty() || !f->Write) continue;
    source.Types.emplace_back(f->MimeType);
    if (!f->AltMimeType.empty()) source.Types.emplace_back(f->AltMimeType);
  }
  // Flavours are written when a target asks, from the selection as it is
  // then, and only while the drag runs: a move deletes the selection
  // afterwards, and a late question must not get something else.
  auto running = std::make_shared<bool>(true);
  source.Render = [this, weak = std::weak_ptr<bool>(running)](std::string_view mime) -> std::optional<std::string> {
    const std::shared_ptr<bool> alive = weak.lock();
    if (!alive || !*alive) return std::nullopt;
    for (const TLTDocumentFormat* f : DocumentFormats())
      if (f->Write && (f->MimeType == mime || (!f->AltMimeType.empty() && f->AltMimeType == mime)))
        return SelectionFlavour(*f);
    return std::nullopt;
  };
  draggingSelf_ = true;
  // The drag runs until the drop; the release it ends with never reaches us.
  const TLTDropEffects effect = Window().StartDrag(source, DragEffects());
  *running = false;
  draggingSelf_ = false;
  DragFinished(effect);
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

std::optional<std::string> TCustomLectern::SelectionFlavour(const TLTDocumentFormat& f) const {
  // A selection inside a table cell is copied from the cell's document.
  const TCustomLTFormattedData& c = Sel();
  int si, so, ei, eo;
  BoundsIn(c, si, so, ei, eo, true);
  if (si < 0 || !f.Write) return std::nullopt;
  const TLTItemRange range{si, so, ei, eo};
  TLTMemoryStream s;
  TLTFormatReport report;
  if (!f.Write(c, &range, s, {}, report)) return std::nullopt;
  std::string bytes = s.TakeData();
  // Programs on this platform end lines of pasted text with LF alone.
  if (f.MimeType == LTMimeText) std::erase(bytes, '\r');
  return f.Pack ? f.Pack(bytes) : std::move(bytes);
}

bool TCustomLectern::SelectionFlavours(TLTClipboardData& clip, std::optional<TLTOptions> copyOptions) const {
  if (!HasSelection()) return false;
  for (const TLTDocumentFormat* f : DocumentFormats()) {
    if (f->MimeType.empty() || !f->Write) continue;
    if (copyOptions && (f->CopyOptions & *copyOptions).Empty()) continue;
    std::optional<std::string> packed = SelectionFlavour(*f);
    if (!packed) continue;
    if (!f->AltMimeType.empty()) clip.Set(f->MimeType, *packed);
    clip.Set(f->AltMimeType.empty() ? f->MimeType : f->AltMimeType, std::move(*packed));
  }
  return true;
}

}  // namespace lectern
