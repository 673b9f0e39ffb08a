// Entry point of the `lectern` command-line tool.

#include "tools/lectern/LecternTool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return lectern::LecternMain(args, std::cout, std::cerr);
}
