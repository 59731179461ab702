#pragma once
// Reading and replacing resources of a PE executable, i386 (PE32) or x86-64
// (PE32+), without a Windows toolchain: enough to put the install package
// (RT_RCDATA 42, language neutral) into a copy of the stub, with any other
// resources the installer's identity changes, and to read them back.
//
// The stub must have its resource section last (the installer is linked that
// way): the section is then rebuilt whole and moved to the end of the file,
// at a page-aligned file offset, with every other resource kept.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
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

// One more change to the stub's resources, made in the same rewrite: a put
// leaves `bytes` as the only language of type/id; a removal drops type/id.
struct ResourceEdit {
  std::uint32_t type = 0;
  std::uint32_t id = 0;
  bool remove = false;
  std::uint16_t language = kLanguageNeutral;
  std::vector<std::uint8_t> bytes;

  [[nodiscard]] static ResourceEdit put(std::uint32_t type, std::uint32_t id, std::vector<std::uint8_t> bytes,
                                        std::uint16_t language = kLanguageNeutral) {
    return ResourceEdit{type, id, false, language, std::move(bytes)};
  }
  [[nodiscard]] static ResourceEdit removal(std::uint32_t type, std::uint32_t id) {
    return ResourceEdit{type, id, true, kLanguageNeutral, {}};
  }
};

// How the stub is rewritten besides the one streamed resource: `edits` are
// applied in order before it (so the streamed resource wins over an edit of
// the same type/id), and `time_stamp`, when given, becomes the PE time stamp
// (the stub's is kept otherwise).
struct EmbedOptions {
  std::span<const ResourceEdit> edits = {};
  std::optional<std::uint32_t> time_stamp = std::nullopt;
};

// The streaming form of replace_resource: writes the new executable into
// `out`, pulling the resource's `size` bytes from `contents` when their turn
// comes. Throws InputError when the stub cannot be rewritten.
void embed_resource(std::span<const std::uint8_t> stub, std::uint32_t type, std::uint32_t id, std::uint64_t size,
                    const ContentSource& contents, PatchableSink& out, const EmbedOptions& options = {});

// The file offset and size of resource type/id's bytes; throws InputError
// when the executable cannot be read or has no such resource.
struct ResourcePlace {
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
};
[[nodiscard]] ResourcePlace locate_resource(std::span<const std::uint8_t> executable, std::uint32_t type,
                                            std::uint32_t id);

}  // namespace mivora::writer
