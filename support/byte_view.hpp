#pragma once
// Read-only byte views, checked values and little-endian words. A view never
// hands out a byte outside itself: a range that does not fit gives an empty
// view or a failed Checked value, never a pointer past the end.
#include <cstdint>

namespace mivora {

// A value that a bounds-checked read produced, or the failure to produce one.
// The value can be taken only together with what to use when there is none.
template <typename T>
class [[nodiscard]] Checked {
 public:
  static constexpr Checked fail() { return Checked{}; }
  static constexpr Checked of(T value) { return Checked{value, true}; }

  [[nodiscard]] constexpr bool ok() const { return ok_; }
  [[nodiscard]] constexpr T value_or(T fallback) const { return ok_ ? value_ : fallback; }
  // Writes the value into `out` and says true when there is one; `out` is
  // left alone otherwise.
  [[nodiscard]] constexpr bool get(T& out) const {
    if (ok_) out = value_;
    return ok_;
  }

 private:
  constexpr Checked() = default;
  constexpr Checked(T value, bool ok) : value_(value), ok_(ok) {}

  T value_{};
  bool ok_ = false;
};

[[nodiscard]] constexpr std::uint16_t read_u16le(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

[[nodiscard]] constexpr std::uint32_t read_u32le(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr void store_u16le(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void store_u32le(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct ByteView {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;

  // `length` bytes from `offset` lie inside; written so that it cannot wrap.
  [[nodiscard]] constexpr bool contains(std::uint32_t offset, std::uint32_t length) const {
    return offset <= size && length <= size - offset;
  }

  // The bytes from `offset` on, `length` of them, or an empty view when
  // they do not all lie inside.
  [[nodiscard]] constexpr ByteView slice(std::uint32_t offset, std::uint32_t length) const {
    if (!contains(offset, length)) return ByteView{};
    return ByteView{data + offset, length};
  }

  [[nodiscard]] constexpr Checked<std::uint32_t> u32_at(std::uint32_t offset) const {
    if (!contains(offset, 4)) return Checked<std::uint32_t>::fail();
    return Checked<std::uint32_t>::of(read_u32le(data + offset));
  }
};

}  // namespace mivora
