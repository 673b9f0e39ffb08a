// Feeds arbitrary bytes to the picture readers: once through format
// sniffing, once straight into the class the first byte picks, and then
// touches everything a caller would use afterwards.

#include "platform/LTGraphic.h"
#include "platform/LTStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using lectern::TGraphic;

constexpr std::string_view kClasses[] = {"TBitmap", "TJPEGImage", "TPNGImage", "TIcon", "TMetafile"};

void Exercise(const TGraphic& g) {
  // Callers compute with these sizes; anything near the int range would
  // overflow their arithmetic.
  if (g.Width() < 0 || g.Height() < 0 || g.Width() > (1 << 24) || g.Height() > (1 << 24)) __builtin_trap();
  volatile int64_t sink = int64_t{g.Width()} + g.Height() + (g.Empty() ? 1 : 0);
  if (const lectern::TLTPixels* px = g.Pixels()) {
    // Every pixel must be readable and the size must match.
    if (px->Data.size() != static_cast<size_t>(px->Width) * static_cast<size_t>(px->Height)) __builtin_trap();
    uint32_t acc = 0;
    for (uint32_t v : px->Data) acc ^= v;
    sink = sink + acc;
  }
  lectern::TLTMemoryStream out;
  g.SaveToStream(out);
  auto copy = g.Clone();
  if (copy->Width() != g.Width() || copy->Height() != g.Height()) __builtin_trap();
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Small enough that a hostile header cannot make each run slow.
  lectern::SetGraphicPixelLimit(4'000'000);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto g = lectern::LoadGraphicFromBytes(bytes)) Exercise(*g);
  if (size == 0) return 0;

  auto g = lectern::CreateGraphic(kClasses[data[0] % std::size(kClasses)]);
  lectern::TLTMemoryStream in{std::string(bytes.substr(1))};
  if (g->LoadFromStream(in)) {
    Exercise(*g);
  } else if (!g->Empty() || g->Pixels() != nullptr || g->Width() != 0 || g->Height() != 0) {
    __builtin_trap();  // a failed load must leave the picture empty
  }
  return 0;
}
