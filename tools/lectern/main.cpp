// Entry point of the `lectern` command-line tool.

#include <iostream>
#include <string>
#include <vector>

#include "tools/lectern/LecternTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return lectern::LecternMain(args, std::cout, std::cerr);
}
