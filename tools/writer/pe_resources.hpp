#pragma once
// Reading and replacing resources of a 32-bit PE executable without a
// Windows toolchain: enough to put the install package (RT_RCDATA 42,
// language neutral) into a copy of the stub and to read it back.
//
// The stub must have its resource section last (the installer is linked that
// way): the section is then rebuilt whole and moved to the end of the file,
// at a page-aligned file offset, with every other resource kept.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/writer/package_builder.hpp"

namespace mivora::writer {

inline constexpr std::uint32_t kRtRcdata = 10;
inline constexpr std::uint32_t kPackageResourceId = 42;
inline constexpr std::uint16_t kLanguageNeutral = 0;

// The bytes of resource type/id (its first language), with ok == false when
// the executable has none; `error` is set when the executable itself could
// not be read.
struct ResourceLookup {
  bool ok = false;
  std::vector<std::uint8_t> bytes;
  std::string error;
};
ResourceLookup read_resource(const std::vector<std::uint8_t>& executable, std::uint32_t type, std::uint32_t id);

// A copy of `executable` whose resource section holds every resource it had
// (but any type/id entry replaced) plus `data` as type/id, language neutral.
// Returns false with `error` set when the executable cannot be rewritten.
bool replace_resource(const std::vector<std::uint8_t>& executable, std::uint32_t type, std::uint32_t id,
                      const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out, std::string& error);

// The streaming form of replace_resource: writes the new executable into
// `out`, pulling the resource's `size` bytes from `contents` when their turn
// comes, with `time_stamp` as its PE time stamp when one is given (the
// stub's is kept otherwise). Throws InputError when the stub cannot be
// rewritten.
void embed_resource(std::span<const std::uint8_t> stub, std::uint32_t type, std::uint32_t id, std::uint64_t size,
                    const ContentSource& contents, PatchableSink& out,
                    std::optional<std::uint32_t> time_stamp = std::nullopt);

// The file offset and size of resource type/id's bytes; throws InputError
// when the executable cannot be read or has no such resource.
struct ResourcePlace {
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
};
[[nodiscard]] ResourcePlace locate_resource(std::span<const std::uint8_t> executable, std::uint32_t type,
                                            std::uint32_t id);

}  // namespace mivora::writer
