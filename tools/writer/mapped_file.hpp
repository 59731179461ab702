#pragma once
// A file mapped read-only, whole, so that packages and installers of any
// size are read in place. A page once read stays resident until it is
// released, so a reader of a large file releases what it has finished with
// and keeps its memory bounded. Bodies: mapped_file_posix.cpp (mmap and
// madvise), mapped_file_win32.cpp (a file mapping and its working set).
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

namespace mivora::writer {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { close(); }
  MappedFile(MappedFile&& other) noexcept { take(other); }
  MappedFile& operator=(MappedFile&& other) noexcept {
    if (this != &other) {
      close();
      take(other);
    }
    return *this;
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // The mapping, or an empty MappedFile with `error` set.
  [[nodiscard]] static MappedFile open(const std::filesystem::path& path, std::error_code& error);

  [[nodiscard]] std::span<const std::uint8_t> bytes() const { return {data_, static_cast<std::size_t>(size_)}; }
  // Lets the pages of [offset, offset + size) leave memory; touched again,
  // they are read again from the file.
  void release(std::uint64_t offset, std::uint64_t size) const;
  void release_all() const { release(0, size_); }

 private:
  void close();
  void take(MappedFile& other) {
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapping_ = std::exchange(other.mapping_, 0);
  }

  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
  std::intptr_t mapping_ = 0;  // the Windows mapping object; unused on POSIX
};

}  // namespace mivora::writer
