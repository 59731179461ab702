#pragma once
// Where the package comes from: resource RT_RCDATA 42 of the installer's own
// executable (app/package_source_win32), or bytes a test hands over.
#include "support/byte_view.hpp"

namespace mivora {

class PackageSource {
 public:
  // The package bytes, used in place until the process ends; size 0 when
  // there is none.
  virtual ByteView locate() = 0;

 protected:
  ~PackageSource() = default;
};

}  // namespace mivora
