#include "recording_file_system.hpp"

namespace mivora::test {
namespace {

std::string text_of(CountedView v) { return std::string(v.chars, v.length); }

}  // namespace

FileHandle RecordingFileSystem::open(std::uint32_t mode, CountedView name) {
  calls.push_back("open " + text_of(name) + " mode " + std::to_string(mode));
  FileHandle file = open_file(mode, name);
  if (file.valid()) open_paths_[file.value] = text_of(name);
  return file;
}

std::uint32_t RecordingFileSystem::write(FileHandle file, const void* data, std::uint32_t length) {
  const std::string& path = open_paths_[file.value];
  if (on_write) on_write(path, length);
  writes[path].push_back(length);
  calls.push_back("write " + path + " " + std::to_string(length));
  if (!write_contents) return length;
  if (!short_writes_to.empty() && path == short_writes_to && length > 0)
    return write_to_file(file, data, length - 1);
  return write_to_file(file, data, length);
}

void RecordingFileSystem::set_times(FileHandle file, const FileTime& time) {
  calls.push_back("times " + open_paths_[file.value]);
  set_file_times(file, time);
}

void RecordingFileSystem::close(FileHandle file) {
  calls.push_back("close " + open_paths_[file.value]);
  open_paths_.erase(file.value);
  close_file(file);
}

void RecordingFileSystem::remove(CountedView name) {
  calls.push_back("remove " + text_of(name));
  delete_file(name);
}

bool RecordingFileSystem::make_directory(CountedView name) {
  calls.push_back("mkdir " + text_of(name));
  return create_directory(name);
}

bool RecordingFileSystem::change_directory(CountedView name) {
  calls.push_back("chdir " + text_of(name));
  return set_current_directory(name);
}

void RecordingFileSystem::current_directory(CountedDest d) {
  calls.push_back("getcwd");
  if (!current_directory_text) {
    get_current_directory(d);
    return;
  }
  counted_copy(current_directory_text->c_str(), d);
}

}  // namespace mivora::test
