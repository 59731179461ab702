// libFuzzer entry: arbitrary bytes as a package, run to the end.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string root = "/tmp/mivora-fuzz-" + std::to_string(::getpid());
  mivora::test::RunOutcome outcome = mivora::test::run_package_bytes(data, size, root);
  // A script that ends must close the window, and must not wait for ever.
  if (!outcome.window_closed || outcome.waited_without_end) std::abort();
  return 0;
}
