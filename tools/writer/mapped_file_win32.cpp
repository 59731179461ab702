// The Windows body: a read-only file mapping viewed whole. Unlocking pages
// that were never locked takes them out of the working set, which is how
// a Windows process lets read pages go.
#include <windows.h>

#include <algorithm>

#include "tools/writer/mapped_file.hpp"

namespace mivora::writer {

MappedFile MappedFile::open(const std::filesystem::path& path, std::error_code& error) {
  MappedFile file;
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    return file;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) {
    error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    CloseHandle(handle);
    return file;
  }
  if (size.QuadPart > 0) {
    HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (view == nullptr) {
      error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
      if (mapping != nullptr) CloseHandle(mapping);
      CloseHandle(handle);
      return file;
    }
    file.data_ = static_cast<const std::uint8_t*>(view);
    file.size_ = static_cast<std::uint64_t>(size.QuadPart);
    file.mapping_ = reinterpret_cast<std::intptr_t>(mapping);
  }
  CloseHandle(handle);  // the mapping keeps the file
  error.clear();
  return file;
}

void MappedFile::release(std::uint64_t offset, std::uint64_t size) const {
  if (data_ == nullptr || offset >= size_) return;
  std::uint64_t length = std::min(size, size_ - offset);
  VirtualUnlock(const_cast<std::uint8_t*>(data_) + offset, static_cast<SIZE_T>(length));
}

void MappedFile::close() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  if (mapping_ != 0) CloseHandle(reinterpret_cast<HANDLE>(mapping_));
  data_ = nullptr;
  size_ = 0;
  mapping_ = 0;
}

}  // namespace mivora::writer
