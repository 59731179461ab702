#include "tools/writer/resource_tree.hpp"

#include <algorithm>
#include <set>

#include "tools/writer/byte_order.hpp"

namespace mivora::writer {
namespace {

constexpr std::uint32_t kDirectoryHeaderSize = 16;
constexpr std::uint32_t kDirectoryNamedCount = 12;
constexpr std::uint32_t kDirectoryIdCount = 14;
constexpr std::uint32_t kEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint32_t kDataAlignment = 16;
constexpr int kLevels = 3;

struct RawEntry {
  ResourceKey key;
  std::uint32_t target;  // with the high bit: a subdirectory's section offset
};

class TreeReader {
 public:
  TreeReader(std::span<const std::uint8_t> exe, const pe::Image& image, bool copy_data)
      : exe_(exe), image_(image), copy_data_(copy_data) {
    pe::DataDirectory dir = image.directory(pe::kResourceDirectory);
    if (image.section_of(dir.address) == nullptr) throw InputError("the resource directory lies in no section");
    root_rva_ = dir.address;
  }

  ResourceTree read() {
    ResourceTree tree;
    for (const RawEntry& t : entries_at(0, 0)) {
      ResourceType type{t.key, {}};
      for (const RawEntry& n : entries_at(subdirectory(t), 1)) {
        ResourceName name{n.key, {}};
        for (const RawEntry& l : entries_at(subdirectory(n), 2)) name.languages.push_back(leaf(l));
        type.names.push_back(std::move(name));
      }
      tree.types.push_back(std::move(type));
    }
    return tree;
  }

 private:
  std::uint64_t file_offset(std::uint32_t rva) const {
    const pe::Section* s = image_.section_of(rva);
    if (s == nullptr) throw InputError("a resource lies outside every section");
    return std::uint64_t{s->raw_offset} + (rva - s->virtual_address);
  }
  std::uint64_t directory_file_offset(std::uint32_t offset_in_resources) const {
    return file_offset(root_rva_ + offset_in_resources);
  }

  std::uint32_t subdirectory(const RawEntry& e) {
    if (!(e.target & kHighBit)) throw InputError("a resource directory entry points at data where a directory is due");
    return e.target & ~kHighBit;
  }

  ResourceKey key_of(std::uint32_t word) const {
    if (!(word & kHighBit)) return ResourceKey::of_id(word);
    std::uint64_t at = directory_file_offset(word & ~kHighBit);
    std::uint16_t length = get_u16(exe_, at, "a resource name");
    require_inside(exe_, at + 2, 2ull * length, "a resource name");
    ResourceKey key{true, 0, {}};
    for (std::uint16_t i = 0; i < length; ++i)
      key.name += static_cast<char16_t>(get_u16(exe_, at + 2 + 2ull * i, "a resource name"));
    return key;
  }

  std::vector<RawEntry> entries_at(std::uint32_t offset, int level) {
    if (!visited_.insert(offset).second) throw InputError("the resource directory refers to itself");
    std::uint64_t at = directory_file_offset(offset);
    std::uint32_t count = std::uint32_t{get_u16(exe_, at + kDirectoryNamedCount, "a resource directory")} +
                          get_u16(exe_, at + kDirectoryIdCount, "a resource directory");
    require_inside(exe_, at + kDirectoryHeaderSize, std::uint64_t{count} * kEntrySize, "a resource directory");
    std::vector<RawEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint64_t e = at + kDirectoryHeaderSize + std::uint64_t{i} * kEntrySize;
      entries.push_back({key_of(get_u32(exe_, e, "a resource entry")), get_u32(exe_, e + 4, "a resource entry")});
      if (level == kLevels - 1 && (entries.back().target & kHighBit))
        throw InputError("a resource tree deeper than type, name and language");
    }
    return entries;
  }

  ResourceLeaf leaf(const RawEntry& e) {
    std::uint64_t at = directory_file_offset(e.target);
    std::uint32_t data_rva = get_u32(exe_, at, "a resource data entry");
    std::uint32_t size = get_u32(exe_, at + 4, "a resource data entry");
    ResourceLeaf leaf{e.key, get_u32(exe_, at + 8, "a resource data entry"), {}, false, 0, 0, size};
    if (size == 0) return leaf;
    std::uint64_t data = file_offset(data_rva);
    require_inside(exe_, data, size, "a resource's data");
    leaf.file_offset = data;
    if (!copy_data_) return leaf;
    leaf.bytes.assign(exe_.begin() + static_cast<std::ptrdiff_t>(data),
                      exe_.begin() + static_cast<std::ptrdiff_t>(data + size));
    return leaf;
  }

  std::span<const std::uint8_t> exe_;
  const pe::Image& image_;
  bool copy_data_;
  std::uint32_t root_rva_ = 0;
  std::set<std::uint32_t> visited_;
};

template <typename Node>
void sort_by_key(std::vector<Node>& nodes) {
  std::stable_sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) { return comes_before(a.key, b.key); });
}

