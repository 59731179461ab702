// libFuzzer entry: arbitrary bytes as a package, run to the end.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string root = "/tmp/mivora-fuzz-" + std::to_string(::getpid());
  mivora::fuzz::RunOutcome outcome = mivora::fuzz::run_package_bytes(data, size, root);
  if (!outcome.window_closed) std::abort();  // a script that ends must close the window
  return 0;
}
