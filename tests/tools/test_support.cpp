#include "tests/tools/test_support.hpp"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace mivora::test {

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_text(const std::filesystem::path& path, const std::string& text) {
  write_bytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string read_text(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = read_bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

CommandResult run_command(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TempDir::TempDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("mivora-test-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string readobj_resource_names(const std::filesystem::path& executable) {
  CommandResult r = run_command("llvm-readobj-14 --coff-resources " + quoted(executable));
  if (r.exit_code != 0) return "llvm-readobj failed: " + r.output;
  std::string names;
  std::istringstream in(r.output);
  for (std::string line; std::getline(in, line);) {
    line.erase(0, line.find_first_not_of(' '));
    if (line.rfind("Type: ", 0) == 0 || line.rfind("Name: ", 0) == 0)
      names += line.substr(line.find(": ") + 2, line.rfind(" [") - line.find(": ") - 2) + ";";
  }
  return names;
}

std::vector<std::uint8_t> make_icon_file(const TempDir& dir) {
  std::filesystem::path ico = dir / "app.ico";
  CommandResult made = run_command("convert -size 256x256 gradient:red-blue -fill yellow -draw 'circle 128,128 128,40' "
                                   "-define icon:auto-resize=256,48,32,16 " +
                                   quoted(ico));
  if (made.exit_code != 0) throw std::runtime_error("ImageMagick made no icon: " + made.output);
  return read_bytes(ico);
}

}  // namespace mivora::test
