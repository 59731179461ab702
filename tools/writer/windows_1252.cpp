#include "tools/writer/windows_1252.hpp"

#include <cstdio>

#include "tools/writer/utf8.hpp"

namespace mivora::writer {
namespace {

// Bytes 0x80..0x9F; 0 marks the five the code page leaves undefined.
constexpr char16_t kHighControlsRow[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::optional<char32_t> windows_1252_character(std::uint8_t b) {
  if (b < 0x80 || b >= 0xA0) return char32_t{b};
  char16_t c = kHighControlsRow[b - 0x80];
  if (c == 0) return std::nullopt;
  return char32_t{c};
}

std::string shown_ansi(std::string_view ansi) {
  std::string shown;
  for (char c : ansi) {
    std::uint8_t b = static_cast<std::uint8_t>(c);
    if (std::optional<char32_t> character = windows_1252_character(b)) {
      append_utf8(shown, *character);
      continue;
    }
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", b);
    shown += escape;
  }
  return shown;
}

}  // namespace mivora::writer
