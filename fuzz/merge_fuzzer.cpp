// Merges arbitrary bytes, as the stored document of a large-object field,
// into a template with every kind of field place and checks the round
// trip (tests/support/MergeRoundTrip.h): what it finds is kept under
// tests/data/crash/merge and replayed by the tests.

#include "tests/support/MergeRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem =
      lectern::testing::MergeRoundTripProblem(std::string(reinterpret_cast<const char*>(data), size));
  if (!problem.empty()) {
    std::fprintf(stderr, "merge round trip: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
