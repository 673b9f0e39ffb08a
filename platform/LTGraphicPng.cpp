// PNG pictures through libpng. libpng reports errors by longjmp, so the
// functions that call it keep everything that changes after setjmp in a
// heap-allocated state object and declare no C++ objects past that point.

#include "platform/LTGraphicCodec.h"
#include "platform/LTStream.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

namespace lectern {

namespace codec {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const unsigned char* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  std::vector<unsigned char> rgba;
  std::vector<png_bytep> rows;
  TLTPixels pixels;
  bool imageRead = false;  // trouble after the image data does not lose it

  ~ReadState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* st = static_cast<ReadState*>(png_get_io_ptr(png));
  if (count > st->size - st->pos) png_error(png, "truncated");
  std::memcpy(out, st->data + st->pos, count);
  st->pos += count;
}

struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string out;
  std::vector<unsigned char> bytes;
  std::vector<png_bytep> rows;

  ~WriteState() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void WriteToMemory(png_structp png, png_bytep data, size_t count) {
  auto* st = static_cast<WriteState*>(png_get_io_ptr(png));
  // An exception must not cross libpng's C frames.
  try {
    st->out.append(reinterpret_cast<const char*>(data), count);
  } catch (...) {
    png_error(png, "out of memory");
  }
}

void FlushMemory(png_structp) {}

// Runs libpng on a prepared state; false on any error it reports. No
// automatic C++ object lives across the longjmp.
bool RunDecode(ReadState* st) {
  if (setjmp(png_jmpbuf(st->png))) return st->imageRead;
  png_set_read_fn(st->png, st, ReadFromMemory);
  png_set_user_limits(st->png, 1u << 24, 1u << 24);
  png_set_chunk_malloc_max(st->png, 16u << 20);
  png_read_info(st->png, st->info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(st->png, st->info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
  if (!SizeAllowed(width, height)) return false;

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(st->png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(st->png);
  if (png_get_valid(st->png, st->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(st->png);
  if (depth == 16) png_set_scale_16(st->png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(st->png);
  png_set_filler(st->png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(st->png);
  png_read_update_info(st->png, st->info);
  if (png_get_rowbytes(st->png, st->info) != static_cast<size_t>(width) * 4) return false;

  // Sizes were checked against the pixel limit. Plain images grow row by
  // row, so a header that promises more than the data holds fails before
  // the whole image is allocated; interlaced ones need it all at once.
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  st->pixels.Width = static_cast<int>(width);
  st->pixels.Height = static_cast<int>(height);
  if (interlace == PNG_INTERLACE_NONE) {
    try {
      st->rgba.resize(rowBytes);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(st->png, st->rgba.data(), nullptr);
      try {
        st->pixels.Data.resize(static_cast<size_t>(y + 1) * width);
      } catch (const std::bad_alloc&) {
        return false;
      }
      uint32_t* dst = st->pixels.Data.data() + static_cast<size_t>(y) * width;
      for (size_t x = 0; x < width; ++x) {
        const unsigned char* p = st->rgba.data() + 4 * x;
        dst[x] = ArgbPixel(p[3], p[0], p[1], p[2]);
      }
    }
  } else {
    try {
      st->rgba.resize(rowBytes * height);
      st->rows.resize(height);
      st->pixels.Data.resize(static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) st->rows[y] = st->rgba.data() + static_cast<size_t>(y) * rowBytes;
    png_read_image(st->png, st->rows.data());
    for (size_t i = 0; i < st->pixels.Data.size(); ++i) {
      const unsigned char* p = st->rgba.data() + 4 * i;
      st->pixels.Data[i] = ArgbPixel(p[3], p[0], p[1], p[2]);
    }
  }
  st->imageRead = true;
  png_read_end(st->png, nullptr);
  return true;
}

bool RunEncode(WriteState* st, const TLTPixels& pixels, bool alpha) {
  if (setjmp(png_jmpbuf(st->png))) return false;
  png_set_write_fn(st->png, st, WriteToMemory, FlushMemory);
  png_set_IHDR(st->png, st->info, static_cast<png_uint_32>(pixels.Width), static_cast<png_uint_32>(pixels.Height), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(st->png, st->info);
  png_write_image(st->png, st->rows.data());
  png_write_end(st->png, nullptr);
  return true;
}

}  // namespace

bool DecodePng(std::string_view bytes, TLTPixels& out) {
  out = TLTPixels{};
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return false;
  std::unique_ptr<ReadState> st;
  try {
    st = std::make_unique<ReadState>();
  } catch (const std::bad_alloc&) {
    return false;
  }
  st->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!st->png) return false;
  st->info = png_create_info_struct(st->png);
  if (!st->info) return false;
  st->data = reinterpret_cast<const unsigned char*>(bytes.data());
  st->size = bytes.size();
  if (!RunDecode(st.get())) return false;
  out = std::move(st->pixels);
  return true;
}

bool EncodePng(const TLTPixels& pixels, std::string& out) {
  out.clear();
  if (!PixelsValid(pixels)) return false;
  const bool alpha =
      std::any_of(pixels.Data.begin(), pixels.Data.end(), [](uint32_t px) { return (px >> 24) != 0xFF; });
  const size_t channels = alpha ? 4 : 3;
  std::unique_ptr<WriteState> st;
  try {
    st = std::make_unique<WriteState>();
    st->bytes.resize(pixels.Data.size() * channels);
    st->rows.resize(static_cast<size_t>(pixels.Height));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t i = 0; i < pixels.Data.size(); ++i) {
    uint32_t px = pixels.Data[i];
    unsigned char* p = st->bytes.data() + channels * i;
    p[0] = static_cast<unsigned char>(px >> 16);
    p[1] = static_cast<unsigned char>(px >> 8);
    p[2] = static_cast<unsigned char>(px);
    if (alpha) p[3] = static_cast<unsigned char>(px >> 24);
  }
  const size_t rowBytes = static_cast<size_t>(pixels.Width) * channels;
  for (size_t y = 0; y < st->rows.size(); ++y) st->rows[y] = st->bytes.data() + y * rowBytes;
  st->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!st->png) return false;
  st->info = png_create_info_struct(st->png);
  if (!st->info) return false;
  if (!RunEncode(st.get(), pixels, alpha)) return false;
  out = std::move(st->out);
  return true;
}

}  // namespace codec

// ---------------------------------------------------------------- TPNGImage

bool TPNGImage::SetPixels(const TLTPixels& pixels) {
  std::string bytes;
  if (!codec::EncodePng(pixels, bytes)) return false;
  SetEncoded(std::move(bytes), pixels);
  return true;
}

bool TPNGImage::Decode(std::string_view bytes, TDecoded& out) {
  if (!codec::DecodePng(bytes, out.Pixels)) return false;
  out.Width = out.Pixels.Width;
  out.Height = out.Pixels.Height;
  return true;
}

}  // namespace lectern
