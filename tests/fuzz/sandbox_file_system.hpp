#pragma once
// A file system confined to one throwaway folder. Every name the script
// gives ("C:\Dest\a.txt", "\x", "docs\..\..\y") is mapped below the folder;
// a name that would climb out of it is refused as the system would refuse a
// bad name. The current directory is kept here, not in the process.
#include <cstdint>
#include <string>

#include "interpreter/file_system.hpp"

namespace mivora::test {

class SandboxFileSystem final : public FileSystem {
 public:
  explicit SandboxFileSystem(std::string root);

  FileHandle open(std::uint32_t mode, CountedView name) override;
  std::uint32_t write(FileHandle file, const void* data, std::uint32_t length) override;
  void set_times(FileHandle file, const FileTime& time) override;
  void close(FileHandle file) override;
  void remove(CountedView name) override;
  bool make_directory(CountedView name) override;
  bool change_directory(CountedView name) override;
  void current_directory(CountedDest d) override;

  // Empties the folder and returns to its top, for the next input.
  void reset();
  [[nodiscard]] std::uint64_t bytes_written() const { return bytes_written_; }

 private:
  // The path below root_ for a name, or "" when it would leave the folder.
  [[nodiscard]] std::string map(CountedView name) const;

  std::string root_;
  std::string current_;  // relative to root_, "/"-separated, no leading "/"
  std::uint64_t bytes_written_ = 0;
};

}  // namespace mivora::test
