#include "tools/writer/windows_names.hpp"

#include <array>

#include "tools/writer/windows_1252.hpp"

namespace mivora::writer {
namespace {

constexpr std::array<std::string_view, 4> kReservedNames = {"CON", "PRN", "AUX", "NUL"};
constexpr std::array<std::string_view, 2> kNumberedDevices = {"COM", "LPT"};
// The digits of a numbered device, with the Windows-1252 superscripts one,
// two and three: Windows reserves COM¹ as it reserves COM1.
constexpr std::string_view kDeviceDigits = "123456789\xB9\xB2\xB3";
constexpr std::string_view kRejectedCharacters = "<>:\"/\\|?*";

// Device names are reserved with any extension: "nul.txt" is NUL too.
bool is_device_name(std::string_view name) {
  std::string stem = name_key(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (std::string_view r : kReservedNames)
    if (stem == r) return true;
  for (std::string_view d : kNumberedDevices)
    if (stem.size() == 4 && stem.compare(0, 3, d) == 0 && kDeviceDigits.find(stem[3]) != std::string_view::npos)
      return true;
  return false;
}

}  // namespace

std::string file_name_problem(std::string_view name) {
  if (name.empty()) return "a file name cannot be empty";
  if (name == "." || name == "..") return "'" + shown_ansi(name) + "' is not a file name";
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20) return "'" + shown_ansi(name) + "' contains a control character";
    if (kRejectedCharacters.find(c) != std::string_view::npos)
      return "'" + shown_ansi(name) + "' contains '" + std::string(1, c) + "', which Windows does not allow in a name";
  }
  if (name.back() == '.' || name.back() == ' ')
    return "'" + shown_ansi(name) + "' ends with a dot or a space, which Windows drops";
  if (is_device_name(name)) return "'" + shown_ansi(name) + "' is a reserved device name on Windows";
  return {};
}

std::string directory_problem(std::string_view directory) {
  std::size_t start = 0;
  while (start <= directory.size() && !directory.empty()) {
    std::size_t end = directory.find('\\', start);
    if (end == std::string_view::npos) end = directory.size();
    std::string problem = file_name_problem(directory.substr(start, end - start));
    if (!problem.empty()) return "directory '" + shown_ansi(directory) + "': " + problem;
    start = end + 1;
  }
  return {};
}

std::string name_key(std::string_view ansi) {
  std::string key(ansi);
  for (char& c : key) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
      b = static_cast<unsigned char>(b - 0x20);  // ASCII and Latin-1 letters, but not the division sign
    else if (b == 0x9A || b == 0x9C || b == 0x9E)
      b = static_cast<unsigned char>(b - 0x10);  // s, oe and z with their marks
    else if (b == 0xFF)
      b = 0x9F;  // y with diaeresis
    c = static_cast<char>(b);
  }
  return key;
}

}  // namespace mivora::writer
