#pragma once
// Where the package comes from: resource RT_RCDATA 42 of the installer's own
// executable (package_source_win32.cpp), or bytes a test hands over.
#include "package/package_view.hpp"

namespace mivora {

class PackageSource {
 public:
  // The package bytes, used in place until the process ends; size 0 when
  // there is none.
  virtual ByteView locate() = 0;

 protected:
  ~PackageSource() = default;
};

// The installer's own resource 42 (package_source_win32.cpp).
[[nodiscard]] PackageSource& resource_package_source();

}  // namespace mivora
