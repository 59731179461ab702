#pragma once
// UTF-8, read and written code point by code point: the script's text, the
// file system's names and the resources' texts all pass through here.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mivora::writer {

// The code point that starts at `at`, with `at` moved past it; nothing (and
// `at` unmoved) for a byte that starts no code point in its shortest form,
// a surrogate or a value past U+10FFFF.
[[nodiscard]] std::optional<char32_t> next_code_point(std::string_view text, std::size_t& at);

void append_utf8(std::string& out, char32_t c);

}  // namespace mivora::writer
