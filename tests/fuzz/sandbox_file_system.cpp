#include "tests/fuzz/sandbox_file_system.hpp"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace mivora::test {
namespace {

std::vector<std::string> split_components(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '/') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

}  // namespace

SandboxFileSystem::SandboxFileSystem(std::string root) : root_(std::move(root)) { ::mkdir(root_.c_str(), 0755); }

std::string SandboxFileSystem::map(CountedView name) const {
  std::string path(name.chars, name.length);
  if (path.find('\0') != std::string::npos) path.resize(path.find('\0'));  // the system sees up to the NUL
  if (path.empty()) return "";
  for (char& c : path)
    if (c == '\\') c = '/';
  bool absolute = false;
  if (path.size() >= 2 && path[1] == ':') {  // a drive: the sandbox's top stands for every drive
    path.erase(0, 2);
    absolute = true;
  }
  if (!path.empty() && path[0] == '/') absolute = true;
  std::vector<std::string> stack;
  if (!absolute)
    for (const std::string& p : split_components(current_))
      if (!p.empty()) stack.push_back(p);
  for (const std::string& p : split_components(path)) {
    if (p.empty() || p == ".") continue;
    if (p == "..") {
      if (stack.empty()) return "";
      stack.pop_back();
      continue;
    }
    stack.push_back(p);
  }
  std::string mapped = root_;
  for (const std::string& p : stack) mapped += "/" + p;
  return mapped;
}

FileHandle SandboxFileSystem::open(std::uint32_t mode, CountedView name) {
  std::string path = map(name);
  if (path.empty()) return kInvalidFile;
  int flags = O_RDWR;
  if ((mode & 0xFF) == kOpenRead) flags = O_RDONLY;
  if ((mode & 0xFF) == kOpenCreateAlways) flags = O_RDWR | O_CREAT | O_TRUNC;
  if ((mode & 0xFF) == kOpenAppend) flags = O_RDWR | O_CREAT | O_APPEND;
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0644);
  return fd < 0 ? kInvalidFile : FileHandle{fd};
}

std::uint32_t SandboxFileSystem::write(FileHandle file, const void* data, std::uint32_t length) {
  ssize_t n = ::write(static_cast<int>(file.value), data, length);
  if (n <= 0) return 0;
  bytes_written_ += static_cast<std::uint64_t>(n);
  return static_cast<std::uint32_t>(n);
}

void SandboxFileSystem::set_times(FileHandle file, const FileTime& time) {
  UnixTime t = to_unix_time(time);
  timespec times[2] = {{static_cast<time_t>(t.seconds), static_cast<long>(t.nanoseconds)},
                       {static_cast<time_t>(t.seconds), static_cast<long>(t.nanoseconds)}};
  (void)::futimens(static_cast<int>(file.value), times);
}

void SandboxFileSystem::close(FileHandle file) { ::close(static_cast<int>(file.value)); }

void SandboxFileSystem::remove(CountedView name) {
  std::string path = map(name);
  if (!path.empty()) ::unlink(path.c_str());
}

bool SandboxFileSystem::make_directory(CountedView name) {
  std::string path = map(name);
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SandboxFileSystem::change_directory(CountedView name) {
  std::string path = map(name);
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  current_ = path.substr(root_.size());
  if (!current_.empty() && current_[0] == '/') current_.erase(0, 1);
  return true;
}

void SandboxFileSystem::current_directory(CountedDest d) {
  std::string shown = "C:\\" + current_;
  for (char& c : shown)
    if (c == '/') c = '\\';
  clear(d);
  if (shown.size() > 255) return;
  append_string(d, CountedView{shown.data(), static_cast<std::uint8_t>(shown.size())});
}

void SandboxFileSystem::reset() {
  ::nftw(root_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
  ::mkdir(root_.c_str(), 0755);
  current_.clear();
  bytes_written_ = 0;
}

}  // namespace mivora::test
