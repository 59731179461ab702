#pragma once
// A folder tree flattened into the installer's lists: one list per folder,
// parent before child, so every directory exists before its files are
// written and before its subdirectories are created. Folders without files
// still get a list, so that the installer creates them.
//
// Links are followed when they stay inside the tree: a link to a file packs
// that file's contents under the link's name, a link to a folder packs the
// folder there. A link that leaves the tree, dangles, or leads back to a
// folder that holds it is a problem, as is anything that is neither a file
// nor a folder and anything that cannot be read. The walk goes on past a
// problem, so that one run names them all.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mivora::script {

struct TreeFile {
  std::string name;  // as the file system gives it (UTF-8 on POSIX)
  std::filesystem::path source;
  std::uint64_t size = 0;
};

struct TreeFolder {
  std::string relative;  // "" for the root, "sub/inner" below it, '/'-separated
  std::vector<TreeFile> files;
};

struct TreeProblem {
  std::string relative;  // of the entry, '/'-separated
  std::string reason;
};

struct FolderTree {
  std::vector<TreeFolder> folders;  // parent-first, entries sorted by name
  std::vector<TreeProblem> problems;
};

// `root` must be a folder (probe_source says so).
[[nodiscard]] FolderTree walk_folder_tree(const std::filesystem::path& root);

}  // namespace mivora::script
