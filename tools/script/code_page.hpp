#pragma once
// The Windows ANSI code page that package texts are stored in. Scripts are
// UTF-8; the installer hands its strings to the ANSI window functions.
#include <cstdint>
#include <optional>
#include <string>

namespace mivora::script {

inline constexpr std::uint32_t kDefaultCodePage = 1252;

// A byte written as \xNN in a script: stored as it is, whatever the code page.
inline constexpr char32_t kRawByteBase = 0x110000;
[[nodiscard]] constexpr char32_t raw_byte(std::uint8_t b) { return kRawByteBase + b; }

[[nodiscard]] bool is_supported_code_page(std::uint32_t code_page);
// The ANSI byte for a character, or nothing when the code page lacks it.
[[nodiscard]] std::optional<std::uint8_t> to_ansi(char32_t c, std::uint32_t code_page);
// The character an ANSI byte stands for, or nothing for a byte the code page leaves undefined.
[[nodiscard]] std::optional<char32_t> from_ansi(std::uint8_t b, std::uint32_t code_page);

[[nodiscard]] std::string to_utf8(char32_t c);
// "U+00FC 'ü'" for messages.
[[nodiscard]] std::string describe_character(char32_t c);

}  // namespace mivora::script
