#include "tools/script/folder_tree.hpp"

#include <algorithm>

namespace mivora::script {
namespace {

void walk(const std::filesystem::path& folder, const std::string& relative, std::vector<TreeFolder>& out) {
  std::vector<std::filesystem::directory_entry> entries(std::filesystem::directory_iterator(folder), {});
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename().string() < b.path().filename().string(); });
  TreeFolder here{relative, {}};
  for (const auto& e : entries)
    if (!e.is_directory()) here.files.push_back({e.path().filename().string(), e.path()});
  out.push_back(std::move(here));
  for (const auto& e : entries)
    if (e.is_directory()) {
      std::string name = e.path().filename().string();
      walk(e.path(), relative.empty() ? name : relative + "/" + name, out);
    }
}

}  // namespace

std::vector<TreeFolder> walk_folder_tree(const std::filesystem::path& root) {
  std::vector<TreeFolder> folders;
  walk(root, "", folders);
  return folders;
}

}  // namespace mivora::script
