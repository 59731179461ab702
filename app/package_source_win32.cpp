// Win32 body of the package source: resource RT_RCDATA 42 of the installer's own executable.
#include <windows.h>

#include "app/package_source_win32.hpp"

namespace mivora {
namespace {

constexpr WORD kPackageResourceId = 42;

class ResourcePackageSource final : public PackageSource {
 public:
  ByteView locate() override {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kPackageResourceId), RT_RCDATA);
    if (resource == nullptr) return ByteView{};
    DWORD size = SizeofResource(nullptr, resource);
    // A resource is never freed: the package stays in place until the process ends.
    const void* bytes = LockResource(LoadResource(nullptr, resource));
    if (bytes == nullptr) return ByteView{};
    return ByteView{static_cast<const std::uint8_t*>(bytes), size};
  }
};

constinit ResourcePackageSource g_package;

}  // namespace

PackageSource& resource_package_source() { return g_package; }

}  // namespace mivora
