#pragma once
// What an installer says about itself, beside its package: its icon, its
// version resource, the rights it asks for (the manifest) and the brand
// line of its window. Applied to a copy of the stub in the one rewrite that
// embeds the package, and read back from an installer.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/writer/app_manifest.hpp"
#include "tools/writer/icon_file.hpp"
#include "tools/writer/package_builder.hpp"
#include "tools/writer/pe_resources.hpp"
#include "tools/writer/version_info.hpp"

namespace mivora::writer {

// The icon, the elevation and the brand, when not set, stay the stub's own
// (the stub has an icon, the brand "Mivora 0.1" and no manifest). The
// version resource is the identity's alone: without one the installer has
// none, even when the stub carries its own (it would describe the stub).
struct InstallerIdentity {
  std::optional<IconResources> icon;
  std::optional<VersionInfo> version;
  std::optional<Elevation> elevation;
  std::optional<std::string> brand;  // UTF-8, at most kBrandLimit characters
};

// The edits that give `stub` this identity. A new icon replaces group 1 and
// drops the stub's images that group 1 named, so none is left orphaned. The
// icon keeps the language of the stub's group 1 and the brand that of
// dialog 100, so that the stub's own icon and brand given again (as a dumped
// script gives them) leave the bytes as they were. Throws InputError when the stub cannot
// take a part (no dialog 100, no brand line in it, a malformed icon group)
// or a part is malformed (a brand too long, a text that is not UTF-8).
[[nodiscard]] std::vector<ResourceEdit> identity_edits(std::span<const std::uint8_t> stub,
                                                       const InstallerIdentity& identity);

// Writes the installer: `stub` with the package (`package_size` bytes
// streamed from `package` as RT_RCDATA 42) and the identity, in one pass;
// `time_stamp`, when given, becomes its PE time stamp. Throws InputError as
// identity_edits and embed_resource do.
void embed_package_with_identity(std::span<const std::uint8_t> stub, const InstallerIdentity& identity,
                                 std::uint64_t package_size, const ContentSource& package, PatchableSink& out,
                                 std::optional<std::uint32_t> time_stamp = std::nullopt);

// The identity an executable carries; a part it lacks stays unset.
struct IdentityReadBack {
  std::optional<std::vector<std::uint8_t>> icon_file;  // .ico bytes of icon group 1
  std::optional<VersionInfo> version;
  std::optional<Elevation> elevation;
  std::optional<std::string> brand;
};
// Only these resources are read into memory, never the package beside them.
// Throws InputError when the executable or one of these resources is malformed.
[[nodiscard]] IdentityReadBack read_identity(std::span<const std::uint8_t> executable);

}  // namespace mivora::writer
