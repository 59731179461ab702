#include "tests/support/resource_listing.hpp"

#include <sstream>
#include <stdexcept>

#include "tests/support/processes.hpp"

namespace mivora::test {

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
