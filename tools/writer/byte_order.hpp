#pragma once
// Little-endian reads and writes over byte buffers for the writer's own
// formats (PE headers, resource tables), on top of support/byte_view. Reads
// are bounds-checked and throw InputError, so a short file is reported, never
// read past.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/byte_view.hpp"

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
  return read_u16le(bytes.data() + offset);
}

[[nodiscard]] inline std::uint32_t get_u32(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                                           const char* what) {
  require_inside(bytes, offset, 4, what);
  return read_u32le(bytes.data() + offset);
}

inline void set_u16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes.at(offset + 1);  // throws before a partial write
  store_u16le(bytes.data() + offset, value);
}

inline void set_u32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  bytes.at(offset + 3);
  store_u32le(bytes.data() + offset, value);
}

inline void append_u16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
  bytes.resize(bytes.size() + 2);
  store_u16le(bytes.data() + bytes.size() - 2, value);
}

inline void append_u32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  bytes.resize(bytes.size() + 4);
  store_u32le(bytes.data() + bytes.size() - 4, value);
}

[[nodiscard]] constexpr std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace mivora::writer
