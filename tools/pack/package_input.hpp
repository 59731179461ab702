#pragma once
// The package inside a file given to dump or check: the file itself, or the
// resource 42 of an installer. The file is mapped, not read, so that an
// installer of any size is inspected in bounded memory.
#include <cstdint>
#include <filesystem>
#include <string>

#include "package/package_view.hpp"
#include "tools/writer/mapped_file.hpp"

namespace mivora::pack {

struct PackageInput {
  writer::MappedFile file;
  std::uint64_t offset = 0;  // where the package starts in the file
  std::uint32_t size = 0;
  bool from_installer = false;
  std::uint16_t machine = 0;  // an installer's COFF machine: i386 or x86-64

  [[nodiscard]] ByteView view() const { return ByteView{file.bytes().data() + offset, size}; }
  // The package bytes read so far may leave memory.
  void release_all() const { file.release_all(); }
  void release(std::uint64_t package_offset, std::uint64_t length) const {
    file.release(offset + package_offset, length);
  }
};

// Throws std::runtime_error with a message for the user.
[[nodiscard]] PackageInput read_package_input(const std::filesystem::path& path);

}  // namespace mivora::pack
