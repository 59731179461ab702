#include "tools/writer/icon_file.hpp"

#include <algorithm>
#include <string>

#include "tools/writer/byte_order.hpp"

namespace mivora::writer {
namespace {

// ICONDIR, shared by the file and the group resource.
constexpr std::uint32_t kDirReserved = 0;
constexpr std::uint32_t kDirType = 2;
constexpr std::uint32_t kDirCount = 4;
constexpr std::uint32_t kDirSize = 6;
constexpr std::uint16_t kTypeIcon = 1;
constexpr std::uint16_t kTypeCursor = 2;
// ICONDIRENTRY in the file; a group entry shares its first 12 bytes.
constexpr std::uint32_t kEntryWidth = 0;
constexpr std::uint32_t kEntryHeight = 1;
constexpr std::uint32_t kEntryImageSize = 8;
constexpr std::uint32_t kEntryFileOffset = 12;
constexpr std::uint32_t kFileEntrySize = 16;
constexpr std::uint32_t kSharedEntrySize = 12;
constexpr std::uint32_t kGroupEntryId = 12;
constexpr std::uint32_t kGroupEntrySize = 14;
// BITMAPINFOHEADER.
constexpr std::uint32_t kBmpHeaderSize = 0;
constexpr std::uint32_t kBmpWidth = 4;
constexpr std::uint32_t kBmpHeight = 8;
constexpr std::uint32_t kBmpPlanes = 12;
constexpr std::uint32_t kBmpBitCount = 14;
constexpr std::uint32_t kBmpCompression = 16;
constexpr std::uint32_t kBmpColoursUsed = 32;
constexpr std::uint32_t kBmpInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBitfieldMasksSize = 12;
// A PNG file: its signature, then the IHDR chunk with the width and height.
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kPngChunkType = 12;
constexpr std::uint32_t kPngWidth = 16;
constexpr std::uint32_t kPngHeight = 20;
constexpr std::uint32_t kPngHeaderEnd = 24;

struct Size {
  std::uint64_t width;
  std::uint64_t height;
};

std::string text_of(Size s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// An entry's width or height byte: 0 stands for 256 (or more, for a PNG image).
std::uint64_t entry_dimension(std::uint8_t value) { return value == 0 ? 256 : value; }

std::uint32_t read_u32be(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

bool is_png(std::span<const std::uint8_t> image) {
  return image.size() >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature),
                                                            image.begin());
}

class ImageCheck {
 public:
  ImageCheck(std::span<const std::uint8_t> image, std::span<const std::uint8_t> entry, std::size_t number)
      : image_(image), entry_(entry), prefix_("image " + std::to_string(number) + ": ") {}

  void run() const { is_png(image_) ? check_png() : check_bitmap(); }

 private:
  [[noreturn]] void fail(const std::string& reason) const { throw InputError(prefix_ + reason); }

  Size listed() const { return {entry_dimension(entry_[kEntryWidth]), entry_dimension(entry_[kEntryHeight])}; }

  void check_png() const {
    if (image_.size() < kPngHeaderEnd || !std::equal(image_.begin() + kPngChunkType, image_.begin() + kPngWidth,
                                                     reinterpret_cast<const std::uint8_t*>("IHDR")))
      fail("a PNG image without its IHDR header");
    Size actual{read_u32be(image_, kPngWidth), read_u32be(image_, kPngHeight)};
    Size want = listed();
    auto agrees = [](std::uint64_t in_entry, std::uint64_t in_image) {
      return in_entry == in_image || (in_entry == 256 && in_image > 256);
    };
    if (!agrees(want.width, actual.width) || !agrees(want.height, actual.height))
      fail("the directory says " + text_of(want) + ", the PNG image is " + text_of(actual));
  }

  void check_bitmap() const {
    if (image_.size() < kBmpInfoHeaderSize || get_u32(image_, kBmpHeaderSize, "") < kBmpInfoHeaderSize)
      fail("neither a PNG image nor a bitmap (no BITMAPINFOHEADER)");
    std::uint32_t header = get_u32(image_, kBmpHeaderSize, "");
    auto width = static_cast<std::int32_t>(get_u32(image_, kBmpWidth, ""));
    auto height = static_cast<std::int32_t>(get_u32(image_, kBmpHeight, ""));
    std::uint16_t bits = get_u16(image_, kBmpBitCount, "");
    std::uint32_t compression = get_u32(image_, kBmpCompression, "");
    if (get_u16(image_, kBmpPlanes, "") != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
                                                 bits != 32))
      fail("a bitmap of " + std::to_string(bits) + " bits a pixel (1, 4, 8, 16, 24 or 32 work, in one plane)");
    if (compression != kBiRgb && compression != kBiBitfields)
      fail("a compressed bitmap (icons hold uncompressed bitmaps or PNG images)");
    // The height counts the colour bits and the mask below them.
    Size actual{width > 0 ? std::uint64_t(width) : 0, height > 0 ? std::uint64_t(height) / 2 : 0};
    Size want = listed();
    if (actual.width != want.width || actual.height != want.height || height % 2 != 0)
      fail("the directory says " + text_of(want) + ", the bitmap is " + text_of(actual));
    std::uint64_t colours_used = get_u32(image_, kBmpColoursUsed, "");
    std::uint64_t colours = bits <= 8 && colours_used == 0 ? 1u << bits : colours_used;
    std::uint64_t colour_row = (actual.width * bits + 31) / 32 * 4;
    std::uint64_t mask_row = (actual.width + 31) / 32 * 4;
    std::uint64_t needed = header + (compression == kBiBitfields ? kBitfieldMasksSize : 0) + 4 * colours +
                           (colour_row + mask_row) * actual.height;
    if (needed > image_.size())
      fail("its bitmap needs " + std::to_string(needed) + " bytes, the directory gives it " +
           std::to_string(image_.size()));
  }

