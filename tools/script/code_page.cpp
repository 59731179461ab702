#include "tools/script/code_page.hpp"

#include <cstdio>

#include "tools/writer/utf8.hpp"

namespace mivora::script {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes it leaves undefined.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool is_supported_code_page(std::uint32_t code_page) { return code_page == 1252; }

std::optional<std::uint8_t> to_ansi(char32_t c, std::uint32_t) {
  if (c >= kRawByteBase && c < kRawByteBase + 256) return static_cast<std::uint8_t>(c - kRawByteBase);
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  for (std::uint8_t i = 0; i < 32; ++i)
    if (kWindows1252High[i] != 0 && kWindows1252High[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  return std::nullopt;
}

std::optional<char32_t> from_ansi(std::uint8_t b, std::uint32_t) {
  if (b < 0x80 || b >= 0xA0) return char32_t{b};
  char16_t c = kWindows1252High[b - 0x80];
  if (c == 0) return std::nullopt;
  return char32_t{c};
}

std::string to_utf8(char32_t c) {
  std::string s;
  writer::append_utf8(s, c);
  return s;
}

std::string describe_character(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  if (c < 0x20 || c == 0x7F) return code;
  return std::string(code) + " '" + to_utf8(c) + "'";
}

}  // namespace mivora::script
