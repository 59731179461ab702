#pragma once
// Turns a package back into a script that compiles to the same bytes: the
// commands in order, texts converted from the ANSI code page, every file with
// its explicit time and a source path below the folder its contents are
// extracted to.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tools/inspect/package_walk.hpp"

namespace mivora::inspect {

struct DumpOptions {
  std::uint32_t code_page = 1252;
  std::string package_name;                         // named in the listing's first comment
  std::optional<std::filesystem::path> extract_to;  // write the file contents below this folder
};

// `walk` must be the walk of `package` and free of problems. Throws
// std::runtime_error when an extracted file cannot be written or a file time
// lies past what a script can say (the year 9999).
[[nodiscard]] std::string dump_package(ByteView package, const PackageWalk& walk, const DumpOptions& options);

// A quoted script string whose compiled bytes are exactly `ansi`.
[[nodiscard]] std::string script_literal(std::string_view ansi, std::uint32_t code_page);

}  // namespace mivora::inspect
