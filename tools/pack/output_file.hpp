#pragma once
// Writes a file so that it appears whole or not at all: the bytes go to a
// temporary file beside it, which replaces the real name only on commit.
#include <filesystem>
#include <fstream>
#include <memory>

#include "tools/writer/pe_resources.hpp"

namespace mivora::pack {

class OutputFile final : public writer::PatchableSink {
 public:
  // Throws std::runtime_error when the temporary file cannot be created.
  explicit OutputFile(std::filesystem::path destination);
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(const void* data, std::size_t size) override;
  void patch(std::uint64_t offset, const void* data, std::size_t size) override;
  // Flushes and renames; throws std::runtime_error on failure.
  void commit();

 private:
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::unique_ptr<char[]> buffer_;
  std::ofstream out_;
  bool committed_ = false;
};

}  // namespace mivora::pack
