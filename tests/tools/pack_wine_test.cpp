// An installer made by mivora-pack from a folder tree, run under Wine and
// clicked through with the UI probe: every file lands in its place with its
// contents and its time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "tests/tools/test_support.hpp"
#include "tests/wine/wine_session.hpp"
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

// Returns once the page waits for an answer (clicks made while a page is
// built are dropped): "Decline" (203) disables Next only on a waiting page,
// and "Accept" (202) enables it again.
void settle_page(Probe& probe) {
  EXPECT_EQ(probe.ask("timeout 300"), "ok");
  bool waiting = false;
  for (int attempt = 0; attempt < 30 && !waiting; ++attempt) {
    EXPECT_EQ(probe.ask("post 203"), "ok");
    waiting = probe.ask("waitstate 101 disabled") == "ok";
  }
  EXPECT_EQ(probe.ask("timeout 10000"), "ok");
  ASSERT_TRUE(waiting) << "the page never waited for an answer";
  EXPECT_EQ(probe.ask("post 202"), "ok");
  EXPECT_EQ(probe.ask("waitstate 101 enabled"), "ok");
}

TEST(PackedInstallerUnderWine, FolderTreeInstallsIntoItsPlacesWithItsTimes) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no DISPLAY: run under Xvfb (./run test does)";
  std::string stub = win32_build_file("mivora.exe");
  ASSERT_TRUE(fs::exists(stub)) << stub;
  TempDir dir;
  fs::path root = dir.path();
  for (const TreeFile& f : kTree) {
    test::write_text(root / "src" / f.path, contents_of(f));
    fs::last_write_time(root / "src" / f.path, time_of(f));
  }
  fs::create_directories(root / "src" / "empty");
  std::string destination = windows_path_of((root / "installed").string());
  std::string escaped;
  for (char c : destination) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  test::write_text(root / "setup.mivora",
                   "name \"Tree\"\ntext \"Welcome\"\npage no-back\n"
                   "dest \"" +
                       escaped +
                       "\"\npage\n"
                       "files \"App\" from \"src\"\ncopy \"Copying\"\ndone \"Finished\"\n");
  test::CommandResult built =
      test::run_command(std::string(MIVORA_PACK) + " build " + test::quoted(root / "setup.mivora") + " -o " +
                        test::quoted(root / "setup.exe") + " --stub " + test::quoted(stub));
  ASSERT_EQ(built.exit_code, 0) << built.output;

  Child installer({"wine", "setup.exe"}, root.string(), false);
  {
    Probe probe;
    ASSERT_EQ(probe.ask("find 20000"), "ok");
    settle_page(probe);
    EXPECT_EQ(probe.ask("text 210"), "ok Welcome");
    EXPECT_EQ(probe.ask("click 101"), "ok");
    EXPECT_EQ(probe.ask("waitstate 221 visible"), "ok");
    settle_page(probe);
    EXPECT_EQ(probe.ask("text 221"), "ok " + escaped);  // the probe doubles backslashes
    EXPECT_EQ(probe.ask("click 101"), "ok");
    EXPECT_EQ(probe.ask("waittext 101 Finish"), "ok");
    EXPECT_EQ(probe.ask("text 210"), "ok Finished");
    EXPECT_EQ(probe.ask("click 101"), "ok");
    EXPECT_EQ(probe.ask("gone 20000"), "ok");
  }
  EXPECT_EQ(installer.wait(20000), 0);

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

}  // namespace
}  // namespace mivora::wine_test
