// The folders' arrows, read from the sources themselves: every #include
// names a folder that its own folder may use, and Win32 headers appear only
// in the Win32 folders and in files whose names end in _win32.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = MIVORA_SOURCE_DIR;

// What each product folder may include besides itself.
const std::map<std::string, std::set<std::string>> kArrows = {
    {"support", {}},
    {"package", {"support"}},
    {"interpreter", {"package", "support"}},
    {"wizard", {"interpreter", "support"}},
    {"app", {"wizard", "interpreter", "package", "support"}},
    {"tools", {"package", "support"}},
};

// Folders whose code runs only on Windows.
const std::set<std::string> kWin32Folders = {"wizard", "app"};

// Inside tools/, each folder uses only those after it.
const std::vector<std::string> kToolLayers = {"pack", "inspect", "script", "writer"};

struct Include {
  fs::path file;  // relative to the source tree
  int line;
  std::string target;
  bool system;  // <...>
};

bool is_source(const fs::path& p) {
  static const std::set<std::string> kExtensions = {".cpp", ".hpp", ".h", ".c", ".rc"};
  return kExtensions.count(p.extension().string()) != 0;
}

// The name in `#include "name"` or `#include <name>`, if the line is one.
bool parse_include(const std::string& text, std::string& name, bool& system) {
  std::size_t at = text.find_first_not_of(" \t");
  if (at == std::string::npos || text[at] != '#') return false;
  at = text.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || text.compare(at, 7, "include") != 0) return false;
  at = text.find_first_not_of(" \t", at + 7);
  if (at == std::string::npos || (text[at] != '"' && text[at] != '<')) return false;
  system = text[at] == '<';
  std::size_t end = text.find(system ? '>' : '"', at + 1);
  if (end == std::string::npos) return false;
  name = text.substr(at + 1, end - at - 1);
  return true;
}

std::vector<Include> includes_of(const std::string& folder) {
  std::vector<Include> found;
  for (const auto& entry : fs::recursive_directory_iterator(kSource / folder)) {
    if (!entry.is_regular_file() || !is_source(entry.path())) continue;
    std::ifstream in(entry.path());
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
      std::string name;
      bool system = false;
      if (parse_include(text, name, system)) found.push_back({fs::relative(entry.path(), kSource), line, name, system});
    }
  }
  return found;
}

std::string top_folder(const fs::path& p) { return p.begin()->string(); }

std::string where(const Include& i) { return i.file.string() + ":" + std::to_string(i.line) + ": " + i.target; }

// The folder a quoted include names: its first component, or the including
// file's own folder for a name without one.
std::string named_folder(const Include& i) {
  fs::path target(i.target);
  if (std::distance(target.begin(), target.end()) == 1) return top_folder(i.file);
  return top_folder(target);
}

TEST(IncludeRules, EveryProductFolderHasItsArrows) {
  for (const auto& entry : fs::directory_iterator(kSource)) {
    if (!entry.is_directory()) continue;
    std::string name = entry.path().filename().string();
    if (name == "tests" || name == "bench" || name == "examples" || name == "build" || name == "cmake" ||
        name == "docs" || name == "dist" || name[0] == '.')
      continue;
    bool has_sources = false;
    for (const auto& f : fs::recursive_directory_iterator(entry.path())) has_sources |= is_source(f.path());
    if (has_sources) {
      EXPECT_TRUE(kArrows.count(name)) << "folder " << name << " holds code but has no arrows";
    }
  }
}

TEST(IncludeRules, IncludesFollowTheArrows) {
  int checked = 0;
  for (const auto& [folder, allowed] : kArrows) {
    for (const Include& i : includes_of(folder)) {
      if (i.system) continue;
      ++checked;
      std::string target = named_folder(i);
      if (target == folder) continue;
      EXPECT_TRUE(allowed.count(target)) << where(i) << ": " << folder << " may not use " << target;
    }
  }
  EXPECT_GT(checked, 100) << "the sources were not found under " << kSource;
}

TEST(IncludeRules, ToolFoldersUseOnlyTheFoldersAfterThem) {
  auto layer = [](const std::string& name) {
    for (std::size_t i = 0; i < kToolLayers.size(); ++i)
      if (kToolLayers[i] == name) return static_cast<int>(i);
    return -1;
  };
  for (const Include& i : includes_of("tools")) {
    fs::path target(i.target);
    if (i.system || top_folder(target) != "tools") continue;
    std::string from = (++i.file.begin())->string();
    std::string to = (++target.begin())->string();
    ASSERT_NE(layer(from), -1) << i.file << " lies in a tools folder without a place in the layers";
    ASSERT_NE(layer(to), -1) << where(i) << " names a tools folder without a place in the layers";
    EXPECT_LE(layer(from), layer(to)) << where(i) << ": tools/" << from << " may not use tools/" << to;
  }
}

TEST(IncludeRules, Win32HeadersOnlyInWin32Code) {
  static const std::set<std::string> kWin32Headers = {"windows.h", "shlobj.h", "commctrl.h", "shellapi.h"};
  for (const auto& [folder, allowed] : kArrows) {
    if (kWin32Folders.count(folder)) continue;
    for (const Include& i : includes_of(folder)) {
      if (!i.system || !kWin32Headers.count(i.target)) continue;
      std::string stem = i.file.stem().string();
      EXPECT_TRUE(stem.size() > 6 && stem.compare(stem.size() - 6, 6, "_win32") == 0)
          << where(i) << ": portable code reaches Windows only in a file whose name ends in _win32";
    }
  }
}

}  // namespace
