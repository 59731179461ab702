// The levels of a directory are prefixes of its own counted string: each
// is a view of its first characters, so nothing is copied.
#include "interpreter/directory_levels.hpp"

namespace mivora {
namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool make_directory_levels(FileSystem& files, CountedView path) {
  if (files.make_directory(path)) return true;  // the usual case: the parent is there
  const bool has_drive = path.length >= 2 && path[1] == ':';
  // "\\server\share": a server and a share are nothing a copy can make.
  unsigned names_to_pass = path.length >= 2 && is_separator(path[0]) && is_separator(path[1]) ? 2 : 0;
  // A level ends after a name, before a separator or at the end; "C:" is none.
  for (unsigned at = has_drive ? 3 : 1; at <= path.length; ++at) {
    if ((at < path.length && !is_separator(path[at])) || is_separator(path[at - 1])) continue;
    if (names_to_pass > 0) {
      --names_to_pass;
      continue;
    }
    if (!files.make_directory(CountedView{path.chars, static_cast<std::uint8_t>(at)})) return false;
  }
  return true;
}

}  // namespace mivora
