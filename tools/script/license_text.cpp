#include "tools/script/license_text.hpp"

#include "package/format.hpp"
#include "tools/script/code_page.hpp"
#include "tools/writer/utf8.hpp"

namespace mivora::script {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where a character stands in the file, for messages: "line 3, column 7".
struct Position {
  std::uint64_t line = 1;
  std::uint64_t column = 1;
  [[nodiscard]] std::string text() const {
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
  }
};

std::string more_of(std::uint64_t count) {
  return count == 0 ? "" : " (and " + std::to_string(count) + " more characters that cannot be stored)";
}

}  // namespace

LicenseText license_text(std::string_view utf8, std::uint32_t code_page) {
  if (utf8.substr(0, kByteOrderMark.size()) == kByteOrderMark) utf8.remove_prefix(kByteOrderMark.size());
  LicenseText result;
  std::uint64_t bad_characters = 0;
  Position at;
  char32_t previous = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    std::optional<char32_t> c = writer::next_code_point(utf8, i);
    std::string problem;
    std::optional<std::uint8_t> b = c ? to_ansi(*c, code_page) : std::nullopt;
    if (!c) {
      problem = "the file is not valid UTF-8 here";
      ++i;
    } else if (*c == 0) {
      problem = "a NUL character: the installer would end the text there";
    } else if (!b) {
      problem = "character " + describe_character(*c) + " has no equivalent in code page " + std::to_string(code_page);
    }
    if (!problem.empty()) {
      if (bad_characters++ == 0) result.problem = at.text() + ": " + problem;
    } else {
      if (*c == U'\n' && previous != U'\r') result.bytes += '\r';
      result.bytes += static_cast<char>(b.value_or(0));  // set whenever there is no problem
    }
    previous = c.value_or(0);
    if (previous == U'\n') {
      ++at.line;
      at.column = 1;
    } else {
      ++at.column;
    }
  }
  if (bad_characters > 0) {
    result.problem += more_of(bad_characters - 1);
    return result;
  }
  const std::size_t limit = format::kMaxLicenseLength - 1;
  if (result.bytes.size() > limit)
    result.problem = "the license text is " + std::to_string(result.bytes.size()) + " bytes in code page " +
                     std::to_string(code_page) + " with CR LF line ends; at most " + std::to_string(limit) +
                     " fit (the installer takes 65536 with the zero byte that ends it)";
  return result;
}

std::optional<std::string> license_file_of(std::string_view ansi, std::uint32_t code_page) {
  std::string utf8;
  for (char byte : ansi) {
    std::optional<char32_t> c = from_ansi(static_cast<std::uint8_t>(byte), code_page);
    if (!c) return std::nullopt;
    writer::append_utf8(utf8, *c);
  }
  return utf8;
}

}  // namespace mivora::script
