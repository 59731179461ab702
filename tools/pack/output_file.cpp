#include "tools/pack/output_file.hpp"

#include <stdexcept>

#include "tools/pack/interrupt_cleanup.hpp"

namespace mivora::pack {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

OutputFile::OutputFile(std::filesystem::path destination)
    : destination_(std::move(destination)), buffer_(std::make_unique<char[]>(kBufferSize)) {
  temporary_ = destination_;
  temporary_ += ".partial";
  out_.rdbuf()->pubsetbuf(buffer_.get(), kBufferSize);
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_) throw std::runtime_error("cannot create '" + temporary_.string() + "'");
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
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) throw std::runtime_error("cannot write '" + temporary_.string() + "' (disk full?)");
}

void OutputFile::patch(std::uint64_t offset, const void* data, std::size_t size) {
  std::streampos end = out_.tellp();
  out_.seekp(static_cast<std::streamoff>(offset));
  write(data, size);
  out_.seekp(end);
}

void OutputFile::commit() {
  out_.close();
  if (!out_) throw std::runtime_error("cannot finish '" + temporary_.string() + "'");
  std::filesystem::rename(temporary_, destination_);
  committed_ = true;
  disarm_interrupt_cleanup();
}

}  // namespace mivora::pack
