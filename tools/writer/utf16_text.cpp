#include "tools/writer/utf16_text.hpp"

#include "tools/writer/byte_order.hpp"

namespace mivora::writer {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

[[noreturn]] void bad_byte(std::size_t at) {
  throw InputError("the text is not UTF-8 (at byte " + std::to_string(at + 1) + ")");
}

// The code point starting at `at`, advancing `at` past it.
char32_t decode(std::string_view s, std::size_t& at) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
  std::uint8_t lead = byte(at);
  int trail = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
  if (trail < 0 || static_cast<std::size_t>(trail) > s.size() - at - 1) bad_byte(at);
  char32_t c = trail == 0 ? lead : lead & (0x3F >> trail);
  for (int i = 1; i <= trail; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) bad_byte(at + i);
    c = c << 6 | (byte(at + i) & 0x3F);
  }
  // The shortest form only, no surrogates, nothing past U+10FFFF.
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[trail] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) bad_byte(at);
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

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::u16string utf16_from_utf8(std::string_view utf8) {
  std::u16string out;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t start = at;
    char32_t c = decode(utf8, at);
    if (c == 0) throw InputError("the text holds a NUL character (at byte " + std::to_string(start + 1) + ")");
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string utf8_from_utf16(std::u16string_view utf16) {
  std::string out;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char16_t u = utf16[i];
    if (is_high_surrogate(u) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) {
      append_utf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else {
      append_utf8(out, is_high_surrogate(u) || is_low_surrogate(u) ? kReplacement : u);
    }
  }
  return out;
}

std::size_t character_count(std::u16string_view utf16) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    if (is_high_surrogate(utf16[i]) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) ++i;
    ++count;
  }
  return count;
}

void append_utf16(std::vector<std::uint8_t>& bytes, std::u16string_view text, bool terminated) {
  for (char16_t c : text) append_u16(bytes, static_cast<std::uint16_t>(c));
  if (terminated) append_u16(bytes, 0);
}

std::u16string read_utf16z(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t& end,
                           const char* what) {
  std::u16string text;
  for (std::uint16_t c = get_u16(bytes, offset, what); c != 0; c = get_u16(bytes, offset, what)) {
    text += static_cast<char16_t>(c);
    offset += 2;
  }
  end = offset + 2;
  return text;
}

}  // namespace mivora::writer
