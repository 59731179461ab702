#pragma once
// The resource tree of a PE (type -> name -> language -> data) read into
// memory and laid out again as a complete .rsrc section:
//
//   root directory, then every type's name directory, then every name's
//   language directory        16-byte header + 8-byte entries each, entries
//                             sorted: named first (by name), then ids ascending
//   data entries              16 bytes each: data RVA, size, code page, 0
//   name strings              16-bit length + UTF-16 characters
//   data                      each block 16-byte aligned; a streamed block last
//
// One leaf may be "streamed": only its size is known when the section is laid
// out, and its bytes are written after the laid-out head.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/writer/pe_image.hpp"

namespace mivora::writer {

struct ResourceKey {
  bool named = false;
  std::uint32_t id = 0;
  std::u16string name;

  [[nodiscard]] static ResourceKey of_id(std::uint32_t id) { return ResourceKey{false, id, {}}; }
  [[nodiscard]] bool matches(std::uint32_t wanted_id) const { return !named && id == wanted_id; }
};
// The order Windows looks entries up in: named entries first, then ids ascending.
[[nodiscard]] bool comes_before(const ResourceKey& a, const ResourceKey& b);

struct ResourceLeaf {
  ResourceKey language;
  std::uint32_t code_page = 0;
  std::vector<std::uint8_t> bytes;
  bool streamed = false;
  std::uint32_t streamed_size = 0;
  std::uint64_t file_offset = 0;  // where a leaf read from a file found its bytes
  std::uint32_t file_size = 0;

  [[nodiscard]] std::uint32_t size() const {
    return streamed ? streamed_size : static_cast<std::uint32_t>(bytes.size());
  }
};

struct ResourceName {
  ResourceKey key;
  std::vector<ResourceLeaf> languages;
};

struct ResourceType {
  ResourceKey key;
  std::vector<ResourceName> names;
};

struct ResourceTree {
  std::vector<ResourceType> types;

  // The first language of type/id, or nullptr.
  [[nodiscard]] const ResourceLeaf* find(std::uint32_t type, std::uint32_t id) const;
  // Drops every language of type/id and adds `leaf` as its only one.
  void replace(std::uint32_t type, std::uint32_t id, ResourceLeaf leaf);
  // Drops every language of type/id, and the type when it has no name left.
  void remove(std::uint32_t type, std::uint32_t id);
  [[nodiscard]] std::size_t leaf_count() const;
};

// Reads the tree that the resource directory points at; throws InputError
// when a directory, entry or data block lies outside the file or the tree
// loops.
// With copy_data false only each leaf's file offset and size are kept.
[[nodiscard]] ResourceTree read_resource_tree(std::span<const std::uint8_t> executable, const pe::Image& image,
                                              bool copy_data = true);

struct LaidOutSection {
  std::vector<std::uint8_t> head;     // the section from its first byte up to the streamed block
  std::uint64_t streamed_offset = 0;  // section offset of the streamed block (= head.size())
  std::uint64_t size = 0;             // the section's size in bytes (its virtual size)
};

// Lays out the whole section for a section that starts at `section_rva`.
[[nodiscard]] LaidOutSection lay_out_resource_section(const ResourceTree& tree, std::uint32_t section_rva);

}  // namespace mivora::writer
