#pragma once
// Turns a package back into a script that compiles to the same bytes: the
// commands in order, texts converted from the ANSI code page, every file with
// its explicit time and a source path below "files/", the folder its
// contents are extracted to beside the script.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/inspect/package_walk.hpp"

namespace mivora::inspect {

// The folder beside the dumped script that holds the extracted files, so
// that no packaged file can take the script's own name.
inline constexpr const char* kExtractedFilesFolder = "files";

struct DumpOptions {
  std::uint32_t code_page = 1252;
  std::string package_name;                         // named in the listing's first comment
  std::uint64_t command_count = 0;                  // named there too
  std::optional<std::filesystem::path> extract_to;  // write the file contents below extract_to/files
  std::vector<std::string> preamble;                // lines before the first command: an installer's identity
  // Called after each piece of a file is extracted: those package bytes are no longer needed.
  std::function<void(std::uint64_t offset, std::uint64_t size)> release;
};

// `package` must walk without problems. Each line of the listing goes to
// `line` as soon as it is made. Throws std::runtime_error when an extracted
// file cannot be written or a file time lies past what a script can say
// (the year 9999).
void dump_package(ByteView package, const DumpOptions& options, const std::function<void(const std::string&)>& line);

// A name longer than this many bytes in UTF-8 is refused by the file
// systems of Linux, and an extracted tree must build again on any of them.
inline constexpr std::size_t kMaxExtractedNameBytes = 255;

// Why the files of `package` cannot all be extracted into a file system
// whose names hold at most `max_name_bytes` bytes (UTF-8): one line per
// name that is too long, nothing when all fit. Writes nothing.
[[nodiscard]] std::vector<std::string> extract_name_problems(ByteView package, const DumpOptions& options,
                                                             std::size_t max_name_bytes);

// The whole listing as one string, for packages small enough to hold.
[[nodiscard]] std::string dump_package(ByteView package, const PackageWalk& walk, DumpOptions options);

// A quoted script string whose compiled bytes are exactly `ansi`.
[[nodiscard]] std::string script_literal(std::string_view ansi, std::uint32_t code_page);

// A quoted script string of a text a static control shows, whose compiled
// bytes are exactly `stored`: "&&" is written "&", which the build doubles
// again, and a lone "&", a keyboard mark, is written \x26, which it keeps.
[[nodiscard]] std::string shown_text_literal(std::string_view stored, std::uint32_t code_page);

// A quoted script string of text that is UTF-8 already (a source path, the
// identity's texts): only quotes and backslashes need escapes.
[[nodiscard]] std::string utf8_literal(const std::string& utf8);

}  // namespace mivora::inspect
