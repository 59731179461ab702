#pragma once
// A license file as the package stores it: UTF-8 (a byte-order mark
// skipped) converted to the package's code page, LF made CR LF, no NUL, and
// short enough for the installer with its zero byte. And back again, for a
// dump whose license file must build the same bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mivora::script {

struct LicenseText {
  std::string bytes;    // in the code page, without the zero byte the package adds
  std::string problem;  // why the file cannot be stored ("line 3, column 7: ..."); empty when it can
};

[[nodiscard]] LicenseText license_text(std::string_view utf8, std::uint32_t code_page);

// The UTF-8 of a stored license text, line ends as they are; nothing when
// it holds a byte the code page leaves undefined.
[[nodiscard]] std::optional<std::string> license_file_of(std::string_view ansi, std::uint32_t code_page);

}  // namespace mivora::script
