// Writes small valid pictures of every variant the readers know, as the
// fuzzer's starting corpus. Each file also gets a copy with a leading byte
// that makes the fuzzer hand it straight to its class.

#include "platform/LTGraphic.h"
#include "platform/LTStream.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using lectern::TLTPixels;

void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

TLTPixels Sample(int w, int h, bool alpha) {
  TLTPixels px{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px.Data.push_back((alpha ? static_cast<uint32_t>((x * 60) & 0xFF) << 24 : 0xFF000000u) |
                        static_cast<uint32_t>(x * 40) << 16 | static_cast<uint32_t>(y * 50) << 8 | 0x33);
  return px;
}

// A BMP with a 40-byte header around the given palette and pixel bytes.
std::string Bmp(int w, int h, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
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

std::string Save(const lectern::TGraphic& g) {
  lectern::TLTMemoryStream out;
  g.SaveToStream(out);
  return out.Data();
}

void Write(const std::string& dir, const std::string& name, const std::string& bytes, char selector) {
  for (int copy = 0; copy < 2; ++copy) {
    std::string path = dir + "/" + (copy ? "class-" : "") + name;
    std::string data = copy ? std::string(1, selector) + bytes : bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(data.data(), 1, data.size(), f);
      std::fclose(f);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_graphic_seeds <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  constexpr char kBitmap = 0, kJpeg = 1, kPng = 2, kIcon = 3, kMeta = 4;

  lectern::TBitmap bmp;
  bmp.SetPixels(Sample(5, 3, false));
  Write(dir, "rgb24.bmp", Save(bmp), kBitmap);
  bmp.SetPixels(Sample(4, 3, true));
  Write(dir, "argb32-v4.bmp", Save(bmp), kBitmap);

  const std::vector<uint32_t> pal2 = {0x000000, 0xFFFFFF};
  const std::vector<uint32_t> pal16 = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0x808080, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                                       0x400000, 0x004000, 0x000040, 0x404040, 0xC0C0C0, 0x202020, 0x606060, 0xFFFFFF};
  Write(dir, "mono.bmp", Bmp(9, 2, 1, 0, pal2, std::string("\xA5\x80\0\0\x5A\x00\0\0", 8)), kBitmap);
  Write(dir, "pal4.bmp", Bmp(3, 2, 4, 0, pal16, std::string("\x12\x30\0\0\x45\x60\0\0", 8)), kBitmap);
  Write(dir, "pal8.bmp", Bmp(2, 2, 8, 0, pal16, std::string("\x01\x0F\0\0\x02\x03\0\0", 8)), kBitmap);
  Write(dir, "rle8.bmp",
        Bmp(6, 3, 8, 1, pal16,
            std::string("\x03\x01\x00\x03\x02\x03\x04\x00\x00\x00\x00\x02\x01\x01\x02\x05\x00\x01", 18)),
        kBitmap);
  Write(dir, "rle4.bmp", Bmp(6, 2, 4, 2, pal16, std::string("\x05\x12\x00\x00\x00\x04\x34\x56\x00\x01", 10)), kBitmap);
  Write(dir, "rgb565.bmp",
        Bmp(2, 2, 16, 3, {}, std::string("\x00\xF8\xE0\x07\x1F\x00\xFF\xFF", 8), {0xF800, 0x07E0, 0x001F}), kBitmap);
  Write(dir, "rgb555.bmp", Bmp(2, 1, 16, 0, {}, std::string("\x00\x7C\x1F\x00", 4)), kBitmap);
  {
    std::string topDown = Bmp(1, 2, 24, 0, {}, std::string("\x00\x00\xFF\0\xFF\x00\x00\0", 8));
    topDown[22] = '\xFE';  // height -2
    topDown[23] = topDown[24] = topDown[25] = '\xFF';
    Write(dir, "topdown.bmp", topDown, kBitmap);
  }
  {
    std::string core = "BM";
    Put32(core, 14 + 12 + 6 + 4);
    Put32(core, 0);
    Put32(core, 14 + 12 + 6);
    Put32(core, 12);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 1);
    core += std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
    core += std::string("\x40\0\0\0", 4);
    Write(dir, "core.bmp", core, kBitmap);
  }

  lectern::TPNGImage png;
  png.SetPixels(Sample(4, 3, false));
  const std::string pngRgb = Save(png);
  Write(dir, "rgb.png", pngRgb, kPng);
  png.SetPixels(Sample(3, 2, true));
  Write(dir, "rgba.png", Save(png), kPng);

  lectern::TJPEGImage jpeg;
  jpeg.SetPixels(Sample(8, 8, false), 50);
  Write(dir, "small.jpg", Save(jpeg), kJpeg);

  // Icons: one with a 4-bit DIB and its mask, one holding a PNG.
  {
    std::string dib;
    Put32(dib, 40);
    Put32(dib, 2);
    Put32(dib, 4);  // twice the height: colours and mask
    Put16(dib, 1);
    Put16(dib, 4);
    for (int i = 0; i < 6; ++i) Put32(dib, 0);
    for (int i = 0; i < 16; ++i) Put32(dib, i * 0x111111u);
    dib += std::string("\x12\0\0\0\x34\0\0\0", 8);  // colour rows
    dib += std::string("\x40\0\0\0\x80\0\0\0", 8);  // mask rows
    for (const auto& [name, image] : {std::pair<std::string, std::string>("dib.ico", dib), {"png.ico", pngRgb}}) {
      std::string ico;
      Put16(ico, 0);
      Put16(ico, 1);
      Put16(ico, 1);
      ico.push_back(name == "dib.ico" ? 2 : 4);
      ico.push_back(name == "dib.ico" ? 2 : 3);
      ico.push_back(0);
      ico.push_back(0);
      Put16(ico, 1);
      Put16(ico, name == "dib.ico" ? 4 : 32);
      Put32(ico, static_cast<uint32_t>(image.size()));
      Put32(ico, 22);
      Write(dir, name, ico + image, kIcon);
    }
  }

  // An enhanced metafile of header and end record; a placeable metafile.
  {
    std::string emf;
    Put32(emf, 1);
    Put32(emf, 88);
    for (int v : {0, 0, 99, 49, 0, 0, 2646, 1323}) Put32(emf, static_cast<uint32_t>(v));
    Put32(emf, 0x464D4520);
    Put32(emf, 0x10000);
    Put32(emf, 88 + 20);
    Put32(emf, 2);
    Put16(emf, 0);
    Put16(emf, 0);
    Put32(emf, 0);
    Put32(emf, 0);
    Put32(emf, 0);
    for (int v : {1920, 1080, 508, 286}) Put32(emf, static_cast<uint32_t>(v));
    Put32(emf, 14);  // EMR_EOF
    Put32(emf, 20);
    Put32(emf, 0);
    Put32(emf, 16);
    Put32(emf, 20);
    Write(dir, "frame.emf", emf, kMeta);

    std::string wmf;
    Put32(wmf, 0x9AC6CDD7);
    Put16(wmf, 0);
    for (int v : {0, 0, 1440, 720}) Put16(wmf, static_cast<uint32_t>(v));
    Put16(wmf, 1440);
    Put32(wmf, 0);
    Put16(wmf, 0);
    Put16(wmf, 1);
    Put16(wmf, 9);
    Put16(wmf, 0x300);
    Put32(wmf, 12);
    Put16(wmf, 0);
    Put32(wmf, 3);
    Put16(wmf, 0);
    Put32(wmf, 3);  // META_EOF
    Put16(wmf, 0);
    Write(dir, "placeable.wmf", wmf, kMeta);
  }
  return 0;
}
