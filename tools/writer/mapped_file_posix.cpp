// The POSIX body: mmap, and madvise(MADV_DONTNEED) to drop pages of a
// private read-only mapping, which the kernel reads again on the next touch.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "tools/writer/mapped_file.hpp"

namespace mivora::writer {

MappedFile MappedFile::open(const std::filesystem::path& path, std::error_code& error) {
  MappedFile file;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a named pipe must not block the open
  if (fd < 0) {
    error = std::error_code(errno, std::generic_category());
    return file;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = std::error_code(S_ISDIR(status.st_mode) ? EISDIR : EINVAL, std::generic_category());
    ::close(fd);
    return file;
  }
  if (status.st_size > 0) {
    void* data = mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED) {
      error = std::error_code(errno, std::generic_category());
      ::close(fd);
      return file;
    }
    file.data_ = static_cast<const std::uint8_t*>(data);
    file.size_ = static_cast<std::uint64_t>(status.st_size);
  }
  ::close(fd);  // the mapping keeps the file
  error.clear();
  return file;
}

void MappedFile::release(std::uint64_t offset, std::uint64_t size) const {
  if (data_ == nullptr || offset >= size_) return;
  const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  std::uint64_t start = offset / page * page;
  std::uint64_t end = std::min(size_, offset + std::min(size, size_ - offset));
  madvise(const_cast<std::uint8_t*>(data_) + start, static_cast<std::size_t>(end - start), MADV_DONTNEED);
}

void MappedFile::close() {
  if (data_ != nullptr) munmap(const_cast<std::uint8_t*>(data_), static_cast<std::size_t>(size_));
  data_ = nullptr;
  size_ = 0;
}

}  // namespace mivora::writer
