#pragma once
// SOURCE_DATE_EPOCH, the reproducible-builds convention: when it is set,
// source file times after it are clamped to it and the installer's PE time
// stamp is it, so that the same script and bytes give the same installer on
// any machine.
#include <cstdint>
#include <optional>

namespace mivora::pack {

// Seconds since 1970 from the environment, or nothing when it is unset or
// empty; throws UsageError when it is not a number a PE time stamp holds.
[[nodiscard]] std::optional<std::uint32_t> source_date_epoch();

}  // namespace mivora::pack
