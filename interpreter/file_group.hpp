#pragma once
// The file group: the lists and files recorded since the last `dest`, as
// package offsets of their records, and the counters of the copy that
// installs them. Recording refuses what the tables cannot hold.
#include <cstdint>

#include "package/format.hpp"

namespace mivora {

// The tables of a group: 272 KiB, far more than the script thread's stack
// should carry, so they live in zero-initialised static storage (g_file_tables),
// which costs nothing in the executable and memory only for the pages that a
// group fills. One script runs at a time in a process.
struct FileTables {
  std::uint32_t files[format::kMaxFilesPerGroup];  // offsets of file records
  std::uint32_t lists[format::kMaxListsPerGroup];  // offsets of list records
};
extern constinit FileTables g_file_tables;

struct FileGroup {
  // Static: a group made on the stack then starts with no addresses to fill in.
  static constexpr auto& files = g_file_tables.files;
  static constexpr auto& lists = g_file_tables.lists;
  // Files recorded; during a copy, the index of the next file to extract.
  std::uint32_t file_count = 0;
  std::uint32_t list_count = 0;
  // 64 bits: records may share a data block, so a group's sizes are not
  // bounded by the package's; 65,536 of them can pass 4 GiB.
  std::uint64_t total_size = 0;
  std::uint64_t bytes_copied = 0;
  // The percentage in the progress display, or kNothingShown.
  std::uint32_t percentage_shown = kNothingShown;
  static constexpr std::uint32_t kNothingShown = 0xFFFFFFFF;

  void start() {
    total_size = 0;
    list_count = 0;
    file_count = 0;
  }

  // False, and nothing recorded, when the file table is full.
  [[nodiscard]] bool record_file(std::uint32_t record_offset, std::uint32_t size) {
    if (file_count >= format::kMaxFilesPerGroup) return false;
    files[file_count++] = record_offset;
    total_size += size;
    return true;
  }

  // False, and nothing recorded, when the list table is full.
  [[nodiscard]] bool record_list(std::uint32_t record_offset) {
    if (list_count >= format::kMaxListsPerGroup) return false;
    lists[list_count++] = record_offset;
    return true;
  }
};

}  // namespace mivora
