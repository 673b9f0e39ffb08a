// The table walk of the test suite (tests/support/TableWalk.h) driven by
// the input: every byte is a choice, of the document built and of the
// steps played on it (cell edits, structure operations, styles, undo and
// redo). Any check that fails aborts: wrong numbers shown, a list counting
// an item twice, undo or redo not giving the bytes back, save-load-save
// changing the bytes. Failing inputs are kept under
// tests/data/crash/table_walk/, which the test suite replays.

#include "tests/support/TableWalk.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern::testing;
  // Longer inputs add steps, not time per step: the walk stops at a bound.
  constexpr int kMaxSteps = 60;
  TByteChoices choices(std::string_view(reinterpret_cast<const char*>(data), size));
  TTableWalk walk(choices);
  walk.Run(kMaxSteps);
  if (!walk.Failure.empty()) {
    std::fprintf(stderr, "%s\n", walk.Failure.c_str());
    std::abort();
  }
  return 0;
}
