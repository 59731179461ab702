#pragma once
// A folder tree flattened into the installer's lists: one list per folder,
// parent before child, so every directory exists before its files are
// written and before its subdirectories are created. Folders without files
// still get a list, so that the installer creates them.
#include <filesystem>
#include <string>
#include <vector>

namespace mivora::script {

struct TreeFile {
  std::string name;  // as the file system gives it (UTF-8 on POSIX)
  std::filesystem::path source;
};

struct TreeFolder {
  std::string relative;  // "" for the root, "sub/inner" below it, '/'-separated
  std::vector<TreeFile> files;
};

// Folders in parent-first order, entries sorted by name. Throws
// std::filesystem::filesystem_error when the tree cannot be read.
[[nodiscard]] std::vector<TreeFolder> walk_folder_tree(const std::filesystem::path& root);

}  // namespace mivora::script
