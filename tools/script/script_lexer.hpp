#pragma once
// Splits one script line into words and quoted strings. A string's escapes
// are \n, \t, \", \\ and \xNN (one byte stored as it is); '#' outside a
// string starts a comment.
#include <cstdint>
#include <string>
#include <vector>

namespace mivora::script {

struct Token {
  bool quoted = false;
  std::string word;     // a bare word, as written
  std::u32string text;  // a quoted string's characters (\xNN as raw_byte)
};

struct LexedLine {
  std::vector<Token> tokens;
  std::string error;  // set when the line cannot be read
};

[[nodiscard]] LexedLine lex_line(const std::string& line);

// A byte as a script writes it in a string: "\xNN", uppercase.
[[nodiscard]] std::string byte_escape(std::uint8_t b);

// The characters of UTF-8 text; invalid sequences give false.
[[nodiscard]] bool decode_utf8(const std::string& text, std::u32string& out);

}  // namespace mivora::script
