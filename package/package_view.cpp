#include "package/package_view.hpp"

namespace mivora {

using namespace format;

Checked<std::uint32_t> PackageView::word_at(std::uint32_t offset) const {
  return bytes_.u32_at(offset);
}

HeadProblem PackageView::check_head(HeadRecord& head) const {
  if (bytes_.size == 0) return HeadProblem::kEmpty;
  std::uint32_t magic = 0, tag = 0, script = 0, strings = 0, version = 0;
  if (!word_at(kMagicOffset).get(magic)) return HeadProblem::kTruncated;
  if (magic != kMagic) return HeadProblem::kBadMagic;
  if (!word_at(kHeadTagOffset).get(tag)) return HeadProblem::kTruncated;
  if (tag != kHeadTag) return HeadProblem::kBadHeadTag;
  if (!word_at(kScriptOffsetField).get(script)) return HeadProblem::kTruncated;
  if (script == 0) return HeadProblem::kNoScript;
  if (!word_at(kStringTableOffsetField).get(strings)) return HeadProblem::kTruncated;
  if (strings == 0) return HeadProblem::kNoStringTable;
  if (!word_at(kVersionField).get(version)) return HeadProblem::kTruncated;
  if (version != kFormatVersion) return HeadProblem::kBadVersion;
  head = HeadRecord{script, strings, version};
  return HeadProblem::kNone;
}

Checked<CountedView> PackageView::string_at(std::uint32_t string_table_offset, std::uint32_t reference) const {
  if (!bytes_.contains(string_table_offset, kStringCountWordSize)) return Checked<CountedView>::fail();
  std::uint32_t first_string = string_table_offset + kStringCountWordSize;
  if (!bytes_.contains(first_string, reference) || !bytes_.contains(first_string + reference, 1))
    return Checked<CountedView>::fail();
  std::uint32_t length_at = first_string + reference;
  std::uint8_t length = bytes_.data[length_at];
  if (!bytes_.contains(length_at + 1, length)) return Checked<CountedView>::fail();
  return Checked<CountedView>::of(view_counted(bytes_.data + length_at));
}

Checked<ListRecord> PackageView::list_record_at(std::uint32_t offset) const {
  if (!bytes_.contains(offset, kListRecordSize)) return Checked<ListRecord>::fail();
  const std::uint8_t* r = bytes_.data + offset;
  return Checked<ListRecord>::of(ListRecord{read_u32le(r + kListDirectoryName), read_u32le(r + kListFileCount)});
}

Checked<FileRecord> PackageView::file_record_at(std::uint32_t offset) const {
  if (!bytes_.contains(offset, kFileRecordSize)) return Checked<FileRecord>::fail();
  const std::uint8_t* r = bytes_.data + offset;
  return Checked<FileRecord>::of(FileRecord{read_u32le(r + kFileDataOffset), read_u32le(r + kFileSize),
                                            FileTime{read_u32le(r + kFileTimeLow), read_u32le(r + kFileTimeHigh)}});
}

Checked<DataBlock> PackageView::data_block(const FileRecord& file) const {
  if (!bytes_.contains(file.data_offset, kBlockContents)) return Checked<DataBlock>::fail();
  std::uint32_t contents = file.data_offset + kBlockContents;
  if (!bytes_.contains(contents, file.size)) return Checked<DataBlock>::fail();
  return Checked<DataBlock>::of(DataBlock{read_u32le(bytes_.data + file.data_offset), contents, file.size});
}

}  // namespace mivora
