// An installer made by mivora-pack from a folder tree, run under Wine and
// clicked through with the UI probe: every file lands in its place with its
// contents and its time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/tools/test_support.hpp"
#include "tests/wine/installer_run.hpp"
#include "tools/script/source_file.hpp"

namespace mivora::wine_test {
namespace {

namespace fs = std::filesystem;

struct TreeFile {
  const char* path;
  std::size_t size;
  int seconds_after_2020;  // its modification time
};

// A file larger than one 64 KiB chunk, files in nested folders, one folder without files.
constexpr TreeFile kTree[] = {{"top.txt", 11, 0},
                              {"docs/readme.txt", 300, 7},
                              {"docs/deep/inner/big.bin", 70001, 3600},
                              {"docs/z.txt", 0, 86400}};

std::string contents_of(const TreeFile& f) {
  std::string s(f.size, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + (i * 7 + f.size) % 26);
  return s;
}

fs::file_time_type time_of(const TreeFile& f) {
  using namespace std::chrono;
  return file_clock::from_sys(sys_days{year{2020} / 1 / 1} + seconds{f.seconds_after_2020});
}

using PackedInstallerUnderWine = InstallerRun;

TEST_F(PackedInstallerUnderWine, FolderTreeInstallsIntoItsPlacesWithItsTimes) {
  fs::path root = dir().path();
  for (const TreeFile& f : kTree) {
    test::write_text(root / "src" / f.path, contents_of(f));
    fs::last_write_time(root / "src" / f.path, time_of(f));
  }
  fs::create_directories(root / "src" / "empty");
  std::string destination = escaped(windows_path_of((root / "installed").string()));
  test::write_text(root / "setup.mivora",
                   "name \"Tree\"\ntext \"Welcome\"\npage no-back\n"
                   "dest \"" +
                       destination +
                       "\"\npage\n"
                       "files \"App\" from \"src\"\ncopy \"Copying\"\ndone \"Finished\"\n");
  test::CommandResult built = test::run_command(std::string(MIVORA_PACK) + " build " +
                                                test::quoted(root / "setup.mivora") + " -o " +
                                                test::quoted(root / "setup.exe") + " --stub " +
                                                test::quoted(win32_build_file("mivora.exe")));
  ASSERT_EQ(built.exit_code, 0) << built.output;

  ASSERT_NO_FATAL_FAILURE(start());
  wait_page("Welcome");
  expect_ok("click 101");
  expect_ok("waitstate 221 visible");
  settle_page();
  EXPECT_EQ(text(221), "ok " + destination);  // a script string escapes "\" as the probe does
  expect_ok("click 101");
  finish("Finished");

  fs::path installed = root / "installed" / "App";
  EXPECT_TRUE(fs::is_directory(installed / "empty"));
  for (const TreeFile& f : kTree) {
    SCOPED_TRACE(f.path);
    ASSERT_TRUE(fs::exists(installed / f.path));
    EXPECT_EQ(test::read_text(installed / f.path), contents_of(f));
    EXPECT_EQ(script::modification_time(installed / f.path).ticks(),
              script::modification_time(root / "src" / f.path).ticks());
  }
}

// More files and folders than one copy takes: mivora-pack lays the tree out
// in parts that continue, without a page, in the destination the user typed.
TEST_F(PackedInstallerUnderWine, TreeLargerThanOneCopyInstallsWholeIntoTheTypedDestination) {
  fs::path root = dir().path();
  std::vector<std::string> paths;
  for (int f = 0; f < 20; ++f) paths.push_back("top" + std::to_string(f) + ".txt");
  for (int d = 0; d < 40; ++d)
    for (int f = 0; f < 7; ++f) paths.push_back("d" + std::to_string(d) + "/f" + std::to_string(f) + ".txt");
  for (const std::string& p : paths) test::write_text(root / "src" / p, "contents of " + p);
  std::string default_destination = windows_path_of((root / "default").string());
  test::write_text(root / "setup.mivora", "name \"Large\"\ntext \"Where\"\ndest \"" + escaped(default_destination) +
                                              "\"\npage no-back\nfiles \"App\" from \"src\"\ncopy \"Copying\"\n"
                                              "done \"Finished\"\n");
  test::CommandResult built = test::run_command(std::string(MIVORA_PACK) + " build " +
                                                test::quoted(root / "setup.mivora") + " -o " +
                                                test::quoted(root / "setup.exe") + " --stub " +
                                                test::quoted(win32_build_file("mivora.exe")));
  ASSERT_EQ(built.exit_code, 0) << built.output;

  ASSERT_NO_FATAL_FAILURE(start());
  wait_page("Where");
  expect_ok("settext 221 " + escaped(windows_path_of((root / "typed").string())));
  expect_ok("click 101");
  finish("Finished");

  EXPECT_FALSE(fs::exists(root / "default")) << "every part goes where the user typed";
  for (const std::string& p : paths) {
    SCOPED_TRACE(p);
    ASSERT_TRUE(fs::exists(root / "typed" / "App" / p));
    EXPECT_EQ(test::read_text(root / "typed" / "App" / p), "contents of " + p);
  }
}

}  // namespace
}  // namespace mivora::wine_test
