#pragma once
// The real POSIX file operations, recorded: every call by path, the length of
// every write, and what a test may change: the current directory the script
// is told about, a file whose writes come back short (a full disk), and
// whether contents reach the disk at all.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "interpreter/file_system.hpp"

namespace mivora::test {

class RecordingFileSystem final : public FileSystem {
 public:
  // Answered instead of the process's current directory ("" as if unreadable).
  std::optional<std::string> current_directory_text;
  // A path whose writes write one byte less than asked.
  std::string short_writes_to;
  // Called before each write with the file's path and the length asked for.
  std::function<void(const std::string& path, std::uint32_t length)> on_write;
  // False: every write reports success and nothing is written, for groups
  // too large to put on disk in a test. Files are still created.
  bool write_contents = true;

  std::map<std::string, std::vector<std::uint32_t>> writes;  // lengths, by path
  std::vector<std::string> calls;                             // "open P", "mkdir P", ...

  FileHandle open(std::uint32_t mode, CountedView name) override;
  std::uint32_t write(FileHandle file, const void* data, std::uint32_t length) override;
  void set_times(FileHandle file, const FileTime& time) override;
  void close(FileHandle file) override;
  void remove(CountedView name) override;
  bool make_directory(CountedView name) override;
  bool change_directory(CountedView name) override;
  void current_directory(CountedDest d) override;

 private:
  std::map<std::intptr_t, std::string> open_paths_;
};

}  // namespace mivora::test
