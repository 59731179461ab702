#pragma once
// A read-only, bounds-checked view over the package bytes. Every read takes
// a package offset and answers with a Checked value: an offset, reference,
// length byte or size that reaches outside the bytes gives a failed value,
// never a read outside them.
#include <cstdint>

#include "package/format.hpp"
#include "support/byte_view.hpp"
#include "support/counted_string.hpp"
#include "support/file_time.hpp"

namespace mivora {

struct HeadRecord {
  std::uint32_t script_offset = 0;
  std::uint32_t string_table_offset = 0;
  std::uint32_t version = 0;
};

struct ListRecord {
  std::uint32_t directory_name = 0;  // string reference
  std::uint32_t file_count = 0;
};

struct FileRecord {
  std::uint32_t data_offset = 0;
  std::uint32_t size = 0;
  FileTime time{};
};

// Where a file's name and contents lie, checked to be inside the package.
struct DataBlock {
  std::uint32_t name_reference = 0;
  std::uint32_t contents_offset = 0;
  std::uint32_t size = 0;
};

enum class HeadProblem : std::uint8_t { kNone, kEmpty, kBadMagic, kBadHeadTag, kNoScript, kNoStringTable, kBadVersion, kTruncated };

class PackageView {
 public:
  constexpr PackageView() = default;
  constexpr explicit PackageView(ByteView bytes) : bytes_(bytes) {}

  [[nodiscard]] ByteView bytes() const { return bytes_; }

  [[nodiscard]] Checked<std::uint32_t> word_at(std::uint32_t offset) const;
  // The checks of the head in order: a wrong magic stops before the head
  // record is read.
  [[nodiscard]] HeadProblem check_head(HeadRecord& head) const;
  // The counted string at the string table's first string byte plus reference.
  [[nodiscard]] Checked<CountedView> string_at(std::uint32_t string_table_offset, std::uint32_t reference) const;
  [[nodiscard]] Checked<ListRecord> list_record_at(std::uint32_t offset) const;
  [[nodiscard]] Checked<FileRecord> file_record_at(std::uint32_t offset) const;
  // The record's data block: its name reference and its size content bytes.
  [[nodiscard]] Checked<DataBlock> data_block(const FileRecord& file) const;
  // `length` bytes from `offset`, or an empty view when they do not all lie inside.
  [[nodiscard]] ByteView slice(std::uint32_t offset, std::uint32_t length) const {
    return bytes_.slice(offset, length);
  }

 private:
  ByteView bytes_{};
};

}  // namespace mivora
