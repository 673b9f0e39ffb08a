// Long random walks of the editor against the plain model of its text
// (tests/edit/LTEditModelWalk.h): the input is the walk's program. A walk
// whose text or caret leaves the model's aborts with what differed; the
// unit test keeps every such program once it is mended.

#include "tests/edit/LTEditModelWalk.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Steps beyond a few hundred find nothing new and slow every run.
  if (size > 4000) return 0;
  lectern::testing::TEditModelWalk walk;
  const std::string failure = walk.Run(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!failure.empty()) {
    std::fprintf(stderr, "edit model walk: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
