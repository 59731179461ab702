// Faults the installer meets under Wine: a disk that fills up, a file that
// cannot be created, Cancel, the close box and a flood of input in the
// middle of a copy, and destinations that cannot work. Whatever happens, no
// file is left half written and nothing lands outside the destination.
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/disk_checks.hpp"
#include "tests/support/installer_run.hpp"
#include "wizard/control_ids.hpp"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;

using FaultUnderWine = InstallerRun;


// The regular files below `root`, relative to it, sorted.
std::vector<std::string> files_below(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), root).string());
  std::sort(names.begin(), names.end());
  return names;
}

// The names in `root`, sorted.
std::vector<std::string> names_in(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(root)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// How many of `files` are below `root`: they must be the first ones, each
// complete with its time, and nothing else may be there.
std::size_t expect_written_prefix(const fs::path& root, const std::vector<InstalledFile>& files) {
  std::size_t present = 0;
  while (present < files.size() && fs::exists(root / files[present].name)) ++present;
  for (std::size_t i = 0; i < present; ++i) expect_installed_file(root, files[i]);
  EXPECT_EQ(names_in(root).size(), present) << "a file past the first missing one is in " << root;
  return present;
}

// A tmpfs of `size` mounted on `path` for the test's length, when this
// process may mount (root in a namespace that allows it).
class SmallDisk {
 public:
  SmallDisk(const fs::path& path, const std::string& size) : path_(path) {
    fs::create_directories(path);
    std::string options = "size=" + size + ",mode=0777";
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  [[nodiscard]] bool mounted() const { return mounted_; }

 private:
  fs::path path_;
  bool mounted_ = false;
};

TEST_F(FaultUnderWine, FullDiskGivesCouldNotWriteFileAndKeepsTheFilesBeforeIt) {
  SmallDisk disk(dir() / "disk", "1m");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here (needs root)";
  const std::vector<InstalledFile> files = {{"", "a.bin", pattern(300 << 10, 'a'), kSomeTime},
                                            {"", "b.bin", pattern(300 << 10, 'b'), kSomeTime},
                                            {"", "c.bin", pattern(2 << 20, 'c'), kSomeTime},
                                            {"", "d.bin", "after", kSomeTime}};
  run(copying(dir().windows_path() + "\\disk\\out", files));
  wait_page("Where to?");
  click(Control::kNext);
  expect_error_state("Could not write file.");
  expect_installed(dir() / "disk" / "out", {files[0], files[1]});
  // The file that did not fit was taken back; nothing after it was begun.
  EXPECT_EQ(names_in(dir() / "disk" / "out"), (std::vector<std::string>{"a.bin", "b.bin"}));
  click(Control::kNext);
  expect_closed_with(kFailedInstallUnderWine);
}

// As root, Wine writes over read-only files: without CAP_DAC_OVERRIDE, for
// the installer and for the server that opens its files, it cannot. The
// server is started again as usual at the end.
class WithoutDacOverride {
 public:
  WithoutDacOverride() {
    if (geteuid() != 0) return;
    if (std::system("setpriv --inh-caps=-dac_override --bounding-set=-dac_override true >/dev/null 2>&1") != 0)
      return;
    prefix_ = {"setpriv", "--inh-caps=-dac_override", "--bounding-set=-dac_override"};
    // The next wine to start brings up a server without the capability.
    EXPECT_EQ(std::system("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1"), 0);
  }
  ~WithoutDacOverride() {
    if (prefix_.empty()) return;
    // Back to a server with every capability, kept alive for the next tests.
    EXPECT_EQ(
        std::system("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; wineserver -p >/dev/null 2>&1"), 0);
  }
  WithoutDacOverride(const WithoutDacOverride&) = delete;
  WithoutDacOverride& operator=(const WithoutDacOverride&) = delete;

  // False when running as root and the capability cannot be dropped.
  [[nodiscard]] bool possible() const { return geteuid() != 0 || !prefix_.empty(); }
  [[nodiscard]] const std::vector<std::string>& prefix() const { return prefix_; }

 private:
  std::vector<std::string> prefix_;
};

// A file that another program holds open without sharing, or a read-only
// one, stops the copy with "Could not create file.": it keeps its old
// contents, the files before it stay and nothing after it is begun.
TEST_F(FaultUnderWine, FileThatCannotBeCreatedStopsTheCopyAndKeepsItsOldContents) {
  const std::vector<InstalledFile> files = {{"", "first.txt", "1", kSomeTime},
                                            {"", "blocked.txt", "new", kSomeTime},
                                            {"", "after.txt", "2", kSomeTime}};
  for (bool read_only : {false, true}) {
    SCOPED_TRACE(read_only ? "read-only" : "held open");
    const fs::path blocked = dir() / "out" / "blocked.txt";
    write_text(blocked, "old");
    std::unique_ptr<Child> holder;
    std::unique_ptr<WithoutDacOverride> without_override;
    if (read_only) {
      fs::permissions(blocked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
      without_override = std::make_unique<WithoutDacOverride>();
      if (!without_override->possible())
        GTEST_SKIP() << "running as root and setpriv cannot drop CAP_DAC_OVERRIDE (the held-open case ran)";
    } else {
      const std::vector<std::string> hold = {wine_loader(), windows_build_file("tests/file_holder.exe"),
                                             dir().windows_path() + "\\out\\blocked.txt"};
      holder = std::make_unique<Child>(hold, dir().path(), true);
      std::string answer;
      ASSERT_TRUE(holder->read_line(answer, 20000));
      ASSERT_EQ(answer, "held");
    }
    write_setup(copying(dir().windows_path() + "\\out", files));
    start(read_only ? without_override->prefix() : std::vector<std::string>{});
    wait_page("Where to?");
    click(Control::kNext);
    expect_error_state("Could not create file.");
    screenshot("could-not-create-file");
    click(Control::kNext);
    expect_closed_with(kFailedInstallUnderWine);
    if (holder) {
      holder->close_input();
      EXPECT_EQ(holder->wait(10000), 0);
    }
    EXPECT_EQ(read_text(blocked), "old");
    expect_installed_file(dir() / "out", files[0]);
    EXPECT_FALSE(fs::exists(dir() / "out" / "after.txt"));
    start_over();
  }
}

TEST_F(FaultUnderWine, CancelConfirmedDuringCopyLeavesOnlyCompleteFiles) {
  const std::vector<InstalledFile> files = numbered_files(24, 256 << 10);
  run(copying(dir().windows_path() + "\\out", files));
  wait_page("Where to?");
  // Cancel follows Next at once: the copy looks at it after a file.
  EXPECT_EQ(probe_->ask_all({"click " + probe_id(Control::kNext), "click " + probe_id(Control::kCancel)}),
            (std::vector<std::string>{"ok", "ok"}));
  EXPECT_EQ(ask("waitconfirm"), std::string("ok ") + kConfirmText);
  EXPECT_EQ(text(Control::kText), "ok Copying");
  EXPECT_EQ(ask("confirm yes"), std::string("ok ") + kConfirmText);
  expect_closed_with_zero();
  std::size_t written = expect_written_prefix(dir() / "out", files);
  EXPECT_GE(written, 1u);
  EXPECT_LT(written, files.size()) << "the copy ended before Cancel was looked at";
}

// Once: the window stays, still showing the copy, until the script next
// looks at its input, after the file being written. Twice: the window goes at
// once, and the file being written is still finished before the process
// ends. The first file is 160 MiB: the close box is clicked while it is
// written, and the probe looks at the window, or clicks again, long before
// it is done, however busy the machine (with files of 32 MiB the window
// was sometimes gone before the probe looked).
TEST_F(FaultUnderWine, CloseBoxDuringCopyLeavesOnlyCompleteFiles) {
  std::vector<InstalledFile> files = {chunked("part10.bin", 0, 160)};
  for (std::uint32_t i = 1; i < 6; ++i) files.push_back(chunked("part" + std::to_string(10 + i) + ".bin", i, 1));
  write_setup(copying(dir().windows_path() + "\\default", files));
  for (int closes : {1, 2}) {
    SCOPED_TRACE(std::to_string(closes) + " close(s)");
    const std::string out = "out" + std::to_string(closes);
    start();
    wait_page("Where to?");
    expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(dir().windows_path() + "\\" + out));
    click(Control::kNext);
    wait_state(Control::kProgressText, "visible");
    for (int i = 0; i < closes; ++i) expect_ok("close");
    if (closes == 1) {
      EXPECT_EQ(text(Control::kText), "ok Copying");
      EXPECT_EQ(installer_->wait(0), -1);
    }
    expect_closed_with_zero();
    std::size_t written = expect_written_prefix(dir() / out, files);
    EXPECT_LT(written, files.size()) << "the close was not taken during the copy";
    if (closes == 1) {
      EXPECT_GE(written, 1u) << "the file being written was not finished";
    }
  }
}

// Every entry but Next (which would end the Finish state) and, once, Cancel:
// buttons, notifications with a high word, keys and characters.
std::vector<std::string> flood_of_input(int count) {
  const std::vector<std::string> cycle = {post(kCommandBack),
                                          post(kCommandAccept),
                                          post(kCommandDecline),
                                          post(kCommandBrowse),
                                          post(0x03000000u | control_id(Control::kDestination)),
                                          post(0x00010000u | kCommandNext),
                                          "key 13",
                                          "char a",
                                          "key 27",
                                          "char 13"};
  std::vector<std::string> commands = {post(kCommandCancel)};
  for (int i = 1; i < count; ++i) commands.push_back(cycle[static_cast<std::size_t>(i) % cycle.size()]);
  return commands;
}

// Input during a copy is taken one entry after each file: Next and Back are
// dropped, and the one Cancel asks once (the field's own change notices are
// not queued, so nothing else stands before it); No lets the copy go on to
// its end. A second question (an entry
// handed over twice or out of a wrong slot) would hold the copy and never
// reach Finish.
TEST_F(FaultUnderWine, InputDuringCopyIsTakenBetweenFilesAsksOnceAndTheInstallCompletes) {
  struct Case {
    const char* name;
    std::vector<std::string> input;
  };
  const Case cases[] = {
      {"clicks", {"click " + probe_id(Control::kNext), "click " + probe_id(Control::kBack),
                  "click " + probe_id(Control::kCancel)}},
      {"flood", flood_of_input(300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    run(copying(dir().windows_path() + "\\out", busy_files()));
    wait_page("Where to?");
    click(Control::kNext);
    wait_state(Control::kProgressText, "visible");
    EXPECT_EQ(text(Control::kDestinationLabel), "ok Current file:");
    EXPECT_FALSE(enabled(Control::kDestination));
    screenshot(std::string("copying-") + c.name);
    EXPECT_EQ(probe_->ask_all(c.input), std::vector<std::string>(c.input.size(), "ok"));
    EXPECT_EQ(ask("confirm no"), std::string("ok ") + kConfirmText);
    wait_text(Control::kNext, "Finish");
    EXPECT_EQ(text(Control::kText), "ok Installed");
    expect_ok("noconfirm 1200");
    EXPECT_EQ(text(Control::kNext), "ok Finish");
    click(Control::kNext);
    expect_closed_with_zero();
    expect_installed(dir() / "out", busy_files());
    start_over();
  }
}

TEST_F(FaultUnderWine, DestinationsThatCannotWorkAreRefusedAndNothingLandsOutside) {
  // A name of its own, so that a file written to the root of Z: is seen.
  const std::string stray = "mivora-fault-destination-" + std::to_string(getpid()) + ".txt";
  const std::vector<InstalledFile> files = {{"docs", stray, "x", kSomeTime}};
  struct Case {
    const char* name;
    std::string typed;  // put into the field as a paste would
    // What the installer's folder holds afterwards: a relative destination
    // is made there (with the lists' directories inside), but no file.
    std::vector<std::string> left;
  };
  for (const Case& c : {Case{"empty", "", {"setup.exe"}},
                        Case{"invalid characters", "\\bad|name<>", {"setup.exe"}},
                        Case{"relative", "relative-dest", {"relative-dest", "setup.exe"}},
                        Case{"128 characters", std::string(128, 'p'), {"setup.exe"}}}) {
    SCOPED_TRACE(c.name);
    // The invalid name is put below the run's folder; 128 characters stay as they are.
    std::string typed = c.typed.rfind("\\", 0) == 0 ? dir().windows_path() + c.typed : c.typed;
    run(copying(dir().windows_path() + "\\default", files));
    wait_page("Where to?");
    expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(typed));
    click(Control::kNext);
    expect_error_state_then_finish("Could not create file.");
    EXPECT_EQ(names_in(dir().path()), c.left);
    EXPECT_EQ(files_below(dir().path()), std::vector<std::string>{"setup.exe"});
    EXPECT_FALSE(fs::exists("/" + stray));
    EXPECT_FALSE(fs::exists("/docs/" + stray));
    start_over();
  }
}

// A file where a level of the destination or of a list's directory goes:
// "Could not create file." before any file is written, and the file in the
// way keeps its contents.
TEST_F(FaultUnderWine, FileStandingWhereALevelGoesStopsTheCopyBeforeAnyFile) {
  struct Case {
    const char* name;
    std::string typed;     // below the run's folder
    std::string list_dir;  // of the second file
  };
  for (const Case& c : {Case{"destination", "\\out\\blocker\\deeper", ""}, Case{"list", "\\out", "blocker\\deeper"}}) {
    SCOPED_TRACE(c.name);
    write_text(dir() / "out" / "blocker", "in the way");
    run(copying(dir().windows_path() + "\\default",
                {{"", "first.txt", "1", kSomeTime}, {c.list_dir, "second.txt", "2", kSomeTime}}));
    wait_page("Where to?");
    expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(dir().windows_path() + c.typed));
    click(Control::kNext);
    expect_error_state_then_finish("Could not create file.");
    EXPECT_EQ(files_below(dir().path()), (std::vector<std::string>{"out/blocker", "setup.exe"}));
    EXPECT_EQ(read_text(dir() / "out" / "blocker"), "in the way");
    start_over();
  }
}

TEST_F(FaultUnderWine, DestinationOf127CharactersWorksAndA128thIsNotTyped) {
  const std::string base = dir().windows_path() + "\\";
  ASSERT_LT(base.size(), 100u);
  const std::string destination = base + std::string(127 - base.size(), 'd');
  const std::vector<InstalledFile> files = {{"", "a.txt", "fits", kSomeTime}};
  run(copying(dir().windows_path() + "\\default", files));
  wait_page("Where to?");
  expect_ok("settext " + probe_id(Control::kDestination) + " ");
  expect_ok("type " + probe_id(Control::kDestination) + " " + escaped(destination + "x"));
  EXPECT_EQ(text(Control::kDestination), "ok " + escaped(destination));
  settle_page();  // the page takes the notices of 127 characters before Next
  click(Control::kNext);
  finish("Installed");
  expect_installed(dir() / destination.substr(base.size()), files);
}

}  // namespace
}  // namespace mivora::test
