// JPEG pictures through libjpeg. Its errors arrive through a longjmp from
// our error manager (libjpeg's default would end the process), so the
// functions that call it keep all changing data in a heap-allocated state
// and declare no C++ objects after setjmp.

#include "platform/LTGraphicCodec.h"
#include "platform/LTStream.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <cstring>
#include <new>
#include <vector>

namespace lectern {

namespace codec {

namespace {

// Real files have a dozen scans at most; thousands of tiny scans are a
// known way to make the decoder spin.
constexpr int kMaxScans = 500;

struct ErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void OutputMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) ErrorExit(cinfo);
}

struct DecodeState {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  TLTPixels pixels;

  ~DecodeState() { jpeg_destroy_decompress(&cinfo); }
};

struct EncodeState {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  jpeg_destination_mgr dest{};
  std::vector<JOCTET> chunk;
  std::vector<JSAMPLE> row;
  std::string out;

  ~EncodeState() { jpeg_destroy_compress(&cinfo); }
};

void InitDestination(j_compress_ptr cinfo) {
  auto* st = static_cast<EncodeState*>(cinfo->client_data);
  st->dest.next_output_byte = st->chunk.data();
  st->dest.free_in_buffer = st->chunk.size();
}

// Exceptions must not cross libjpeg's C frames.
bool AppendChunk(EncodeState* st, size_t count) {
  try {
    st->out.append(reinterpret_cast<const char*>(st->chunk.data()), count);
  } catch (...) {
    return false;
  }
  return true;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* st = static_cast<EncodeState*>(cinfo->client_data);
  if (!AppendChunk(st, st->chunk.size())) ErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
  InitDestination(cinfo);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* st = static_cast<EncodeState*>(cinfo->client_data);
  if (!AppendChunk(st, st->chunk.size() - st->dest.free_in_buffer)) ErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
}

uint32_t CmykToArgb(unsigned c, unsigned m, unsigned y, unsigned k, bool inverted) {
  // Files with an Adobe marker store CMYK inverted (0 = full ink).
  if (!inverted) {
    c = 255 - c;
    m = 255 - m;
    y = 255 - y;
    k = 255 - k;
  }
  return ArgbPixel(255, (c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
}

bool RunDecode(DecodeState* st, const unsigned char* data, unsigned long size) {
  j_decompress_ptr cinfo = &st->cinfo;
  if (setjmp(st->err.jump)) return false;
  jpeg_create_decompress(cinfo);
  st->progress.progress_monitor = LimitScans;
  cinfo->progress = &st->progress;
  jpeg_mem_src(cinfo, data, size);
  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (!SizeAllowed(cinfo->image_width, cinfo->image_height)) return false;

  int components = 0;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo->out_color_space = JCS_GRAYSCALE;
      components = 1;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo->out_color_space = JCS_RGB;
      components = 3;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      components = 4;
      break;
    default:
      return false;
  }
  // Whole-image buffers of progressive files are bounded too; with no
  // backing store libjpeg then fails cleanly instead of allocating.
  cinfo->mem->max_memory_to_use =
      static_cast<long>(std::min<int64_t>(GraphicPixelLimit() * 10 + (64 << 20), static_cast<int64_t>(1) << 40));

  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != components || cinfo->output_width != cinfo->image_width ||
      cinfo->output_height != cinfo->image_height)
    return false;
  const size_t width = cinfo->output_width;
  const size_t height = cinfo->output_height;
  try {
    st->pixels.Data.resize(width * height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  st->pixels.Width = static_cast<int>(width);
  st->pixels.Height = static_cast<int>(height);
  JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(width * components), 1);
  const bool inverted = cinfo->saw_Adobe_marker;
  while (cinfo->output_scanline < cinfo->output_height) {
    const size_t y = cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) return false;
    const JSAMPLE* s = row[0];
    uint32_t* dst = st->pixels.Data.data() + y * width;
    for (size_t x = 0; x < width; ++x) {
      if (components == 1) {
        dst[x] = ArgbPixel(255, s[x], s[x], s[x]);
      } else if (components == 3) {
        dst[x] = ArgbPixel(255, s[3 * x], s[3 * x + 1], s[3 * x + 2]);
      } else {
        dst[x] = CmykToArgb(s[4 * x], s[4 * x + 1], s[4 * x + 2], s[4 * x + 3], inverted);
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

bool RunEncode(EncodeState* st, const TLTPixels& pixels, int quality) {
  j_compress_ptr cinfo = &st->cinfo;
  if (setjmp(st->err.jump)) return false;
  jpeg_create_compress(cinfo);
  cinfo->client_data = st;
  st->dest.init_destination = InitDestination;
  st->dest.empty_output_buffer = EmptyOutputBuffer;
  st->dest.term_destination = TermDestination;
  cinfo->dest = &st->dest;
  cinfo->image_width = static_cast<JDIMENSION>(pixels.Width);
  cinfo->image_height = static_cast<JDIMENSION>(pixels.Height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  JSAMPROW rows[1] = {st->row.data()};
  const size_t width = static_cast<size_t>(pixels.Width);
  while (cinfo->next_scanline < cinfo->image_height) {
    const uint32_t* src = pixels.Data.data() + cinfo->next_scanline * width;
    for (size_t x = 0; x < width; ++x) {
      // JPEG has no transparency: blend onto white, the page colour.
      uint32_t px = src[x];
      unsigned a = px >> 24;
      for (int c = 0; c < 3; ++c) {
        unsigned v = (px >> (16 - 8 * c)) & 0xFF;
        st->row[3 * x + c] = static_cast<JSAMPLE>((v * a + 255 * (255 - a) + 127) / 255);
      }
    }
    jpeg_write_scanlines(cinfo, rows, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

template <class State>
std::unique_ptr<State> NewState() {
  try {
    auto st = std::make_unique<State>();
    st->cinfo.err = jpeg_std_error(&st->err.mgr);
    st->err.mgr.error_exit = ErrorExit;
    st->err.mgr.output_message = OutputMessage;
    return st;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

bool DecodeJpeg(std::string_view bytes, TLTPixels& out) {
  out = TLTPixels{};
  if (bytes.size() < 3 || bytes.size() > static_cast<size_t>(UINT32_MAX)) return false;
  auto st = NewState<DecodeState>();
  if (!st) return false;
  if (!RunDecode(st.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size())))
    return false;
  out = std::move(st->pixels);
  return true;
}

bool EncodeJpeg(const TLTPixels& pixels, int quality, std::string& out) {
  out.clear();
  if (!PixelsValid(pixels) || pixels.Width > 65500 || pixels.Height > 65500) return false;
  auto st = NewState<EncodeState>();
  if (!st) return false;
  try {
    st->chunk.resize(1 << 16);
    st->row.resize(static_cast<size_t>(pixels.Width) * 3);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!RunEncode(st.get(), pixels, std::clamp(quality, 1, 100))) return false;
  out = std::move(st->out);
  return true;
}

}  // namespace codec

// --------------------------------------------------------------- TJPEGImage

bool TJPEGImage::SetPixels(const TLTPixels& pixels, int quality) {
  std::string bytes;
  TLTPixels decoded;
  // Pixels() shows what a reader of the saved bytes will see.
  if (!codec::EncodeJpeg(pixels, quality, bytes) || !codec::DecodeJpeg(bytes, decoded)) return false;
  SetEncoded(std::move(bytes), std::move(decoded));
  return true;
}

bool TJPEGImage::Decode(std::string_view bytes, TDecoded& out) {
  if (!codec::DecodeJpeg(bytes, out.Pixels)) return false;
  out.Width = out.Pixels.Width;
  out.Height = out.Pixels.Height;
  return true;
}

}  // namespace lectern
