#pragma once
// Counted strings: one length byte (0..255) and that many 8-bit characters.
// A read-only string is a CountedView; a writable one is fixed storage whose
// capacity is part of its type (CountedBuffer<N>). No operation ever writes
// past a destination's capacity: what does not fit is cut at the capacity.
#include <cstddef>
#include <cstdint>

namespace mivora {

inline constexpr std::size_t kMaxCountedLength = 255;

// The characters of a counted string, wherever it lies (a buffer, the
// package's string table, the number buffer).
struct CountedView {
  const char* chars = nullptr;
  std::uint8_t length = 0;

  [[nodiscard]] constexpr bool empty() const { return length == 0; }
  [[nodiscard]] constexpr char operator[](std::size_t i) const { return chars[i]; }
};

// Views a counted string by the address of its length byte.
[[nodiscard]] inline CountedView view_counted(const std::uint8_t* length_byte) {
  return CountedView{reinterpret_cast<const char*>(length_byte + 1), *length_byte};
}

// A writable destination: where the length lives, where the characters go and
// how many fit. Operations take this so that they are not templates.
struct CountedDest {
  std::uint8_t* length;
  char* chars;
  std::uint8_t capacity;
};

// Static storage for a counted string of at most N characters.
template <std::uint8_t N>
struct CountedBuffer {
  static_assert(N > 0);
  std::uint8_t length = 0;
  char chars[N] = {};

  [[nodiscard]] CountedDest dest() { return CountedDest{&length, chars, N}; }
  [[nodiscard]] CountedView view() const { return CountedView{chars, length}; }
  operator CountedDest() { return dest(); }       // NOLINT(google-explicit-constructor)
  operator CountedView() const { return view(); }  // NOLINT(google-explicit-constructor)
};

// Views a NUL-free literal, for the installer's own fixed texts.
template <std::size_t N>
[[nodiscard]] constexpr CountedView literal(const char (&text)[N]) {
  static_assert(N - 1 <= kMaxCountedLength);
  return CountedView{text, static_cast<std::uint8_t>(N - 1)};
}

void clear(CountedDest d);
// The length grows by one and c becomes the last character (if it fits).
void append_char(CountedDest d, char c);
// The characters of s follow the last character of d (as many as fit).
void append_string(CountedDest d, CountedView s);
// d becomes a copy of s (cut at d's capacity).
void copy_string(CountedView s, CountedDest d);
// The characters of s and one zero byte, at most buffer_size bytes in all.
void terminated_copy(CountedView s, char* buffer, std::size_t buffer_size);
// The characters of t before its zero byte become d (cut at d's capacity).
void counted_copy(const char* text, CountedDest d);

[[nodiscard]] bool equal(CountedView a, CountedView b);

}  // namespace mivora
