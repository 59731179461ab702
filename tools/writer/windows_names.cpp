#include "tools/writer/windows_names.hpp"

#include <array>
#include <cctype>

namespace mivora::writer {
namespace {

constexpr std::array<std::string_view, 4> kReservedNames = {"CON", "PRN", "AUX", "NUL"};
constexpr std::array<std::string_view, 2> kNumberedDevices = {"COM", "LPT"};
constexpr std::string_view kRejectedCharacters = "<>:\"/\\|?*";

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// Device names are reserved with any extension: "nul.txt" is NUL too.
bool is_device_name(std::string_view name) {
  std::string stem = upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (std::string_view r : kReservedNames)
    if (stem == r) return true;
  for (std::string_view d : kNumberedDevices)
    if (stem.size() == 4 && stem.compare(0, 3, d) == 0 && stem[3] >= '1' && stem[3] <= '9') return true;
  return false;
}

}  // namespace

std::string file_name_problem(std::string_view name) {
  if (name.empty()) return "a file name cannot be empty";
  if (name == "." || name == "..") return "'" + std::string(name) + "' is not a file name";
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20) return "'" + std::string(name) + "' contains a control character";
    if (kRejectedCharacters.find(c) != std::string_view::npos)
      return "'" + std::string(name) + "' contains '" + std::string(1, c) + "', which Windows does not allow in a name";
  }
  if (name.back() == '.' || name.back() == ' ')
    return "'" + std::string(name) + "' ends with a dot or a space, which Windows drops";
  if (is_device_name(name)) return "'" + std::string(name) + "' is a reserved device name on Windows";
  return {};
}

std::string directory_problem(std::string_view directory) {
  std::size_t start = 0;
  while (start <= directory.size() && !directory.empty()) {
    std::size_t end = directory.find('\\', start);
    if (end == std::string_view::npos) end = directory.size();
    std::string problem = file_name_problem(directory.substr(start, end - start));
    if (!problem.empty()) return "directory '" + std::string(directory) + "': " + problem;
    start = end + 1;
  }
  return {};
}

}  // namespace mivora::writer
