#pragma once
// File-system operations of the installer: create and write output files,
// stamp their times, create and enter directories, read the current
// directory. Names are counted strings; they reach the system through the
// shared path buffer. Bodies: files_win32.cpp (the installer), files_posix.cpp
// (host tests and tools, where "\" in a name is taken as "/").
#include <cstdint>

#include "support/counted_string.hpp"
#include "support/file_time.hpp"

namespace mivora {

struct FileHandle {
  std::intptr_t value;
  [[nodiscard]] bool valid() const { return value != -1; }
};
inline constexpr FileHandle kInvalidFile{-1};

// Only the low 8 bits of a mode count. Any other value opens an existing
// file for reading and writing.
enum OpenMode : std::uint32_t {
  kOpenRead = 0,            // read, existing file
  kOpenReadWrite = 1,       // read and write, existing file
  kOpenCreateAlways = 2,    // read and write, created or truncated
  kOpenAppend = 3,          // read and write, created if missing, positioned at the end
};

// Opened without sharing. kInvalidFile on failure.
[[nodiscard]] FileHandle open_file(std::uint32_t mode, CountedView name);
// The number of bytes written; less than length when the disk is full.
[[nodiscard]] std::uint32_t write_to_file(FileHandle file, const void* data, std::uint32_t length);
// Creation, last-access and last-write time all become `time`.
void set_file_times(FileHandle file, const FileTime& time);
void close_file(FileHandle file);
// Removes a file; used to take back a file that could not be written whole.
void delete_file(CountedView name);
// One level. True when `name` is a directory afterwards, made now or
// before; false when it could not be made: its parent is missing, a file
// stands there, the system refuses the name, or there is no right to write.
[[nodiscard]] bool create_directory(CountedView name);
// False when the directory cannot be made current.
[[nodiscard]] bool set_current_directory(CountedView name);
// A current directory of 256 characters or more, or one that cannot be read,
// gives the empty string.
void get_current_directory(CountedDest d);

}  // namespace mivora
