#pragma once
// What a source path holds, and when it cannot be packed, why, in the words
// a package writer needs: not found, not readable, a link that dangles or
// loops, a pipe or a device where a file belongs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace mivora::script {

enum class SourceKind : std::uint8_t { kFile, kFolder, kUnusable };

struct SourceEntry {
  SourceKind kind = SourceKind::kUnusable;
  std::uint64_t size = 0;  // of a file
  std::string problem;     // why it cannot be packed, for kUnusable
};

// Follows links. A file is opened once to see that it can be read; a
// folder is read when it is walked.
[[nodiscard]] SourceEntry probe_source(const std::filesystem::path& path);

// A failure of the file system in plain words ("cannot be read: permission denied").
[[nodiscard]] std::string plain_reason(std::error_code error);

}  // namespace mivora::script
