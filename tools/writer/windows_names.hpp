#pragma once
// What Windows refuses in a file or directory name.
#include <string>
#include <string_view>

namespace mivora::writer {

// Why `name` (one path component, in ANSI bytes) cannot be a Windows file
// name, or an empty string when it can.
[[nodiscard]] std::string file_name_problem(std::string_view name);

// The same for a directory below the destination: components separated by
// a backslash, each a valid name; empty means the destination itself.
[[nodiscard]] std::string directory_problem(std::string_view directory);

}  // namespace mivora::writer
