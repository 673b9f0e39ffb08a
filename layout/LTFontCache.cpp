// The font info cache.

#include "layout/LTFontCache.h"

#include "platform/LTSysUtils.h"

#include <algorithm>
#include <cstdlib>

namespace lectern {

TLTResolutionScale TLTResolutionScale::ForCanvas(const TLTCanvas& canvas) {
  TLTResolutionScale s;
  s.ScreenPPIX = s.ScreenPPIY = LTScreenPixelsPerInch;
  s.DevicePPIX = canvas.PixelsPerInchX() > 0 ? canvas.PixelsPerInchX() : LTScreenPixelsPerInch;
  s.DevicePPIY = canvas.PixelsPerInchY() > 0 ? canvas.PixelsPerInchY() : LTScreenPixelsPerInch;
  return s;
}

TLTFontInputs TLTFontInputs::Of(const TFontInfo& fi, int pixelsPerInch) {
  TLTFontInputs in;
  in.Style = &fi;
  in.FontName = fi.FontName;
  in.Size = fi.Size;
  in.FontStyle = fi.Style.ToBits();
  in.Charset = fi.Charset;
  in.CharScale = fi.CharScale;
  in.CharSpacing = fi.CharSpacing;
  in.BiDiMode = fi.BiDiMode;
  in.Script = fi.SubSuperScriptType;
  in.VShift = fi.VShift;
  in.PixelsPerInch = pixelsPerInch;
  return in;
}

bool TLTFontInputs::Matches(const TFontInfo& fi, int pixelsPerInch) const {
  return Style == &fi && Size == fi.Size && FontStyle == fi.Style.ToBits() && Charset == fi.Charset &&
         CharScale == fi.CharScale && CharSpacing == fi.CharSpacing && BiDiMode == fi.BiDiMode &&
         Script == fi.SubSuperScriptType && VShift == fi.VShift && PixelsPerInch == pixelsPerInch &&
         FontName == fi.FontName;
}

void TLTFontInfoCache::Clear() {
  items_.clear();
  canvas_ = nullptr;
  style_ = nullptr;
}

namespace {

void Restore(TLTCanvas& canvas, const TLTFontInfoCacheItem& it) {
  canvas.SetFont(it.Font);
  canvas.SetCharacterExtra(it.CharacterExtra);
  canvas.SetReadingOrder(it.ReadingOrder);
}

void Fill(TLTFontInfoCacheItem& it, TLTStyle& style, int styleNo, TLTCanvas& canvas, TLTBiDiMode defBiDiMode) {
  const TFontInfo& fi = style.TextStyles()[styleNo];
  it.TextStyle = &fi;
  it.Inputs = TLTFontInputs::Of(fi, style.TextStyles().PixelsPerInch);
  // Full size first: the script size and offset come from the full font.
  style.ApplyTextStyle(canvas, styleNo, defBiDiMode, true, 0, true);
  int offset = 0;
  it.ScriptSize = 0;
  if (fi.SubSuperScriptType != ltsssNormal) {
    const TLTTextMetrics full = canvas.TextMetrics();
    const int h = std::abs(canvas.Font().Height);
    TLTOutlineMetrics om;
    if (canvas.OutlineMetrics(om)) {
      if (fi.SubSuperScriptType == ltsssSubscript) {
        it.ScriptSize = std::abs(om.SubscriptSizeY);
        offset = -om.SubscriptOffsetY;
      } else {
        it.ScriptSize = std::abs(om.SuperscriptSizeY);
        offset = full.Ascent - om.SuperscriptOffsetY;
      }
    } else {
      it.ScriptSize = RoundHalfEven(h * 2.0 / 3.0);
      offset = fi.SubSuperScriptType == ltsssSubscript ? -RoundHalfEven(h * 0.25) : RoundHalfEven(h * 0.45);
    }
    it.ScriptSize = std::max(it.ScriptSize, 1);
    style.ApplyTextStyle(canvas, styleNo, defBiDiMode, false, it.ScriptSize, true);
  }
  it.Metrics = canvas.TextMetrics();
  // VShift is a percentage of the text height; both are bounded, so the
  // product stays far inside 64 bits.
  const int64_t vshift = std::clamp(fi.VShift, -1000, 1000);
  it.BaselineShift = offset + static_cast<int>(static_cast<int64_t>(it.Metrics.Height) * vshift / 100);
  const TLTSizeI dash = canvas.TextExtent(u"-");
  it.EmptyHeight = dash.Height;
  it.DashWidth = dash.Width;
  it.Font = canvas.Font();
  it.CharacterExtra = canvas.CharacterExtra();
  it.ReadingOrder = canvas.ReadingOrder();
  it.PreparedBiDiMode = defBiDiMode;
  it.Filled = true;
}

}  // namespace

const TLTFontInfoCacheItem& TLTFontInfoCache::Select(TLTStyle& style, int styleNo, TLTCanvas& canvas,
                                                     TLTBiDiMode defBiDiMode) {
  if (canvas_ != &canvas || style_ != &style || ppiX_ != canvas.PixelsPerInchX() || ppiY_ != canvas.PixelsPerInchY()) {
    Clear();
    canvas_ = &canvas;
    style_ = &style;
    ppiX_ = canvas.PixelsPerInchX();
    ppiY_ = canvas.PixelsPerInchY();
  }
  const int count = std::max(style.TextStyles().Count(), 0);
  if (items_.size() != static_cast<size_t>(count) + 1) {
    items_.resize(static_cast<size_t>(count) + 1);
    items_.back() = {};
  }
  TSlots& slots = items_[static_cast<size_t>(styleNo >= 0 && styleNo < count ? styleNo : count)];
  TLTFontInfoCacheItem& it = slots[std::min<size_t>(static_cast<size_t>(defBiDiMode), slots.size() - 1)];
  if (!it.Filled || it.PreparedBiDiMode != defBiDiMode ||
      !it.Inputs.Matches(style.TextStyles()[styleNo], style.TextStyles().PixelsPerInch))
    Fill(it, style, styleNo, canvas, defBiDiMode);
  else
    Restore(canvas, it);
  return it;
}

}  // namespace lectern
