#include "tools/pack/source_date_epoch.hpp"

#include <cstdlib>
#include <string>

#include "tools/pack/commands.hpp"

namespace mivora::pack {

std::optional<std::uint32_t> source_date_epoch() {
  const char* value = std::getenv("SOURCE_DATE_EPOCH");
  if (value == nullptr || *value == '\0') return std::nullopt;
  std::string text = value;
  if (text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10 ||
      std::stoull(text) > 0xFFFFFFFFull)
    throw UsageError("SOURCE_DATE_EPOCH must be whole seconds since 1970 up to 4294967295 (the year 2106), not '" +
                     text + "'");
  return static_cast<std::uint32_t>(std::stoull(text));
}

}  // namespace mivora::pack
