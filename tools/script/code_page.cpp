#include "tools/script/code_page.hpp"

#include <cstdio>

#include "tools/writer/utf8.hpp"
#include "tools/writer/windows_1252.hpp"

namespace mivora::script {

bool is_supported_code_page(std::uint32_t code_page) { return code_page == 1252; }

std::optional<std::uint8_t> to_ansi(char32_t c, std::uint32_t) {
  if (c >= kRawByteBase && c < kRawByteBase + 256) return static_cast<std::uint8_t>(c - kRawByteBase);
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  for (std::uint8_t b = 0x80; b < 0xA0; ++b)
    if (writer::windows_1252_character(b) == c) return b;
  return std::nullopt;
}

std::optional<char32_t> from_ansi(std::uint8_t b, std::uint32_t) { return writer::windows_1252_character(b); }

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
