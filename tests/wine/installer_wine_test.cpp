// The installer as a user meets it: packages put into copies of the stub,
// run under Wine in a fresh folder, driven through the UI probe, and checked
// by what the window shows, the exit code and the files on disk. What goes
// wrong during a copy is in the fault suite.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/disk_checks.hpp"
#include "tests/support/installer_run.hpp"
#include "tools/writer/pe_resources.hpp"
#include "wizard/resource.h"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;
using namespace format;

using InstallerUnderWine = InstallerRun;

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
  wait_text(Control::kWindow, "Demo");
  wait_page("Hello");
  EXPECT_TRUE(visible(Control::kText));
  EXPECT_FALSE(visible(Control::kText2));
  EXPECT_EQ(text(Control::kNext), "ok Next >>");
  EXPECT_TRUE(enabled(Control::kNext));
  EXPECT_FALSE(enabled(Control::kBack));
  EXPECT_TRUE(enabled(Control::kCancel));
  // The version line: id -1 as a 16-bit id.
  EXPECT_EQ(ask("text " + std::to_string(IDC_VERSION_LINE & 0xFFFF)), "ok Mivora 0.1");
  screenshot("worked-example-page");

  click(Control::kNext);
  wait_text(Control::kNext, "Finish");
  EXPECT_EQ(text(Control::kText), "ok Bye");
  EXPECT_FALSE(enabled(Control::kBack));
  EXPECT_FALSE(enabled(Control::kCancel));
  EXPECT_TRUE(enabled(Control::kNext));
  screenshot("worked-example-finish");
  click(Control::kNext);
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, StubWithoutPackageShowsNoValidInstallPackage) {
  write_plain_stub();
  start();
  expect_error_state("No valid install package.");
  EXPECT_EQ(text(Control::kWindow), "ok Mivora");
  screenshot("no-package");
  click(Control::kNext);
  expect_closed_with(kFailedInstallUnderWine);
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
  for (const Case& c : {Case{"no-icon", kRtGroupIcon, IDI_MIVORA, "10"},
                        Case{"broken-template", kRtDialog, IDD_WIZARD, "1"}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> setup;
    std::string error;
    // An icon group of no images; a template whose window cannot be created.
    std::vector<std::uint8_t> spoiled =
        c.type == kRtGroupIcon ? std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0} : template_of_unknown_class();
    ASSERT_TRUE(writer::replace_resource(stub_bytes(), c.type, c.id, spoiled, setup, error)) << error;
    write_bytes(dir() / "setup.exe", setup);
    installer_ = std::make_unique<Child>(std::vector<std::string>{wine_loader(), "setup.exe"}, dir().path(), false);
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

TEST_F(InstallerUnderWine, EachErrorShowsItsMessageAndEndsAsAFailedInstall) {
  struct Case {
    const char* name;
    PackageBuilder package;
    std::string message;
    const char* page = nullptr;  // the page to answer on the way, if any
    std::string answer = {};     // the probe command that answers it
  };
  std::vector<Case> cases;
  {
    PackageBuilder b = worked_example();
    b.set_head_overrides({.version = 2});
    cases.push_back({"version-2", b, "No valid install package."});
  }
  {
    PackageBuilder b;
    b.name("Unknown");
    b.command(0x777A7978, {});
    cases.push_back({"unknown-tag", b, "Command not found: 777A7978"});
  }
  {
    PackageBuilder b;
    b.group();
    cases.push_back({"group", b, "Not finished: 'group'"});
  }
  cases.push_back({"browse-answer", worked_example(), "Not finished: 'browse'", "Hello", post(kCommandBrowseUnfinished)});
  {
    // Each copy starts a page run: the seventeenth cannot be kept.
    PackageBuilder b;
    for (int i = 0; i < 16; ++i) {
      b.dest("Z:\\tmp", kDestFixed);
      b.copy("Nothing to copy");
    }
    b.done("never");
    cases.push_back({"too-many-pages", b, "Too many pages."});
  }
  {
    cases.push_back({"empty-destination", one_file(""), "Could not create file.", "Where to?",
                     "click " + probe_id(Control::kNext)});
  }
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    run(c.package);
    if (c.page != nullptr) {
      wait_page(c.page);
      expect_ok(c.answer);
    }
    expect_error_state(c.message);
    screenshot(std::string("error-") + c.name);
    click(Control::kNext);
    expect_closed_with(kFailedInstallUnderWine);
    start_over();
  }
}

TEST_F(InstallerUnderWine, NextAndBackMoveBetweenPages) {
  run(two_pages());
  wait_page("First page");
  EXPECT_FALSE(enabled(Control::kBack));
  click(Control::kNext);
  wait_page("Second page");
  EXPECT_EQ(text(Control::kText2), "ok More");
  EXPECT_TRUE(visible(Control::kText2));
  EXPECT_TRUE(enabled(Control::kBack));
  screenshot("second-page");
  click(Control::kBack);
  wait_page("First page");
  EXPECT_FALSE(visible(Control::kText2));
  EXPECT_FALSE(enabled(Control::kBack));
  click(Control::kNext);
  wait_page("Second page");
  click(Control::kNext);
  wait_text(Control::kNext, "Finish");
  click(Control::kNext);
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, LongLicenseScrollsAndInstallsOnlyAfterAccept) {
  std::string license;
  for (int line = 1; license.size() < 40000; ++line)
    license += "Line " + std::to_string(line) + ": the terms go on, clause after clause.\r\n";
  std::vector<InstalledFile> files = {{"", "a.txt", "accepted", kSomeTime}};
  PackageBuilder b;
  b.name("License");
  b.license(license);
  b.page(kPageNoBack | kPageNoNext);
  b.text("Where to?");
  b.dest(dir().windows_path() + "\\out", 0);
  b.page(0);
  add_lists(b, files);
  b.copy("Copying");
  b.done("Installed");
  run(b);
  const std::string edit = probe_id(Control::kLicense);
  for (int visit = 0; visit < 2; ++visit) {
    SCOPED_TRACE(visit == 0 ? "first visit" : "back to the page");
    settle_license_page();
    EXPECT_EQ(ask("length " + edit), "ok " + std::to_string(license.size()));
    EXPECT_EQ(ask("firstline " + edit), "ok 0");
    EXPECT_EQ(ask("checked " + probe_id(Control::kDecline)), "ok 1");
    EXPECT_EQ(ask("checked " + probe_id(Control::kAccept)), "ok 0");
    EXPECT_TRUE(visible(Control::kAccept));
    EXPECT_FALSE(visible(Control::kText));
    if (visit == 0) screenshot("license");
    expect_ok("scrolldown " + edit);
    EXPECT_NE(ask("firstline " + edit), "ok 0");
    EXPECT_NE(ask("click " + probe_id(Control::kNext)), "ok");  // greyed: nothing to click
    expect_ok("press " + probe_id(Control::kAccept));
    wait_state(Control::kNext, "enabled");
    EXPECT_EQ(ask("checked " + probe_id(Control::kAccept)), "ok 1");
    EXPECT_EQ(ask("checked " + probe_id(Control::kDecline)), "ok 0");
    click(Control::kNext);
    wait_page("Where to?");
    EXPECT_FALSE(visible(Control::kLicense));
    EXPECT_FALSE(visible(Control::kAccept));
    EXPECT_FALSE(fs::exists(dir() / "out"));
    if (visit == 0) click(Control::kBack);
  }
  click(Control::kNext);
  wait_text(Control::kNext, "Finish");
  expect_installed(dir() / "out", files);
  click(Control::kNext);
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, CancelAnsweredNoKeepsThePageAndYesEndsWithExitCodeZero) {
  run(worked_example());
  wait_page("Hello");
  click(Control::kCancel);
  EXPECT_EQ(ask("confirm no"), std::string("ok ") + kConfirmText);
  expect_ok("sleep 200");
  EXPECT_EQ(text(Control::kText), "ok Hello");
  EXPECT_EQ(text(Control::kNext), "ok Next >>");
  EXPECT_TRUE(enabled(Control::kCancel));
  click(Control::kCancel);
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
  EXPECT_EQ(text(Control::kText), "ok First page");
  EXPECT_EQ(text(Control::kNext), "ok Next >>");
  EXPECT_FALSE(visible(Control::kText2));
  // The keys were taken and dropped: the page still answers its buttons.
  click(Control::kNext);
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
  wait_text(Control::kDestination, escaped(dir().windows_path() + "\\out"));
  settle_page();
  EXPECT_TRUE(visible(Control::kDestination));
  EXPECT_TRUE(visible(Control::kBrowse));
  EXPECT_EQ(text(Control::kDestinationLabel), "ok Destination:");
  screenshot("destination");
  click(Control::kNext);
  wait_text(Control::kNext, "Finish");
  EXPECT_EQ(text(Control::kText), "ok Installed");
  screenshot("copied");
  expect_installed(dir() / "out", files);
  click(Control::kNext);
  expect_closed_with_zero();
}

TEST_F(InstallerUnderWine, DestinationTypedIntoTheFieldIsWhereFilesGo) {
  std::vector<InstalledFile> files = {{"", "a.txt", "typed", kSomeTime}};
  run(copying(dir().windows_path() + "\\default", files));
  wait_page("Where to?");
  const std::string field = probe_id(Control::kDestination);
  EXPECT_EQ(ask("limit " + field), "ok 127");
  expect_ok("settext " + field + " ");
  // Longer than the field is wide: the field scrolls instead of refusing keys.
  const std::string folder = "typed-into-a-field-narrower-than-this-folder-name";
  expect_ok("type " + field + " " + escaped(dir().windows_path() + "\\" + folder));
  EXPECT_EQ(text(Control::kDestination), "ok " + escaped(dir().windows_path() + "\\" + folder));
  // Each character queued two notices: Next waits until the page has taken
  // them, lest it find the queue full.
  settle_page();
  click(Control::kNext);
  wait_text(Control::kNext, "Finish");
  expect_installed(dir() / folder, files);
  EXPECT_FALSE(fs::exists(dir() / "default"));
  click(Control::kNext);
  expect_closed_with_zero();
}

// C:\Program Files\Company\App on a first install: every missing level of
// the destination, and of a list's directory whose parent no list makes.
TEST_F(InstallerUnderWine, MissingLevelsOfATypedDestinationAndOfANestedListAreMade) {
  const std::vector<InstalledFile> files = {{"", "top.txt", "top", kSomeTime},
                                            {"docs\\en\\html", "index.html", "<p>", kSomeTime}};
  run(copying(dir().windows_path() + "\\default", files));
  wait_page("Where to?");
  const std::string typed = dir().windows_path() + "\\Vendor\\Product\\1.0";
  expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(typed));
  click(Control::kNext);
  finish("Installed");
  const fs::path installed = dir() / "Vendor" / "Product" / "1.0";
  expect_installed_file(installed, files[0]);
  InstalledFile nested = files[1];
  nested.list_dir = "docs/en/html";  // as the host names it
  expect_installed_file(installed, nested);
  EXPECT_FALSE(fs::exists(dir() / "default"));
}

