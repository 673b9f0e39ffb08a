#pragma once
// Reading back the PDF files tests write, with the poppler tools
// (pdftotext, pdfinfo; Debian package poppler-utils, which scripts/setup.sh
// installs). Tests that need them skip with a message where they are
// missing.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lectern::testing {

inline bool HasPoppler() {
  return std::system("command -v pdftotext > /dev/null 2>&1 && command -v pdfinfo > /dev/null 2>&1") == 0;
}

/// What a shell command writes on its standard output.
inline std::string RunOutput(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

}  // namespace lectern::testing

#define SKIP_WITHOUT_POPPLER()                                                                              \
  if (!::lectern::testing::HasPoppler())                                                                    \
  GTEST_SKIP() << "pdftotext and pdfinfo (Debian package poppler-utils, installed by scripts/setup.sh) are " \
                  "missing"
