// The installer as a user meets it: packages put into copies of the stub,
// run under Wine in a fresh directory, driven through the UI probe, and
// checked by what the window shows, the exit code and the files on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/wine/installer_run.hpp"
#include "tools/writer/pe_resources.hpp"

namespace mivora::wine_test {
namespace {

using writer::PackageBuilder;

using InstallerUnderWine = InstallerRun;

PackageBuilder worked_example() {
  PackageBuilder b;
  b.name("Demo");
  b.text("Hello");
  b.page(1);
  b.done("Bye");
  return b;
}

// Two pages, then the closing text.
PackageBuilder two_pages() {
  PackageBuilder b;
  b.name("Two");
  b.text("First page");
  b.page(1);
  b.text("Second page");
  b.text2("More");
  b.page(0);
  b.done("Bye");
  return b;
}

TEST_F(InstallerUnderWine, WorkedExampleRunsThroughFinishWithExitCodeZero) {
  run(worked_example());
  expect_ok("waittext 0 Demo");
  wait_page("Hello");
  EXPECT_TRUE(visible(210));
  EXPECT_FALSE(visible(211));
  EXPECT_EQ(text(101), "ok Next >>");
  EXPECT_TRUE(enabled(101));
  EXPECT_FALSE(enabled(102));
  EXPECT_TRUE(enabled(2));
  EXPECT_EQ(text(0xFFFF), "ok Mivora 0.1");  // the version line, id -1 as a 16-bit id
  screenshot("worked-example-page");

  expect_ok("click 101");
  expect_ok("waittext 101 Finish");
  EXPECT_EQ(text(210), "ok Bye");
  EXPECT_FALSE(enabled(102));
  EXPECT_FALSE(enabled(2));
  EXPECT_TRUE(enabled(101));
  screenshot("worked-example-finish");
  expect_ok("click 101");
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, StubWithoutPackageShowsNoValidInstallPackage) {
  write_plain_stub();
  start();
  expect_error_state("No valid install package.");
  EXPECT_EQ(text(0), "ok Mivora");
  screenshot("no-package");
  expect_ok("click 101");
  expect_closed_with_zero();
}

// Dialog template 100 with no controls and a window class nobody registered.
std::vector<std::uint8_t> template_of_unknown_class() {
  std::vector<std::uint8_t> t;
  auto word = [&t](std::uint16_t w) {
    t.push_back(static_cast<std::uint8_t>(w));
    t.push_back(static_cast<std::uint8_t>(w >> 8));
  };
  for (std::uint16_t w : {0x0080, 0x10C8, 0, 0, 0, 35, 32, 215, 129, 0}) word(w);  // style .. size, no menu
  for (char c : std::string("NOSUCHCLASS")) word(static_cast<std::uint16_t>(c));
  word(0);  // end of the class name
  word(0);  // no caption
  return t;
}

// A stub whose icon or dialog template cannot be used stops at start-up with
// the "Error" box naming the step, and exits with the last-error value.
TEST_F(InstallerUnderWine, StartupFailureShowsTheErrorBoxWithItsStepCode) {
  constexpr std::uint32_t kRtGroupIcon = 14;
  constexpr std::uint32_t kRtDialog = 5;
  struct Case {
    const char* name;
    std::uint32_t type;
    std::uint32_t id;
    const char* step;
  };
  for (const Case& c : {Case{"no-icon", kRtGroupIcon, 1, "10"}, Case{"broken-template", kRtDialog, 100, "1"}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> setup;
    std::string error;
    // An icon group of no images; a template whose window cannot be created.
    std::vector<std::uint8_t> spoiled =
        c.type == kRtGroupIcon ? std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0} : template_of_unknown_class();
    ASSERT_TRUE(writer::replace_resource(stub_bytes(), c.type, c.id, spoiled, setup, error)) << error;
    write_file(dir().path() + "/setup.exe", setup);
    installer_ = std::make_unique<Child>(std::vector<std::string>{"wine", "setup.exe"}, dir().path(), false);
    probe_ = std::make_unique<Probe>();
    std::string box = ask("errorbox 20000");
    std::string tail = std::string(" from ") + c.step;
    ASSERT_EQ(box.rfind("ok Error = ", 0), 0u) << box;
    ASSERT_GE(box.size(), tail.size());
    EXPECT_EQ(box.substr(box.size() - tail.size()), tail) << box;
    unsigned long last_error = std::strtoul(box.c_str() + 11, nullptr, 10);
    EXPECT_EQ(exit_code(), static_cast<int>(last_error & 0xFF)) << box;
    start_over();
  }
}

TEST_F(InstallerUnderWine, EachErrorShowsItsMessageInTheErrorState) {
  struct Case {
    const char* name;
    PackageBuilder package;
    std::string message;
    const char* before;  // a probe command that leads into the error, or null
  };
  std::vector<Case> cases;
  {
    PackageBuilder b = worked_example();
    writer::HeadOverrides head;
    head.version = 2;
    b.set_head_overrides(head);
    cases.push_back({"version-2", b, "No valid install package.", nullptr});
  }
  {
    PackageBuilder b;
    b.name("Unknown");
    b.command(0x777A7978, {});
    cases.push_back({"unknown-tag", b, "Command not found: 777A7978", nullptr});
  }
  {
    PackageBuilder b;
    b.group();
    cases.push_back({"group", b, "Not finished: 'group'", nullptr});
  }
  cases.push_back({"browse-answer", worked_example(), "Not finished: 'browse'", "post 204"});
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    run(c.package);
    if (c.before != nullptr) {
      wait_page("Hello");
      expect_ok(c.before);
    }
    expect_error_state(c.message);
    screenshot(std::string("error-") + c.name);
    expect_ok("click 101");
    expect_closed_with_zero();
    start_over();
  }
}

TEST_F(InstallerUnderWine, NextAndBackMoveBetweenPages) {
  run(two_pages());
  wait_page("First page");
  EXPECT_FALSE(enabled(102));
  expect_ok("click 101");
  wait_page("Second page");
  EXPECT_EQ(text(211), "ok More");
  EXPECT_TRUE(visible(211));
  EXPECT_TRUE(enabled(102));
  screenshot("second-page");
  expect_ok("click 102");
  wait_page("First page");
  EXPECT_FALSE(visible(211));
  EXPECT_FALSE(enabled(102));
  expect_ok("click 101");
  wait_page("Second page");
  expect_ok("click 101");
  expect_ok("waittext 101 Finish");
  expect_ok("click 101");
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, CancelAnsweredNoKeepsThePageAndYesEndsWithExitCodeZero) {
  run(worked_example());
  wait_page("Hello");
  expect_ok("click 2");
  EXPECT_EQ(ask("confirm no"), std::string("ok ") + kConfirmText);
  expect_ok("sleep 200");
  EXPECT_EQ(text(210), "ok Hello");
  EXPECT_EQ(text(101), "ok Next >>");
  EXPECT_TRUE(enabled(2));
  expect_ok("click 2");
  EXPECT_EQ(ask("waitconfirm"), std::string("ok ") + kConfirmText);
  screenshot("confirm");
  EXPECT_EQ(ask("confirm yes"), std::string("ok ") + kConfirmText);
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, CloseBoxWhilePageWaitsEndsWithoutConfirmation) {
  run(worked_example());
  wait_page("Hello");
  expect_ok("close");
  expect_ok("noconfirm 500");
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, KeysWhilePageWaitsChangeNothingAndEnterOrEscapePressNoButton) {
  run(two_pages());
  wait_page("First page");
  for (const char* key : {"key 13", "char 13", "key 27", "char 27", "key 9", "char 9", "key 0x41", "char a"})
    expect_ok(key);
  expect_ok("noconfirm 1500");  // past the script's 1000 ms wake-up
  EXPECT_EQ(text(210), "ok First page");
  EXPECT_EQ(text(101), "ok Next >>");
  EXPECT_FALSE(visible(211));
  // The keys were taken and dropped: the page still answers its buttons.
  expect_ok("click 101");
  wait_page("Second page");
  expect_ok("close");
  expect_closed_with_zero();
}

std::vector<InstalledFile> several_lists() {
  return {
      {"", "readme.txt", "Read me\r\n", kSomeTime},
      {"", "empty.bin", "", to_file_time(UnixTime{946684800, 0})},
      {"docs", "guide.txt", pattern(4096, 'g'), to_file_time(UnixTime{1234567890, 500})},
      {"data", "big.bin", pattern(65536 * 2 + 5, 'b'), to_file_time(UnixTime{1600000000, 999999900})},
      {"data", "exact.bin", pattern(65536, 'e'), kSomeTime},
  };
}

TEST_F(InstallerUnderWine, CopyInstallsSeveralListsWithExactContentsAndTimes) {
  auto files = several_lists();
  run(copying(dir().windows_path() + "\\out", files));
  expect_ok("waittext 221 " + escaped(dir().windows_path() + "\\out"));
  settle_page();
  EXPECT_TRUE(visible(221));
  EXPECT_TRUE(visible(220));
  EXPECT_EQ(text(222), "ok Destination:");
  screenshot("destination");
  expect_ok("click 101");
  expect_ok("waittext 101 Finish");
  EXPECT_EQ(text(210), "ok Installed");
  screenshot("copied");
  expect_installed(dir().path() + "/out", files);
  expect_ok("click 101");
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, DestinationTypedIntoTheFieldIsWhereFilesGo) {
  std::vector<InstalledFile> files = {{"", "a.txt", "typed", kSomeTime}};
  run(copying(dir().windows_path() + "\\default", files));
  wait_page("Where to?");
  EXPECT_EQ(ask("limit 221"), "ok 127");
  expect_ok("settext 221 ");
  // Longer than the field is wide: the field scrolls instead of refusing keys.
  const std::string folder = "typed-into-a-field-narrower-than-this-folder-name";
  expect_ok("type 221 " + escaped(dir().windows_path() + "\\" + folder));
  EXPECT_EQ(ask("text 221"), "ok " + escaped(dir().windows_path() + "\\" + folder));
  expect_ok("click 101");
  expect_ok("waittext 101 Finish");
  expect_installed(dir().path() + "/" + folder, files);
  EXPECT_FALSE(std::filesystem::exists(dir().path() + "/default"));
  expect_ok("click 101");
  expect_closed_with_zero();
}

bool can_drop_dac_override() {
  return std::system("setpriv --inh-caps=-dac_override --bounding-set=-dac_override true >/dev/null 2>&1") == 0;
}

TEST_F(InstallerUnderWine, ReadOnlyExistingFileGivesCouldNotCreateFile) {
  std::vector<std::string> prefix;
  if (geteuid() == 0) {
    if (!can_drop_dac_override()) GTEST_SKIP() << "running as root and setpriv cannot drop CAP_DAC_OVERRIDE";
    prefix = {"setpriv", "--inh-caps=-dac_override", "--bounding-set=-dac_override"};
    // The server opens the files: it must run without the capability too.
    ASSERT_EQ(std::system("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1"), 0);
  }
  std::filesystem::create_directories(dir().path() + "/out");
  write_file(dir().path() + "/out/locked.txt", {'o', 'l', 'd'});
  chmod((dir().path() + "/out/locked.txt").c_str(), 0444);
  std::vector<InstalledFile> files = {{"", "first.txt", "1", kSomeTime}, {"", "locked.txt", "new", kSomeTime}};
  write_setup(copying(dir().windows_path() + "\\out", files));
  start(prefix);
  wait_page("Where to?");
  expect_ok("click 101");
  expect_error_state("Could not create file.");
  screenshot("could-not-create-file");
  expect_ok("click 101");
  expect_closed_with_zero();
  EXPECT_EQ(read_file(dir().path() + "/out/locked.txt"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(read_file(dir().path() + "/out/first.txt"), (std::vector<std::uint8_t>{'1'}));
  probe_.reset();
  if (!prefix.empty()) {
    // Back to a server with every capability, kept alive for the next tests.
    EXPECT_EQ(std::system("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; wineserver -p >/dev/null 2>&1"), 0);
  }
}

TEST_F(InstallerUnderWine, ClicksDuringCopyAreTakenBetweenFilesAndCancelAsks) {
  run(copying(dir().windows_path() + "\\out", busy_files()));
  wait_page("Where to?");
  expect_ok("click 101");
  expect_ok("waitstate 231 visible");
  EXPECT_EQ(text(222), "ok Current file:");
  EXPECT_FALSE(enabled(221));
  screenshot("copying");
  // Taken one after each file: Next and Back are dropped, Cancel asks, and
  // No lets the copy go on.
  expect_ok("click 101");
  expect_ok("click 102");
  expect_ok("click 2");
  EXPECT_EQ(ask("confirm no"), std::string("ok ") + kConfirmText);
  finish("Installed");
  expect_installed(dir().path() + "/out", busy_files());
}

TEST_F(InstallerUnderWine, FirstCloseDuringBusyScriptLeavesWindowUpUntilTheNextWait) {
  run(copying(dir().windows_path() + "\\out", busy_files()));
  wait_page("Where to?");
  expect_ok("click 101");
  expect_ok("waitstate 231 visible");
  expect_ok("close");
  // The script is writing the large file: the window stays until it waits.
  EXPECT_EQ(text(210), "ok Copying");
  EXPECT_EQ(installer_->wait(0), -1);
  expect_closed_with_zero();
  expect_installed_file(dir().path() + "/out", busy_files()[0]);
}

}  // namespace
}  // namespace mivora::wine_test
