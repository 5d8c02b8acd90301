// tasc-host SCRIPT MODULE: see host.h.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "host.h"
#include "system/host_loader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tasc-host SCRIPT MODULE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tasc-host: cannot read %s\n", argv[1]);
    return 2;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  tasc::platform::setBinaryOutput(stdout);
  return tasc::host::runScript(argv[1], text.c_str(), argv[2], stdout);
}
