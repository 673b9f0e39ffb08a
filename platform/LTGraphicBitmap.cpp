// Windows bitmaps: the BMP reader (every header version, palettes, bit
// fields, run-length compression), the writer used after SetPixels, and the
// TBitmap class. Every offset and size comes from outside and is checked
// before use.

#include "platform/LTGraphicCodec.h"
#include "platform/LTStream.h"

#include <algorithm>
#include <bit>
#include <new>
#include <vector>

namespace lectern {

namespace codec {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

// Little-endian reads that fail instead of running past the data.
class ByteReader {
 public:
  explicit ByteReader(std::string_view d) : d_(d) {}
  bool Has(uint64_t offset, uint64_t count) const { return offset <= d_.size() && count <= d_.size() - offset; }
  uint8_t U8(size_t off) const { return static_cast<uint8_t>(d_[off]); }
  bool U16(uint64_t off, uint32_t& v) const {
    if (!Has(off, 2)) return false;
    v = U8(off) | (U8(off + 1) << 8);
    return true;
  }
  bool U32(uint64_t off, uint32_t& v) const {
    if (!Has(off, 4)) return false;
    v = static_cast<uint32_t>(U8(off)) | (static_cast<uint32_t>(U8(off + 1)) << 8) |
        (static_cast<uint32_t>(U8(off + 2)) << 16) | (static_cast<uint32_t>(U8(off + 3)) << 24);
    return true;
  }
  size_t Size() const { return d_.size(); }

 private:
  std::string_view d_;
};

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask != 0) {
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
  }
  return c;
}

unsigned Extract(uint32_t v, const Channel& c, unsigned absent) {
  if (c.mask == 0) return absent;
  uint64_t x = (v & c.mask) >> c.shift;
  return static_cast<unsigned>((x * 255 + c.max / 2) / c.max);
}

struct DibLayout {
  int64_t width = 0;
  int64_t height = 0;  // rows of the colour image
  bool topDown = false;
  unsigned bpp = 0;
  uint32_t compression = kBiRgb;
  Channel red, green, blue, alpha;
  bool bitfields = false;
  std::vector<uint32_t> palette;
  uint64_t end = 0;  // offset just after header, masks and colour table
};

