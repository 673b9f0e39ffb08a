#pragma once
// An editor on the headless platform for the editor's tests: characters are
// 7 pixels wide and lines of plain text 13 high (10 above the baseline), and
// the editor has no margins.

#include "edit/LTEdit.h"
#include "platform/LTGraphic.h"
#include "platform/headless/LTHeadlessWindow.h"

#include <memory>
#include <string_view>

namespace lectern::testing {

constexpr int W = 7;
constexpr int H = 13;

/// A bitmap of one colour.
inline std::unique_ptr<TGraphic> Pixels(int w, int h, uint32_t argb = 0xFF0000FFu) {
  auto bmp = std::make_unique<TBitmap>();
  TLTPixels px;
  px.Width = w;
  px.Height = h;
  px.Data.assign(static_cast<size_t>(w * h), argb);
  bmp->SetPixels(px);
  return bmp;
}

/// Builds its document paragraph by paragraph, then lays it out and takes
/// the focus (Ready). Counts the beeps of refused actions.
template <class Self>
struct TEditorFixture {
  TLTStyle Style;
  TLTHeadlessWindow Win{40 * W, 10 * H};
  TLecternEdit E{Win};
  int Refusals = 0;

  TEditorFixture() {
    Style.SelectionMode = ltsmChar;
    E.LeftMargin = E.RightMargin = E.TopMargin = E.BottomMargin = 0;
    E.SetStyle(&Style);
    E.OnRefused = [this](TCustomLecternEdit&) { ++Refusals; };
  }
  Self& Para(std::u16string_view text, int style = 0, int para = 0) {
    E.LTData().AddTextW(text, style, para);
    return Me();
  }
  Self& More(std::u16string_view text, int style = 0) {
    E.LTData().AddTextW(text, style, -1);
    return Me();
  }
  Self& Add(std::unique_ptr<TCustomLTItemInfo> item) {
    E.LTData().AddItem({}, std::move(item));
    return Me();
  }
  Self& Ready() {
    E.Format();
    Win.SetFocused(true);
    return Me();
  }

 private:
  Self& Me() { return static_cast<Self&>(*this); }
};

}  // namespace lectern::testing
