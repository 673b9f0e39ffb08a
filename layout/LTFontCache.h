#pragma once
// What layout needs of every text style, measured once per formatting device:
// the font put on the canvas, its metrics, baseline shift and the sizes of
// empty text and of the hyphen a soft hyphen shows at a line end.

#include "platform/LTCanvas.h"
#include "style/LTStyle.h"

#include <array>
#include <vector>

namespace lectern {

/// Style lengths (screen pixels) to device pixels, plus the container's
/// margins in device pixels.
struct TLTResolutionScale : TLTDeviceScale {
  int LeftMargin = 0;
  int RightMargin = 0;
  /// The scale for a canvas at its resolution against the 96-dpi screen.
  static TLTResolutionScale ForCanvas(const TLTCanvas& canvas);
  bool IsScreen() const { return DevicePPIX == ScreenPPIX && DevicePPIY == ScreenPPIY; }
};

/// What a text style's font and measures come from: a filled slot is
/// filled again when any of it changed (a style edited in place, a sheet
/// whose styles were replaced).
struct TLTFontInputs {
  const TFontInfo* Style = nullptr;  // not owned
  TLTString FontName;
  int32_t Size = 0;
  uint8_t FontStyle = 0;
  TFontCharset Charset = 0;
  int32_t CharScale = 0;
  int32_t CharSpacing = 0;
  TLTBiDiMode BiDiMode = ltbdUnspecified;
  TLTSubSuperScriptType Script = ltsssNormal;
  int32_t VShift = 0;
  int32_t PixelsPerInch = 0;
  static TLTFontInputs Of(const TFontInfo& fi, int pixelsPerInch);
  bool Matches(const TFontInfo& fi, int pixelsPerInch) const;
};

struct TLTFontInfoCacheItem {
  TLTFontInputs Inputs;
  TLTCanvasFont Font;
  int CharacterExtra = 0;
  TLTReadingOrder ReadingOrder = TLTReadingOrder::LeftToRight;
  const TFontInfo* TextStyle = nullptr;
  TLTTextMetrics Metrics;
  int ScriptSize = 0;
  int BaselineShift = 0;
  int EmptyHeight = 0;
  int DashWidth = 0;
  TLTBiDiMode PreparedBiDiMode = ltbdUnspecified;
  bool Filled = false;
};

/// One slot per text style and reading order, filled on first use, plus
/// one per reading order for style numbers outside the sheet. A slot keeps
/// the canvas state its style selects, so switching styles costs a state
/// change, never a new measurement. A cache never used holds no slot.
class TLTFontInfoCache {
 public:
  /// Forgets every slot (styles changed, or another device).
  void Clear();
  /// The slot of styleNo, filled when needed, with its font selected on
  /// the canvas. The cache clears itself when the canvas or its resolution
  /// changes, and fills a slot again when its style changed.
  const TLTFontInfoCacheItem& Select(TLTStyle& style, int styleNo, TLTCanvas& canvas, TLTBiDiMode defBiDiMode);

 private:
  // By the paragraphs' reading order (a TLTBiDiMode), which decides the
  // canvas's reading order and character extra; the styles' slots, then
  // those of style numbers outside the sheet.
  using TSlots = std::array<TLTFontInfoCacheItem, 3>;
  std::vector<TSlots> items_;
  const TLTCanvas* canvas_ = nullptr;
  const TLTStyle* style_ = nullptr;
  int ppiX_ = 0, ppiY_ = 0;
};

}  // namespace lectern
