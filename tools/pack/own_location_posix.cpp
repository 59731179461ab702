// POSIX body of the tool's own location: /proc/self/exe where there is one.
#include <cstdlib>
#include <string>
#include <system_error>

#include "tools/pack/own_location.hpp"

namespace mivora::pack {

namespace fs = std::filesystem;

namespace {

// A bare command name was found through the PATH.
fs::path search_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string folders = path;
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace

fs::path own_folder(const char* argv0) {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error || self.empty()) {
    std::string name = argv0 == nullptr ? "" : argv0;
    self = name.find('/') == std::string::npos ? search_path(name) : fs::path(name);
  }
  fs::path resolved = fs::weakly_canonical(self, error);
  return (error ? self : resolved).parent_path();
}

}  // namespace mivora::pack
