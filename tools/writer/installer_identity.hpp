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

// Each part that is not set leaves the stub's own (the stub has an icon and
// the brand "Mivora 0.1", no version resource and no manifest).
struct InstallerIdentity {
  std::optional<IconResources> icon;
  std::optional<VersionInfo> version;
  std::optional<Elevation> elevation;
  std::optional<std::string> brand;  // UTF-8, at most kBrandLimit characters
};

// The edits that give `stub` this identity. A new icon replaces group 1 and
// drops the stub's images that group 1 named, so none is left orphaned; the
// brand keeps dialog 100's language. Throws InputError when the stub cannot
// take a part (no dialog 100, no brand line in it, a malformed icon group)
// or a part is malformed (a brand too long, a text that is not UTF-8).
[[nodiscard]] std::vector<ResourceEdit> identity_edits(std::span<const std::uint8_t> stub,
                                                       const InstallerIdentity& identity);

// Writes the installer: `stub` with the package (`package_size` bytes
// streamed from `package` as RT_RCDATA 42) and the identity, in one pass.
// Throws InputError as identity_edits and embed_resource do.
void embed_package_with_identity(std::span<const std::uint8_t> stub, const InstallerIdentity& identity,
                                 std::uint64_t package_size, const ContentSource& package, PatchableSink& out);

// The identity an executable carries; a part it lacks stays unset.
struct IdentityReadBack {
  std::optional<std::vector<std::uint8_t>> icon_file;  // .ico bytes of icon group 1
  std::optional<VersionInfo> version;
  std::optional<Elevation> elevation;
  std::optional<std::string> brand;
};
// Throws InputError when the executable or one of these resources is malformed.
[[nodiscard]] IdentityReadBack read_identity(std::span<const std::uint8_t> executable);

}  // namespace mivora::writer
