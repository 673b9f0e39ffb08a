#pragma once
// Decoders and encoders shared by the picture classes (an icon holds BMP or
// PNG images). Private to the platform library.

#include "platform/LTGraphic.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lectern::codec {

/// True when w x h is a positive size within GraphicPixelLimit().
bool SizeAllowed(int64_t width, int64_t height);
/// True when the pixels have a positive allowed size and matching data.
bool PixelsValid(const TLTPixels& pixels);

/// A whole BMP file (file header first).
bool DecodeBmp(std::string_view bytes, TLTPixels& out);
/// The image of an icon entry: a DIB without file header whose height counts
/// the colour bitmap and the transparency mask after it.
bool DecodeIconDib(std::string_view bytes, TLTPixels& out);
/// 24-bit BMP when every pixel is opaque, else 32-bit with an alpha mask.
std::string EncodeBmp(const TLTPixels& pixels);

bool DecodePng(std::string_view bytes, TLTPixels& out);
bool EncodePng(const TLTPixels& pixels, std::string& out);

bool DecodeJpeg(std::string_view bytes, TLTPixels& out);
bool EncodeJpeg(const TLTPixels& pixels, int quality, std::string& out);

inline uint32_t ArgbPixel(unsigned a, unsigned r, unsigned g, unsigned b) {
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
         static_cast<uint32_t>(b);
}

}  // namespace lectern::codec
