#pragma once
// The load-time check of a package: the head record in order, then a walk of
// the script from its first command up to the end marker, a `grou` or the
// first unknown tag. Every argument word, string reference, list directory
// name, file data block and license text met on the way must lie inside the
// package (a license text ending in its one zero byte), so
// that the interpreter never meets an out-of-bounds value at run time. An
// unknown tag stops the walk without failing it: the interpreter reports it
// when it gets there.
#include "package/package_view.hpp"

namespace mivora {

// True when the package can be run; `head` then holds its head record.
[[nodiscard]] bool check_package(const PackageView& package, HeadRecord& head);

}  // namespace mivora
