#pragma once
// An icon file (.ico) and the resources an executable keeps it as:
//
//   .ico file                            executable
//   ICONDIR       6 bytes                RT_GROUP_ICON 1: the same 6 bytes, then
//     reserved 0, type 1, image count      one 14-byte entry an image: the first
//   ICONDIRENTRY  16 bytes an image        12 bytes of its ICONDIRENTRY and the
//     width, height (0 = 256), colours,    id of its RT_ICON resource
//     reserved, planes, bits a pixel,    RT_ICON 1..n: each image's bytes, as
//     size of the image, its file offset   they are in the file
//   images        a DIB (BITMAPINFOHEADER, colour table, colour bits, mask)
//                 or a PNG file, kept as it is
#include <cstdint>
#include <span>
#include <vector>

#include "tools/writer/resource_tree.hpp"

namespace mivora::writer {

inline constexpr std::uint32_t kRtIcon = 3;
inline constexpr std::uint32_t kRtGroupIcon = 14;
// The icon the installer's window class loads (LoadIconA, id 1).
inline constexpr std::uint32_t kInstallerIconGroup = 1;

struct IconResources {
  std::vector<std::vector<std::uint8_t>> images;  // RT_ICON ids 1..n, in the file's order
  std::vector<std::uint8_t> group;                // RT_GROUP_ICON, naming ids 1..n
};

// Throws InputError with a plain reason when the file is no icon file, holds
// no image, or an entry disagrees with its image.
[[nodiscard]] IconResources parse_icon_file(std::span<const std::uint8_t> ico);

// The .ico file of group `group_id` and the RT_ICON images it names, the
// images in the group's order. Throws InputError when the group is missing
// or malformed or names an image the tree lacks.
[[nodiscard]] std::vector<std::uint8_t> icon_file_from_tree(const ResourceTree& tree,
                                                            std::uint32_t group_id = kInstallerIconGroup);

// The RT_ICON ids that group `group_id` names (none when there is no such group).
[[nodiscard]] std::vector<std::uint16_t> icon_group_images(const ResourceTree& tree,
                                                           std::uint32_t group_id = kInstallerIconGroup);

}  // namespace mivora::writer
