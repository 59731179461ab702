#pragma once
// A file whose contents go into a package: its size and time are taken when
// the script is compiled, its bytes are read in chunks while the package is
// written, so a package of any size passes with flat memory.
#include <cstdint>
#include <filesystem>

#include "support/file_time.hpp"
#include "tools/writer/package_builder.hpp"

namespace mivora::script {

inline constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;  // a file record's size is one word

// The file's last-write time to the 100-nanosecond tick (the body is per
// platform: the C runtime's stat on Windows keeps whole seconds only).
[[nodiscard]] FileTime modification_time(const std::filesystem::path& path);

// Streams the file into the sink; throws std::runtime_error when the file
// can no longer be read or no longer has `size` bytes.
[[nodiscard]] writer::ContentSource stream_file(const std::filesystem::path& path, std::uint64_t size);

}  // namespace mivora::script
