#include "tools/pack/output_conflict.hpp"

#include <algorithm>

namespace mivora::pack {
namespace {

namespace fs = std::filesystem;

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return !b.empty() && fs::equivalent(a, b, error) && !error;
}

bool lies_within(const fs::path& inner, const fs::path& outer) {
  auto [stop, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return stop == outer.end();
}

// The path with every link and ".." resolved, as far as it exists.
fs::path resolved(const fs::path& path) {
  std::error_code error;
  fs::path full = fs::weakly_canonical(fs::absolute(path, error), error);
  return error ? path.lexically_normal() : full;
}

}  // namespace

std::string output_conflict(const fs::path& output, const BuildInputs& inputs) {
  std::error_code error;
  if (fs::exists(output, error)) {
    if (same_file(output, inputs.script)) return "it is the script itself";
    if (same_file(output, inputs.stub)) return "it is the stub the installer is made from";
    for (const fs::path& source : inputs.source_files)
      if (same_file(output, source)) return "it is '" + source.string() + "', a file the package holds";
  }
  fs::path where = resolved(output);
  for (const fs::path& folder : inputs.source_folders)
    if (lies_within(where, resolved(folder)))
      return "it lies in '" + folder.string() + "', a folder the package holds, so the next build would pack it";
  return {};
}

}  // namespace mivora::pack
