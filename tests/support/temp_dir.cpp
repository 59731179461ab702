#include "tests/support/temp_dir.hpp"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace mivora::test {

namespace fs = std::filesystem;

std::string windows_path_of(const fs::path& linux_path) {
  std::string out = "Z:";
  for (char c : linux_path.string()) out += c == '/' ? '\\' : c;
  return out;
}

// A short name: tests type paths below it into the installer's field.
TempDir::TempDir() {
  static std::mt19937_64 random(std::random_device{}() ^
                                static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  const fs::path base = fs::temp_directory_path();
  do {  // a name already taken, by another test process perhaps, is passed over
    std::string name = "mivora-";
    for (std::uint64_t n = random(), i = 0; i < 6; ++i, n /= 36) name += "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
    path_ = base / name;
  } while (!fs::create_directory(path_));
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string read_text(const fs::path& path) {
  std::vector<std::uint8_t> bytes = read_bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void write_bytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void write_text(const fs::path& path, const std::string& text) {
  write_bytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace mivora::test
