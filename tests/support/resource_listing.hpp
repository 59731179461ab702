#pragma once
// Resources as tools outside ours see them: llvm-readobj's listing of an
// executable's resources, and an icon file that ImageMagick writes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.hpp"

namespace mivora::test {

// The types and names of the executable's resources as llvm-readobj lists
// them, each followed by ";": "ICON (ID 3);(ID 1);DIALOG (ID 5);(ID 100);...".
[[nodiscard]] std::string readobj_resource_names(const std::filesystem::path& executable);

// An icon file written by ImageMagick into `dir`: 256 x 256 as a PNG image,
// 48, 32 and 16 as 32-bit bitmaps; a yellow disc on a red-to-blue gradient.
[[nodiscard]] std::vector<std::uint8_t> make_icon_file(const TempDir& dir);

}  // namespace mivora::test
