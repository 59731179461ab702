#pragma once
// The install package: one read-only block of little-endian words.
//
//   offset 0    "pack"                      magic
//          4    "head"                      head record tag
//          8    script offset               package offset of the first command, never 0
//         12    string table offset         package offset of the count word, never 0
//         16    1                           format version
//   script      tag, argument words...      commands back to back, in execution order
//               0                           end marker
//               name reference, bytes, pad  data blocks, one per file record
//               text, 0, pad                a license text where its `lcns` stands among them
//   strings     count word                  number of string bytes (not read)
//               len, chars, len, chars...   counted strings; a reference is a byte
//                                           offset from the first byte after the count
//               0..3 zero bytes             package length a multiple of 4
//
//   list record (16 bytes)      directory name ref | group | reserved | files in list
//   file record (24 bytes)      data offset | size | file time low | high | group | reserved
//   data block                  name ref | size content bytes | zero padding to 4
//   lcns arguments              text offset | text length, its one zero byte included
#include <cstdint>

namespace mivora::format {

[[nodiscard]] constexpr std::uint32_t make_tag(const char (&t)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[3])) << 24;
}

inline constexpr std::uint32_t kMagic = make_tag("pack");
inline constexpr std::uint32_t kHeadTag = make_tag("head");
inline constexpr std::uint32_t kFormatVersion = 1;
inline constexpr std::uint32_t kEndMarker = 0;

// Head record fields, as package offsets.
inline constexpr std::uint32_t kMagicOffset = 0;
inline constexpr std::uint32_t kHeadTagOffset = 4;
inline constexpr std::uint32_t kScriptOffsetField = 8;
inline constexpr std::uint32_t kStringTableOffsetField = 12;
inline constexpr std::uint32_t kVersionField = 16;
inline constexpr std::uint32_t kHeadSize = 20;

inline constexpr std::uint32_t kWordSize = 4;
inline constexpr std::uint32_t kStringCountWordSize = 4;

// List record fields, as offsets in the record.
inline constexpr std::uint32_t kListDirectoryName = 0;
inline constexpr std::uint32_t kListGroup = 4;
inline constexpr std::uint32_t kListReserved = 8;
inline constexpr std::uint32_t kListFileCount = 12;
inline constexpr std::uint32_t kListRecordSize = 16;
static_assert(kListFileCount + kWordSize == kListRecordSize, "the last field ends the record");

// File record fields, as offsets in the record.
inline constexpr std::uint32_t kFileDataOffset = 0;
inline constexpr std::uint32_t kFileSize = 4;
inline constexpr std::uint32_t kFileTimeLow = 8;
inline constexpr std::uint32_t kFileTimeHigh = 12;
inline constexpr std::uint32_t kFileGroup = 16;
inline constexpr std::uint32_t kFileReserved = 20;
inline constexpr std::uint32_t kFileRecordSize = 24;
static_assert(kFileReserved + kWordSize == kFileRecordSize, "the last field ends the record");

// Data block fields, as offsets in the block.
inline constexpr std::uint32_t kBlockNameReference = 0;
inline constexpr std::uint32_t kBlockContents = 4;

// Page flags and destination flags.
inline constexpr std::uint32_t kPageNoBack = 1;
inline constexpr std::uint32_t kPageNoNext = 2;
inline constexpr std::uint32_t kDestFixed = 1;
inline constexpr std::uint32_t kDestDrivePrefix = 2;
// After a `copy`, the default is the destination that copy used, and the
// default string and the drive prefix are not used. Installers that predate
// the bit show the default string instead.
inline constexpr std::uint32_t kDestSameDestination = 4;

// Capacities of the installer's tables and buffers. Installers built before
// the tables grew hold 128 files and 32 lists a group, and refuse a package
// past that as not valid.
inline constexpr std::uint32_t kMaxFilesPerGroup = 65536;
inline constexpr std::uint32_t kMaxListsPerGroup = 4096;
inline constexpr std::uint32_t kMaxPageRuns = 16;
inline constexpr std::uint32_t kMaxDestinationLength = 127;
inline constexpr std::uint32_t kMaxPathLength = 255;
// A license text with its zero byte, in the package's code page with CR LF line ends.
inline constexpr std::uint32_t kMaxLicenseLength = 65536;

// Bytes of zero padding after `size` content bytes.
[[nodiscard]] constexpr std::uint32_t padding_after(std::uint32_t size) { return (4 - size % 4) % 4; }

}  // namespace mivora::format
