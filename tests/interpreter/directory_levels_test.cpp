// The levels a destination or a list's directory is made in: from the top,
// below the root, each once, and none after one that cannot be made.
#include "interpreter/directory_levels.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace mivora::test {
namespace {

using Names = std::vector<std::string>;

// Records each directory asked for; those in `existing` or made before are
// there, those in `refused` cannot be made, and every other one is made
// only when its parent (the name before its last separators) is there.
class ScriptedDirectories final : public FileSystem {
 public:
  std::set<std::string> existing;
  std::set<std::string> refused;
  Names asked;

  bool make_directory(CountedView name) override {
    std::string path(name.chars, name.length);
    asked.push_back(path);
    if (existing.count(path) != 0) return true;
    if (refused.count(path) != 0) return false;
    std::size_t last = path.find_last_of("\\/");
    if (last != std::string::npos) {
      std::string parent = path.substr(0, last);
      while (!parent.empty() && (parent.back() == '\\' || parent.back() == '/')) parent.pop_back();
      if (existing.count(parent) == 0) return false;
    }
    existing.insert(path);
    return true;
  }

  FileHandle open(std::uint32_t, CountedView) override { return kInvalidFile; }
  std::uint32_t write(FileHandle, const void*, std::uint32_t) override { return 0; }
  void set_times(FileHandle, const FileTime&) override {}
  void close(FileHandle) override {}
  void remove(CountedView) override {}
  bool change_directory(CountedView) override { return false; }
  void current_directory(CountedDest d) override { clear(d); }
};

CountedView counted(const std::string& s) { return CountedView{s.data(), static_cast<std::uint8_t>(s.size())}; }

TEST(DirectoryLevels, MissingLevelsAreMadeFromTheTopBelowTheRoot) {
  struct Case {
    const char* what;
    std::string path;
    std::set<std::string> existing;
    Names levels;  // asked for after the whole path
  };
  const Case cases[] = {
      {"drive", "C:\\Vendor\\Product", {}, {"C:\\Vendor", "C:\\Vendor\\Product"}},
      {"existing levels", "C:\\Program Files\\Company\\App", {"C:\\Program Files"},
       {"C:\\Program Files", "C:\\Program Files\\Company", "C:\\Program Files\\Company\\App"}},
      {"trailing separator", "C:\\A\\B\\", {}, {"C:\\A", "C:\\A\\B"}},
      {"repeated separators", "C:\\\\A\\\\\\B", {}, {"C:\\\\A", "C:\\\\A\\\\\\B"}},
      {"forward slashes", "D:/A/B", {}, {"D:/A", "D:/A/B"}},
      {"rooted on the current drive", "\\A\\B", {}, {"\\A", "\\A\\B"}},
      {"server and share", "\\\\server\\share\\A\\B", {}, {"\\\\server\\share\\A", "\\\\server\\share\\A\\B"}},
      {"relative", "x\\y\\z", {}, {"x", "x\\y", "x\\y\\z"}},
      // Entering it decides.
      {"drive alone", "C:\\", {}, {}},
      {"share alone", "\\\\server\\share", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedDirectories files;
    files.existing = c.existing;
    files.existing.insert({"C:", "D:", "\\\\server\\share", ""});
    files.refused = {"C:\\", "\\\\server\\share"};
    EXPECT_TRUE(make_directory_levels(files, counted(c.path)));
    Names expected{c.path};
    expected.insert(expected.end(), c.levels.begin(), c.levels.end());
    EXPECT_EQ(files.asked, expected);
  }
}

TEST(DirectoryLevels, LevelThatCannotBeMadeStopsTheWalk) {
  ScriptedDirectories files;
  files.existing = {"C:"};
  files.refused = {"C:\\A\\file-in-the-way"};
  EXPECT_FALSE(make_directory_levels(files, literal("C:\\A\\file-in-the-way\\B\\C")));
  EXPECT_EQ(files.asked, (Names{"C:\\A\\file-in-the-way\\B\\C", "C:\\A", "C:\\A\\file-in-the-way"}));
}

}  // namespace
}  // namespace mivora::test
