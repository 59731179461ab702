#pragma once
// How long a name the file system of a folder takes, asked before anything
// is written there.
#include <cstddef>
#include <filesystem>

namespace mivora::pack {

// The longest file name, in bytes of UTF-8, that the file system holding
// `folder` takes, at most `ceiling`. `folder` need not exist yet: its
// nearest existing parent is asked.
[[nodiscard]] std::size_t longest_name(const std::filesystem::path& folder, std::size_t ceiling);

}  // namespace mivora::pack
