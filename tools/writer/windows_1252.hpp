#pragma once
// Windows-1252, the code page package texts are stored in, as far as the
// tool needs it below the script: its characters, and its names shown in
// messages, which are UTF-8 like every other message text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mivora::writer {

// The character a byte stands for, or nothing for one of the five bytes the
// code page leaves undefined.
[[nodiscard]] std::optional<char32_t> windows_1252_character(std::uint8_t b);

// `ansi` in UTF-8 for a message; an undefined byte shows as \xNN, as a
// script writes it.
[[nodiscard]] std::string shown_ansi(std::string_view ansi);

}  // namespace mivora::writer
