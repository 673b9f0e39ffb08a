// PNG and JPEG through their libraries, icons, metafiles, the class
// registry and format sniffing.

#include "GraphicTestUtil.h"
#include "platform/LTGraphic.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>

namespace lectern {
namespace {

using namespace lectern::testing;

int Channel(uint32_t px, int shift) { return static_cast<int>((px >> shift) & 0xFF); }

// Largest difference of any colour channel.
int MaxError(const TLTPixels& a, const TLTPixels& b) {
  int worst = 0;
  for (size_t i = 0; i < a.Data.size() && i < b.Data.size(); ++i)
    for (int shift : {0, 8, 16})
      worst = std::max(worst, std::abs(Channel(a.Data[i], shift) - Channel(b.Data[i], shift)));
  return worst;
}

// JPEG colour spaces our own writer never produces, made with libjpeg.
std::string EncodeRawJpeg(int w, int h, J_COLOR_SPACE space, int components, const std::vector<JSAMPLE>& samples) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(samples.data()) + cinfo.next_scanline * w * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

TEST(PngImage, RoundTripsPixelsLosslessly) {
  for (bool alpha : {false, true}) {
    TPNGImage png;
    TLTPixels px = Pattern(9, 6, alpha);
    ASSERT_TRUE(png.SetPixels(px));
    const std::string saved = SaveBytes(png);
    TPNGImage back;
    ASSERT_TRUE(LoadBytes(back, saved));
    EXPECT_EQ(back.Width(), 9);
    EXPECT_EQ(back.Height(), 6);
    EXPECT_EQ(back.Pixels()->Data, px.Data) << "alpha " << alpha;
    EXPECT_EQ(SaveBytes(back), saved);
  }
}

TEST(PngImage, RejectsDamagedAndOversizedFiles) {
  TPNGImage src;
  ASSERT_TRUE(src.SetPixels(Pattern(6, 5, true)));
  const std::string file = SaveBytes(src);
  for (size_t len = 0; len + 12 < file.size(); ++len) {  // everything before IEND is needed
    TPNGImage png;
    EXPECT_FALSE(LoadBytes(png, file.substr(0, len))) << len;
    EXPECT_TRUE(png.Empty());
  }
  std::string badCrc = file;
  badCrc[29] ^= 1;  // IHDR checksum
  TPNGImage png;
  EXPECT_FALSE(LoadBytes(png, badCrc));

  // A 100000 x 100000 header over the same data is refused before decoding.
  std::string huge = file;
  huge.replace(16, 8, std::string("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8));
  EXPECT_FALSE(LoadBytes(png, huge));
  EXPECT_FALSE(png.SetPixels(TLTPixels{2, 2, {1, 2, 3}}));
}

TEST(JpegImage, RoundTripKeepsSizeAndCloseColours) {
  TJPEGImage jpeg;
  TLTPixels px = Gradient(40, 24);
  ASSERT_TRUE(jpeg.SetPixels(px, 95));
  const std::string saved = SaveBytes(jpeg);
  ASSERT_EQ(saved.substr(0, 3), "\xFF\xD8\xFF");
  TJPEGImage back;
  ASSERT_TRUE(LoadBytes(back, saved));
  EXPECT_EQ(back.Width(), 40);
  EXPECT_EQ(back.Height(), 24);
  EXPECT_LE(MaxError(*back.Pixels(), px), 12);
  EXPECT_EQ(back.Pixels()->Data, jpeg.Pixels()->Data);  // Pixels() shows what was saved
  EXPECT_EQ(SaveBytes(back), saved);
}

TEST(JpegImage, TransparencyIsBlendedOntoWhite) {
  TJPEGImage jpeg;
  ASSERT_TRUE(jpeg.SetPixels(TLTPixels{8, 8, std::vector<uint32_t>(64, 0x00000000)}));
  EXPECT_GE(Channel(jpeg.Pixels()->Data[0], 0), 250);
  EXPECT_EQ(jpeg.Pixels()->Data[0] >> 24, 0xFFu);
}

TEST(JpegImage, GreyscaleAndCmykBecomeRgb) {
  TJPEGImage jpeg;
  ASSERT_TRUE(LoadBytes(jpeg, EncodeRawJpeg(8, 8, JCS_GRAYSCALE, 1, std::vector<JSAMPLE>(64, 200))));
  uint32_t px = jpeg.Pixels()->Data[0];
  EXPECT_NEAR(Channel(px, 16), 200, 2);
  EXPECT_EQ(Channel(px, 16), Channel(px, 8));
  EXPECT_EQ(Channel(px, 8), Channel(px, 0));

  // libjpeg marks CMYK files with an Adobe marker, whose convention stores
  // ink inverted: full cyan and nothing else is 0, 255, 255, 255.
  std::vector<JSAMPLE> cmyk;
  for (int i = 0; i < 64; ++i) cmyk.insert(cmyk.end(), {0, 255, 255, 255});
  ASSERT_TRUE(LoadBytes(jpeg, EncodeRawJpeg(8, 8, JCS_CMYK, 4, cmyk)));
  px = jpeg.Pixels()->Data[0];
  EXPECT_LE(Channel(px, 16), 8);
  EXPECT_GE(Channel(px, 8), 247);
  EXPECT_GE(Channel(px, 0), 247);
}

TEST(JpegImage, RejectsDamagedFilesWithoutEndingTheProcess) {
  TJPEGImage src;
  ASSERT_TRUE(src.SetPixels(Gradient(16, 16)));
  const std::string file = SaveBytes(src);
  for (size_t len = 0; len < 200; ++len) {  // inside the headers
    TJPEGImage jpeg;
    EXPECT_FALSE(LoadBytes(jpeg, file.substr(0, len))) << len;
  }
  std::string zeroWidth = file;
  size_t sof = zeroWidth.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  zeroWidth[sof + 7] = zeroWidth[sof + 8] = 0;
  TJPEGImage jpeg;
  EXPECT_FALSE(LoadBytes(jpeg, zeroWidth));
  EXPECT_FALSE(LoadBytes(jpeg, "\xFF\xD8\xFF garbage"));
  EXPECT_TRUE(jpeg.Empty());
}

TEST(Icon, DecodesABitmapEntryWithItsMask) {
  std::string dib;
  Put32(dib, 40);
  Put32(dib, 2);
  Put32(dib, 4);  // colour rows and mask rows
  Put16(dib, 1);
  Put16(dib, 24);
  for (int i = 0; i < 6; ++i) Put32(dib, 0);
  dib += std::string("\x00\x00\xFF\xFF\x00\x00\0\0", 8);  // bottom: red, blue
  dib += std::string("\x00\xFF\x00\xFF\xFF\xFF\0\0", 8);  // top: green, white
  dib += std::string("\x00\0\0\0\x40\0\0\0", 8);          // mask: top right transparent
  TIcon icon;
  ASSERT_TRUE(LoadBytes(icon, MakeIco(2, 2, dib)));
  EXPECT_EQ(icon.Width(), 2);
  EXPECT_EQ(icon.Height(), 2);
  ASSERT_NE(icon.Pixels(), nullptr);
  EXPECT_EQ(icon.Pixels()->Data, (std::vector<uint32_t>{0xFF00FF00, 0x00000000, 0xFFFF0000, 0xFF0000FF}));
}

TEST(Icon, DecodesPngEntriesAndKeepsOthersAsBytes) {
  TPNGImage png;
  ASSERT_TRUE(png.SetPixels(Pattern(3, 2, true)));
  TIcon icon;
  const std::string withPng = MakeIco(0, 0, SaveBytes(png));
  ASSERT_TRUE(LoadBytes(icon, withPng));
  EXPECT_EQ(icon.Width(), 3);
  EXPECT_EQ(icon.Pixels()->Data, Pattern(3, 2, true).Data);
  EXPECT_EQ(SaveBytes(icon), withPng);

  // An entry in a form that is not decoded: size from the directory, 0 = 256.
  ASSERT_TRUE(LoadBytes(icon, MakeIco(0, 48, "not an image")));
  EXPECT_EQ(icon.Width(), 256);
  EXPECT_EQ(icon.Height(), 48);
  EXPECT_EQ(icon.Pixels(), nullptr);
}

TEST(Icon, RejectsBrokenDirectories) {
  std::string good = MakeIco(16, 16, "data");
  std::string beyond = good;
  beyond.replace(18, 4, "\xF0\xFF\xFF\xFF");  // image offset past the end
  std::string tooLong = good;
  tooLong.replace(14, 4, "\xFF\xFF\xFF\x7F");  // image size past the end
  std::string noEntries = good;
  noEntries[4] = 0;
  std::string cursor = good;
  cursor[2] = 2;
  for (const std::string& bad : {std::string("\0\0\1\0", 4), beyond, tooLong, noEntries, cursor}) {
    TIcon icon;
    EXPECT_FALSE(LoadBytes(icon, bad));
    EXPECT_TRUE(icon.Empty());
    EXPECT_EQ(icon.Width(), 0);
  }
}

std::string MakeEmf(int32_t frameRight, int32_t frameBottom) {
  std::string emf;
  Put32(emf, 1);
  Put32(emf, 88);
  for (int32_t v : {0, 0, 9, 9, 0, 0, frameRight, frameBottom}) Put32(emf, static_cast<uint32_t>(v));
  Put32(emf, 0x464D4520);
  Put32(emf, 0x10000);
  Put32(emf, 88);
  Put32(emf, 1);
  emf.append(88 - emf.size(), '\0');
  return emf;
}

std::string MakeWmf(int16_t right, int16_t bottom, uint16_t inch) {
  std::string wmf;
  Put32(wmf, 0x9AC6CDD7);
  Put16(wmf, 0);
  for (int16_t v : {int16_t{0}, int16_t{0}, right, bottom}) Put16(wmf, static_cast<uint16_t>(v));
  Put16(wmf, inch);
  Put32(wmf, 0);
  Put16(wmf, 0);
  Put16(wmf, 1);
  Put16(wmf, 9);
  wmf.append(40 - wmf.size(), '\0');
  return wmf;
}

TEST(Metafile, SizeComesFromTheHeaderAt96Dpi) {
  TMetafile emf;
  const std::string emfBytes = MakeEmf(2646, 1323);  // 26.46 x 13.23 mm
  ASSERT_TRUE(LoadBytes(emf, emfBytes));
  EXPECT_TRUE(emf.Enhanced());
  EXPECT_EQ(emf.Width(), 100);
  EXPECT_EQ(emf.Height(), 50);
  EXPECT_EQ(emf.Pixels(), nullptr);
  EXPECT_EQ(SaveBytes(emf), emfBytes);

  TMetafile wmf;
  ASSERT_TRUE(LoadBytes(wmf, MakeWmf(1440, 720, 1440)));
  EXPECT_FALSE(wmf.Enhanced());
  EXPECT_EQ(wmf.Width(), 96);
  EXPECT_EQ(wmf.Height(), 48);
  ASSERT_TRUE(LoadBytes(wmf, MakeWmf(-100, -200, 100)));  // reversed box
  EXPECT_EQ(wmf.Width(), 96);
  EXPECT_EQ(wmf.Height(), 192);
}

TEST(Metafile, APlaceableMetafileWithoutResolutionCountsTwips) {
  TMetafile wmf;
  const std::string bytes = MakeWmf(2880, 1440, 0);
  ASSERT_TRUE(LoadBytes(wmf, bytes));
  EXPECT_EQ(wmf.Width(), 192);
  EXPECT_EQ(wmf.Height(), 96);
  EXPECT_EQ(SaveBytes(wmf), bytes);  // the header is kept as it came
}

TEST(Metafile, RejectsOtherBytes) {
  std::string badSignature = MakeEmf(100, 100);
  badSignature[40] = 'X';
  std::string shortHeader = MakeEmf(100, 100);
  shortHeader.replace(4, 4, "\x10\0\0\0");
  for (const std::string& bad : {std::string("plain text"), badSignature, shortHeader, MakeEmf(1, 1).substr(0, 60),
                                 MakeWmf(10, 10, 1440).substr(0, 30),
                                 // sizes no page could hold, which would overflow layout arithmetic
                                 MakeEmf(INT32_MAX, 100), MakeWmf(32767, 10, 1)}) {
    TMetafile meta;
    EXPECT_FALSE(LoadBytes(meta, bad));
    EXPECT_TRUE(meta.Empty());
  }
}

TEST(GraphicRegistry, CreatesRegisteredClassesByName) {
  for (std::string_view name : {"TBitmap", "TJPEGImage", "TPNGImage", "TIcon", "TMetafile"}) {
    auto g = CreateGraphic(name);
    ASSERT_NE(g, nullptr) << name;
    EXPECT_EQ(g->ClassName(), name);
    EXPECT_TRUE(g->Empty());
  }
  EXPECT_EQ(CreateGraphic("TGIFImage"), nullptr);
  EXPECT_FALSE(IsGraphicClassRegistered("TGIFImage"));

  struct TGIFImage : TMetafile {
    std::string_view ClassName() const override { return "TGIFImage"; }
  };
  RegisterGraphicClass("TGIFImage", [] { return std::unique_ptr<TGraphic>(std::make_unique<TGIFImage>()); });
  EXPECT_TRUE(IsGraphicClassRegistered("TGIFImage"));
  EXPECT_EQ(CreateGraphic("TGIFImage")->ClassName(), "TGIFImage");
  RegisterGraphicClass("TGIFImage", nullptr);
  EXPECT_FALSE(IsGraphicClassRegistered("TGIFImage"));
}

TEST(GraphicRegistry, SniffsTheFormatFromTheBytes) {
  TBitmap bmp;
  bmp.SetPixels(Pattern(2, 2, false));
  TPNGImage png;
  ASSERT_TRUE(png.SetPixels(Pattern(2, 2, false)));
  TJPEGImage jpeg;
  ASSERT_TRUE(jpeg.SetPixels(Pattern(2, 2, false)));
  const std::pair<std::string, std::string_view> files[] = {
      {SaveBytes(bmp), "TBitmap"},   {SaveBytes(png), "TPNGImage"},    {SaveBytes(jpeg), "TJPEGImage"},
      {MakeIco(4, 4, "x"), "TIcon"}, {MakeEmf(100, 100), "TMetafile"}, {MakeWmf(10, 10, 96), "TMetafile"}};
  for (const auto& [bytes, name] : files) {
    auto g = LoadGraphicFromBytes(bytes);
    ASSERT_NE(g, nullptr) << name;
    EXPECT_EQ(g->ClassName(), name);
    EXPECT_EQ(SaveBytes(*g), bytes);
  }
  EXPECT_EQ(LoadGraphicFromBytes(""), nullptr);
  EXPECT_EQ(LoadGraphicFromBytes("GIF89a"), nullptr);
  EXPECT_EQ(LoadGraphicFromBytes("BM broken"), nullptr);
}

TEST(GraphicLimits, PixelLimitAppliesToEveryReader) {
  TBitmap bmp;
  bmp.SetPixels(Pattern(20, 10, false));
  TPNGImage png;
  ASSERT_TRUE(png.SetPixels(Pattern(20, 10, false)));
  TJPEGImage jpeg;
  ASSERT_TRUE(jpeg.SetPixels(Pattern(20, 10, false)));
  const int64_t saved = GraphicPixelLimit();
  SetGraphicPixelLimit(199);
  EXPECT_EQ(LoadGraphicFromBytes(SaveBytes(bmp)), nullptr);
  EXPECT_EQ(LoadGraphicFromBytes(SaveBytes(png)), nullptr);
  EXPECT_EQ(LoadGraphicFromBytes(SaveBytes(jpeg)), nullptr);
  SetGraphicPixelLimit(200);
  EXPECT_NE(LoadGraphicFromBytes(SaveBytes(bmp)), nullptr);
  EXPECT_NE(LoadGraphicFromBytes(SaveBytes(png)), nullptr);
  EXPECT_NE(LoadGraphicFromBytes(SaveBytes(jpeg)), nullptr);
  SetGraphicPixelLimit(saved);
}

}  // namespace
}  // namespace lectern
