#include "tools/script/iso_time.hpp"

#include <cstdint>
#include <cstdio>

namespace mivora::script {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian).
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

constexpr Civil civil_from_days(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return Civil{static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

bool read_digits(std::string_view text, std::size_t& at, std::size_t count, unsigned& value) {
  value = 0;
  for (std::size_t i = 0; i < count; ++i, ++at) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
    value = value * 10 + static_cast<unsigned>(text[at] - '0');
  }
  return true;
}

bool expect(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

unsigned days_in_month(unsigned year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<FileTime> parse_iso_time(std::string_view text) {
  std::size_t at = 0;
  unsigned year, month, day, hour, minute, second;
  if (!read_digits(text, at, 4, year) || !expect(text, at, '-') || !read_digits(text, at, 2, month) ||
      !expect(text, at, '-') || !read_digits(text, at, 2, day) || !expect(text, at, 'T') ||
      !read_digits(text, at, 2, hour) || !expect(text, at, ':') || !read_digits(text, at, 2, minute) ||
      !expect(text, at, ':') || !read_digits(text, at, 2, second))
    return std::nullopt;
  std::uint64_t ticks_fraction = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 7) {
      ticks_fraction = ticks_fraction * 10 + static_cast<unsigned>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    for (; digits < 7; ++digits) ticks_fraction *= 10;
  }
  if (!expect(text, at, 'Z') || at != text.size()) return std::nullopt;
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour > 23 ||
      minute > 59 || second > 59)
    return std::nullopt;
  std::int64_t unix_seconds = days_from_civil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
  return to_file_time(UnixTime{unix_seconds, static_cast<std::int64_t>(ticks_fraction) * 100});
}

std::optional<std::string> format_iso_time(FileTime time) {
  UnixTime unix_time = to_unix_time(time);
  std::int64_t seconds = unix_time.seconds;
  auto fraction = static_cast<unsigned>(unix_time.nanoseconds / 100);
  std::int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : (seconds - kSecondsPerDay + 1) / kSecondsPerDay;
  std::int64_t in_day = seconds - days * kSecondsPerDay;
  Civil c = civil_from_days(days);
  if (c.year > 9999) return std::nullopt;
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld", static_cast<long long>(c.year), c.month,
                c.day, static_cast<long long>(in_day / 3600), static_cast<long long>(in_day / 60 % 60),
                static_cast<long long>(in_day % 60));
  std::string s = text;
  if (fraction != 0) {
    char digits[16];
    std::snprintf(digits, sizeof digits, ".%07u", fraction);
    std::string f = digits;
    while (f.back() == '0') f.pop_back();
    s += f;
  }
  return s + "Z";
}

}  // namespace mivora::script
