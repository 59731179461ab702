#pragma once
// Packages the suites build again and again, by name, and the files they
// carry. Contents differ with their file and their position, and times with
// their file, so that a file written twice, cut short or swapped is seen.
#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_view.hpp"
#include "support/file_time.hpp"
#include "tools/writer/package_builder.hpp"

namespace mivora::test {

using writer::PackageBuilder;

inline constexpr FileTime kSomeTime = to_file_time(UnixTime{1700000000, 123456700});

// `size` bytes that differ with `seed` and with the position.
[[nodiscard]] std::string pattern(std::size_t size, char seed);

[[nodiscard]] ByteView view_of(const std::vector<std::uint8_t>& bytes);

// name "Demo", text "Hello", page no-back, done "Bye".
[[nodiscard]] PackageBuilder worked_example();
// Its 76 bytes, as the format lays them out.
extern const std::vector<std::uint8_t> kWorkedExampleBytes;

// text `text`, page `flags`, done `closing`.
[[nodiscard]] PackageBuilder one_page(const std::string& text, std::uint32_t flags, const std::string& closing);
// `count` pages showing "page 0", "page 1", ..., the first without Back, then done "end".
[[nodiscard]] PackageBuilder pages(int count);

// A file as a package carries it and as it must land under the destination:
// `contents`, or when `chunks` is set that many chunks of chunk_of(chunk_file).
struct InstalledFile {
  std::string list_dir;
  std::string name;
  std::string contents;
  FileTime time;
  std::uint32_t chunks = 0;
  std::uint32_t chunk_file = 0;
};

// name "Copy", text "Where to?", dest `destination` with `dest_flags`.
[[nodiscard]] PackageBuilder begin_copying(const std::string& destination, std::uint32_t dest_flags = 0);
// The files in lists, one list per run of equal directories.
void add_lists(PackageBuilder& b, const std::vector<InstalledFile>& files);
// page no-back, copy "Copying", done "Installed".
void end_copying(PackageBuilder& b);
// All three: the destination page, the files, the copy and "Installed".
[[nodiscard]] PackageBuilder copying(const std::string& destination, const std::vector<InstalledFile>& files,
                                     std::uint32_t dest_flags = 0);

// `count` files of `size` bytes in the list `list`, each with its own
// contents and time: "file100.bin", "file101.bin", ...
[[nodiscard]] std::vector<InstalledFile> numbered_files(int count, std::size_t size, const std::string& list = "");

// Two destination pages, each followed by its group's copy: text "First",
// dest `first` (free), page no-back, `first_files`, copy; text "Second",
// dest `second` with `second_flags`, page, `second_files`, copy; done "Installed".
[[nodiscard]] PackageBuilder copy_then_destination(const std::string& first, const std::vector<InstalledFile>& first_files,
                                                   const std::string& second, std::uint32_t second_flags,
                                                   const std::vector<InstalledFile>& second_files);
// One destination page (text "Where to?", dest `first_default` with
// `continue`, which before any copy changes nothing), then each group copied
// in turn, the later ones with dest `unused` continue fixed and no page;
// done "Installed".
[[nodiscard]] PackageBuilder continuing_groups(const std::string& first_default, const std::string& unused,
                                               const std::vector<std::vector<InstalledFile>>& groups);

// "abc" as `name` in the list `list`, copied to `destination`.
[[nodiscard]] PackageBuilder one_file(const std::string& destination, const std::string& list = "",
                                      const std::string& name = "a.txt");
// Files of 0, 3, 65,536 and 65,537 bytes (nothing to write, less than a
// chunk, one chunk, one byte more), two in the destination, two in "docs".
[[nodiscard]] std::vector<InstalledFile> four_files();
// four_files() copied to `destination`, and a list without files, "only-a-directory".
[[nodiscard]] PackageBuilder four_files_package(const std::string& destination);
// `lists` lists of `files_per_list` one-byte files, copied to `destination`.
[[nodiscard]] PackageBuilder file_table(const std::string& destination, int lists, int files_per_list);

// Large files are made of 1 MiB chunks that each begin with their file's
// index and their own, so that a chunk written twice, skipped or cut is seen.
inline constexpr std::uint32_t kChunkSize = 1u << 20;
[[nodiscard]] std::vector<std::uint8_t> chunk_of(std::uint32_t file, std::uint32_t chunk);
// File `file` of `chunks` chunks, streamed into the package.
[[nodiscard]] InstalledFile chunked(const std::string& name, std::uint32_t file, std::uint32_t chunks);
// A 128 MiB file, then ten small ones: a copy that is busy between two
// looks at the input long enough to be clicked at.
[[nodiscard]] std::vector<InstalledFile> busy_files();

}  // namespace mivora::test
