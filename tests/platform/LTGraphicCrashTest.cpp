// Inputs the fuzzer found or started from: every reader must take them
// without crashing, and every seed must still load.

#include "GraphicTestUtil.h"
#include "platform/LTGraphic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  return files;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void LoadEverywhere(const std::string& bytes) {
  if (auto g = LoadGraphicFromBytes(bytes)) {
    if (const TLTPixels* px = g->Pixels()) {
      EXPECT_EQ(px->Data.size(), static_cast<size_t>(px->Width) * static_cast<size_t>(px->Height));
    }
  }
  for (std::string_view name : {"TBitmap", "TJPEGImage", "TPNGImage", "TIcon", "TMetafile"}) {
    auto g = CreateGraphic(name);
    if (!testing::LoadBytes(*g, bytes)) {
      EXPECT_TRUE(g->Empty()) << name;
      EXPECT_EQ(g->Pixels(), nullptr) << name;
    }
  }
}

TEST(GraphicCrashInputs, EveryReaderSurvivesThem) {
  const auto files = FilesIn(fs::path(LECTERN_TEST_DATA) / "crash" / "graphic");
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    LoadEverywhere(ReadAll(f));
  }
}

TEST(GraphicCrashInputs, FuzzSeedsLoadAndSurviveBitFlips) {
  const auto files = FilesIn(fs::path(LECTERN_TEST_DATA) / ".." / ".." / "fuzz" / "corpus" / "graphic");
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    const std::string bytes = ReadAll(f);
    // Seeds named class-* carry the fuzzer's class selector byte first.
    const bool plain = f.filename().string().rfind("class-", 0) != 0;
    if (plain) {
      EXPECT_NE(LoadGraphicFromBytes(bytes), nullptr);
    }
    for (size_t i = 0; i < bytes.size(); i += 7) {
      std::string flipped = bytes;
      flipped[i] = static_cast<char>(flipped[i] ^ 0xA5);
      LoadEverywhere(flipped);
    }
  }
}

}  // namespace
}  // namespace lectern