// A copy greys the field and relabels it "Current file:"; a later dest is a
// destination page again: free, the user's folder takes the second group;
// fixed, the default does.
TEST_F(InstallerUnderWine, DestAfterACopyIsADestinationPageAgain) {
  for (std::uint32_t flags : {0u, kDestFixed}) {
    SCOPED_TRACE(flags == 0 ? "free" : "fixed");
    const std::string root = dir().windows_path();
    const std::vector<InstalledFile> first = numbered_files(2, 16), second = numbered_files(3, 16);
    PackageBuilder b = copy_then_destination(root + "\\first", first, root + "\\second", flags, second);
    run(b);
    wait_page("First");
    click(Control::kNext);
    wait_page("Second");
    EXPECT_EQ(text(Control::kDestinationLabel), "ok Destination:");
    EXPECT_EQ(text(Control::kDestination), "ok " + escaped(root + "\\second"));
    EXPECT_EQ(enabled(Control::kDestination), flags == 0);
    EXPECT_EQ(enabled(Control::kBrowse), flags == 0);
    screenshot(flags == 0 ? "second-destination" : "second-destination-fixed");
    if (flags == 0) expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(root + "\\typed"));
    click(Control::kNext);
    finish("Installed");
    expect_installed(dir() / "first", first);
    expect_installed(dir() / (flags == 0 ? "typed" : "second"), second);
    EXPECT_EQ(fs::exists(dir() / "second"), flags != 0);
    start_over();
  }
}

// Three groups of 128 files: the later two continue, fixed and without a
// page, in the folder the user typed for the first.
TEST_F(InstallerUnderWine, ContinueInstallsThreeGroupsWhereTheUserTyped) {
  const std::string root = dir().windows_path();
  const std::vector<std::vector<InstalledFile>> groups = {numbered_files(128, 16, "one"), numbered_files(128, 16, "two"),
                                                          numbered_files(128, 16, "three")};
  run(continuing_groups(root + "\\default", "C:\\unused", groups));
  wait_page("Where to?");
  EXPECT_EQ(text(Control::kDestination), "ok " + escaped(root + "\\default"));
  expect_ok("settext " + probe_id(Control::kDestination) + " " + escaped(root + "\\typed"));
  click(Control::kNext);
  finish("Installed");
  for (const auto& group : groups) expect_installed(dir() / "typed", group);
  EXPECT_FALSE(fs::exists(dir() / "default"));
}

}  // namespace
}  // namespace mivora::test
