#include "tools/pack/package_input.hpp"

#include <stdexcept>

#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_resources.hpp"
#include "tools/writer/whole_file.hpp"

namespace mivora::pack {

PackageInput read_package_input(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> file = writer::read_whole_file(path);
  if (!file) throw std::runtime_error("cannot read '" + path.string() + "'");
  PackageInput input;
  input.file = std::move(*file);
  bool executable = input.file.size() >= 2 && input.file[0] == 'M' && input.file[1] == 'Z';
  if (!executable) {
    if (input.file.size() != static_cast<std::uint32_t>(input.file.size()))
      throw std::runtime_error("'" + path.string() + "' is larger than any package");
    input.size = static_cast<std::uint32_t>(input.file.size());
    return input;
  }
  try {
    writer::ResourcePlace place = writer::locate_resource(input.file, writer::kRtRcdata, writer::kPackageResourceId);
    input.offset = place.offset;
    input.size = place.size;
    input.from_installer = true;
  } catch (const writer::InputError& e) {
    throw std::runtime_error("'" + path.string() + "': " + e.what());
  }
  return input;
}

}  // namespace mivora::pack
