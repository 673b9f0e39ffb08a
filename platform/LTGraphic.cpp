// The picture class registry, format sniffing, and the two classes that are
// kept as bytes with a size from their header: icons and metafiles.

#include "platform/LTGraphic.h"

#include "platform/LTGraphicCodec.h"
#include "platform/LTStream.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

namespace lectern {

namespace {

std::atomic<int64_t> gPixelLimit{100'000'000};
// The limit of the innermost TLTGraphicPixelScope of the thread, and
// whether a picture went over it while the global limit allowed it.
thread_local int64_t tScopeLimit = INT64_MAX;
thread_local bool tScopeRefused = false;

uint32_t LE16(std::string_view d, size_t off) {
  return static_cast<uint8_t>(d[off]) | (static_cast<uint8_t>(d[off + 1]) << 8);
}

uint32_t LE32(std::string_view d, size_t off) { return LE16(d, off) | (LE16(d, off + 2) << 16); }

int32_t LE32Signed(std::string_view d, size_t off) { return static_cast<int32_t>(LE32(d, off)); }
int16_t LE16Signed(std::string_view d, size_t off) { return static_cast<int16_t>(LE16(d, off)); }

constexpr char kPngSignature[] = "\x89PNG\r\n\x1A\n";
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

bool IsEmf(std::string_view d) { return d.size() >= 88 && LE32(d, 0) == 1 && LE32(d, 40) == kEmfSignature; }
bool IsPlaceableWmf(std::string_view d) { return d.size() >= 22 && LE32(d, 0) == kPlaceableKey; }

// A metafile larger than this many pixels either way (about 277 m at 96
// dpi) has a broken header; sizes near the int range would also overflow
// every layout computation that uses them.
constexpr int64_t kMaxMetafileExtent = 1 << 20;

// Rounded extent * num / den for header sizes; -1 when over the limit.
int ScaledSize(int64_t extent, int64_t num, int64_t den) {
  if (extent < 0) extent = -extent;
  int64_t v = (extent * num + den / 2) / den;
  return v > kMaxMetafileExtent ? -1 : static_cast<int>(v);
}

template <class T>
std::unique_ptr<TGraphic> Make() {
  return std::make_unique<T>();
}

struct Registry {
  Registry() {
    factories.emplace("TBitmap", &Make<TBitmap>);
    factories.emplace("TJPEGImage", &Make<TJPEGImage>);
    factories.emplace("TPNGImage", &Make<TPNGImage>);
    factories.emplace("TIcon", &Make<TIcon>);
    factories.emplace("TMetafile", &Make<TMetafile>);
  }
  std::mutex mutex;
  std::map<std::string, TGraphicFactory, std::less<>> factories;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

namespace codec {

bool SizeAllowed(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return false;
  const int64_t global = gPixelLimit.load();
  const int64_t limit = std::min(global, tScopeLimit);
  if (width <= limit && height <= limit / width) return true;
  if (width <= global && height <= global / width) tScopeRefused = true;
  return false;
}

bool PixelsValid(const TLTPixels& pixels) {
  return SizeAllowed(pixels.Width, pixels.Height) &&
         pixels.Data.size() == static_cast<size_t>(pixels.Width) * static_cast<size_t>(pixels.Height);
}

}  // namespace codec

int64_t GraphicPixelLimit() { return std::min(gPixelLimit.load(), tScopeLimit); }

TLTGraphicPixelScope::TLTGraphicPixelScope(int64_t pixels) : saved_(tScopeLimit), savedRefused_(tScopeRefused) {
  tScopeLimit = std::min(tScopeLimit, std::max<int64_t>(pixels, 0));
  tScopeRefused = false;
}

TLTGraphicPixelScope::~TLTGraphicPixelScope() {
  tScopeLimit = saved_;
  tScopeRefused = savedRefused_ || tScopeRefused;
}

bool TLTGraphicPixelScope::Refused() const { return tScopeRefused; }

void SetGraphicPixelLimit(int64_t pixels) {
  // Bounded so that byte counts derived from it cannot overflow.
  gPixelLimit.store(std::clamp<int64_t>(pixels, 1, int64_t{1} << 40));
}

// ------------------------------------------------------------------ TGraphic

bool TGraphic::LoadFromStream(TLTStream& stream) {
  std::string bytes = stream.ReadRest();
  TDecoded decoded;
  if (!Decode(bytes, decoded)) {
    bytes_.clear();
    pixels_ = TLTPixels{};
    width_ = height_ = 0;
    return false;
  }
  bytes_ = std::move(bytes);
  width_ = decoded.Width;
  height_ = decoded.Height;
  pixels_ = std::move(decoded.Pixels);
  return true;
}

bool TGraphic::SaveToStream(TLTStream& stream) const { return !bytes_.empty() && stream.WriteBytes(bytes_); }

void TGraphic::SetEncoded(std::string bytes, TLTPixels pixels) {
  bytes_ = std::move(bytes);
  width_ = bytes_.empty() ? 0 : pixels.Width;
  height_ = bytes_.empty() ? 0 : pixels.Height;
  pixels_ = bytes_.empty() ? TLTPixels{} : std::move(pixels);
}

// -------------------------------------------------------------------- TIcon

bool TIcon::Decode(std::string_view d, TDecoded& out) {
  if (d.size() < 6 || LE16(d, 0) != 0 || LE16(d, 2) != 1) return false;
  const uint32_t count = LE16(d, 4);
  if (count == 0 || d.size() < 6 + 16 * static_cast<size_t>(count)) return false;
  const uint32_t w = static_cast<uint8_t>(d[6]);
  const uint32_t h = static_cast<uint8_t>(d[7]);
  const uint32_t size = LE32(d, 6 + 8);
  const uint32_t offset = LE32(d, 6 + 12);
  if (offset > d.size() || size > d.size() - offset || size == 0) return false;

  // The first image is decoded when it is one of the forms icons use; its
  // own header then gives the size, otherwise the directory does.
  std::string_view image = d.substr(offset, size);
  TLTPixels px;
  const bool decoded = image.substr(0, 8) == std::string_view(kPngSignature, 8) ? codec::DecodePng(image, px)
                                                                                : codec::DecodeIconDib(image, px);
  if (decoded) {
    out.Width = px.Width;
    out.Height = px.Height;
    out.Pixels = std::move(px);
  } else {
    out.Width = w == 0 ? 256 : static_cast<int>(w);
    out.Height = h == 0 ? 256 : static_cast<int>(h);
  }
  return true;
}

// ---------------------------------------------------------------- TMetafile

bool TMetafile::Decode(std::string_view d, TDecoded& out) {
  if (IsEmf(d)) {
    const uint32_t headerSize = LE32(d, 4);
    if (headerSize < 88 || headerSize > d.size()) return false;
    // rclFrame is in hundredths of a millimetre, inclusive.
    int64_t frameW = static_cast<int64_t>(LE32Signed(d, 32)) - LE32Signed(d, 24);
    int64_t frameH = static_cast<int64_t>(LE32Signed(d, 36)) - LE32Signed(d, 28);
    int w = ScaledSize(frameW, 96, 2540);
    int h = ScaledSize(frameH, 96, 2540);
    if (w < 0 || h < 0) return false;
    if (w == 0 || h == 0) {
      // No usable frame: fall back to the bounds, in device pixels.
      w = ScaledSize(static_cast<int64_t>(LE32Signed(d, 16)) - LE32Signed(d, 8) + 1, 1, 1);
      h = ScaledSize(static_cast<int64_t>(LE32Signed(d, 20)) - LE32Signed(d, 12) + 1, 1, 1);
    }
    if (w < 0 || h < 0) return false;
    out.Width = w;
    out.Height = h;
    enhanced_ = true;
    return true;
  }
  if (IsPlaceableWmf(d)) {
    // Writers that leave the resolution out mean the usual 1440 units per
    // inch (twips); refusing them would lose the picture.
    constexpr uint32_t kDefaultUnitsPerInch = 1440;
    const uint32_t inch = LE16(d, 14) != 0 ? LE16(d, 14) : kDefaultUnitsPerInch;
    // The placeable header is followed by the metafile header proper.
    if (d.size() < 22 + 18) return false;
    const uint32_t type = LE16(d, 22);
    const uint32_t headerWords = LE16(d, 24);
    if ((type != 1 && type != 2) || headerWords != 9) return false;
    const int w = ScaledSize(static_cast<int64_t>(LE16Signed(d, 10)) - LE16Signed(d, 6), 96, inch);
    const int h = ScaledSize(static_cast<int64_t>(LE16Signed(d, 12)) - LE16Signed(d, 8), 96, inch);
    if (w < 0 || h < 0) return false;
    out.Width = w;
    out.Height = h;
    enhanced_ = false;
    return true;
  }
  return false;
}

// ----------------------------------------------------------------- registry

void RegisterGraphicClass(std::string_view className, TGraphicFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!factory) {
    auto it = r.factories.find(className);
    if (it != r.factories.end()) r.factories.erase(it);
    return;
  }
  r.factories.insert_or_assign(std::string(className), factory);
}

std::unique_ptr<TGraphic> CreateGraphic(std::string_view className) {
  TGraphicFactory factory = nullptr;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.factories.find(className);
    if (it == r.factories.end()) return nullptr;
    factory = it->second;
  }
  return factory();
}

bool IsGraphicClassRegistered(std::string_view className) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.factories.find(className) != r.factories.end();
}

std::unique_ptr<TGraphic> LoadGraphicFromBytes(std::string_view bytes) {
  const char* className = nullptr;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
    className = "TBitmap";
  else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xFF\xD8\xFF")
    className = "TJPEGImage";
  else if (bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view(kPngSignature, 8))
    className = "TPNGImage";
  else if (bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("\0\0\1\0", 4))
    className = "TIcon";
  else if (IsEmf(bytes) || IsPlaceableWmf(bytes))
    className = "TMetafile";
  if (!className) return nullptr;
  auto graphic = CreateGraphic(className);
  if (!graphic) return nullptr;
  TLTMemoryStream stream{std::string(bytes)};
  if (!graphic->LoadFromStream(stream)) return nullptr;
  return graphic;
}

}  // namespace lectern
