#include "tools/script/script_lexer.hpp"

#include "tools/script/code_page.hpp"

namespace mivora::script {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the string that starts after the opening quote at `at`.
bool read_quoted(const std::string& line, std::size_t& at, std::u32string& out, std::string& error) {
  std::string plain;
  auto flush = [&]() {
    std::u32string decoded;
    if (!decode_utf8(plain, decoded)) return false;
    out += decoded;
    plain.clear();
    return true;
  };
  while (at < line.size()) {
    char c = line[at++];
    if (c == '"') {
      if (!flush()) error = "the string is not valid UTF-8";
      return error.empty();
    }
    if (c != '\\') {
      plain += c;
      continue;
    }
    if (at >= line.size()) break;
    char e = line[at++];
    switch (e) {
      case 'n': plain += '\n'; break;
      case 't': plain += '\t'; break;
      case '"': plain += '"'; break;
      case '\\': plain += '\\'; break;
      case 'x': {
        int hi = at < line.size() ? hex_value(line[at]) : -1;
        int lo = at + 1 < line.size() ? hex_value(line[at + 1]) : -1;
        if (hi < 0 || lo < 0) {
          error = "\\x needs two hexadecimal digits";
          return false;
        }
        at += 2;
        if (!flush()) {
          error = "the string is not valid UTF-8";
          return false;
        }
        out += raw_byte(static_cast<std::uint8_t>(hi * 16 + lo));
        break;
      }
      default: error = std::string("unknown escape \\") + e + " (use \\n, \\t, \\\", \\\\ or \\xNN)"; return false;
    }
  }
  error = "the string has no closing quote";
  return false;
}

}  // namespace

bool decode_utf8(const std::string& text, std::u32string& out) {
  for (std::size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) return false;
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      if (i + static_cast<std::size_t>(k) >= text.size()) return false;
      auto cont = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((cont & 0xC0) != 0x80) return false;
      c = (c << 6) | (cont & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    out += c;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

LexedLine lex_line(const std::string& line) {
  LexedLine lexed;
  std::size_t at = 0;
  while (at < line.size()) {
    if (is_space(line[at])) {
      ++at;
    } else if (line[at] == '#') {
      break;
    } else if (line[at] == '"') {
      ++at;
      Token t{true, {}, {}};
      if (!read_quoted(line, at, t.text, lexed.error)) return lexed;
      lexed.tokens.push_back(std::move(t));
    } else {
      Token t{false, {}, {}};
      while (at < line.size() && !is_space(line[at]) && line[at] != '"' && line[at] != '#') t.word += line[at++];
      lexed.tokens.push_back(std::move(t));
    }
  }
  return lexed;
}

}  // namespace mivora::script
