#pragma once
// The parts of a PE executable, i386 (PE32) or x86-64 (PE32+), that a
// resource rewrite touches:
//
//   0x3C            e_lfanew           file offset of "PE\0\0"
//   pe + 4          COFF header        machine, section count, symbol table, optional header size
//   pe + 24         optional header    magic, sizes, alignments, checksum, data directories
//   after it        section table      40 bytes a section: name, virtual size and address,
//                                      raw size and offset, characteristics
//
// The two optional headers keep every field a rewrite touches at the same
// offset up to the checksum; PE32+ widens the image base and the four stack
// and heap sizes to 64 bits, which moves what follows them 16 bytes on:
//
//                          PE32 (0x10B)   PE32+ (0x20B)
//   CheckSum               64             64
//   stack and heap sizes   72, 4 x 4      72, 4 x 8
//   LoaderFlags            88             104
//   NumberOfRvaAndSizes    92             108
//   data directories       96             112
//
// Every offset below is a named field; parse_image checks that each lies
// inside the file.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mivora::writer::pe {

inline constexpr std::uint32_t kNewHeaderPointer = 0x3C;
inline constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::uint32_t kCoffHeaderSize = 20;
// COFF header fields, from the COFF header's start.
inline constexpr std::uint32_t kCoffMachine = 0;
inline constexpr std::uint32_t kCoffSectionCount = 2;
inline constexpr std::uint32_t kCoffTimeDateStamp = 4;
inline constexpr std::uint32_t kCoffSymbolTable = 8;
inline constexpr std::uint32_t kCoffSymbolCount = 12;
inline constexpr std::uint32_t kCoffOptionalHeaderSize = 16;
inline constexpr std::uint16_t kMachineI386 = 0x14C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
// Optional header fields both formats share, from the optional header's start.
inline constexpr std::uint32_t kOptMagic = 0;
inline constexpr std::uint32_t kOptSizeOfInitializedData = 8;
inline constexpr std::uint32_t kOptSectionAlignment = 32;
inline constexpr std::uint32_t kOptFileAlignment = 36;
inline constexpr std::uint32_t kOptSizeOfImage = 56;
inline constexpr std::uint32_t kOptSizeOfHeaders = 60;
inline constexpr std::uint32_t kOptCheckSum = 64;
// Where the formats part: the directory count and the data directories.
struct OptionalHeaderFormat {
  std::uint16_t magic;
  std::uint32_t directory_count;  // NumberOfRvaAndSizes
  std::uint32_t directories;      // the first data directory
};
inline constexpr OptionalHeaderFormat kPe32{0x10B, 92, 96};
inline constexpr OptionalHeaderFormat kPe32Plus{0x20B, 108, 112};
inline constexpr OptionalHeaderFormat kOptionalHeaderFormats[] = {kPe32, kPe32Plus};
inline constexpr std::uint32_t kDirectorySize = 8;
inline constexpr std::uint32_t kResourceDirectory = 2;
inline constexpr std::uint32_t kSecurityDirectory = 4;
// Section header fields.
inline constexpr std::uint32_t kSectionHeaderSize = 40;
inline constexpr std::uint32_t kSectionVirtualSize = 8;
inline constexpr std::uint32_t kSectionVirtualAddress = 12;
inline constexpr std::uint32_t kSectionRawSize = 16;
inline constexpr std::uint32_t kSectionRawOffset = 20;
inline constexpr std::uint32_t kSectionCharacteristics = 36;
inline constexpr std::uint32_t kInitializedData = 0x40;
// Wine maps a section in place only from a page-aligned file offset.
inline constexpr std::uint32_t kPageSize = 4096;

struct Section {
  std::string name;
  std::uint32_t header_offset = 0;  // file offset of its section header
  std::uint32_t virtual_size = 0;
  std::uint32_t virtual_address = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
  std::uint32_t characteristics = 0;

  [[nodiscard]] std::uint64_t raw_end() const { return std::uint64_t{raw_offset} + raw_size; }
};

struct DataDirectory {
  std::uint32_t address = 0;  // an RVA, except for the security directory (a file offset)
  std::uint32_t size = 0;
};

struct Image {
  std::uint16_t machine = 0;
  OptionalHeaderFormat format = kPe32;
  std::uint32_t coff_offset = 0;
  std::uint32_t optional_offset = 0;
  std::uint32_t section_alignment = 0;
  std::uint32_t file_alignment = 0;
  std::uint32_t size_of_headers = 0;
  std::uint32_t symbol_table_offset = 0;
  std::vector<DataDirectory> directories;
  std::vector<Section> sections;

  [[nodiscard]] std::uint32_t directory_field_offset(std::uint32_t index) const {
    return optional_offset + format.directories + index * kDirectorySize;
  }
  [[nodiscard]] DataDirectory directory(std::uint32_t index) const {
    return index < directories.size() ? directories[index] : DataDirectory{};
  }
  // The section that holds this RVA, or nullptr.
  [[nodiscard]] const Section* section_of(std::uint32_t rva) const;
  // End of the last byte that any section or the headers occupy in the file.
  [[nodiscard]] std::uint64_t end_of_image_data() const;
};

// Throws InputError naming the first field that is missing, or the magic
// when the optional header is neither PE32 nor PE32+.
[[nodiscard]] Image parse_image(std::span<const std::uint8_t> bytes);

// The PE checksum: 16-bit words added with end-around carry, plus the file
// length. Fed in pieces, with the checksum field itself counted as zero.
class Checksum {
 public:
  void add(const std::uint8_t* data, std::size_t size);
  [[nodiscard]] std::uint32_t finish() const;

 private:
  std::uint64_t sum_ = 0;
  std::uint64_t length_ = 0;
  int pending_ = -1;  // the low byte of a word whose high byte is still to come
};

}  // namespace mivora::writer::pe
