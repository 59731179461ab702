#pragma once
// The words of a script that say what the installer is, beside what it
// installs: its icon, its version texts, the rights it asks for and the line
// at the foot of its window. They are words of the script alone: they change
// the installer's resources, never the package. Each comes at most once,
// before the first page.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tools/script/script_arguments.hpp"
#include "tools/writer/installer_identity.hpp"

namespace mivora::script {

enum class IdentityWord : std::uint8_t {
  kIcon,
  kVersion,
  kProduct,
  kCompany,
  kDescription,
  kCopyright,
  kFilename,
  kElevation,
  kBrand
};

struct IdentityWordInfo {
  IdentityWord word;
  const char* text;
};
// In the order dump writes them.
inline constexpr IdentityWordInfo kIdentityWords[] = {
    {IdentityWord::kIcon, "icon"},
    {IdentityWord::kVersion, "version"},
    {IdentityWord::kProduct, "product"},
    {IdentityWord::kCompany, "company"},
    {IdentityWord::kDescription, "description"},
    {IdentityWord::kCopyright, "copyright"},
    {IdentityWord::kFilename, "filename"},
    {IdentityWord::kElevation, "elevation"},
    {IdentityWord::kBrand, "brand"},
};
inline constexpr std::size_t kIdentityWordCount = sizeof kIdentityWords / sizeof kIdentityWords[0];
static_assert(kIdentityWordCount == 9);
// The table is indexed by the enum.
[[nodiscard]] constexpr bool identity_words_in_order() {
  for (std::size_t i = 0; i < kIdentityWordCount; ++i)
    if (static_cast<std::size_t>(kIdentityWords[i].word) != i) return false;
  return true;
}
static_assert(identity_words_in_order());

[[nodiscard]] const char* text_of(IdentityWord word);
[[nodiscard]] std::optional<IdentityWord> identity_word(std::string_view text);
// The version resource's text that `word` gives (product, company,
// description, copyright, filename), or nullptr.
[[nodiscard]] std::optional<std::string> writer::VersionInfo::*version_text_field(IdentityWord word);

// An icon file larger than this is refused rather than read: a 256 x 256
// image takes 256 KiB uncompressed, and Windows picks one image of a few.
inline constexpr std::uint64_t kMaxIconFileSize = 16u << 20;

// The identity a script gives, line by line.
class IdentityCommands {
 public:
  IdentityCommands(std::filesystem::path base, std::uint32_t code_page) : base_(std::move(base)), code_page_(code_page) {}

  // One line; a problem throws LineError with the reason ("PATH: reason"
  // for the icon file). A word given twice names the line of the first.
  void compile(IdentityWord word, Arguments& a, std::uint64_t line);

  // The line of the script's first identity command, if any.
  [[nodiscard]] std::optional<std::uint64_t> first_line() const;
  // The line of the last version text, where a resource too large is reported.
  [[nodiscard]] std::optional<std::uint64_t> last_version_line() const;
  [[nodiscard]] std::optional<std::uint64_t> line_of(IdentityWord word) const {
    return lines_[static_cast<std::size_t>(word)];
  }
  [[nodiscard]] const std::optional<std::filesystem::path>& icon_source() const { return icon_source_; }

  // The identity of the installer `installer_name`: elevation admin unless
  // the script asks otherwise, and a version resource when any version text
  // is given, its OriginalFilename the script's `filename` or else
  // `installer_name` (a file signed to another name keeps the script's).
  [[nodiscard]] writer::InstallerIdentity identity(const std::string& installer_name) const;

 private:
  void icon(Arguments& a);
  void version(Arguments& a);
  void version_text(IdentityWord word, Arguments& a);
  void elevation(Arguments& a);
  void brand(Arguments& a);

  std::filesystem::path base_;
  std::uint32_t code_page_;
  std::array<std::optional<std::uint64_t>, kIdentityWordCount> lines_{};
  writer::InstallerIdentity identity_;
  writer::VersionInfo version_;
  std::optional<std::filesystem::path> icon_source_;
};

// "Program Files", "Program Files (x86)" or "Windows" when `destination`
// (a default destination, in the code page) lies below one of them on any
// drive, or on the drive the installer runs from: folders only an
// administrator may write to.
[[nodiscard]] std::optional<std::string> folder_needing_elevation(std::string_view destination);

}  // namespace mivora::script