// Offsets of every part of the section, decided before any byte is written.
class SectionLayout {
 public:
  explicit SectionLayout(const ResourceTree& tree) : tree_(tree) {
    sort_everything();
    std::uint32_t at = directory_size(tree_.types.size());
    for (const ResourceType& t : tree_.types) {
      name_directories_.push_back(at);
      at += directory_size(t.names.size());
    }
    for (const ResourceType& t : tree_.types)
      for (const ResourceName& n : t.names) {
        language_directories_.push_back(at);
        at += directory_size(n.languages.size());
      }
    data_entries_ = at;
    at += kDataEntrySize * static_cast<std::uint32_t>(tree_.leaf_count());
    for (const ResourceKey* k : all_keys()) {
      string_offsets_.push_back(k->named ? at : 0);
      if (k->named) at += 2 + 2 * static_cast<std::uint32_t>(k->name.size());
    }
    std::uint64_t data_at = align_up(at, kDataAlignment);
    data_order_ = leaves_in_data_order();
    for (const ResourceLeaf* l : data_order_) {
      data_offsets_.push_back(data_at);
      data_at = align_up(data_at + l->size(), kDataAlignment);
    }
  }

  LaidOutSection write(std::uint32_t section_rva) const {
    std::vector<std::uint8_t> out;
    write_directories(out);
    write_data_entries(out, section_rva);
    write_strings(out);
    return write_data(std::move(out));
  }

 private:
  // Directories, in the order all_keys() lists their keys.
  void write_directories(std::vector<std::uint8_t>& out) const {
    std::size_t key_index = 0;
    auto key_word = [&](const ResourceKey& k) {
      std::uint32_t offset = string_offsets_[key_index++];
      return k.named ? (offset | kHighBit) : k.id;
    };
    write_directory_header(out, tree_.types);
    for (std::size_t t = 0; t < tree_.types.size(); ++t) {
      append_u32(out, key_word(tree_.types[t].key));
      append_u32(out, name_directories_[t] | kHighBit);
    }
    std::size_t name_index = 0;
    for (const ResourceType& t : tree_.types) {
      write_directory_header(out, t.names);
      for (const ResourceName& n : t.names) {
        append_u32(out, key_word(n.key));
        append_u32(out, language_directories_[name_index++] | kHighBit);
      }
    }
    std::uint32_t leaf_index = 0;
    for (const ResourceType& t : tree_.types)
      for (const ResourceName& n : t.names) {
        write_directory_header(out, n.languages);
        for (const ResourceLeaf& l : n.languages) {
          append_u32(out, key_word(l.language));
          append_u32(out, data_entries_ + kDataEntrySize * leaf_index++);
        }
      }
  }

  // The data's place is an RVA, never a section offset.
  void write_data_entries(std::vector<std::uint8_t>& out, std::uint32_t section_rva) const {
    for (const ResourceLeaf* l : leaves_in_entry_order()) {
      auto index = static_cast<std::size_t>(std::find(data_order_.begin(), data_order_.end(), l) - data_order_.begin());
      std::uint64_t rva = section_rva + data_offsets_[index];
      if (rva > 0xFFFFFFFFull) throw InputError("the resources do not fit in the image's 4 GiB of addresses");
      append_u32(out, static_cast<std::uint32_t>(rva));
      append_u32(out, l->size());
      append_u32(out, l->code_page);
      append_u32(out, 0);
    }
  }

  void write_strings(std::vector<std::uint8_t>& out) const {
    for (const ResourceKey* k : all_keys())
      if (k->named) {
        append_u16(out, static_cast<std::uint16_t>(k->name.size()));
        for (char16_t c : k->name) append_u16(out, static_cast<std::uint16_t>(c));
      }
  }

  // Every block's bytes up to the streamed one, which the caller writes.
  LaidOutSection write_data(std::vector<std::uint8_t> out) const {
    LaidOutSection laid;
    for (std::size_t i = 0; i < data_order_.size(); ++i) {
      out.resize(data_offsets_[i], 0);
      if (data_order_[i]->streamed) {
        laid.streamed_offset = data_offsets_[i];
        laid.size = data_offsets_[i] + data_order_[i]->size();
        laid.head = std::move(out);
        return laid;
      }
      out.insert(out.end(), data_order_[i]->bytes.begin(), data_order_[i]->bytes.end());
    }
    laid.streamed_offset = out.size();
    laid.size = out.size();
    laid.head = std::move(out);
    return laid;
  }

  static std::uint32_t directory_size(std::size_t entries) {
    return kDirectoryHeaderSize + kEntrySize * static_cast<std::uint32_t>(entries);
  }

