#pragma once
// A temporary folder that a test owns, and whole files read and written in
// one call. Portable: the Windows tests use it under Wine as well.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mivora::test {

// A Linux path as a program under Wine sees it: Z: is the Linux root.
[[nodiscard]] std::string windows_path_of(const std::filesystem::path& linux_path);

// A fresh folder under the system's temporary folder, removed with its
// contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  [[nodiscard]] std::string windows_path() const { return windows_path_of(path_); }

 private:
  std::filesystem::path path_;
};

// Throws std::runtime_error when the file cannot be read.
[[nodiscard]] std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path);
[[nodiscard]] std::string read_text(const std::filesystem::path& path);
// Makes the missing parent folders; replaces a file that exists.
void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void write_text(const std::filesystem::path& path, const std::string& text);

}  // namespace mivora::test
