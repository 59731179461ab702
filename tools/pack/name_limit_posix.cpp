// POSIX body of the name limit: pathconf of the nearest existing folder.
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "tools/pack/name_limit.hpp"

namespace mivora::pack {

std::size_t longest_name(const std::filesystem::path& folder, std::size_t ceiling) {
  std::filesystem::path asked = std::filesystem::absolute(folder);
  std::error_code error;
  while (!std::filesystem::is_directory(asked, error) && asked.has_relative_path()) asked = asked.parent_path();
  long limit = pathconf(asked.c_str(), _PC_NAME_MAX);
  return limit > 0 ? std::min(ceiling, static_cast<std::size_t>(limit)) : ceiling;
}

}  // namespace mivora::pack
