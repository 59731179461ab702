#pragma once
// Script text as a package stores it: characters in the ANSI code page, no
// NUL, at most 255 bytes a string; and source paths as the file system and
// the messages take them. A text that cannot be stored throws LineError
// with the reason.
#include <cstdint>
#include <filesystem>
#include <string>

#include "package/command_list.hpp"

namespace mivora::script {

// The ANSI bytes of `text`, of any length.
[[nodiscard]] std::string ansi_bytes(const std::u32string& text, std::uint32_t code_page);
// `bytes` when a package string holds them.
[[nodiscard]] std::string within_string_limit(std::string bytes);
[[nodiscard]] inline std::string package_string(const std::u32string& text, std::uint32_t code_page) {
  return within_string_limit(ansi_bytes(text, code_page));
}
// The commands whose text a static control of the page shows: `text`,
// `text2`, `copy` and `done`. The caption (`name`) and the destination
// field take "&" as it is.
[[nodiscard]] bool shows_in_static_control(format::Command command);
// Such a text as a package stores it: each "&" doubled, so that it shows as
// written; a \x26 stays one byte, a keyboard mark. The limit counts the
// stored bytes.
[[nodiscard]] std::string static_control_string(const std::u32string& text, std::uint32_t code_page);
// A name or path from the file system (UTF-8), in ANSI bytes of any length.
[[nodiscard]] std::string ansi_of_utf8(const std::string& utf8, std::uint32_t code_page);

// A source path as the script writes it.
[[nodiscard]] std::filesystem::path source_path(const std::u32string& text);
// A path as messages show it: UTF-8, '/'-separated, without a trailing '/'.
[[nodiscard]] std::string shown_path(const std::filesystem::path& path);

}  // namespace mivora::script
