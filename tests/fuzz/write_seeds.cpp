// Writes the seed packages into a folder: fuzz_seeds DIR
#include <cstdio>
#include <fstream>

#include "tests/fuzz/seed_packages.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  for (const mivora::test::SeedPackage& seed : mivora::test::seed_packages()) {
    std::ofstream out(std::string(argv[1]) + "/" + seed.name + ".pack", std::ios::binary);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()), static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) return 1;
  }
  return 0;
}
