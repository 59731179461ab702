#pragma once
// Helpers shared by the package writer's tests: files, temporary folders and
// running a command to see what a user would see.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mivora::test {

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path);
void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void write_text(const std::filesystem::path& path, const std::string& text);
std::string read_text(const std::filesystem::path& path);

struct CommandResult {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};
// Runs `command` through the shell.
CommandResult run_command(const std::string& command);

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string quoted(const std::filesystem::path& path);

// The types and names of the executable's resources as llvm-readobj lists
// them, each followed by ";": "ICON (ID 3);(ID 1);DIALOG (ID 5);(ID 100);...".
std::string readobj_resource_names(const std::filesystem::path& executable);

// An icon file written by ImageMagick into `dir`: 256 x 256 as a PNG image,
// 48, 32 and 16 as 32-bit bitmaps; a yellow disc on a red-to-blue gradient.
std::vector<std::uint8_t> make_icon_file(const TempDir& dir);

}  // namespace mivora::test
