// The process-wide random generator. Kept behind a mutex because list
// numbering and background workers may both draw from it.

#include "platform/LTRandom.h"

#include <mutex>
#include <optional>
#include <random>

namespace lectern {

namespace {

std::mutex gMutex;
std::optional<std::mt19937_64> gEngine;  // guarded by gMutex

std::mt19937_64& Engine() {
  if (!gEngine) {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    gEngine.emplace(seed);
  }
  return *gEngine;
}

}  // namespace

uint32_t LTRandom(uint32_t range) {
  if (range == 0) return 0;
  std::lock_guard<std::mutex> lock(gMutex);
  // Rejection keeps every value equally likely (a plain modulo would not).
  const uint64_t limit = UINT64_MAX - UINT64_MAX % range;
  uint64_t v;
  do {
    v = Engine()();
  } while (v >= limit);
  return static_cast<uint32_t>(v % range);
}

void LTRandomize(uint64_t seed) {
  std::lock_guard<std::mutex> lock(gMutex);
  gEngine.emplace(seed);
}

}  // namespace lectern
