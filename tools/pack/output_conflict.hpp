#pragma once
// An output that must not be written: one that would replace the script,
// the stub or a source file, or that lies inside a folder the package packs
// (the next build would pack the previous installer).
#include <filesystem>
#include <string>
#include <vector>

namespace mivora::pack {

struct BuildInputs {
  std::filesystem::path script;
  std::filesystem::path stub;  // empty when no stub is read
  std::vector<std::filesystem::path> source_files;
  std::vector<std::filesystem::path> source_folders;
};

// Why `output` must not be written, or an empty string.
[[nodiscard]] std::string output_conflict(const std::filesystem::path& output, const BuildInputs& inputs);

}  // namespace mivora::pack
