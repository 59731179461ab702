#include "tools/writer/pe_resources.hpp"

#include <algorithm>

#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/resource_tree.hpp"

namespace mivora::writer {
namespace {

// Adds everything that passes through to the PE checksum.
class ChecksummingSink final : public ByteSink {
 public:
  explicit ChecksummingSink(PatchableSink& inner) : inner_(inner) {}
  void write(const void* data, std::size_t size) override {
    checksum.add(static_cast<const std::uint8_t*>(data), size);
    inner_.write(data, size);
    written += size;
  }
  void zeros(std::uint64_t count) {
    static constexpr std::uint8_t kZeros[4096] = {};
    while (count > 0) {
      auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof kZeros));
      write(kZeros, n);
      count -= n;
    }
  }
  pe::Checksum checksum;
  std::uint64_t written = 0;

 private:
  PatchableSink& inner_;
};

const pe::Section& resource_section(const pe::Image& image) {
  pe::DataDirectory dir = image.directory(pe::kResourceDirectory);
  if (dir.address == 0 || image.sections.empty())
    throw InputError("the stub has no resource section (it must be linked with its resources)");
  const pe::Section* section = image.section_of(dir.address);
  if (section == nullptr || section->virtual_address != dir.address)
    throw InputError("the stub's resources do not start their own section");
  if (section != &image.sections.back())
    throw InputError("the stub's resource section (" + section->name +
                     ") is not its last section; link it with the resources last");
  for (const pe::Section& other : image.sections)
    if (&other != section && other.raw_size != 0 && other.raw_end() > section->raw_offset)
      throw InputError("section " + other.name + " lies after the resource section in the file");
  return *section;
}

// What follows the last section: kept, and moved with it. Only a COFF
// symbol table can refer to it, and that pointer is moved along.
std::span<const std::uint8_t> trailing_data(std::span<const std::uint8_t> stub, const pe::Image& image) {
  std::uint64_t end = image.end_of_image_data();
  if (end >= stub.size()) return {};
  if (image.directory(pe::kSecurityDirectory).size != 0)
    throw InputError("the stub is signed: a signature cannot survive new resources; sign the installer instead");
  return stub.subspan(static_cast<std::size_t>(end));
}

struct Plan {
  std::vector<std::uint8_t> headers_and_sections;  // the stub up to the resource section, patched
  std::uint64_t resource_offset = 0;               // page-aligned file offset of the new section
  LaidOutSection resources;
  std::uint64_t resource_raw_size = 0;
  std::span<const std::uint8_t> trailer;
  std::uint32_t checksum_field = 0;
};

std::uint32_t as_u32(std::uint64_t value, const char* what) {
  if (value > 0xFFFFFFFFull) throw InputError(std::string(what) + " does not fit in an executable (4 GiB at most)");
  return static_cast<std::uint32_t>(value);
}

void apply_edits(ResourceTree& tree, std::span<const ResourceEdit> edits) {
  for (const ResourceEdit& edit : edits) {
    if (edit.remove) {
      tree.remove(edit.type, edit.id);
      continue;
    }
    ResourceLeaf leaf;
    leaf.language = ResourceKey::of_id(edit.language);
    leaf.bytes = edit.bytes;
    tree.replace(edit.type, edit.id, std::move(leaf));
  }
}

