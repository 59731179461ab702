#pragma once
// Reading and replacing resources of a 32-bit PE executable without a
// Windows toolchain: enough to put the install package (RT_RCDATA 42,
// language neutral) into a copy of the stub and to read it back.
#include <cstdint>
#include <string>
#include <vector>

namespace mivora::writer {

inline constexpr std::uint32_t kRtRcdata = 10;
inline constexpr std::uint32_t kPackageResourceId = 42;
inline constexpr std::uint16_t kLanguageNeutral = 0;

// A PE that cannot be read or rewritten; what() says why.
struct PeError {
  std::string message;
};

// The bytes of resource type/id (any language), or an empty optional-like
// result with ok == false when the executable has none.
struct ResourceLookup {
  bool ok = false;
  std::vector<std::uint8_t> bytes;
  std::string error;  // set when the executable itself could not be read
};
ResourceLookup read_resource(const std::vector<std::uint8_t>& executable, std::uint32_t type, std::uint32_t id);

// A copy of `executable` whose resource section holds every resource it had
// (but any type/id entry replaced) plus `data` as type/id, language neutral.
// Returns false with `error` set when the executable cannot be rewritten.
bool replace_resource(const std::vector<std::uint8_t>& executable, std::uint32_t type, std::uint32_t id,
                      const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace mivora::writer
