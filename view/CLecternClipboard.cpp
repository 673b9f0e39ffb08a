// The viewer's copy command and dragging of the selection: every flavour
// the options ask for, built from the selection's container, and the
// native format's clipboard packing.

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

std::string PackLTFFlavour(std::string_view ltf) {
  const auto n = static_cast<uint32_t>(ltf.size());
  std::string out;
  out.reserve(ltf.size() + 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  out.append(ltf);
  return out;
}

bool UnpackLTFFlavour(std::string_view bytes, std::string& ltf) {
  ltf.clear();
  if (bytes.size() < 4) return false;
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i)
    n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[static_cast<size_t>(i)])) << (8 * i);
  if (n > bytes.size() - 4) return false;
  ltf.assign(bytes.substr(4, n));
  return true;
}

void TCustomLectern::StartDragging() {
  dragCandidate_ = false;
  StopAutoScroll();
  EndMouseSelection();
  pressedJump_ = -1;
  if (Window().HasCapture()) Window().ReleaseCapture();
  TLTClipboardData data;
  if (!SelectionFlavours(data, true, false, true, true)) return;
  // The drag runs until the drop; the release it ends with never reaches us.
  DragFinished(Window().StartDrag(data, DragEffects()));
}

// ---- Copy -------------------------------------------------------------------------------------

bool TCustomLectern::CopyDefault() {
  const TLTOptions o = Options();
  const bool any = o.Contains(ltoAutoCopyText) || o.Contains(ltoAutoCopyUnicodeText) || o.Contains(ltoAutoCopyLTF) ||
                   o.Contains(ltoAutoCopyImage) || o.Contains(ltoAutoCopyRTF) || OnCopy;
  if (!any || !HasSelection()) return false;
  TLTClipboardData clip;
  {
    TPointerScope scope(copying_, &clip);
    if (OnCopy) OnCopy(*this);
  }
  if (!SelectionFlavours(clip, o.Contains(ltoAutoCopyLTF),
                         o.Contains(ltoAutoCopyText) && !o.Contains(ltoAutoCopyUnicodeText),
                         o.Contains(ltoAutoCopyImage), o.Contains(ltoAutoCopyUnicodeText)))
    return false;
  Window().SetClipboard(clip);
  return true;
}

bool TCustomLectern::SelectionFlavours(TLTClipboardData& clip, bool ltf, bool text8, bool image, bool unicode) const {
  // A selection inside a table cell is copied from the cell's document.
  const TCustomLTFormattedData& c = Sel();
  int si, so, ei, eo;
  BoundsIn(c, si, so, ei, eo, true);
  if (si < 0) return false;
  const TLTItemRange range{si, so, ei, eo};
  if (ltf) {
    TLTMemoryStream s;
    if (c.SaveLTFToStream(s, &range) && s.Size() > 0) clip.Set(LTMimeLTF, PackLTFFlavour(s.TakeData()));
  }
  // The platform's plain text is UTF-8, so 8-bit and Unicode text are one
  // flavour; nothing is lost to a code page.
  const std::string utf8 = text8 || unicode ? Utf16ToUtf8(c.GetPlainText(0, &range)) : std::string();
  if (text8) clip.Set(LTMimeText, utf8);
  if (image) {
    if (const TGraphic* picture = SelectedPicture()) {
      TLTMemoryStream s;
      bool ok = false;
      if (picture->ClassName() == "TPNGImage") {
        ok = picture->SaveToStream(s);
      } else if (const TLTPixels* pixels = picture->Pixels()) {
        TPNGImage png;
        ok = png.SetPixels(*pixels) && png.SaveToStream(s);
      }
      if (ok) clip.Set(LTMimePNG, s.TakeData());
    }
  }
  if (unicode) clip.Set(LTMimeText, utf8);
  return true;
}

}  // namespace lectern
