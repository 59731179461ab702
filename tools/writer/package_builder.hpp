#pragma once
// Lays out an install package from commands, strings and file contents:
// head record, script, end marker, data blocks, string table, padding.
// Contents are pulled from their sources while the package is written, so a
// package of any size streams through with flat memory.
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "package/command_list.hpp"
#include "support/file_time.hpp"

namespace mivora::writer {

// Where package bytes go.
class ByteSink {
 public:
  virtual void write(const void* data, std::size_t size) = 0;

 protected:
  ~ByteSink() = default;
};

// A sink that can go back and overwrite bytes it already took (an
// executable's checksum is known only once everything has been written).
class PatchableSink : public ByteSink {
 public:
  virtual void patch(std::uint64_t offset, const void* data, std::size_t size) = 0;

 protected:
  ~PatchableSink() = default;
};

class VectorSink final : public PatchableSink {
 public:
  void write(const void* data, std::size_t size) override {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
  }
  void patch(std::uint64_t offset, const void* data, std::size_t size) override {
    if (offset > bytes.size() || size > bytes.size() - offset)
      throw std::out_of_range("patch outside the written bytes");
    std::memcpy(bytes.data() + static_cast<std::size_t>(offset), data, size);
  }
  std::vector<std::uint8_t> bytes;
};

// Passes bytes on and counts them, so that a wrong size is caught.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(ByteSink& inner) : inner_(inner) {}
  void write(const void* data, std::size_t size) override {
    inner_.write(data, size);
    count += size;
  }
  std::uint64_t count = 0;

 private:
  ByteSink& inner_;
};

// Writes exactly `size` bytes of a file's contents into the sink.
using ContentSource = std::function<void(ByteSink&)>;

// Head fields a test may spoil on purpose; zero means "as laid out".
struct HeadOverrides {
  std::uint32_t magic = format::kMagic;
  std::uint32_t head_tag = format::kHeadTag;
  std::uint32_t version = format::kFormatVersion;
  bool zero_script_offset = false;
  bool zero_string_table_offset = false;
};

class PackageBuilder {
 public:
  // The reference of s in the string table; identical strings are stored once.
  std::uint32_t string(std::string_view s);

  // A command of the list with its argument words; throws std::logic_error
  // when they are not as many as the list says.
  void command(format::Command command, const std::vector<std::uint32_t>& arguments);
  // A command whose one argument is a string (name, text, txt2, copy, done).
  void text_command(format::Command command, std::string_view text) { this->command(command, {string(text)}); }

  void name(std::string_view caption) { text_command(format::Command::kName, caption); }
  void text(std::string_view s) { text_command(format::Command::kText, s); }
  void text2(std::string_view s) { text_command(format::Command::kText2, s); }
  void copy(std::string_view s) { text_command(format::Command::kCopy, s); }
  void done(std::string_view s) { text_command(format::Command::kDone, s); }
  void page(std::uint32_t flags) { command(format::Command::kPage, {flags}); }
  void dest(std::string_view default_path, std::uint32_t flags) {
    command(format::Command::kDest, {string(default_path), flags});
  }
  void list(std::string_view directory, std::uint32_t files_in_list) {
    command(format::Command::kList, {string(directory), 0, 0, files_in_list});
  }
  void group() { command(format::Command::kGroup, {}); }
  // A file record and its data block (group and reserved words 0).
  void file(std::string_view name, std::uint32_t size, FileTime time, ContentSource contents);
  void file(std::string_view name, std::string_view contents, FileTime time);
  // A license text (its zero byte is added) in the data area, where the
  // `lcns` command stands among the file records.
  void license(std::string_view text);

  // Any tag and words, for packages that break the rules on purpose.
  void command(std::uint32_t tag, const std::vector<std::uint32_t>& arguments);

  void set_head_overrides(const HeadOverrides& overrides) { head_ = overrides; }

  // The package's total size in bytes (64-bit: a caller may refuse too much).
  [[nodiscard]] std::uint64_t size() const;
  void write(ByteSink& sink) const;
  [[nodiscard]] std::vector<std::uint8_t> build() const;

  // Script words (tags and arguments), in order; data offsets of file
  // records are patched in when the package is written.
  struct ScriptWord {
    std::uint32_t value;
    std::int32_t file_index;  // >= 0: this word is the data offset of that file
  };

 private:
  // A file's data block, or a license text (no name reference before it).
  struct PendingFile {
    std::uint32_t name_reference;
    std::uint32_t size;
    ContentSource contents;
    bool named = true;
    [[nodiscard]] std::uint64_t block_size() const {
      return (named ? format::kBlockContents : 0) + size + format::padding_after(size);
    }
  };

  [[nodiscard]] std::uint64_t script_end() const;  // offset after the end marker
  [[nodiscard]] std::uint64_t data_end() const;
  [[nodiscard]] std::uint64_t string_table_offset() const { return data_end(); }

  std::vector<ScriptWord> script_;
  std::vector<PendingFile> files_;
  std::vector<std::uint8_t> strings_;
  // Looked up once a file: a tree of many thousand names must not search a list.
  std::map<std::string, std::uint32_t, std::less<>> string_index_;
  HeadOverrides head_{};
};

}  // namespace mivora::writer
