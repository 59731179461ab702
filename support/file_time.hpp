#pragma once
// A Win32 FILETIME: 100-nanosecond intervals since 1601-01-01 UTC, stored as
// two words, low word first. Converted exactly to and from Unix time.
#include <cstdint>

namespace mivora {

struct FileTime {
  std::uint32_t low = 0;
  std::uint32_t high = 0;

  [[nodiscard]] constexpr std::uint64_t ticks() const {
    return (static_cast<std::uint64_t>(high) << 32) | low;
  }
  [[nodiscard]] static constexpr FileTime from_ticks(std::uint64_t ticks) {
    return FileTime{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
  }
};

// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11644473600;
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;

struct UnixTime {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;  // 0..999'999'999, a multiple of 100 when from a FileTime
};

[[nodiscard]] constexpr UnixTime to_unix_time(FileTime t) {
  std::uint64_t ticks = t.ticks();
  auto whole_seconds = static_cast<std::int64_t>(ticks / kTicksPerSecond);
  auto rest = static_cast<std::int64_t>(ticks % kTicksPerSecond);
  return UnixTime{whole_seconds - kUnixEpochInFileTimeSeconds, rest * 100};
}

// Times before 1601 become 1601; nanoseconds are cut to whole ticks.
[[nodiscard]] constexpr FileTime to_file_time(UnixTime t) {
  std::int64_t seconds = t.seconds + kUnixEpochInFileTimeSeconds;
  if (seconds < 0) return FileTime{};
  auto ticks = static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
               static_cast<std::uint64_t>(t.nanoseconds / 100);
  return FileTime::from_ticks(ticks);
}

}  // namespace mivora
