#include "tools/inspect/pe_checksum_check.hpp"

#include <algorithm>
#include <cstdio>

#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_image.hpp"

namespace mivora::inspect {
namespace {

namespace pe = writer::pe;

constexpr std::size_t kPiece = 1 << 20;
constexpr std::uint32_t kFieldSize = 4;

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

ChecksumCheck check_pe_checksum(std::span<const std::uint8_t> file,
                                const std::function<void(std::uint64_t, std::uint64_t)>& release) {
  pe::Image image = pe::parse_image(file);
  std::uint32_t field = image.optional_offset + pe::kOptCheckSum;
  ChecksumCheck check;
  check.stored = writer::get_u32(file, field, "the optional header");
  check.signed_file = image.directory(pe::kSecurityDirectory).size != 0;
  if (check.stored == 0) return check;
  pe::Checksum sum;
  const std::uint8_t zero[kFieldSize] = {};
  for (std::size_t at = 0; at < file.size();) {
    // The field itself counts as zero: the pieces stop at its start.
    std::size_t end = std::min(file.size(), at + kPiece);
    if (at < field && field < end) end = field;
    if (at == field) {
      sum.add(zero, kFieldSize);
      at += kFieldSize;
      continue;
    }
    sum.add(file.data() + at, end - at);
    if (release) release(at, end - at);
    at = end;
  }
  check.computed = sum.finish();
  if (check.computed == check.stored)
    check.state = ChecksumState::kRight;
  else
    check.state = check.signed_file ? ChecksumState::kWrongButSigned : ChecksumState::kWrong;
  return check;
}

std::string describe(const ChecksumCheck& check) {
  std::string signature = check.signed_file ? "; signed: verify the signature with osslsigncode or signtool" : "";
  switch (check.state) {
    case ChecksumState::kRight:
      return "PE checksum " + hex(check.stored) + " right" + signature;
    case ChecksumState::kAbsent:
      return "no PE checksum: whether the file arrived whole is not checked" + signature;
    case ChecksumState::kWrong:
      return "the PE checksum says " + hex(check.stored) + ", the file sums to " + hex(check.computed) +
             ": the file changed after it was built (a damaged download?)";
    case ChecksumState::kWrongButSigned:
      return "the PE checksum says " + hex(check.stored) + ", the file sums to " + hex(check.computed) +
             ": the signing tool did not make it again, or the file changed after; verify the signature with "
             "osslsigncode or signtool";
  }
  return {};
}

}  // namespace mivora::inspect
