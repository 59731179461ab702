#pragma once
// The file system as the interpreter reaches it. The installer's body
// (app/file_guard_win32) forwards to the system operations of
// support/files.hpp and marks each open file; tests use a recording or a
// sandboxed file system.
#include <cstdint>

#include "support/counted_string.hpp"
#include "support/file_time.hpp"
#include "support/files.hpp"

namespace mivora {

class FileSystem {
 public:
  // kInvalidFile when the file cannot be opened (see OpenMode).
  virtual FileHandle open(std::uint32_t mode, CountedView name) = 0;
  // The number of bytes written; less than `length` when the disk is full.
  virtual std::uint32_t write(FileHandle file, const void* data, std::uint32_t length) = 0;
  virtual void set_times(FileHandle file, const FileTime& time) = 0;
  virtual void close(FileHandle file) = 0;
  virtual void remove(CountedView name) = 0;
  // Closes a file that could not be written whole and removes it.
  virtual void discard(FileHandle file, CountedView name) {
    close(file);
    remove(name);
  }
  // One level. True when `name` is a directory afterwards, made now or
  // before (see create_directory).
  virtual bool make_directory(CountedView name) = 0;
  // False when the directory cannot be made current.
  virtual bool change_directory(CountedView name) = 0;
  // The empty string when it cannot be read or does not fit 255 characters.
  virtual void current_directory(CountedDest d) = 0;

 protected:
  ~FileSystem() = default;
};

}  // namespace mivora
