#pragma once
// The PE checksum that build writes into an installer, read back: whether
// the installer's bytes are still the ones the checksum was made over.
// Windows itself never checks it for a program; it is the one sign, short
// of a signature, that a download arrived whole.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace mivora::inspect {

enum class ChecksumState {
  kRight,          // the stored checksum is the file's
  kAbsent,         // the field is 0: nothing to check against
  kWrong,          // the file changed after its checksum was made
  kWrongButSigned  // a signature was added without the checksum made again
};

struct ChecksumCheck {
  ChecksumState state = ChecksumState::kAbsent;
  std::uint32_t stored = 0;
  std::uint32_t computed = 0;
  bool signed_file = false;  // an Authenticode signature sits at the file's end
};

// Sums the whole file in pieces, calling `release(offset, size)` after each
// so that a large installer is read in bounded memory. Throws
// writer::InputError when the headers cannot be read.
[[nodiscard]] ChecksumCheck check_pe_checksum(std::span<const std::uint8_t> file,
                                              const std::function<void(std::uint64_t, std::uint64_t)>& release);

// One line for the user about the check, the file's name not included.
[[nodiscard]] std::string describe(const ChecksumCheck& check);

}  // namespace mivora::inspect
