// Reads a personal word list from arbitrary bytes: whatever a user's file
// holds, reading ends, keeps the lines that are words and reports the rest.

#include "spell/LTSpeller.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/lectern-wordlist-fuzz-" + std::to_string(::getpid());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  lectern::TLTSpeller speller;
  std::string error;
  const bool ok = speller.LoadPersonal(path, error);
  if (!ok && error.empty()) __builtin_trap();  // a refusal always says why
  // Without a dictionary nothing is misspelt, personal words or not.
  if (speller.IsMisspelled(u"word")) __builtin_trap();
  return 0;
}