// Reads the DIB header at `off`. For icons the height covers the colour
// bitmap and the mask, so it is halved.
bool ReadDibHeader(const ByteReader& r, uint64_t off, bool icon, DibLayout& dib) {
  uint32_t headerSize = 0;
  if (!r.U32(off, headerSize)) return false;
  uint32_t clrUsed = 0;
  unsigned entrySize = 4;
  if (headerSize == 12) {
    uint32_t w = 0, h = 0, bpp = 0;
    if (!r.U16(off + 4, w) || !r.U16(off + 6, h) || !r.U16(off + 10, bpp)) return false;
    dib.width = w;
    dib.height = h;
    dib.bpp = bpp;
    entrySize = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 || headerSize == 108 ||
             headerSize == 124) {
    if (!r.Has(off, headerSize)) return false;
    uint32_t w = 0, h = 0, bpp = 0;
    r.U32(off + 4, w);
    r.U32(off + 8, h);
    r.U16(off + 14, bpp);
    r.U32(off + 16, dib.compression);
    r.U32(off + 32, clrUsed);
    dib.width = static_cast<int32_t>(w);
    int32_t sh = static_cast<int32_t>(h);
    if (sh == INT32_MIN) return false;
    dib.topDown = sh < 0;
    dib.height = sh < 0 ? -static_cast<int64_t>(sh) : sh;
    dib.bpp = bpp;
    // The 64-byte header uses 3 and 4 for Huffman and 24-bit RLE.
    if (headerSize == 64 && dib.compression > kBiRle4) return false;
  } else {
    return false;
  }
  if (!r.Has(off, headerSize)) return false;
  uint64_t pos = off + headerSize;

  if (icon) {
    if (dib.topDown || dib.compression != kBiRgb) return false;
    dib.height /= 2;
  }
  if (!SizeAllowed(dib.width, dib.height)) return false;

  switch (dib.bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  switch (dib.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
      if (dib.bpp != 8 || dib.topDown) return false;
      break;
    case kBiRle4:
      if (dib.bpp != 4 || dib.topDown) return false;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields: {
      if (dib.bpp != 16 && dib.bpp != 32) return false;
      uint32_t m[4] = {0, 0, 0, 0};
      unsigned count = dib.compression == kBiAlphaBitfields ? 4 : 3;
      if (headerSize >= 52) {
        for (unsigned i = 0; i < 3; ++i) r.U32(off + 40 + 4 * i, m[i]);
        if (headerSize >= 56) r.U32(off + 52, m[3]);
      } else {
        for (unsigned i = 0; i < count; ++i) {
          if (!r.U32(pos, m[i])) return false;
          pos += 4;
        }
      }
      dib.red = MakeChannel(m[0]);
      dib.green = MakeChannel(m[1]);
      dib.blue = MakeChannel(m[2]);
      dib.alpha = MakeChannel(m[3]);
      dib.bitfields = true;
      break;
    }
    default:
      return false;
  }

  if (dib.bpp <= 8) {
    uint64_t entries = clrUsed != 0 ? clrUsed : (1u << dib.bpp);
    if (!r.Has(pos, entries * entrySize)) return false;
    uint64_t used = std::min<uint64_t>(entries, 1u << dib.bpp);
    dib.palette.resize(static_cast<size_t>(used));
    for (uint64_t i = 0; i < used; ++i) {
      uint64_t e = pos + i * entrySize;
      dib.palette[i] = ArgbPixel(255, r.U8(e + 2), r.U8(e + 1), r.U8(e));
    }
    pos += entries * entrySize;
  }
  dib.end = pos;
  return true;
}

uint32_t PaletteColor(const DibLayout& dib, unsigned index) {
  return index < dib.palette.size() ? dib.palette[index] : ArgbPixel(255, 0, 0, 0);
}

uint64_t Stride(int64_t width, unsigned bpp) { return ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4; }

// Uncompressed rows. Only the bytes of the last row's pixels must be
// present: some writers drop its padding. Checked before the pixels are
// allocated, so a short file cannot claim a huge image.
bool RowsPresent(const ByteReader& r, uint64_t start, const DibLayout& dib) {
  const uint64_t stride = Stride(dib.width, dib.bpp);
  const uint64_t rowBytes = (static_cast<uint64_t>(dib.width) * dib.bpp + 7) / 8;
  return r.Has(start, stride * static_cast<uint64_t>(dib.height - 1) + rowBytes);
}

bool DecodeRows(const ByteReader& r, std::string_view d, uint64_t start, const DibLayout& dib, TLTPixels& out,
                bool& anyAlpha) {
  const uint64_t stride = Stride(dib.width, dib.bpp);
  if (!RowsPresent(r, start, dib)) return false;
  const auto* base = reinterpret_cast<const uint8_t*>(d.data()) + start;
  anyAlpha = false;
  Channel red = dib.red, green = dib.green, blue = dib.blue, alpha = dib.alpha;
  if (!dib.bitfields && dib.bpp == 16) {
    red = MakeChannel(0x7C00);
    green = MakeChannel(0x03E0);
    blue = MakeChannel(0x001F);
  }
  for (int64_t row = 0; row < dib.height; ++row) {
    const uint8_t* src = base + static_cast<uint64_t>(row) * stride;
    int64_t y = dib.topDown ? row : dib.height - 1 - row;
    uint32_t* dst = out.Data.data() + y * dib.width;
    for (int64_t x = 0; x < dib.width; ++x) {
      switch (dib.bpp) {
        case 1:
          dst[x] = PaletteColor(dib, (src[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          dst[x] = PaletteColor(dib, (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
          break;
        case 8:
          dst[x] = PaletteColor(dib, src[x]);
          break;
        case 16: {
          uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[x] = ArgbPixel(Extract(v, alpha, 255), Extract(v, red, 0), Extract(v, green, 0), Extract(v, blue, 0));
          break;
        }
        case 24:
          dst[x] = ArgbPixel(255, src[3 * x + 2], src[3 * x + 1], src[3 * x]);
          break;
        case 32: {
          const uint8_t* p = src + 4 * x;
          if (dib.bitfields) {
            uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
            dst[x] = ArgbPixel(Extract(v, alpha, 255), Extract(v, red, 0), Extract(v, green, 0), Extract(v, blue, 0));
          } else {
            // The fourth byte is officially unused; it is alpha when any
            // pixel sets it (see FinishAlpha).
            dst[x] = ArgbPixel(p[3], p[2], p[1], p[0]);
            anyAlpha = anyAlpha || p[3] != 0;
          }
          break;
        }
        default:
          return false;
      }
    }
  }
  return true;
}

void MakeOpaque(TLTPixels& out) {
  for (auto& px : out.Data) px |= 0xFF000000u;
}

// Run-length data: cut at the end of the data or the image, whichever comes
// first; pixels the data never sets keep colour 0 of the palette.
void DecodeRle(std::string_view d, uint64_t start, const DibLayout& dib, TLTPixels& out) {
  const bool rle8 = dib.compression == kBiRle8;
  const uint32_t background = PaletteColor(dib, 0);
  std::fill(out.Data.begin(), out.Data.end(), background);
  const auto* p = reinterpret_cast<const uint8_t*>(d.data());
  const uint64_t size = d.size();
  uint64_t pos = start;
  int64_t x = 0;
  int64_t y = 0;  // from the bottom
  auto put = [&](unsigned index) {
    if (x < dib.width && y < dib.height) out.Data[(dib.height - 1 - y) * dib.width + x] = PaletteColor(dib, index);
    ++x;
  };
  while (pos + 2 <= size && y < dib.height) {
    unsigned n = p[pos];
    unsigned c = p[pos + 1];
    pos += 2;
    if (n > 0) {
      for (unsigned k = 0; k < n && x < dib.width; ++k) put(rle8 ? c : ((k & 1) ? (c & 0x0F) : (c >> 4)));
      continue;
    }
    if (c == 0) {  // end of line
      x = 0;
      ++y;
    } else if (c == 1) {  // end of bitmap
      break;
    } else if (c == 2) {  // delta
      if (pos + 2 > size) break;
      x += p[pos];
      y += p[pos + 1];
      pos += 2;
    } else {  // absolute run of c pixels, padded to a 16-bit boundary
      uint64_t bytes = rle8 ? c : (c + 1) / 2;
      uint64_t padded = (bytes + 1) & ~uint64_t{1};
      if (pos + bytes > size) break;
      for (unsigned k = 0; k < c; ++k) {
        unsigned b = p[pos + (rle8 ? k : k / 2)];
        put(rle8 ? b : ((k & 1) ? (b & 0x0F) : (b >> 4)));
      }
      pos += std::min(padded, size - pos);
    }
  }
}

bool AllocatePixels(const DibLayout& dib, TLTPixels& out) {
  try {
    out.Data.assign(static_cast<size_t>(dib.width * dib.height), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  out.Width = static_cast<int>(dib.width);
  out.Height = static_cast<int>(dib.height);
  return true;
}

void PutLE16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void PutLE32(std::string& s, uint32_t v) {
  PutLE16(s, v & 0xFFFF);
  PutLE16(s, v >> 16);
}

}  // namespace

bool DecodeBmp(std::string_view bytes, TLTPixels& out) {
  out = TLTPixels{};
  ByteReader r(bytes);
  if (!r.Has(0, 14) || bytes[0] != 'B' || bytes[1] != 'M') return false;
  DibLayout dib;
  if (!ReadDibHeader(r, 14, false, dib)) return false;
  uint32_t offBits = 0;
  r.U32(10, offBits);
  // A wrong or missing pixel offset is common; the data then follows the
  // colour table.
  uint64_t start = (offBits >= 14 + 12 && offBits < bytes.size()) ? offBits : dib.end;
  if (start >= bytes.size()) return false;
  const bool rle = dib.compression == kBiRle8 || dib.compression == kBiRle4;
  if (!rle && !RowsPresent(r, start, dib)) return false;
  TLTPixels px;
  if (!AllocatePixels(dib, px)) return false;
  if (rle) {
    DecodeRle(bytes, start, dib, px);
  } else {
    bool anyAlpha = false;
    if (!DecodeRows(r, bytes, start, dib, px, anyAlpha)) return false;
    if (dib.bpp == 32 && !dib.bitfields && !anyAlpha) MakeOpaque(px);
  }
  out = std::move(px);
  return true;
}

bool DecodeIconDib(std::string_view bytes, TLTPixels& out) {
  out = TLTPixels{};
  ByteReader r(bytes);
  DibLayout dib;
  if (!ReadDibHeader(r, 0, true, dib) || !RowsPresent(r, dib.end, dib)) return false;
  TLTPixels px;
  if (!AllocatePixels(dib, px)) return false;
  bool anyAlpha = false;
  if (!DecodeRows(r, bytes, dib.end, dib, px, anyAlpha)) return false;
  const bool alphaChannel = dib.bpp == 32 && anyAlpha;
  if (!alphaChannel) MakeOpaque(px);
  // The 1-bit mask after the colour rows marks transparent pixels; an icon
  // with an alpha channel does not need it.
  const uint64_t maskStart = dib.end + Stride(dib.width, dib.bpp) * static_cast<uint64_t>(dib.height);
  const uint64_t maskStride = Stride(dib.width, 1);
  if (!alphaChannel && r.Has(maskStart, maskStride * static_cast<uint64_t>(dib.height))) {
    const auto* mask = reinterpret_cast<const uint8_t*>(bytes.data()) + maskStart;
    for (int64_t row = 0; row < dib.height; ++row) {
      const uint8_t* m = mask + static_cast<uint64_t>(row) * maskStride;
      uint32_t* dst = px.Data.data() + (dib.height - 1 - row) * dib.width;
      for (int64_t x = 0; x < dib.width; ++x) {
        if ((m[x >> 3] >> (7 - (x & 7))) & 1) dst[x] = 0;
      }
    }
  }
  out = std::move(px);
  return true;
}

std::string EncodeBmp(const TLTPixels& pixels) {
  if (!PixelsValid(pixels)) return {};
  const bool opaque =
      std::all_of(pixels.Data.begin(), pixels.Data.end(), [](uint32_t px) { return (px >> 24) == 0xFF; });
  const uint32_t bpp = opaque ? 24 : 32;
  const uint32_t headerSize = opaque ? 40 : 108;
  const uint64_t stride = Stride(pixels.Width, bpp);
  const uint64_t imageSize = stride * static_cast<uint64_t>(pixels.Height);
  const uint64_t offBits = 14 + headerSize;
  const uint64_t fileSize = offBits + imageSize;
  if (fileSize > UINT32_MAX) return {};
  std::string s;
  try {
    s.reserve(static_cast<size_t>(fileSize));
  } catch (const std::bad_alloc&) {
    return {};
  }
  s += "BM";
  PutLE32(s, static_cast<uint32_t>(fileSize));
  PutLE32(s, 0);
  PutLE32(s, static_cast<uint32_t>(offBits));
  PutLE32(s, headerSize);
  PutLE32(s, static_cast<uint32_t>(pixels.Width));
  PutLE32(s, static_cast<uint32_t>(pixels.Height));  // bottom-up
  PutLE16(s, 1);
  PutLE16(s, bpp);
  PutLE32(s, opaque ? kBiRgb : kBiBitfields);
  PutLE32(s, static_cast<uint32_t>(imageSize));
  PutLE32(s, 3780);  // 96 dots per inch
  PutLE32(s, 3780);
  PutLE32(s, 0);
  PutLE32(s, 0);
  if (!opaque) {
    PutLE32(s, 0x00FF0000);
    PutLE32(s, 0x0000FF00);
    PutLE32(s, 0x000000FF);
    PutLE32(s, 0xFF000000);
    PutLE32(s, 0x73524742);   // 'sRGB'
    s.append(36 + 12, '\0');  // end points and gamma, unused for sRGB
  }
  for (int y = pixels.Height - 1; y >= 0; --y) {
    const uint32_t* row = pixels.Data.data() + static_cast<size_t>(y) * pixels.Width;
    size_t rowStart = s.size();
    for (int x = 0; x < pixels.Width; ++x) {
      uint32_t px = row[x];
      s.push_back(static_cast<char>(px & 0xFF));
      s.push_back(static_cast<char>((px >> 8) & 0xFF));
      s.push_back(static_cast<char>((px >> 16) & 0xFF));
      if (!opaque) s.push_back(static_cast<char>(px >> 24));
    }
    s.append(static_cast<size_t>(stride - (s.size() - rowStart)), '\0');
  }
  return s;
}

}  // namespace codec

// ------------------------------------------------------------------ TBitmap

void TBitmap::SetPixels(TLTPixels pixels) {
  std::string bytes = codec::EncodeBmp(pixels);
  SetEncoded(std::move(bytes), std::move(pixels));
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == TLTTransparentMode::tmFixed || pixels_.Empty()) return transparentColor_;
  uint32_t px = pixels_.Data[static_cast<size_t>(pixels_.Height - 1) * pixels_.Width];
  return RGBColor(static_cast<int>((px >> 16) & 0xFF), static_cast<int>((px >> 8) & 0xFF), static_cast<int>(px & 0xFF));
}

bool TBitmap::Decode(std::string_view bytes, TDecoded& out) {
  if (!codec::DecodeBmp(bytes, out.Pixels)) return false;
  out.Width = out.Pixels.Width;
  out.Height = out.Pixels.Height;
  return true;
}

}  // namespace lectern
