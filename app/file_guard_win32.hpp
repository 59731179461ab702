#pragma once
// No file is left half written when the process ends during a copy: a flag
// marks the time from a file's open to its close, and the main thread waits
// for it to clear before it ends the process. A second click on the close
// box destroys the window at once, but the file being written is finished,
// stamped and closed first, and no further file is begun.
#include <windows.h>

#include "support/file_system.hpp"

namespace mivora {

// The system's file operations, marking each open file.
class GuardedFileSystem final : public FileSystem {
 public:
  FileHandle open(std::uint32_t mode, CountedView name) override;
  void close(FileHandle file) override;
  // The mark stays until the file is gone, not only closed.
  void discard(FileHandle file, CountedView name) override;
};

// Waits until no file is open, looking in on `script_thread` now and then,
// then ends the process.
[[noreturn]] void exit_process_between_files(HANDLE script_thread, UINT code);

}  // namespace mivora
