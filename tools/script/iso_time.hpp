#pragma once
// File times written in scripts: "2024-01-02T03:04:05Z", with up to seven
// fraction digits (100-nanosecond ticks) so that every FILETIME of a year
// from 1601 to 9999 is written and read back exactly.
#include <optional>
#include <string>
#include <string_view>

#include "support/file_time.hpp"

namespace mivora::script {

[[nodiscard]] std::optional<FileTime> parse_iso_time(std::string_view text);
// Nothing for a time past the year 9999.
[[nodiscard]] std::optional<std::string> format_iso_time(FileTime time);

}  // namespace mivora::script
