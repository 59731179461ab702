#pragma once
// The stubs tests/tools/CMakeLists.txt builds from one source: an i386
// (PE32) and an x86-64 (PE32+) image, for the tests that hold for both.
#include <cstdint>
#include <filesystem>

#include "tools/writer/pe_image.hpp"

namespace mivora::test {

struct TestStub {
  const char* file;
  std::uint16_t machine;
  const char* objdump;  // the binutils that read it

  [[nodiscard]] std::filesystem::path path() const { return std::filesystem::path(MIVORA_TEST_STUBS) / file; }
};

inline constexpr TestStub kTestStubs[] = {
    {"stub.exe", writer::pe::kMachineI386, "i686-w64-mingw32-objdump"},
    {"stub64.exe", writer::pe::kMachineAmd64, "x86_64-w64-mingw32-objdump"},
};

}  // namespace mivora::test
