#pragma once
// Runs one package through the whole interpreter with the fake wizard's
// automatic user, writing into a throwaway folder. Shared by the fuzzer and
// the replay of its findings.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mivora::test {

struct RunOutcome {
  bool window_closed = false;  // every end of a script closes the window
  bool waited_without_end = false;
  std::uint64_t bytes_written = 0;
};

// The throwaway folder is made once per process under `root`.
RunOutcome run_package_bytes(const std::uint8_t* data, std::size_t size, const std::string& root);

}  // namespace mivora::test
