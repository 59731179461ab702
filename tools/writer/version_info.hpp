#pragma once
// The version resource (RT_VERSION 1) that Windows shows as a file's
// details: a tree of blocks, each
//
//   length        u16   the block's bytes, children included
//   value length  u16   in bytes for binary values, in characters (NUL
//                       included) for texts
//   type          u16   0 binary, 1 text
//   key           UTF-16, NUL-terminated, padded to 4 bytes
//   value         padded to 4 bytes
//   children      each starting at a 4-byte boundary
//
//   "VS_VERSION_INFO"   value: VS_FIXEDFILEINFO (52 bytes; the numeric versions)
//     "StringFileInfo"
//       "0000LLLL"      one string table: language neutral, code page LLLL (hex)
//         "ProductName" "CompanyName" ... one block a text
//     "VarFileInfo"
//       "Translation"   value: language u16, code page u16
//
// The table is language neutral: the package's texts may be in any
// language, and the code page is the one its texts are stored in.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mivora::writer {

inline constexpr std::uint32_t kRtVersion = 16;
inline constexpr std::uint32_t kVersionResourceId = 1;

// "1.2.3.4": one to four numbers 0..65535 separated by dots; the missing
// ones are 0, so "2.1" is 2.1.0.0.
struct VersionNumber {
  std::array<std::uint16_t, 4> parts{};

  // Always the four parts: the texts of the resource say what Windows shows
  // as the numeric version, and a dump builds the same resource again.
  [[nodiscard]] std::string text() const;
  friend bool operator==(const VersionNumber&, const VersionNumber&) = default;
};
// Throws InputError saying what is wrong with `text`.
[[nodiscard]] VersionNumber parse_version_number(std::string_view text);

// Texts are UTF-8; a text that is not set is not written.
struct VersionInfo {
  // Sets the numeric file and product versions and the FileVersion and
  // ProductVersion texts. Without it the numeric versions are 0.0.0.0 and
  // those two texts are left out.
  std::optional<VersionNumber> version;
  std::optional<std::string> product;      // ProductName
  std::optional<std::string> company;      // CompanyName
  std::optional<std::string> description;  // FileDescription
  std::optional<std::string> copyright;    // LegalCopyright
  std::optional<std::string> original_filename;
  std::uint16_t code_page = 1252;

  friend bool operator==(const VersionInfo&, const VersionInfo&) = default;
};

// Throws InputError when a text is not UTF-8, holds a NUL, or the texts
// together outgrow the resource's 16-bit length.
[[nodiscard]] std::vector<std::uint8_t> build_version_resource(const VersionInfo& info);

// The fields back from a version resource: the first string table's texts
// and code page, and the numeric file version when it is set or the
// FileVersion text is there. Throws InputError when a block lies outside the
// resource.
[[nodiscard]] VersionInfo read_version_resource(std::span<const std::uint8_t> resource);

}  // namespace mivora::writer
