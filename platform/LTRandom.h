#pragma once
// The one random generator of the process (list identities, template
// numbers). Seeded from the system on first use; tests fix the seed.

#include <cstdint>

namespace lectern {

/// A number in [0, range); 0 when range is 0.
uint32_t LTRandom(uint32_t range);
/// Restarts the sequence from a fixed seed.
void LTRandomize(uint64_t seed);

}  // namespace lectern
