// POSIX bodies of the file-system operations, for host tests and tools.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "support/files.hpp"
#include "support/path_buffer.hpp"

namespace mivora {
namespace {

// A name as the system takes it: NUL-terminated, "\" read as a separator.
const char* system_name(CountedView name) {
  terminated_copy(name, shared_path_buffer, kPathBufferSize);
  for (char* c = shared_path_buffer; *c != '\0'; ++c)
    if (*c == '\\') *c = '/';
  return shared_path_buffer;
}

int open_flags(std::uint32_t mode) {
  switch (mode & 0xFF) {
    case kOpenRead: return O_RDONLY;
    case kOpenCreateAlways: return O_RDWR | O_CREAT | O_TRUNC;
    case kOpenAppend: return O_RDWR | O_CREAT;
    default: return O_RDWR;
  }
}

}  // namespace

FileHandle open_file(std::uint32_t mode, CountedView name) {
  const char* path = system_name(name);
  if (*path == '\0') return kInvalidFile;
  int fd = ::open(path, open_flags(mode) | O_CLOEXEC, 0644);
  if (fd < 0) return kInvalidFile;
  if ((mode & 0xFF) == kOpenAppend) ::lseek(fd, 0, SEEK_END);
  return FileHandle{fd};
}

std::uint32_t write_to_file(FileHandle file, const void* data, std::uint32_t length) {
  const auto* bytes = static_cast<const char*>(data);
  std::uint32_t written = 0;
  while (written < length) {
    ssize_t n = ::write(static_cast<int>(file.value), bytes + written, length - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<std::uint32_t>(n);
  }
  return written;
}

void set_file_times(FileHandle file, const FileTime& time) {
  // POSIX has no settable creation time: access and modification carry it.
  UnixTime t = to_unix_time(time);
  timespec times[2];
  times[0].tv_sec = static_cast<time_t>(t.seconds);
  times[0].tv_nsec = static_cast<long>(t.nanoseconds);
  times[1] = times[0];
  (void)::futimens(static_cast<int>(file.value), times);
}

void close_file(FileHandle file) { (void)::close(static_cast<int>(file.value)); }

void delete_file(CountedView name) { (void)::unlink(system_name(name)); }

bool create_directory(CountedView name) {
  const char* path = system_name(name);
  if (::mkdir(path, 0755) == 0) return true;
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool set_current_directory(CountedView name) { return ::chdir(system_name(name)) == 0; }

void get_current_directory(CountedDest d) {
  char path[PATH_MAX];
  if (::getcwd(path, sizeof path) == nullptr || __builtin_strlen(path) >= kPathBufferSize) {
    clear(d);
    return;
  }
  terminated_copy(CountedView{path, static_cast<std::uint8_t>(__builtin_strlen(path))}, shared_path_buffer,
                  kPathBufferSize);
  counted_copy(shared_path_buffer, d);
}

}  // namespace mivora
