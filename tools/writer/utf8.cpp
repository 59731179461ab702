#include "tools/writer/utf8.hpp"

namespace mivora::writer {

std::optional<char32_t> next_code_point(std::string_view text, std::size_t& at) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  const int trail = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
  if (trail < 0 || static_cast<std::size_t>(trail) > text.size() - at - 1) return std::nullopt;
  char32_t c = trail == 0 ? lead : lead & (0x3F >> trail);
  for (int i = 1; i <= trail; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    c = c << 6 | (byte(at + i) & 0x3F);
  }
  // The shortest form only, no surrogates, nothing past U+10FFFF.
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[trail] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return std::nullopt;
  at += static_cast<std::size_t>(trail) + 1;
  return c;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace mivora::writer
