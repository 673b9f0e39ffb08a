#pragma once
// Builders for small hand-made picture files, so that each reader variant
// is checked against pixels known in advance.

#include "platform/LTGraphic.h"
#include "platform/LTStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lectern::testing {

inline void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

/// A 40-byte-header BMP around raw palette (0x00RRGGBB entries), masks and
/// pixel bytes. Height may be negative (top-down).
inline std::string MakeBmp(int32_t w, int32_t h, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
                           const std::string& pixels, const std::vector<uint32_t>& masks = {}) {
  std::string s = "BM";
  uint32_t off = 14 + 40 + static_cast<uint32_t>(4 * (palette.size() + masks.size()));
  Put32(s, off + static_cast<uint32_t>(pixels.size()));
  Put32(s, 0);
  Put32(s, off);
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(w));
  Put32(s, static_cast<uint32_t>(h));
  Put16(s, 1);
  Put16(s, static_cast<uint32_t>(bpp));
  Put32(s, compression);
  Put32(s, static_cast<uint32_t>(pixels.size()));
  Put32(s, 2835);
  Put32(s, 2835);
  Put32(s, static_cast<uint32_t>(palette.size()));
  Put32(s, 0);
  for (uint32_t m : masks) Put32(s, m);
  for (uint32_t c : palette) Put32(s, c);
  return s + pixels;
}

/// An icon file whose single entry is `image`.
inline std::string MakeIco(int dirWidth, int dirHeight, const std::string& image) {
  std::string ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, 1);
  ico.push_back(static_cast<char>(dirWidth));
  ico.push_back(static_cast<char>(dirHeight));
  ico.push_back(0);
  ico.push_back(0);
  Put16(ico, 1);
  Put16(ico, 32);
  Put32(ico, static_cast<uint32_t>(image.size()));
  Put32(ico, 22);
  return ico + image;
}

/// Pixels where every one differs, optionally with varying alpha
/// (including fully transparent ones).
inline TLTPixels Pattern(int w, int h, bool alpha) {
  TLTPixels px{w, h, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t a = alpha ? static_cast<uint32_t>((x * 37 + y * 11) & 0xFF) : 0xFF;
      px.Data.push_back(a << 24 | static_cast<uint32_t>(x * 7 & 0xFF) << 16 |
                        static_cast<uint32_t>(y * 13 & 0xFF) << 8 | static_cast<uint32_t>((x + y) & 0xFF));
    }
  }
  return px;
}

/// A smooth opaque image that lossy compression keeps close.
inline TLTPixels Gradient(int w, int h) {
  TLTPixels px{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px.Data.push_back(0xFF000000u | static_cast<uint32_t>(x * 255 / w) << 16 |
                        static_cast<uint32_t>(y * 255 / h) << 8 | 0x80u);
  return px;
}

inline std::string SaveBytes(const TGraphic& g) {
  TLTMemoryStream out;
  g.SaveToStream(out);
  return out.Data();
}

inline bool LoadBytes(TGraphic& g, const std::string& bytes) {
  TLTMemoryStream in(bytes);
  return g.LoadFromStream(in);
}

}  // namespace lectern::testing
