#pragma once
// Compiles a script (UTF-8 text, one command a line) into a package layout.
// Every problem is found before anything is written, and each is reported as
// "FILE:LINE: message".
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/script/code_page.hpp"
#include "tools/writer/package_builder.hpp"
#include "tools/writer/package_limits.hpp"

namespace mivora::script {

struct CompileOptions {
  std::uint32_t code_page = kDefaultCodePage;
  std::uint64_t max_package_size = writer::kMaxInstallerPackageSize;
};

// All the problems of a script, each "FILE:LINE: message".
struct ScriptErrors : std::runtime_error {
  explicit ScriptErrors(std::vector<std::string> all)
      : std::runtime_error(all.empty() ? std::string() : all.front()), messages(std::move(all)) {}
  std::vector<std::string> messages;
};

// Source paths are relative to `base` (the script's folder). Throws ScriptErrors.
void compile_script_text(const std::string& text, const std::string& file_name, const std::filesystem::path& base,
                         const CompileOptions& options, writer::PackageBuilder& out);
void compile_script_file(const std::filesystem::path& script, const CompileOptions& options,
                         writer::PackageBuilder& out);

}  // namespace mivora::script
