// The toolkit-independent part of the canvas: shortcuts that change one
// field of the font or brush, and character-cluster boundaries over ICU's
// grapheme break rules, which every back end measures by.

#include "platform/LTCanvas.h"

#include <unicode/ubrk.h>
#include <unicode/utypes.h>

#include <memory>

namespace lectern {

namespace {

struct BreakCloser {
  void operator()(UBreakIterator* bi) const { ubrk_close(bi); }
};
using BreakPtr = std::unique_ptr<UBreakIterator, BreakCloser>;

// Opening a break iterator loads rule data, far too slow to do for every
// caret step; one per thread is kept and pointed at each new text.
UBreakIterator* ClusterIterator(std::u16string_view text) {
  thread_local BreakPtr iterator;
  UErrorCode err = U_ZERO_ERROR;
  if (!iterator) {
    iterator.reset(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &err));
    if (U_FAILURE(err)) {
      iterator.reset();
      return nullptr;
    }
  }
  err = U_ZERO_ERROR;
  ubrk_setText(iterator.get(), text.data(), static_cast<int32_t>(text.size()), &err);
  return U_SUCCESS(err) ? iterator.get() : nullptr;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

namespace {

// Everything of a font that changes measurements: all but the colour.
bool SameFace(const TLTCanvasFont& a, const TLTCanvasFont& b) {
  return a.Height == b.Height && a.Width == b.Width && a.Style == b.Style && a.Pitch == b.Pitch &&
         a.Charset == b.Charset && a.Name == b.Name;
}

}  // namespace

void TLTCanvas::SetFont(const TLTCanvasFont& font) {
  const bool same = SameFace(Font(), font);
  DoSetFont(font);
  if (!same) NewStamp();
}

void TLTCanvas::SetCharacterExtra(int pixels) {
  if (pixels == CharacterExtra()) return;
  DoSetCharacterExtra(pixels);
  NewStamp();
}

void TLTCanvas::SetReadingOrder(TLTReadingOrder order) {
  if (order == ReadingOrder()) return;
  DoSetReadingOrder(order);
  NewStamp();
}

void TLTCanvas::Save() {
  DoSave();
  savedStamps_.push_back(stamp_);
}

void TLTCanvas::Restore() {
  DoRestore();
  if (savedStamps_.empty()) return;
  stamp_ = savedStamps_.back();
  savedStamps_.pop_back();
}

void TLTCanvas::SetFontStyle(TFontStyles style) {
  TLTCanvasFont f = Font();
  f.Style = style;
  SetFont(f);
}

void TLTCanvas::SetFontColor(TColor color) {
  TLTCanvasFont f = Font();
  f.Color = color;
  SetFont(f);
}

void TLTCanvas::SetBrushColor(TColor color) {
  TLTBrush b = Brush();
  b.Color = color;
  SetBrush(b);
}

void TLTCanvas::SetBrushStyle(TLTBrushStyle style) {
  TLTBrush b = Brush();
  b.Style = style;
  SetBrush(b);
}

int TLTCanvas::NextClusterBoundary(std::u16string_view text, int i) {
  const int n = static_cast<int>(text.size());
  if (i < 0) return 0;
  if (i >= n) return n;
  if (UBreakIterator* bi = ClusterIterator(text)) {
    const int32_t next = ubrk_following(bi, i);
    return next == UBRK_DONE ? n : next;
  }
  // Without ICU data at least a surrogate pair stays whole.
  return i + 1 < n && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]) ? i + 2 : i + 1;
}

int TLTCanvas::PrevClusterBoundary(std::u16string_view text, int i) {
  const int n = static_cast<int>(text.size());
  if (i <= 0) return 0;
  if (i > n) return n;
  if (UBreakIterator* bi = ClusterIterator(text)) {
    // ICU moves an index inside a surrogate pair back to the pair's start
    // first, which would skip the boundary just before the pair.
    int32_t prev = ubrk_preceding(bi, i);
    if (prev == UBRK_DONE) return 0;
    for (int32_t next = ubrk_following(bi, prev); next != UBRK_DONE && next < i; next = ubrk_following(bi, next))
      prev = next;
    return prev;
  }
  return i >= 2 && IsLowSurrogate(text[i - 1]) && IsHighSurrogate(text[i - 2]) ? i - 2 : i - 1;
}

}  // namespace lectern