  template <typename Node>
  static void write_directory_header(std::vector<std::uint8_t>& out, const std::vector<Node>& nodes) {
    std::uint16_t named = 0;
    for (const Node& n : nodes) named = static_cast<std::uint16_t>(named + (key_of(n).named ? 1 : 0));
    append_u32(out, 0);  // characteristics
    append_u32(out, 0);  // time stamp: 0 keeps the output reproducible
    append_u32(out, 0);  // major and minor version
    append_u16(out, named);
    append_u16(out, static_cast<std::uint16_t>(nodes.size() - named));
  }
  static const ResourceKey& key_of(const ResourceType& n) { return n.key; }
  static const ResourceKey& key_of(const ResourceName& n) { return n.key; }
  static const ResourceKey& key_of(const ResourceLeaf& n) { return n.language; }

  void sort_everything() {
    sort_by_key(tree_.types);
    for (ResourceType& t : tree_.types) {
      sort_by_key(t.names);
      for (ResourceName& n : t.names)
        std::stable_sort(n.languages.begin(), n.languages.end(), [](const ResourceLeaf& a, const ResourceLeaf& b) {
          return comes_before(a.language, b.language);
        });
    }
  }

  // Keys in the order their entries are written: types, then names, then languages.
  std::vector<const ResourceKey*> all_keys() const {
    std::vector<const ResourceKey*> keys;
    for (const ResourceType& t : tree_.types) keys.push_back(&t.key);
    for (const ResourceType& t : tree_.types)
      for (const ResourceName& n : t.names) keys.push_back(&n.key);
    for (const ResourceLeaf* l : leaves_in_entry_order()) keys.push_back(&l->language);
    return keys;
  }

  std::vector<const ResourceLeaf*> leaves_in_entry_order() const {
    std::vector<const ResourceLeaf*> leaves;
    for (const ResourceType& t : tree_.types)
      for (const ResourceName& n : t.names)
        for (const ResourceLeaf& l : n.languages) leaves.push_back(&l);
    return leaves;
  }

  // The streamed leaf goes last so that its bytes can follow the head.
  std::vector<const ResourceLeaf*> leaves_in_data_order() const {
    std::vector<const ResourceLeaf*> leaves = leaves_in_entry_order();
    std::stable_partition(leaves.begin(), leaves.end(), [](const ResourceLeaf* l) { return !l->streamed; });
    return leaves;
  }

  ResourceTree tree_;
  std::vector<std::uint32_t> name_directories_;
  std::vector<std::uint32_t> language_directories_;
  std::uint32_t data_entries_ = 0;
  std::vector<std::uint32_t> string_offsets_;  // one per key, in all_keys() order
  std::vector<const ResourceLeaf*> data_order_;
  std::vector<std::uint64_t> data_offsets_;
};

}  // namespace

bool comes_before(const ResourceKey& a, const ResourceKey& b) {
  if (a.named != b.named) return a.named;
  return a.named ? a.name < b.name : a.id < b.id;
}

const ResourceLeaf* ResourceTree::find(std::uint32_t type, std::uint32_t id) const {
  for (const ResourceType& t : types)
    if (t.key.matches(type))
      for (const ResourceName& n : t.names)
        if (n.key.matches(id) && !n.languages.empty()) return &n.languages.front();
  return nullptr;
}

void ResourceTree::replace(std::uint32_t type, std::uint32_t id, ResourceLeaf leaf) {
  auto t = std::find_if(types.begin(), types.end(), [&](const ResourceType& x) { return x.key.matches(type); });
  if (t == types.end()) t = types.insert(types.end(), ResourceType{ResourceKey::of_id(type), {}});
  auto n = std::find_if(t->names.begin(), t->names.end(), [&](const ResourceName& x) { return x.key.matches(id); });
  if (n == t->names.end()) n = t->names.insert(t->names.end(), ResourceName{ResourceKey::of_id(id), {}});
  n->languages.clear();
  n->languages.push_back(std::move(leaf));
}

void ResourceTree::remove(std::uint32_t type, std::uint32_t id) {
  auto t = std::find_if(types.begin(), types.end(), [&](const ResourceType& x) { return x.key.matches(type); });
  if (t == types.end()) return;
  std::erase_if(t->names, [&](const ResourceName& n) { return n.key.matches(id); });
  if (t->names.empty()) types.erase(t);
}

std::size_t ResourceTree::leaf_count() const {
  std::size_t count = 0;
  for (const ResourceType& t : types)
    for (const ResourceName& n : t.names) count += n.languages.size();
  return count;
}

ResourceTree read_resource_tree(std::span<const std::uint8_t> executable, const pe::Image& image, bool copy_data) {
  if (image.directory(pe::kResourceDirectory).address == 0) return ResourceTree{};
  return TreeReader(executable, image, copy_data).read();
}

LaidOutSection lay_out_resource_section(const ResourceTree& tree, std::uint32_t section_rva) {
  return SectionLayout(tree).write(section_rva);
}

}  // namespace mivora::writer
