#pragma once
// The package inside a file given to dump or check: the file itself, or the
// resource 42 of an installer.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "package/package_view.hpp"

namespace mivora::pack {

struct PackageInput {
  std::vector<std::uint8_t> file;
  std::uint64_t offset = 0;  // where the package starts in the file
  std::uint32_t size = 0;
  bool from_installer = false;

  [[nodiscard]] ByteView view() const { return ByteView{file.data() + offset, size}; }
};

// Throws std::runtime_error with a message for the user.
[[nodiscard]] PackageInput read_package_input(const std::filesystem::path& path);

}  // namespace mivora::pack
