#pragma once
// Pictures by class name. A picture keeps the bytes it was loaded from, so
// that saving it again writes exactly those bytes, and decodes them into
// pixels for drawing. Bitmaps (BMP), JPEG (libjpeg) and PNG (libpng) decode;
// icons and metafiles are kept as their bytes with the size from their header.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LTTypes.h"

namespace lectern {

class TLTStream;

/// Decoded picture: Width x Height pixels, rows top to bottom, each pixel
/// 0xAARRGGBB (not premultiplied).
struct TLTPixels {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Data;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

/// Base of every picture class.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  /// The class name under which the picture is registered and stored ("TBitmap", ...).
  virtual std::string_view ClassName() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  /// Reads the picture from the position to the end of the stream. On
  /// malformed data returns false and leaves the picture empty.
  virtual bool LoadFromStream(TLTStream& stream) = 0;
  /// Writes the picture's bytes; false when it has none or the write failed.
  virtual bool SaveToStream(TLTStream& stream) const = 0;
  /// A copy of the same class.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  /// Decoded pixels for drawing, or null when the picture cannot be decoded
  /// (metafiles, unsupported variants).
  virtual const TLTPixels* Pixels() const = 0;

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }

 protected:
  bool transparent_ = false;
};

/// How a bitmap chooses its transparent colour.
enum class TLTTransparentMode { tmAuto, tmFixed };

/// Windows bitmap (BMP file bytes).
class TBitmap : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TBitmap"; }
  int Width() const override;
  int Height() const override;
  bool Empty() const override;
  bool LoadFromStream(TLTStream& stream) override;
  bool SaveToStream(TLTStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TLTPixels* Pixels() const override;

  /// Replaces the picture by these pixels; saving then writes a 32-bit BMP
  /// (24-bit when every pixel is opaque).
  void SetPixels(TLTPixels pixels);

  TLTTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TLTTransparentMode m) { transparentMode_ = m; }
  /// In tmAuto mode the colour of the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor c) { transparentColor_ = c; }

 private:
  std::string bytes_;
  TLTPixels pixels_;
  TLTTransparentMode transparentMode_ = TLTTransparentMode::tmAuto;
  TColor transparentColor_ = clDefault;
};

/// JPEG picture (JFIF bytes), decoded and encoded through libjpeg.
class TJPEGImage : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TJPEGImage"; }
  int Width() const override;
  int Height() const override;
  bool Empty() const override;
  bool LoadFromStream(TLTStream& stream) override;
  bool SaveToStream(TLTStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TLTPixels* Pixels() const override;
  /// Encodes pixels at the given quality (1..100).
  bool SetPixels(const TLTPixels& pixels, int quality = 90);

 private:
  std::string bytes_;
  TLTPixels pixels_;
};

/// PNG picture, decoded and encoded through libpng.
class TPNGImage : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TPNGImage"; }
  int Width() const override;
  int Height() const override;
  bool Empty() const override;
  bool LoadFromStream(TLTStream& stream) override;
  bool SaveToStream(TLTStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TLTPixels* Pixels() const override;
  bool SetPixels(const TLTPixels& pixels);

 private:
  std::string bytes_;
  TLTPixels pixels_;
};

/// Icon (ICO bytes); size of the first image; pixels decoded when that
/// image is PNG or an uncompressed device-independent bitmap.
class TIcon : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TIcon"; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool Empty() const override { return bytes_.empty(); }
  bool LoadFromStream(TLTStream& stream) override;
  bool SaveToStream(TLTStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TLTPixels* Pixels() const override;

 private:
  std::string bytes_;
  int width_ = 0;
  int height_ = 0;
  TLTPixels pixels_;
};

/// Metafile (enhanced or placeable Windows metafile bytes); the size comes
/// from the header, in screen pixels at 96 per inch. Not drawn.
class TMetafile : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TMetafile"; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool Empty() const override { return bytes_.empty(); }
  bool LoadFromStream(TLTStream& stream) override;
  bool SaveToStream(TLTStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TLTPixels* Pixels() const override { return nullptr; }
  bool Enhanced() const { return enhanced_; }

 private:
  std::string bytes_;
  int width_ = 0;
  int height_ = 0;
  bool enhanced_ = true;
};

using TGraphicFactory = std::unique_ptr<TGraphic> (*)();

/// Registers a picture class under its name (replacing an earlier factory of
/// that name; a null factory removes the name). The five classes above are
/// registered from the start.
void RegisterGraphicClass(std::string_view className, TGraphicFactory factory);
/// A new empty picture of the named class, or null when none is registered.
std::unique_ptr<TGraphic> CreateGraphic(std::string_view className);
bool IsGraphicClassRegistered(std::string_view className);
/// Picks the class from the bytes' signature and loads them; null when the
/// format is not recognised or the data is malformed.
std::unique_ptr<TGraphic> LoadGraphicFromBytes(std::string_view bytes);

/// The largest picture, in pixels, that the loaders accept (100 million by
/// default): a few header bytes must not make a reader allocate gigabytes.
/// The fuzzer lowers it to keep each run fast.
int64_t GraphicPixelLimit();
void SetGraphicPixelLimit(int64_t pixels);

}  // namespace lectern
