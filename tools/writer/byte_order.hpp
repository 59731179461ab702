#pragma once
// Little-endian reads and writes over byte buffers for the writer's own
// formats (PE headers, resource tables). Reads are bounds-checked and throw
// the caller's error type, so a short file is reported, never read past.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace mivora::writer {

// A malformed input (package, executable) that the writer cannot use.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[nodiscard]] inline bool fits(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline void require_inside(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t length,
                           const char* what) {
  if (!fits(bytes, offset, length)) throw InputError(std::string(what) + " lies outside the file");
}

[[nodiscard]] inline std::uint16_t get_u16(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                                           const char* what) {
  require_inside(bytes, offset, 2, what);
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

[[nodiscard]] inline std::uint32_t get_u32(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                                           const char* what) {
  require_inside(bytes, offset, 4, what);
  return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline void set_u16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes.at(offset + 1);  // throws before a partial write
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void set_u32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  bytes.at(offset + 3);
  for (int i = 0; i < 4; ++i) bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void append_u16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void append_u32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

[[nodiscard]] constexpr std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace mivora::writer
