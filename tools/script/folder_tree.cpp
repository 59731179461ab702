#include "tools/script/folder_tree.hpp"

#include <algorithm>

#include "tools/script/source_probe.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;

bool lies_within(const fs::path& inner, const fs::path& outer) {
  auto [stop, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return stop == outer.end();
}

std::string child_of(const std::string& relative, const std::string& name) {
  return relative.empty() ? name : relative + "/" + name;
}

class TreeWalk {
 public:
  explicit TreeWalk(const fs::path& root) {
    std::error_code error;
    root_ = fs::canonical(root, error);
    if (error) root_ = root;
  }

  FolderTree run(const fs::path& root) {
    open_.push_back({root_, ""});
    walk(root, "");
    return std::move(tree_);
  }

 private:
  struct OpenFolder {
    fs::path canonical;
    std::string relative;
  };
  struct Subfolder {
    std::string relative;
    fs::path path;
    fs::path canonical;
  };

  void problem(const std::string& relative, std::string reason) { tree_.problems.push_back({relative, std::move(reason)}); }

  std::vector<fs::directory_entry> sorted_entries(const fs::path& folder, const std::string& relative, bool& ok) {
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) entries.push_back(*it);
    ok = !error;
    if (error) problem(relative, plain_reason(error));
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename().string() < b.path().filename().string(); });
    return entries;
  }

  // Where a link leads, or the problem with it; nothing for an entry that is no link.
  bool follow_link(const fs::path& path, const std::string& relative, fs::path& canonical) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return true;
    canonical = fs::canonical(path, error);
    if (error) return true;  // probe_source names what is wrong with it
    if (lies_within(canonical, root_)) return true;
    problem(relative, "the link leads out of the tree, to '" + canonical.string() +
                          "': only links that stay inside the folder are followed");
    return false;
  }

  void walk(const fs::path& folder, const std::string& relative) {
    bool readable = false;
    std::vector<fs::directory_entry> entries = sorted_entries(folder, relative, readable);
    if (!readable) return;
    TreeFolder here{relative, {}};
    std::vector<Subfolder> subfolders;
    for (const fs::directory_entry& e : entries) {
      std::string name = e.path().filename().string();
      std::string inner = child_of(relative, name);
      fs::path canonical;
      if (!follow_link(e.path(), inner, canonical)) continue;
      SourceEntry entry = probe_source(e.path());
      if (entry.kind == SourceKind::kUnusable) {
        problem(inner, entry.problem);
      } else if (entry.kind == SourceKind::kFile) {
        here.files.push_back({name, e.path(), entry.size});
      } else {
        std::error_code error;
        if (canonical.empty()) canonical = fs::canonical(e.path(), error);
        subfolders.push_back({inner, e.path(), canonical});
      }
    }
    tree_.folders.push_back(std::move(here));
    for (const Subfolder& s : subfolders) {
      auto holder = std::find_if(open_.begin(), open_.end(), [&](const OpenFolder& o) { return o.canonical == s.canonical; });
      if (holder != open_.end()) {
        std::string target = holder->relative.empty() ? "the tree's top folder" : "'" + holder->relative + "'";
        problem(s.relative, "the link leads back to " + target + ", which holds it, and would repeat it forever");
        continue;
      }
      open_.push_back({s.canonical, s.relative});
      walk(s.path, s.relative);
      open_.pop_back();
    }
  }

  fs::path root_;
  std::vector<OpenFolder> open_;  // the folders being walked, root first
  FolderTree tree_;
};

}  // namespace

FolderTree walk_folder_tree(const fs::path& root) { return TreeWalk(root).run(root); }

}  // namespace mivora::script
