#include "tools/script/source_file.hpp"

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
    auto buffer = std::make_unique<char[]>(kChunkSize);
    std::uint64_t left = size;
    while (left > 0) {
      auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(left, kChunkSize));
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