Plan plan_rewrite(std::span<const std::uint8_t> stub, std::uint32_t type, std::uint32_t id, std::uint64_t size,
                  const EmbedOptions& options) {
  pe::Image image = pe::parse_image(stub);
  const pe::Section& rsrc = resource_section(image);
  ResourceTree tree = read_resource_tree(stub, image);
  apply_edits(tree, options.edits);
  ResourceLeaf leaf;
  leaf.language = ResourceKey::of_id(kLanguageNeutral);
  leaf.streamed = true;
  leaf.streamed_size = as_u32(size, "the resource");
  tree.replace(type, id, std::move(leaf));

  Plan plan;
  plan.resources = lay_out_resource_section(tree, rsrc.virtual_address);
  plan.trailer = trailing_data(stub, image);
  // The headers and every other section stay where they are; the old
  // resource section is dropped.
  std::uint64_t kept_end = image.size_of_headers;
  for (const pe::Section& s : image.sections)
    if (&s != &rsrc && s.raw_size != 0) kept_end = std::max(kept_end, s.raw_end());
  if (kept_end > stub.size()) throw InputError("the stub's headers reach past the end of the file");
  std::uint64_t alignment = std::max<std::uint64_t>(pe::kPageSize, image.file_alignment);
  plan.resource_offset = align_up(kept_end, alignment);
  plan.resource_raw_size = align_up(plan.resources.size, image.file_alignment);
  plan.headers_and_sections.assign(stub.begin(), stub.begin() + static_cast<std::ptrdiff_t>(kept_end));

  std::vector<std::uint8_t>& h = plan.headers_and_sections;
  std::uint32_t opt = image.optional_offset;
  std::uint32_t virtual_size = as_u32(plan.resources.size, "the resource section");
  std::uint32_t raw_size = as_u32(plan.resource_raw_size, "the resource section");
  set_u32(h, rsrc.header_offset + pe::kSectionVirtualSize, virtual_size);
  set_u32(h, rsrc.header_offset + pe::kSectionRawSize, raw_size);
  set_u32(h, rsrc.header_offset + pe::kSectionRawOffset, as_u32(plan.resource_offset, "the executable"));
  set_u32(h, opt + pe::kOptSizeOfImage,
          as_u32(align_up(std::uint64_t{rsrc.virtual_address} + virtual_size, image.section_alignment), "the image"));
  if (rsrc.characteristics & pe::kInitializedData) {
    std::uint32_t initialized = get_u32(h, opt + pe::kOptSizeOfInitializedData, "the optional header");
    set_u32(h, opt + pe::kOptSizeOfInitializedData,
            as_u32(std::uint64_t{initialized} - std::min(initialized, rsrc.raw_size) + raw_size, "the image"));
  }
  set_u32(h, image.directory_field_offset(pe::kResourceDirectory) + 4, virtual_size);
  if (image.symbol_table_offset >= image.end_of_image_data() && image.symbol_table_offset != 0) {
    std::uint64_t moved = image.symbol_table_offset - image.end_of_image_data() + plan.resource_offset + raw_size;
    set_u32(h, image.coff_offset + pe::kCoffSymbolTable, as_u32(moved, "the executable"));
  }
  if (options.time_stamp) set_u32(h, image.coff_offset + pe::kCoffTimeDateStamp, *options.time_stamp);
  plan.checksum_field = opt + pe::kOptCheckSum;
  set_u32(h, plan.checksum_field, 0);
  return plan;
}

}  // namespace

void embed_resource(std::span<const std::uint8_t> stub, std::uint32_t type, std::uint32_t id, std::uint64_t size,
                    const ContentSource& contents, PatchableSink& out, const EmbedOptions& options) {
  if (stub.empty()) throw InputError("the stub is empty: its DOS header lies outside the file");
  Plan plan = plan_rewrite(stub, type, id, size, options);
  ChecksummingSink sink(out);
  sink.write(plan.headers_and_sections.data(), plan.headers_and_sections.size());
  sink.zeros(plan.resource_offset - sink.written);
  sink.write(plan.resources.head.data(), plan.resources.head.size());
  CountingSink counted(sink);
  if (contents) contents(counted);
  if (counted.count != size) throw InputError("the resource's contents changed size while they were written");
  sink.zeros(plan.resource_offset + plan.resource_raw_size - sink.written);
  if (!plan.trailer.empty()) sink.write(plan.trailer.data(), plan.trailer.size());
  std::uint8_t field[4];
  std::uint32_t checksum = sink.checksum.finish();
  store_u32le(field, checksum);
  out.patch(plan.checksum_field, field, sizeof field);
}

ResourcePlace locate_resource(std::span<const std::uint8_t> executable, std::uint32_t type, std::uint32_t id) {
  pe::Image image = pe::parse_image(executable);
  ResourceTree tree = read_resource_tree(executable, image, false);
  const ResourceLeaf* leaf = tree.find(type, id);
  if (leaf == nullptr)
    throw InputError("the executable has no resource " + std::to_string(id) + " of type " + std::to_string(type));
  return ResourcePlace{leaf->file_offset, leaf->file_size};
}

ResourceLookup read_resource(const std::vector<std::uint8_t>& executable, std::uint32_t type, std::uint32_t id) {
  ResourceLookup lookup;
  try {
    pe::Image image = pe::parse_image(executable);
    ResourceTree tree = read_resource_tree(executable, image);
    if (const ResourceLeaf* leaf = tree.find(type, id)) {
      lookup.ok = true;
      lookup.bytes = leaf->bytes;
    }
  } catch (const InputError& e) {
    lookup.error = e.what();
  }
  return lookup;
}

bool replace_resource(const std::vector<std::uint8_t>& executable, std::uint32_t type, std::uint32_t id,
                      const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out, std::string& error) {
  try {
    VectorSink sink;
    embed_resource(
        executable, type, id, data.size(), [&data](ByteSink& s) { s.write(data.data(), data.size()); }, sink);
    out = std::move(sink.bytes);
    return true;
  } catch (const InputError& e) {
    error = e.what();
    return false;
  }
}

}  // namespace mivora::writer
