#pragma once
// Reading a whole file at once: scripts, stubs and packages to inspect.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace mivora::writer {

// The file's bytes, or nothing when it cannot be opened or read.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> read_whole_file(const std::filesystem::path& path);

}  // namespace mivora::writer
