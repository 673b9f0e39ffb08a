#pragma once
// What layout needs of every text style, measured once per formatting device:
// the font put on the canvas, its metrics, baseline shift and the sizes of
// empty text and of the hyphen a soft hyphen shows at a line end.

#include "platform/LTCanvas.h"
#include "style/LTStyle.h"

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

struct TLTFontInfoCacheItem {
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

/// One slot per text style, filled on first use, plus one for style numbers
/// outside the sheet. A slot keeps the canvas state its style selects, so
/// switching styles costs a state change, never a new measurement.
class TLTFontInfoCache {
 public:
  /// Forgets every slot (styles changed, or another device).
  void Clear();
  /// The slot of styleNo, filled when needed, with its font selected on
  /// the canvas. The cache clears itself when the canvas or its resolution
  /// changes.
  const TLTFontInfoCacheItem& Select(TLTStyle& style, int styleNo, TLTCanvas& canvas, TLTBiDiMode defBiDiMode);

 private:
  std::vector<TLTFontInfoCacheItem> items_;
  TLTFontInfoCacheItem invalid_;
  const TLTCanvas* canvas_ = nullptr;
  const TLTStyle* style_ = nullptr;
  int ppiX_ = 0, ppiY_ = 0;
};

}  // namespace lectern
