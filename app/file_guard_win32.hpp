#pragma once
// No file is left half written when the process ends during a copy: the
// script thread holds the guard from the moment it opens a file until it has
// closed it, and the main thread takes the guard before it ends the process.
// A second click on the close box destroys the window at once, but the file
// being written is finished, stamped and closed first.
#include <windows.h>

#include "support/file_system.hpp"

namespace mivora {

// Called once, before the script thread starts.
void create_file_guard();

// The system's file operations; open takes the guard (kept when the file
// opens) and close gives it back.
class GuardedFileSystem final : public FileSystem {
 public:
  FileHandle open(std::uint32_t mode, CountedView name) override;
  void close(FileHandle file) override;
};

// Waits until no file is open, serving the requests the script thread sends
// meanwhile, then ends the process; the guard is kept, so no new file opens.
[[noreturn]] void exit_process_between_files(UINT code);

}  // namespace mivora
