#pragma once
// The file-system operations as one object, so that the interpreter can be
// run against a file system that is not the process's own (a test that
// pretends the current directory is D:\Setup). SystemFileSystem forwards to
// the operations of files.hpp.
#include "support/files.hpp"

namespace mivora {

class FileSystem {
 public:
  virtual FileHandle open(std::uint32_t mode, CountedView name) { return open_file(mode, name); }
  virtual std::uint32_t write(FileHandle file, const void* data, std::uint32_t length) {
    return write_to_file(file, data, length);
  }
  virtual void set_times(FileHandle file, const FileTime& time) { set_file_times(file, time); }
  virtual void close(FileHandle file) { close_file(file); }
  virtual void remove(CountedView name) { delete_file(name); }
  // Closes a file that could not be written whole and removes it.
  virtual void discard(FileHandle file, CountedView name) {
    close(file);
    remove(name);
  }
  virtual void make_directory(CountedView name) { create_directory(name); }
  virtual bool change_directory(CountedView name) { return set_current_directory(name); }
  virtual void current_directory(CountedDest d) { get_current_directory(d); }

 protected:
  ~FileSystem() = default;
};

class SystemFileSystem final : public FileSystem {};

}  // namespace mivora
