#include "tools/writer/pe_image.hpp"

#include <algorithm>
#include <cstdio>

#include "tools/writer/byte_order.hpp"

namespace mivora::writer::pe {

const Section* Image::section_of(std::uint32_t rva) const {
  for (const Section& s : sections) {
    std::uint32_t extent = std::max(s.virtual_size, s.raw_size);
    if (rva >= s.virtual_address && rva - s.virtual_address < extent) return &s;
  }
  return nullptr;
}

std::uint64_t Image::end_of_image_data() const {
  std::uint64_t end = size_of_headers;
  for (const Section& s : sections)
    if (s.raw_size != 0) end = std::max(end, s.raw_end());
  return end;
}

namespace {

Section read_section(std::span<const std::uint8_t> bytes, std::uint32_t at) {
  require_inside(bytes, at, kSectionHeaderSize, "a section header");
  Section s;
  for (std::uint32_t i = 0; i < 8 && bytes[at + i] != 0; ++i) s.name += static_cast<char>(bytes[at + i]);
  s.header_offset = at;
  s.virtual_size = get_u32(bytes, at + kSectionVirtualSize, "a section header");
  s.virtual_address = get_u32(bytes, at + kSectionVirtualAddress, "a section header");
  s.raw_size = get_u32(bytes, at + kSectionRawSize, "a section header");
  s.raw_offset = get_u32(bytes, at + kSectionRawOffset, "a section header");
  s.characteristics = get_u32(bytes, at + kSectionCharacteristics, "a section header");
  if (s.raw_size != 0 && !fits(bytes, s.raw_offset, s.raw_size))
    throw InputError("section " + s.name + " reaches past the end of the file (truncated executable?)");
  return s;
}

OptionalHeaderFormat format_of(std::uint16_t magic) {
  for (const OptionalHeaderFormat& format : kOptionalHeaderFormats)
    if (format.magic == magic) return format;
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%X", magic);
  throw InputError(std::string("not a PE32 or PE32+ executable (optional header magic ") + hex + ")");
}

void check_alignments(const Image& image) {
  auto power_of_two = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!power_of_two(image.file_alignment) || !power_of_two(image.section_alignment))
    throw InputError("the executable's file or section alignment is not a power of two");
}

}  // namespace

Image parse_image(std::span<const std::uint8_t> bytes) {
  if (get_u16(bytes, 0, "the DOS header") != 0x5A4D) throw InputError("not an executable: no \"MZ\" at the start");
  Image image;
  std::uint32_t pe_offset = get_u32(bytes, kNewHeaderPointer, "the DOS header");
  if (get_u32(bytes, pe_offset, "the PE signature") != kPeSignature)
    throw InputError("not a PE executable: no \"PE\" signature");
  image.coff_offset = pe_offset + 4;
  image.machine = get_u16(bytes, image.coff_offset + kCoffMachine, "the COFF header");
  std::uint16_t section_count = get_u16(bytes, image.coff_offset + kCoffSectionCount, "the COFF header");
  std::uint16_t optional_size = get_u16(bytes, image.coff_offset + kCoffOptionalHeaderSize, "the COFF header");
  image.symbol_table_offset = get_u32(bytes, image.coff_offset + kCoffSymbolTable, "the COFF header");
  image.optional_offset = image.coff_offset + kCoffHeaderSize;
  std::uint32_t opt = image.optional_offset;
  image.format = format_of(get_u16(bytes, opt + kOptMagic, "the optional header"));
  image.section_alignment = get_u32(bytes, opt + kOptSectionAlignment, "the optional header");
  image.file_alignment = get_u32(bytes, opt + kOptFileAlignment, "the optional header");
  image.size_of_headers = get_u32(bytes, opt + kOptSizeOfHeaders, "the optional header");
  check_alignments(image);
  std::uint32_t directory_count = get_u32(bytes, opt + image.format.directory_count, "the optional header");
  if (image.format.directories + std::uint64_t{directory_count} * kDirectorySize > optional_size)
    throw InputError("the optional header is shorter than its data directories");
  for (std::uint32_t i = 0; i < directory_count; ++i) {
    std::uint32_t at = image.directory_field_offset(i);
    image.directories.push_back({get_u32(bytes, at, "a data directory"), get_u32(bytes, at + 4, "a data directory")});
  }
  std::uint32_t table = opt + optional_size;
  for (std::uint32_t i = 0; i < section_count; ++i)
    image.sections.push_back(read_section(bytes, table + i * kSectionHeaderSize));
  return image;
}

void Checksum::add(const std::uint8_t* data, std::size_t size) {
  length_ += size;
  std::size_t i = 0;
  if (pending_ >= 0 && size > 0) {
    sum_ += static_cast<std::uint32_t>(pending_) | std::uint32_t{data[0]} << 8;
    pending_ = -1;
    i = 1;
  }
  for (; i + 1 < size; i += 2) sum_ += data[i] | std::uint32_t{data[i + 1]} << 8;
  if (i < size) pending_ = data[i];
  // Fold now and then so the 64-bit sum never overflows on huge files.
  sum_ = (sum_ & 0xFFFFFFFFull) + (sum_ >> 32);
}

std::uint32_t Checksum::finish() const {
  std::uint64_t sum = sum_ + (pending_ >= 0 ? static_cast<std::uint32_t>(pending_) : 0u);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + length_);
}

}  // namespace mivora::writer::pe
