#pragma once
// Texts as Windows resources store them: UTF-16 code units, little-endian.
// Scripts hand texts over as UTF-8; a resource read back hands them out so.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mivora::writer {

// Throws InputError naming the first byte that is not UTF-8, or a NUL
// (which would end the text early in every resource that stores it).
[[nodiscard]] std::u16string utf16_from_utf8(std::string_view utf8);

// An unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string utf8_from_utf16(std::u16string_view utf16);

// Code points, as a user counts characters: a surrogate pair is one.
[[nodiscard]] std::size_t character_count(std::u16string_view utf16);

// Appends the text and, with `terminated`, a NUL.
void append_utf16(std::vector<std::uint8_t>& bytes, std::u16string_view text, bool terminated);

// A NUL-terminated UTF-16 text at `offset`; `end` receives the offset after
// its NUL. Throws InputError when no NUL comes before the end of `bytes`.
[[nodiscard]] std::u16string read_utf16z(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t& end,
                                         const char* what);

}  // namespace mivora::writer
