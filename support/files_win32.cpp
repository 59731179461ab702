// Win32 bodies of the file-system operations, for the installer (ANSI calls).
#include <windows.h>

#include "support/files.hpp"
#include "support/path_buffer.hpp"

namespace mivora {
namespace {

const char* system_name(CountedView name) {
  terminated_copy(name, shared_path_buffer, kPathBufferSize);
  return shared_path_buffer;
}

struct OpenChoice {
  DWORD access;
  DWORD disposition;
};

OpenChoice open_choice(std::uint32_t mode) {
  switch (mode & 0xFF) {
    case kOpenRead: return {GENERIC_READ, OPEN_EXISTING};
    case kOpenCreateAlways: return {GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS};
    case kOpenAppend: return {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS};
    default: return {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING};
  }
}

HANDLE to_handle(FileHandle file) { return reinterpret_cast<HANDLE>(file.value); }

}  // namespace

FileHandle open_file(std::uint32_t mode, CountedView name) {
  OpenChoice choice = open_choice(mode);
  HANDLE h = CreateFileA(system_name(name), choice.access, 0, nullptr, choice.disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return kInvalidFile;
  if ((mode & 0xFF) == kOpenAppend) SetFilePointer(h, 0, nullptr, FILE_END);
  return FileHandle{reinterpret_cast<std::intptr_t>(h)};
}

std::uint32_t write_to_file(FileHandle file, const void* data, std::uint32_t length) {
  DWORD written = 0;
  // A failed write leaves `written` short; the caller compares it with length.
  (void)WriteFile(to_handle(file), data, length, &written, nullptr);
  return written;
}

void set_file_times(FileHandle file, const FileTime& time) {
  FILETIME t{time.low, time.high};
  (void)SetFileTime(to_handle(file), &t, &t, &t);
}

void close_file(FileHandle file) { (void)CloseHandle(to_handle(file)); }

void delete_file(CountedView name) { (void)DeleteFileA(system_name(name)); }

bool create_directory(CountedView name) {
  const char* path = system_name(name);
  if (CreateDirectoryA(path, nullptr)) return true;
  // It fails alike for an existing directory and for a file of that name.
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool set_current_directory(CountedView name) { return SetCurrentDirectoryA(system_name(name)) != 0; }

void get_current_directory(CountedDest d) {
  // The call returns the needed size, leaving the buffer unfilled, when the
  // directory does not fit; 0 when it fails.
  DWORD n = GetCurrentDirectoryA(kPathBufferSize, shared_path_buffer);
  if (n == 0 || n >= kPathBufferSize) {
    clear(d);
    return;
  }
  counted_copy(shared_path_buffer, d);
}

}  // namespace mivora
