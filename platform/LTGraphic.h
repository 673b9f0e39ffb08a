#pragma once
// Pictures by class name. A picture keeps the bytes it was loaded from, so
// that saving it again writes exactly those bytes, and decodes them into
// pixels for drawing. Bitmaps (BMP), JPEG (libjpeg) and PNG (libpng) decode;
// icons and metafiles are kept as their bytes with the size from their header.

#include "platform/LTTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

/// Base of every picture class. A picture keeps the bytes it was loaded
/// from, so that saving writes them unchanged, with the size and (where the
/// class can decode them) the pixels read from them.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  /// The class name under which the picture is registered and stored ("TBitmap", ...).
  virtual std::string_view ClassName() const = 0;
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return bytes_.empty(); }
  /// Reads the picture from the position to the end of the stream. On
  /// malformed data returns false and leaves the picture empty.
  bool LoadFromStream(TLTStream& stream);
  /// Writes the picture's bytes; false when it has none or the write failed.
  virtual bool SaveToStream(TLTStream& stream) const;
  /// A copy of the same class.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  /// Decoded pixels for drawing, or null when the picture cannot be decoded
  /// (metafiles, unsupported variants).
  const TLTPixels* Pixels() const { return pixels_.Empty() ? nullptr : &pixels_; }

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }

 protected:
  /// What a class reads from its bytes: the size, and the pixels when it can
  /// decode them (else they stay empty).
  struct TDecoded {
    int Width = 0;
    int Height = 0;
    TLTPixels Pixels;
  };
  /// Reads bytes of the class's format; false for malformed data.
  virtual bool Decode(std::string_view bytes, TDecoded& out) = 0;
  /// Replaces the picture by encoded bytes with what they decode to.
  void SetEncoded(std::string bytes, TLTPixels pixels);

  std::string bytes_;
  TLTPixels pixels_;
  int width_ = 0;
  int height_ = 0;
  bool transparent_ = false;
};

/// How a bitmap chooses its transparent colour.
enum class TLTTransparentMode { tmAuto, tmFixed };

/// Windows bitmap (BMP file bytes).
class TBitmap : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TBitmap"; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }

  /// Replaces the picture by these pixels; saving then writes a 32-bit BMP
  /// (24-bit when every pixel is opaque).
  void SetPixels(TLTPixels pixels);

  TLTTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TLTTransparentMode m) { transparentMode_ = m; }
  /// In tmAuto mode the colour of the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor c) { transparentColor_ = c; }

 protected:
  bool Decode(std::string_view bytes, TDecoded& out) override;

 private:
  TLTTransparentMode transparentMode_ = TLTTransparentMode::tmAuto;
  TColor transparentColor_ = clDefault;
};

/// JPEG picture (JFIF bytes), decoded and encoded through libjpeg.
class TJPEGImage : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TJPEGImage"; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
  /// Encodes pixels at the given quality (1..100).
  bool SetPixels(const TLTPixels& pixels, int quality = 90);

 protected:
  bool Decode(std::string_view bytes, TDecoded& out) override;
};

/// PNG picture, decoded and encoded through libpng.
class TPNGImage : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TPNGImage"; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPNGImage>(*this); }
  bool SetPixels(const TLTPixels& pixels);

 protected:
  bool Decode(std::string_view bytes, TDecoded& out) override;
};

/// Icon (ICO bytes); size of the first image; pixels decoded when that
/// image is PNG or an uncompressed device-independent bitmap.
class TIcon : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TIcon"; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }

 protected:
  bool Decode(std::string_view bytes, TDecoded& out) override;
};

/// Metafile (enhanced or placeable Windows metafile bytes); the size comes
/// from the header, in screen pixels at 96 per inch. Not drawn.
class TMetafile : public TGraphic {
 public:
  std::string_view ClassName() const override { return "TMetafile"; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }
  bool Enhanced() const { return enhanced_; }

 protected:
  bool Decode(std::string_view bytes, TDecoded& out) override;

 private:
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

/// Lowers the pixel limit for the pictures decoded on this thread while it
/// lives, for a reader whose memory budget is smaller than the limit; scopes
/// nest. Refused() tells whether a picture was refused because of it.
class TLTGraphicPixelScope {
 public:
  explicit TLTGraphicPixelScope(int64_t pixels);
  ~TLTGraphicPixelScope();
  TLTGraphicPixelScope(const TLTGraphicPixelScope&) = delete;
  TLTGraphicPixelScope& operator=(const TLTGraphicPixelScope&) = delete;
  bool Refused() const;

 private:
  int64_t saved_;
  bool savedRefused_;
};

}  // namespace lectern
