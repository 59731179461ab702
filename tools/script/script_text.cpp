#include "tools/script/script_text.hpp"

#include <algorithm>
#include <optional>

#include "package/format.hpp"
#include "tools/script/code_page.hpp"
#include "tools/script/script_arguments.hpp"
#include "tools/script/script_lexer.hpp"
#include "tools/writer/shortcut_marks.hpp"

namespace mivora::script {

std::string ansi_bytes(const std::u32string& text, std::uint32_t code_page) {
  std::string bytes;
  for (char32_t c : text) {
    std::optional<std::uint8_t> b = to_ansi(c, code_page);
    if (!b)
      throw LineError{"character " + describe_character(c) + " has no equivalent in code page " +
                      std::to_string(code_page)};
    if (*b == 0) throw LineError{"a text cannot hold a NUL character (\\x00): Windows would end the text there"};
    bytes += static_cast<char>(*b);
  }
  return bytes;
}

std::string within_string_limit(std::string bytes) {
  if (bytes.size() > format::kMaxPathLength)
    throw LineError{"the text is " + std::to_string(bytes.size()) + " characters; a package string holds at most 255"};
  return bytes;
}

bool shows_in_static_control(format::Command command) {
  using format::Command;
  constexpr Command kShownInStatics[] = {Command::kText, Command::kText2, Command::kCopy, Command::kDone};
  return std::find(std::begin(kShownInStatics), std::end(kShownInStatics), command) != std::end(kShownInStatics);
}

std::string static_control_string(const std::u32string& text, std::uint32_t code_page) {
  std::string stored = ansi_bytes(writer::with_marks_doubled<char32_t>(text), code_page);
  const auto marks = static_cast<std::size_t>(std::count(text.begin(), text.end(), U'&'));
  if (stored.size() > format::kMaxPathLength && marks != 0)
    throw LineError{"the text is " + std::to_string(stored.size() - marks) + " characters and " +
                    std::to_string(stored.size()) + " as stored, with each '&' twice so that it shows; a package "
                    "string holds at most 255"};
  return within_string_limit(std::move(stored));
}

std::string ansi_of_utf8(const std::string& utf8, std::uint32_t code_page) {
  std::u32string decoded;
  if (!decode_utf8(utf8, decoded)) throw LineError{"the name '" + utf8 + "' is not valid UTF-8"};
  return ansi_bytes(decoded, code_page);
}

std::filesystem::path source_path(const std::u32string& text) {
  std::string utf8;
  for (char32_t c : text) {
    if (c == 0) throw LineError{"a source path cannot hold a NUL character (\\x00)"};
    utf8 += to_utf8(c);
  }
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string shown_path(const std::filesystem::path& path) {
  std::u8string s = path.lexically_normal().generic_u8string();
  if (s.size() > 1 && s.back() == u8'/') s.pop_back();  // "tree/" + "" is the tree itself
  return std::string(s.begin(), s.end());
}

}  // namespace mivora::script
