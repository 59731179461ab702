#pragma once
// A directory with every missing folder above it, as `copy` makes the
// destination and each list's directory below it.
#include "interpreter/file_system.hpp"

namespace mivora {

// Makes `path` a directory, and first, when it cannot be made at once, each
// level of it from the top. The root is no level: "C:" with the separators
// after it, the separators a path starts with, or "\\server\share\". A
// level ends before a separator ("\" or "/"); repeated and trailing
// separators make none. A level that is a directory already is no error.
// False at the first level that cannot be made (a file in the way, a name
// the system refuses, no right to write): nothing below it is tried. A
// relative path is made below the current directory.
[[nodiscard]] bool make_directory_levels(FileSystem& files, CountedView path);

}  // namespace mivora
