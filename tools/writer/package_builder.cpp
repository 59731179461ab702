#include "tools/writer/package_builder.hpp"

#include <stdexcept>

#include "support/byte_view.hpp"

namespace mivora::writer {
namespace {

void put_word(ByteSink& sink, std::uint32_t w) {
  std::uint8_t b[4];
  store_u32le(b, w);
  sink.write(b, 4);
}

void put_zeros(ByteSink& sink, std::uint32_t count) {
  static constexpr std::uint8_t kZeros[4] = {};
  sink.write(kZeros, count);
}

}  // namespace

std::uint32_t PackageBuilder::string(std::string_view s) {
  if (s.size() > format::kMaxPathLength) throw std::length_error("string longer than 255 characters");
  auto known = string_index_.find(s);
  if (known != string_index_.end()) return known->second;
  auto reference = static_cast<std::uint32_t>(strings_.size());
  strings_.push_back(static_cast<std::uint8_t>(s.size()));
  strings_.insert(strings_.end(), s.begin(), s.end());
  string_index_.emplace(std::string(s), reference);
  return reference;
}

void PackageBuilder::command(format::Command command, const std::vector<std::uint32_t>& arguments) {
  const format::CommandInfo& info = format::info_of(command);
  if (arguments.size() != info.argument_words)
    throw std::logic_error(std::string("'") + info.tag_name + "' takes " + std::to_string(info.argument_words) +
                           " argument words");
  this->command(info.tag, arguments);
}

void PackageBuilder::command(std::uint32_t tag, const std::vector<std::uint32_t>& arguments) {
  script_.push_back({tag, -1});
  for (std::uint32_t a : arguments) script_.push_back({a, -1});
}

void PackageBuilder::file(std::string_view name, std::uint32_t size, FileTime time, ContentSource contents) {
  std::uint32_t name_reference = string(name);
  auto index = static_cast<std::int32_t>(files_.size());
  files_.push_back({name_reference, size, std::move(contents)});
  // The data offset is known only when the package is written.
  script_.push_back({format::kTagFile, -1});
  script_.push_back({0, index});
  for (std::uint32_t w : {size, time.low, time.high, 0u, 0u}) script_.push_back({w, -1});
  static_assert(format::argument_words(format::Arguments::kFileRecord) == 6);
}

void PackageBuilder::file(std::string_view name, std::string_view contents, FileTime time) {
  std::string bytes(contents);
  file(name, static_cast<std::uint32_t>(bytes.size()), time,
       [bytes](ByteSink& sink) { sink.write(bytes.data(), bytes.size()); });
}

void PackageBuilder::license(std::string_view text) {
  std::string bytes(text);
  bytes += '\0';
  auto index = static_cast<std::int32_t>(files_.size());
  auto size = static_cast<std::uint32_t>(bytes.size());
  files_.push_back({0, size, [bytes](ByteSink& sink) { sink.write(bytes.data(), bytes.size()); }, false});
  script_.push_back({format::kTagLicense, -1});
  script_.push_back({0, index});
  script_.push_back({size, -1});
  static_assert(format::argument_words(format::Arguments::kLicense) == 2);
}

std::uint64_t PackageBuilder::script_end() const {
  return format::kHeadSize + 4ull * script_.size() + format::kWordSize;
}

std::uint64_t PackageBuilder::data_end() const {
  std::uint64_t end = script_end();
  for (const PendingFile& f : files_) end += f.block_size();
  return end;
}

std::uint64_t PackageBuilder::size() const {
  std::uint64_t end = string_table_offset() + format::kStringCountWordSize + strings_.size();
  return end + format::padding_after(static_cast<std::uint32_t>(end % 4));
}

void PackageBuilder::write(ByteSink& sink) const {
  if (size() > 0xFFFFFFFFull) throw std::length_error("package larger than 4 GiB");
  std::vector<std::uint32_t> data_offsets;
  std::uint64_t at = script_end();
  for (const PendingFile& f : files_) {
    data_offsets.push_back(static_cast<std::uint32_t>(at));
    at += f.block_size();
  }
  put_word(sink, head_.magic);
  put_word(sink, head_.head_tag);
  put_word(sink, head_.zero_script_offset ? 0 : format::kHeadSize);
  put_word(sink, head_.zero_string_table_offset ? 0 : static_cast<std::uint32_t>(string_table_offset()));
  put_word(sink, head_.version);
  for (const ScriptWord& w : script_)
    put_word(sink, w.file_index >= 0 ? data_offsets[static_cast<std::size_t>(w.file_index)] : w.value);
  put_word(sink, format::kEndMarker);
  for (const PendingFile& f : files_) {
    if (f.named) put_word(sink, f.name_reference);
    CountingSink counted(sink);
    if (f.contents) f.contents(counted);
    if (counted.count != f.size) throw std::runtime_error("file contents changed size while the package was written");
    put_zeros(sink, format::padding_after(f.size));
  }
  put_word(sink, static_cast<std::uint32_t>(strings_.size()));
  sink.write(strings_.data(), strings_.size());
  put_zeros(sink, format::padding_after(static_cast<std::uint32_t>(strings_.size())));
}

std::vector<std::uint8_t> PackageBuilder::build() const {
  VectorSink sink;
  write(sink);
  return std::move(sink.bytes);
}

}  // namespace mivora::writer
