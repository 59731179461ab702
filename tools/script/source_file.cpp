#include "tools/script/source_file.hpp"

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace mivora::script {

namespace {
constexpr std::size_t kChunkSize = 1 << 20;
}

writer::ContentSource stream_file(const std::filesystem::path& path, std::uint64_t size) {
  return [path, size](writer::ByteSink& sink) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read '" + path.string() + "'");
    // As large as the file needs, and not zeroed: a tree of many small files
    // spent most of its build clearing a megabyte for each.
    const auto buffer_size = static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunkSize));
    auto buffer = std::make_unique_for_overwrite<char[]>(buffer_size);
    std::uint64_t left = size;
    while (left > 0) {
      auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(left, buffer_size));
      in.read(buffer.get(), want);
      if (in.gcount() != want) throw std::runtime_error("'" + path.string() + "' became shorter while it was packed");
      sink.write(buffer.get(), static_cast<std::size_t>(want));
      left -= static_cast<std::uint64_t>(want);
    }
    if (in.peek() != std::char_traits<char>::eof())
      throw std::runtime_error("'" + path.string() + "' grew while it was packed");
  };
}

}  // namespace mivora::script
