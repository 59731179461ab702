// An installer made by mivora-pack from a folder tree, run under Wine and
// clicked through with the UI probe: every file lands in its place with its
// contents and its time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/installer_run.hpp"
#include "tools/script/source_file.hpp"

namespace mivora::test {
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
    write_text(root / "src" / f.path, contents_of(f));
    fs::last_write_time(root / "src" / f.path, time_of(f));
  }
  fs::create_directories(root / "src" / "empty");
  std::string destination = escaped(windows_path_of(root / "installed"));
  write_text(root / "setup.mivora", "name \"Tree\"\ntext \"Welcome\"\npage no-back\ndest \"" + destination +
                                        "\"\npage\nfiles \"App\" from \"src\"\ncopy \"Copying\"\ndone \"Finished\"\n");
  const fs::path stub = windows_build_file("mivora.exe");
  CommandResult built = run_command(std::string(MIVORA_PACK) + " build " + quoted(root / "setup.mivora") + " -o " +
                                    quoted(root / "setup.exe") + " --stub " + quoted(stub));
  ASSERT_EQ(built.exit_code, 0) << built.output;

  ASSERT_NO_FATAL_FAILURE(start());
  wait_page("Welcome");
  click(Control::kNext);
  wait_state(Control::kDestination, "visible");
  settle_page();
  EXPECT_EQ(text(Control::kDestination), "ok " + destination);  // a script string escapes "\" as the probe does
  click(Control::kNext);
  finish("Finished");

  fs::path installed = root / "installed" / "App";
  EXPECT_TRUE(fs::is_directory(installed / "empty"));
  for (const TreeFile& f : kTree) {
    SCOPED_TRACE(f.path);
    ASSERT_TRUE(fs::exists(installed / f.path));
    EXPECT_EQ(read_text(installed / f.path), contents_of(f));
    EXPECT_EQ(script::modification_time(installed / f.path).ticks(),
              script::modification_time(root / "src" / f.path).ticks());
  }
}

// 20,000 files in 500 folders: past the 128 files and 32 lists that one
// copy took before the tables grew, and installed whole by one copy into
// the destination the user typed.
TEST_F(PackedInstallerUnderWine, TwentyThousandFilesInstallWholeIntoTheTypedDestination) {
  constexpr int kFolders = 500;
  constexpr int kFilesPerFolder = 40;
  fs::path root = dir().path();
  std::vector<std::string> paths;
  for (int d = 0; d < kFolders; ++d)
    for (int f = 0; f < kFilesPerFolder; ++f) paths.push_back("d" + std::to_string(d) + "/f" + std::to_string(f) + ".txt");
  for (const std::string& p : paths) write_text(root / "src" / p, p);
  write_text(root / "setup.mivora", "name \"Large\"\ntext \"Where\"\ndest \"" +
                                        escaped(windows_path_of(root / "default")) +
                                        "\"\npage no-back\nfiles \"App\" from \"src\"\ncopy \"Copying\"\n"
                                        "done \"Finished\"\n");
  CommandResult built = run_command(std::string(MIVORA_PACK) + " build " + quoted(root / "setup.mivora") + " -o " +
                                    quoted(root / "setup.exe") + " --stub " + quoted(fs::path(windows_build_file("mivora.exe"))));
  ASSERT_EQ(built.exit_code, 0) << built.output;

  ASSERT_NO_FATAL_FAILURE(start());
  wait_page("Where");
  expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(windows_path_of(root / "typed")));
  click(Control::kNext);
  constexpr int kCopyMs = 300000;  // about 20 s on a quiet machine
  expect_ok("timeout " + std::to_string(kCopyMs));
  EXPECT_EQ(ask("waittext " + probe_id(Control::kNext) + " Finish", kCopyMs + 10000), "ok");
  finish("Finished");

  EXPECT_FALSE(fs::exists(root / "default")) << "the copy goes where the user typed";
  std::size_t folders = 0;
  for (const auto& entry : fs::directory_iterator(root / "typed" / "App")) folders += entry.is_directory() ? 1 : 0;
  EXPECT_EQ(folders, static_cast<std::size_t>(kFolders));
  for (const std::string& p : paths) {
    SCOPED_TRACE(p);
    ASSERT_EQ(read_text(root / "typed" / "App" / p), p);
  }
}

// The Windows tool takes its command line in UTF-16: a folder whose name the
// ANSI code page (1252) cannot hold is found, built into and checked.
TEST(PackToolUnderWine, WindowsToolTakesPathsOutsideTheAnsiCodePage) {
  TempDir dir;
  fs::path folder = dir.path() / fs::path(u8"Caf\u00E9 \u65E5\u672C");
  fs::create_directories(folder);
  fs::copy(fs::path(MIVORA_SOURCE_DIR) / "examples" / "demo", folder / "demo", fs::copy_options::recursive);
  fs::copy_file(windows_build_file("mivora.exe"), folder / "mivora.exe");
  const std::string tool = "LC_ALL=C.UTF-8 " + wine_loader() + " " + quoted(fs::path(windows_build_file("mivora-pack.exe")));
  auto windows = [](const fs::path& p) { return test::quoted(fs::path(windows_path_of(p))); };
  CommandResult built = run_command(tool + " build " + windows(folder / "demo" / "setup.mivora") + " -o " +
                                    windows(folder / "setup.exe") + " --stub " + windows(folder / "mivora.exe"));
  ASSERT_EQ(built.exit_code, 0) << built.output;
  EXPECT_TRUE(fs::exists(folder / "setup.exe")) << built.output;
  CommandResult checked = run_command(tool + " check " + windows(folder / "setup.exe"));
  EXPECT_EQ(checked.exit_code, 0) << checked.output;
  EXPECT_NE(checked.output.find("valid package"), std::string::npos) << checked.output;
}

}  // namespace
}  // namespace mivora::test
