// velmora-pack's entry.
#include <iostream>

#include "pack.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return pack::Run(arguments, std::cout, std::cerr);
}
