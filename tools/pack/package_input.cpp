#include "tools/pack/package_input.hpp"

#include <stdexcept>

#include "tools/script/source_probe.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/pe_resources.hpp"

namespace mivora::pack {
namespace {

namespace fs = std::filesystem;

// Why the file cannot be opened, in plain words.
std::string open_problem(const fs::path& path, std::error_code error) {
  script::SourceEntry entry = script::probe_source(path);
  if (entry.kind == script::SourceKind::kFolder) return "is a folder, not a package or an installer";
  if (entry.kind == script::SourceKind::kUnusable) return entry.problem;
  return script::plain_reason(error);
}

}  // namespace

PackageInput read_package_input(const fs::path& path) {
  std::error_code error;
  PackageInput input;
  input.file = writer::MappedFile::open(path, error);
  if (error) throw std::runtime_error("'" + path.string() + "' " + open_problem(path, error));
  std::span<const std::uint8_t> bytes = input.file.bytes();
  bool executable = bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
  if (!executable) {
    if (bytes.size() != static_cast<std::uint32_t>(bytes.size()))
      throw std::runtime_error("'" + path.string() + "' is larger than any package");
    input.size = static_cast<std::uint32_t>(bytes.size());
    return input;
  }
  try {
    writer::ResourcePlace place = writer::locate_resource(bytes, writer::kRtRcdata, writer::kPackageResourceId);
    input.machine = writer::pe::parse_image(bytes).machine;
    input.offset = place.offset;
    input.size = place.size;
    input.from_installer = true;
  } catch (const writer::InputError& e) {
    throw std::runtime_error("'" + path.string() + "': " + e.what());
  }
  return input;
}

}  // namespace mivora::pack
