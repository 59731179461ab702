// The source files' times on POSIX systems: std::filesystem keeps nanoseconds.
#include <chrono>

#include "tools/script/source_file.hpp"

namespace mivora::script {

FileTime modification_time(const std::filesystem::path& path) {
  auto since_epoch = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path)).time_since_epoch();
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, kTicksPerSecond>>;
  std::int64_t ticks = std::chrono::duration_cast<Ticks>(since_epoch).count();
  std::int64_t seconds = ticks / kTicksPerSecond;
  std::int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  return to_file_time(UnixTime{seconds, rest * 100});
}

}  // namespace mivora::script
