#pragma once
// The application manifest (RT_MANIFEST 1) that Windows reads before the
// installer starts: the rights it asks for (requestedExecutionLevel), the
// Windows versions it was tested on (Vista to 11, so that none of them runs
// it in a compatibility mode) and system DPI awareness (its dialog is laid
// out in dialog units, so it scales with the system font). Nothing else:
// the installer draws classic controls and needs no common-controls version.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mivora::writer {

inline constexpr std::uint32_t kRtManifest = 24;
inline constexpr std::uint32_t kProcessManifestId = 1;

enum class Elevation {
  admin,    // requireAdministrator: asks for an administrator at start
  highest,  // highestAvailable: an administrator's full rights, anyone else's own
  user,     // asInvoker: the rights of whoever starts it
};

// "admin", "highest" or "user", or nothing.
[[nodiscard]] std::optional<Elevation> elevation_from_word(std::string_view word);
[[nodiscard]] const char* word_of(Elevation elevation);

// The manifest's bytes (UTF-8 XML).
[[nodiscard]] std::string build_manifest(Elevation elevation);

// The level a manifest asks for, or nothing when it names none this tool
// writes (no manifest level means "as invoker" to Windows).
[[nodiscard]] std::optional<Elevation> read_manifest_elevation(std::span<const std::uint8_t> manifest);

}  // namespace mivora::writer
