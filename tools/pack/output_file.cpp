#include "tools/pack/output_file.hpp"

#include <cctype>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

#include "tools/pack/interrupt_cleanup.hpp"

namespace mivora::pack {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;

// Why a file cannot be created or written, from the errno of the failed call.
std::string write_reason(int error, const std::filesystem::path& file) {
  std::string folder = file.parent_path().empty() ? "." : file.parent_path().string();
  switch (error) {
    case ENOENT: return "the folder '" + folder + "' does not exist";
    case ENOTDIR: return "a part of the path '" + folder + "' is a file, not a folder";
    case EACCES:
    case EPERM: return "permission denied";
    case EISDIR: return "it is a folder";
    case ENOSPC: return "the disk is full";
    case EROFS: return "the file system is read-only";
    case 0: return "the system gave no reason";
    default: break;
  }
  std::string words = std::generic_category().message(error);
  if (!words.empty()) words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
  return words;
}

}  // namespace

OutputFile::OutputFile(std::filesystem::path destination)
    : destination_(std::move(destination)), buffer_(std::make_unique<char[]>(kBufferSize)) {
  temporary_ = destination_;
  temporary_ += ".partial";
  out_.rdbuf()->pubsetbuf(buffer_.get(), kBufferSize);
  errno = 0;
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  // The temporary file is ours; the user asked for the destination.
  if (!out_) throw std::runtime_error("cannot create '" + destination_.string() + "': " + write_reason(errno, destination_));
  remove_on_interrupt(temporary_);
}

OutputFile::~OutputFile() {
  if (committed_) return;
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
  disarm_interrupt_cleanup();
}

void OutputFile::write(const void* data, std::size_t size) {
  if (interrupt_requested()) throw std::runtime_error("interrupted: nothing written");
  errno = 0;
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) throw std::runtime_error("cannot write '" + destination_.string() + "': " + write_reason(errno, destination_));
}

void OutputFile::patch(std::uint64_t offset, const void* data, std::size_t size) {
  std::streampos end = out_.tellp();
  out_.seekp(static_cast<std::streamoff>(offset));
  write(data, size);
  out_.seekp(end);
}

void OutputFile::commit() {
  errno = 0;
  out_.close();
  if (!out_) throw std::runtime_error("cannot write '" + destination_.string() + "': " + write_reason(errno, destination_));
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) throw std::runtime_error("cannot create '" + destination_.string() + "': " + write_reason(error.default_error_condition().value(), destination_));
  committed_ = true;
  disarm_interrupt_cleanup();
}

}  // namespace mivora::pack
