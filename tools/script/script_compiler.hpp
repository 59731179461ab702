#pragma once
// Compiles a script (UTF-8 text, one command a line) into a package layout
// and the identity of the installer that carries it.
// Every problem is found before anything is written, and each is reported as
// "FILE:LINE: message", or "FILE:LINE: SOURCE: message" when it concerns a
// source path.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/file_time.hpp"
#include "tools/script/code_page.hpp"
#include "tools/writer/installer_identity.hpp"
#include "tools/writer/package_builder.hpp"
#include "tools/writer/package_limits.hpp"

namespace mivora::script {

struct CompileOptions {
  std::uint32_t code_page = kDefaultCodePage;
  std::uint64_t max_package_size = writer::kMaxInstallerPackageSize;
  // Source times later than this become this time (SOURCE_DATE_EPOCH);
  // times written in the script are kept as they are.
  std::optional<FileTime> latest_source_time;
  // The installer's file name (its OriginalFilename), or nothing when the
  // output is a bare package, which has no identity: the script's identity
  // commands then give a warning.
  std::optional<std::string> installer_name;
};

struct CompileResult {
  std::vector<std::string> errors;    // "FILE:LINE: message", in script order
  std::vector<std::string> warnings;  // "FILE:LINE: warning: message"
  // What the package is made from, for a caller that must not write over it.
  std::vector<std::filesystem::path> source_files;
  std::vector<std::filesystem::path> source_folders;  // the roots of 'files' trees
  // What the installer says about itself, beside the package (for an installer_name only).
  writer::InstallerIdentity identity;
  [[nodiscard]] bool ok() const { return errors.empty(); }
};

// Source paths are relative to `base` (the script's folder). `out` holds the
// package when the result has no errors.
[[nodiscard]] CompileResult compile_script(const std::string& text, const std::string& file_name,
                                           const std::filesystem::path& base, const CompileOptions& options,
                                           writer::PackageBuilder& out);
// The script file itself; a file that cannot be read is one error.
[[nodiscard]] CompileResult compile_script(const std::filesystem::path& script, const CompileOptions& options,
                                           writer::PackageBuilder& out);

}  // namespace mivora::script
