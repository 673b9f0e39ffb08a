// The BMP reader against hand-made files of every variant, the writer's
// round trip, and files that lie about their size.

#include "GraphicTestUtil.h"
#include "platform/LTGraphic.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using namespace lectern::testing;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

std::vector<uint32_t> GreyPalette16() {
  std::vector<uint32_t> p;
  for (uint32_t i = 0; i < 16; ++i) p.push_back(i * 0x111111u);
  return p;
}
uint32_t Grey(uint32_t i) { return 0xFF000000u | i * 0x111111u; }

std::vector<uint32_t> Decode(const std::string& file, int w, int h) {
  TBitmap bmp;
  EXPECT_TRUE(LoadBytes(bmp, file));
  EXPECT_EQ(bmp.Width(), w);
  EXPECT_EQ(bmp.Height(), h);
  const TLTPixels* px = bmp.Pixels();
  return px ? px->Data : std::vector<uint32_t>{};
}

TEST(BitmapReader, DecodesPaletteDepths) {
  EXPECT_EQ(Decode(MakeBmp(9, 2, 1, 0, {0x000000, 0xFFFFFF}, std::string("\xA5\x80\0\0\x5A\x00\0\0", 8)), 9, 2),
            (std::vector<uint32_t>{kBlack, kWhite, kBlack, kWhite, kWhite, kBlack, kWhite, kBlack, kBlack,  // top
                                   kWhite, kBlack, kWhite, kBlack, kBlack, kWhite, kBlack, kWhite, kWhite}));
  EXPECT_EQ(Decode(MakeBmp(3, 2, 4, 0, GreyPalette16(), std::string("\x12\x30\0\0\x45\x60\0\0", 8)), 3, 2),
            (std::vector<uint32_t>{Grey(4), Grey(5), Grey(6), Grey(1), Grey(2), Grey(3)}));
  EXPECT_EQ(Decode(MakeBmp(2, 1, 8, 0, GreyPalette16(), std::string("\x0F\x02\0\0", 4)), 2, 1),
            (std::vector<uint32_t>{Grey(15), Grey(2)}));
  // An index past a short colour table reads as black instead of past it.
  EXPECT_EQ(Decode(MakeBmp(1, 1, 8, 0, {0xFFFFFF}, std::string("\x07\0\0\0", 4)), 1, 1),
            (std::vector<uint32_t>{kBlack}));
}

TEST(BitmapReader, DecodesRunLengthCompression) {
  const std::string rle8("\x03\x01\x00\x03\x02\x03\x04\x00\x00\x00\x00\x02\x01\x01\x02\x05\x00\x01", 18);
  EXPECT_EQ(Decode(MakeBmp(6, 3, 8, 1, GreyPalette16(), rle8), 6, 3),
            (std::vector<uint32_t>{Grey(0), Grey(5), Grey(5), Grey(0), Grey(0), Grey(0),  // delta target
                                   Grey(0), Grey(0), Grey(0), Grey(0), Grey(0), Grey(0),  // untouched line
                                   Grey(1), Grey(1), Grey(1), Grey(2), Grey(3), Grey(4)}));
  const std::string rle4("\x05\x12\x00\x00\x00\x04\x34\x56\x00\x01", 10);
  EXPECT_EQ(Decode(MakeBmp(6, 2, 4, 2, GreyPalette16(), rle4), 6, 2),
            (std::vector<uint32_t>{Grey(3), Grey(4), Grey(5), Grey(6), Grey(0), Grey(0), Grey(1), Grey(2), Grey(1),
                                   Grey(2), Grey(1), Grey(0)}));
  // Runs past the row end, deltas past the image and data that stops early
  // are cut off, not written out of bounds.
  const std::string wild("\xFF\x01\x00\x02\xFF\xFF\x05\x02\x00\x03\x01", 11);
  EXPECT_EQ(Decode(MakeBmp(2, 2, 8, 1, GreyPalette16(), wild), 2, 2),
            (std::vector<uint32_t>{Grey(0), Grey(0), Grey(1), Grey(1)}));
}

