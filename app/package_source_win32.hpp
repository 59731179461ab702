#pragma once
// Win32-only: the package source of the installer, its own resource RT_RCDATA 42.
#include "interpreter/package_source.hpp"

namespace mivora {

[[nodiscard]] PackageSource& resource_package_source();

}  // namespace mivora
