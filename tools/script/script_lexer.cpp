#include "tools/script/script_lexer.hpp"

#include "tools/script/code_page.hpp"
#include "tools/writer/utf8.hpp"

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

std::string byte_escape(std::uint8_t b) {
  const char* digits = "0123456789ABCDEF";
  return std::string("\\x") + digits[b >> 4] + digits[b & 15];
}

bool decode_utf8(const std::string& text, std::u32string& out) {
  for (std::size_t at = 0; at < text.size();) {
    std::optional<char32_t> c = writer::next_code_point(text, at);
    if (!c) return false;
    out += *c;
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
