#pragma once
// What the tool's tests share: a folder of their own for each test, and the
// tool run in-process with its output and its errors caught.

#include "tools/lectern/LecternTool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace lectern::testing {

struct TToolFixture : ::testing::Test {
  std::filesystem::path Dir;
  std::ostringstream Out, Err;

  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = std::filesystem::temp_directory_path() /
          ("lectern-tool-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           test->test_suite_name() + "-" + test->name());
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  std::string Path(const std::string& name) const { return (Dir / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream f(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  int Run(std::vector<std::string> args) {
    Out.str({});
    Err.str({});
    return LecternMain(args, Out, Err);
  }
};

}  // namespace lectern::testing
