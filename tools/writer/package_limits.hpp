#pragma once
// How large a package the installer can still load. The installer is a
// 32-bit process that maps its executable, and with it the package, whole
// into 2 GiB of address space. Measured under Wine with installers holding
// one file of zeros: a package of 1968 MiB still loads, one of 1984 MiB does
// not (the window stays empty), and one of 1920 MiB loads and installs. The
// limit keeps a margin below the edge for what else a Windows process maps.
#include <cstdint>

namespace mivora::writer {

inline constexpr std::uint64_t kMaxInstallerPackageSize = 1920ull << 20;  // 1920 MiB

}  // namespace mivora::writer
