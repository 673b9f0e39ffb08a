#pragma once
// A private folder for one test, removed with everything in it afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace lectern::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = ::testing::TempDir() + "lectern-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  size_t Count() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  std::string path_;
};

}  // namespace lectern::testing
