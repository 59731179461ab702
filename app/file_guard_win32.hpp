#pragma once
// No file is left half written when the process ends during a copy: a flag
// marks the time from a file's open to its close, and the main thread waits
// for it to clear before it ends the process. A second click on the close
// box destroys the window at once, but the file being written is finished,
// stamped and closed first, and no further file is begun.
#include <windows.h>

#include "interpreter/file_system.hpp"

namespace mivora {

// The system's file operations, marking each open file.
class GuardedFileSystem final : public FileSystem {
 public:
  FileHandle open(std::uint32_t mode, CountedView name) override;
  std::uint32_t write(FileHandle file, const void* data, std::uint32_t length) override {
    return write_to_file(file, data, length);
  }
  void set_times(FileHandle file, const FileTime& time) override { set_file_times(file, time); }
  void close(FileHandle file) override;
  void remove(CountedView name) override { delete_file(name); }
  // The mark stays until the file is gone, not only closed.
  void discard(FileHandle file, CountedView name) override;
  bool make_directory(CountedView name) override { return create_directory(name); }
  bool change_directory(CountedView name) override { return set_current_directory(name); }
  void current_directory(CountedDest d) override { get_current_directory(d); }
};

// Waits until no file is open, looking in on `script_thread` now and then,
// then ends the process.
[[noreturn]] void exit_process_between_files(HANDLE script_thread, UINT code);

}  // namespace mivora
