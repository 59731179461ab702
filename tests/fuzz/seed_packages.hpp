#pragma once
// Packages that start the fuzzer off in every corner of the script: pages,
// destinations, lists and files, the error paths.
#include <cstdint>
#include <string>
#include <vector>

namespace mivora::test {

struct SeedPackage {
  std::string name;
  std::vector<std::uint8_t> bytes;
  std::uint64_t content_bytes;  // what a run that clicks Next throughout writes
};

std::vector<SeedPackage> seed_packages();

}  // namespace mivora::test
