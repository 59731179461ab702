#include "tools/writer/whole_file.hpp"

#include <fstream>

namespace mivora::writer {

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!in || error || size != static_cast<std::size_t>(size)) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));  // shorter if it shrank meanwhile
  return bytes;
}

}  // namespace mivora::writer
