#include "tools/writer/utf16_text.hpp"

#include "tools/writer/byte_order.hpp"
#include "tools/writer/utf8.hpp"

namespace mivora::writer {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

[[noreturn]] void bad_byte(std::size_t at) {
  throw InputError("the text is not UTF-8 (at byte " + std::to_string(at + 1) + ")");
}

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::u16string utf16_from_utf8(std::string_view utf8) {
  std::u16string out;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t start = at;
    std::optional<char32_t> decoded = next_code_point(utf8, at);
    if (!decoded) bad_byte(start);
    char32_t c = *decoded;
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