TEST(BitmapReader, DecodesDirectColourFormats) {
  EXPECT_EQ(
      Decode(MakeBmp(2, 2, 16, 3, {}, std::string("\x00\xF8\xE0\x07\x1F\x00\xFF\xFF", 8), {0xF800, 0x07E0, 0x001F}), 2,
             2),
      (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
  EXPECT_EQ(Decode(MakeBmp(2, 1, 16, 0, {}, std::string("\x00\x7C\x1F\x00", 4)), 2, 1),
            (std::vector<uint32_t>{kRed, kBlue}));
  EXPECT_EQ(Decode(MakeBmp(1, 2, 24, 0, {}, std::string("\x00\x00\xFF\0\xFF\x00\x00\0", 8)), 1, 2),
            (std::vector<uint32_t>{kBlue, kRed}));
  EXPECT_EQ(Decode(MakeBmp(1, -2, 24, 0, {}, std::string("\x00\x00\xFF\0\xFF\x00\x00\0", 8)), 1, 2),
            (std::vector<uint32_t>{kRed, kBlue}));
  // 32 bits without masks: the fourth byte is alpha only when used at all.
  EXPECT_EQ(Decode(MakeBmp(2, 1, 32, 0, {}, std::string("\x10\x20\x30\x00\x40\x50\x60\x00", 8)), 2, 1),
            (std::vector<uint32_t>{0xFF302010, 0xFF605040}));
  EXPECT_EQ(Decode(MakeBmp(2, 1, 32, 0, {}, std::string("\x10\x20\x30\x80\x40\x50\x60\x00", 8)), 2, 1),
            (std::vector<uint32_t>{0x80302010, 0x00605040}));
}

TEST(BitmapReader, DecodesTheOldCoreHeader) {
  std::string core = "BM";
  Put32(core, 36);
  Put32(core, 0);
  Put32(core, 32);
  Put32(core, 12);
  Put16(core, 2);
  Put16(core, 1);
  Put16(core, 1);
  Put16(core, 1);
  core += std::string("\x00\x00\x00\xFF\xFF\xFF\x40\0\0\0", 10);
  EXPECT_EQ(Decode(core, 2, 1), (std::vector<uint32_t>{kBlack, kWhite}));
}

TEST(BitmapWriter, RoundTripsOpaqueAndTranslucentPixelsExactly) {
  for (bool alpha : {false, true}) {
    TBitmap bmp;
    TLTPixels px = Pattern(7, 5, alpha);
    bmp.SetPixels(px);
    const std::string saved = SaveBytes(bmp);
    EXPECT_EQ(saved[28], alpha ? 32 : 24);
    TBitmap back;
    ASSERT_TRUE(LoadBytes(back, saved));
    ASSERT_NE(back.Pixels(), nullptr);
    EXPECT_EQ(back.Pixels()->Data, px.Data) << "alpha " << alpha;
    EXPECT_EQ(SaveBytes(back), saved);
  }
  // Even a picture that is transparent everywhere stays transparent.
  TBitmap clear;
  clear.SetPixels(TLTPixels{2, 2, {0, 0, 0, 0x00FFFFFF}});
  TBitmap back;
  ASSERT_TRUE(LoadBytes(back, SaveBytes(clear)));
  EXPECT_EQ(back.Pixels()->Data, (std::vector<uint32_t>{0, 0, 0, 0x00FFFFFF}));
}

TEST(BitmapWriter, LoadedFilesSaveByteForByte) {
  // Unusual but valid details (a short colour table, trailing bytes) must
  // survive a load and save unchanged.
  std::string file = MakeBmp(2, 1, 8, 0, {0x123456, 0xABCDEF}, std::string("\x00\x01\0\0", 4)) + "trailer";
  TBitmap bmp;
  ASSERT_TRUE(LoadBytes(bmp, file));
  EXPECT_EQ(SaveBytes(bmp), file);
  EXPECT_EQ(SaveBytes(*bmp.Clone()), file);
}

TEST(BitmapWriter, InvalidPixelsLeaveAnEmptyPicture) {
  TBitmap bmp;
  bmp.SetPixels(Pattern(2, 2, false));
  bmp.SetPixels(TLTPixels{3, 3, std::vector<uint32_t>(8)});  // one pixel short
  EXPECT_TRUE(bmp.Empty());
  EXPECT_EQ(bmp.Pixels(), nullptr);
  TLTMemoryStream out;
  EXPECT_FALSE(bmp.SaveToStream(out));
}

TEST(Bitmap, TransparentColourIsTheBottomLeftPixelInAutoMode) {
  TBitmap bmp;
  TLTPixels px{2, 2, {kRed, kGreen, 0xFF123456, kWhite}};
  bmp.SetPixels(px);
  EXPECT_EQ(bmp.TransparentColor(), RGBColor(0x12, 0x34, 0x56));
  bmp.SetTransparentMode(TLTTransparentMode::tmFixed);
  bmp.SetTransparentColor(clLime);
  EXPECT_EQ(bmp.TransparentColor(), clLime);
}

TEST(BitmapReader, RejectsMalformedHeaders) {
  const std::string row("\x00\x00\xFF\0", 4);
  const std::vector<std::string> bad = {
      "",
      "BM",
      MakeBmp(0, 1, 24, 0, {}, row),
      MakeBmp(-1, 1, 24, 0, {}, row),
      MakeBmp(1, 0, 24, 0, {}, row),
      MakeBmp(1, INT32_MIN, 24, 0, {}, row),
      MakeBmp(1, 1, 2, 0, {}, row),
      MakeBmp(1, 1, 0, 0, {}, row),
      MakeBmp(1, 1, 64, 0, {}, row),
      MakeBmp(1, 1, 24, 4, {}, row),                                    // embedded JPEG
      MakeBmp(1, 1, 24, 1, {}, row),                                    // RLE8 needs 8 bits
      MakeBmp(1, -1, 8, 1, {0}, row),                                   // RLE cannot be top-down
      MakeBmp(1, 1, 24, 3, {}, row, {1, 2, 3}),                         // bit fields need 16 or 32 bits
      MakeBmp(100000, 100000, 24, 0, {}, row),                          // over the pixel limit
      MakeBmp(10000, 10000, 24, 0, {}, row),                            // within it, but no data
      MakeBmp(1, 1, 8, 0, {}, row).replace(46, 4, "\xFF\xFF\xFF\xFF"),  // colour count
      MakeBmp(1, 1, 24, 0, {}, row).replace(14, 4, "\x14\0\0\0"),       // header size
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    TBitmap bmp;
    bmp.SetPixels(Pattern(1, 1, false));
    EXPECT_FALSE(LoadBytes(bmp, bad[i])) << i;
    EXPECT_TRUE(bmp.Empty()) << i;
    EXPECT_EQ(bmp.Width(), 0) << i;
    EXPECT_EQ(bmp.Pixels(), nullptr) << i;
  }
}

TEST(BitmapReader, TruncatedFilesFailAtEveryLength) {
  TBitmap src;
  src.SetPixels(Pattern(5, 4, true));
  const std::string file = SaveBytes(src);
  for (size_t len = 0; len < file.size(); ++len) {
    TBitmap bmp;
    EXPECT_FALSE(LoadBytes(bmp, file.substr(0, len))) << len;
  }
  // A missing pixel offset is recovered from the header.
  std::string noOffset = file;
  noOffset.replace(10, 4, std::string(4, '\0'));
  TBitmap bmp;
  ASSERT_TRUE(LoadBytes(bmp, noOffset));
  EXPECT_EQ(bmp.Pixels()->Data, src.Pixels()->Data);
}

}  // namespace
}  // namespace lectern
