// Win32 body of the name limit: NTFS, FAT32 and exFAT all take 255 UTF-16
// units, never fewer than 255 bytes of UTF-8.
#include "tools/pack/name_limit.hpp"

namespace mivora::pack {

std::size_t longest_name(const std::filesystem::path&, std::size_t ceiling) { return ceiling; }

}  // namespace mivora::pack