  std::span<const std::uint8_t> image_;
  std::span<const std::uint8_t> entry_;
  std::string prefix_;
};

// The ICONDIR of a file or a group: its image count, after the fixed words are checked.
std::uint16_t directory_count(std::span<const std::uint8_t> bytes, const char* what) {
  if (bytes.size() < kDirSize)
    throw InputError(std::string(what) + " is too short for its header (" + std::to_string(bytes.size()) +
                     " bytes)");
  std::uint16_t type = get_u16(bytes, kDirType, what);
  if (get_u16(bytes, kDirReserved, what) != 0 || (type != kTypeIcon && type != kTypeCursor))
    throw InputError(std::string(what) + " does not start with an icon directory");
  if (type == kTypeCursor) throw InputError(std::string(what) + " holds cursors, not icons");
  std::uint16_t count = get_u16(bytes, kDirCount, what);
  if (count == 0) throw InputError(std::string(what) + " holds no image");
  return count;
}

const ResourceLeaf& group_leaf(const ResourceTree& tree, std::uint32_t group_id) {
  const ResourceLeaf* group = tree.find(kRtGroupIcon, group_id);
  if (group == nullptr) throw InputError("the executable has no icon group " + std::to_string(group_id));
  return *group;
}

std::vector<std::uint16_t> image_ids(const std::vector<std::uint8_t>& group) {
  std::uint16_t count = directory_count(group, "the icon group");
  if (group.size() < kDirSize + std::uint64_t{count} * kGroupEntrySize)
    throw InputError("the icon group is shorter than its " + std::to_string(count) + " entries");
  std::vector<std::uint16_t> ids;
  for (std::uint32_t i = 0; i < count; ++i)
    ids.push_back(get_u16(group, kDirSize + i * kGroupEntrySize + kGroupEntryId, "the icon group"));
  return ids;
}

}  // namespace

IconResources parse_icon_file(std::span<const std::uint8_t> ico) {
  std::uint16_t count = directory_count(ico, "the icon file");
  std::uint64_t directory_end = kDirSize + std::uint64_t{count} * kFileEntrySize;
  if (directory_end > ico.size())
    throw InputError("the icon file is cut short: its directory of " + std::to_string(count) + " images needs " +
                     std::to_string(directory_end) + " bytes, the file has " + std::to_string(ico.size()));
  IconResources icon;
  icon.group.assign(ico.begin(), ico.begin() + kDirSize);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::span<const std::uint8_t> entry = ico.subspan(kDirSize + i * kFileEntrySize, kFileEntrySize);
    std::uint32_t size = get_u32(entry, kEntryImageSize, "");
    std::uint32_t offset = get_u32(entry, kEntryFileOffset, "");
    std::string number = std::to_string(i + 1);
    if (size == 0) throw InputError("image " + number + " has a size of 0");
    if (offset < directory_end) throw InputError("image " + number + " starts inside the icon directory");
    if (!fits(ico, offset, size))
      throw InputError("image " + number + " lies outside the file (" + std::to_string(size) + " bytes at offset " +
                       std::to_string(offset) + ", the file has " + std::to_string(ico.size()) + ")");
    std::span<const std::uint8_t> image = ico.subspan(offset, size);
    ImageCheck(image, entry, i + 1).run();
    icon.images.emplace_back(image.begin(), image.end());
    icon.group.insert(icon.group.end(), entry.begin(), entry.begin() + kSharedEntrySize);
    append_u16(icon.group, static_cast<std::uint16_t>(i + 1));
  }
  return icon;
}

std::vector<std::uint16_t> icon_group_images(const ResourceTree& tree, std::uint32_t group_id) {
  const ResourceLeaf* group = tree.find(kRtGroupIcon, group_id);
  return group == nullptr ? std::vector<std::uint16_t>{} : image_ids(group->bytes);
}

std::vector<std::uint8_t> icon_file_from_tree(const ResourceTree& tree, std::uint32_t group_id) {
  const std::vector<std::uint8_t>& group = group_leaf(tree, group_id).bytes;
  std::vector<std::uint16_t> ids = image_ids(group);
  std::vector<std::uint8_t> ico(group.begin(), group.begin() + kDirSize);
  std::vector<const std::vector<std::uint8_t>*> images;
  std::uint64_t offset = kDirSize + std::uint64_t{kFileEntrySize} * ids.size();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const ResourceLeaf* image = tree.find(kRtIcon, ids[i]);
    if (image == nullptr) throw InputError("the icon group names image " + std::to_string(ids[i]) + ", which is missing");
    images.push_back(&image->bytes);
    std::size_t entry = kDirSize + i * kGroupEntrySize;
    ico.insert(ico.end(), group.begin() + static_cast<std::ptrdiff_t>(entry),
               group.begin() + static_cast<std::ptrdiff_t>(entry + kSharedEntrySize));
    set_u32(ico, ico.size() - kSharedEntrySize + kEntryImageSize, static_cast<std::uint32_t>(image->bytes.size()));
    append_u32(ico, static_cast<std::uint32_t>(offset));
    offset += image->bytes.size();
  }
  for (const std::vector<std::uint8_t>* image : images) ico.insert(ico.end(), image->begin(), image->end());
  return ico;
}

}  // namespace mivora::writer
