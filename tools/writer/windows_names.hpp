#pragma once
// What Windows refuses in a file or directory name, and when two names are
// one name to Windows.
#include <string>
#include <string_view>

namespace mivora::writer {

// Why `name` (one path component, in ANSI bytes) cannot be a Windows file
// name, or an empty string when it can.
[[nodiscard]] std::string file_name_problem(std::string_view name);

// The same for a directory below the destination: components separated by
// a backslash, each a valid name; empty means the destination itself.
[[nodiscard]] std::string directory_problem(std::string_view directory);

// The form in which Windows compares a name or a path of Windows-1252
// bytes: upper case by the file system's own table, so "Readme.txt" and
// "README.TXT" give one key. Other bytes are kept as they are.
[[nodiscard]] std::string name_key(std::string_view ansi);

}  // namespace mivora::writer
