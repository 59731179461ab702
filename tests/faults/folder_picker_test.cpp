// "Browse..." under Wine: the folder picker opens owned by the wizard
// window, and folder_picker_answer.exe answers it as a user would.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/wine/installer_run.hpp"

namespace mivora::wine_test {
namespace {

namespace fs = std::filesystem;
using writer::PackageBuilder;

class FolderPicker : public InstallerRun {
 protected:
  // Starts the answering program, which waits for the picker to appear.
  void answer_picker(const std::vector<std::string>& how) {
    std::vector<std::string> argv = {"wine", win32_build_file("tests/folder_picker_answer.exe")};
    argv.insert(argv.end(), how.begin(), how.end());
    answerer_ = std::make_unique<Child>(argv, dir().path(), true);
  }

  // The answering program's one line; it ends with 0 only when it answered.
  std::string picker_answer() {
    std::string line;
    if (!answerer_->read_line(line, 30000)) line = "err answerer-silent";
    EXPECT_EQ(answerer_->wait(10000) == 0, line.rfind("ok ", 0) == 0) << line;
    answerer_.reset();
    return line;
  }

  void TearDown() override {
    answerer_.reset();
    InstallerRun::TearDown();
  }

  std::unique_ptr<Child> answerer_;
};

PackageBuilder browsing_package(const std::string& destination, std::uint32_t dest_flags) {
  PackageBuilder b;
  b.name("Browse");
  b.text("Where to?");
  b.dest(destination, dest_flags);
  b.list("", 1);
  b.file("chosen.txt", "picked", kSomeTime);
  b.page(1);
  b.copy("Copying");
  b.done("Installed");
  return b;
}

TEST_F(FolderPicker, ChosenFolderBecomesTheDestinationAndCancelOrATooLongOneChangeNothing) {
  const std::string chosen = dir().windows_path() + "\\chosen";
  fs::create_directories(dir().path() + "/chosen");
  // A folder whose path passes the field's 127 characters.
  std::string long_relative = "long";
  while (dir().windows_path().size() + 1 + long_relative.size() <= 127) long_relative += "/" + std::string(30, 'l');
  fs::create_directories(dir().path() + "/" + long_relative);
  std::string long_folder = long_relative;
  std::replace(long_folder.begin(), long_folder.end(), '/', '\\');
  long_folder = dir().windows_path() + "\\" + long_folder;
  const std::string default_destination = dir().windows_path() + "\\default";

  run(browsing_package(default_destination, 0));
  expect_ok("waittext 210 Where to?");
  settle_page();

  answer_picker({"choose", chosen});
  expect_ok("click 220");
  EXPECT_EQ(picker_answer().rfind("ok ", 0), 0u);
  expect_ok("waittext 221 " + escaped(chosen));

  answer_picker({"cancel"});
  expect_ok("click 220");
  std::string cancelled = picker_answer();
  EXPECT_EQ(cancelled.rfind("ok ", 0), 0u) << cancelled;
  // The wizard stayed disabled under its picker, as under any owned dialog.
  EXPECT_NE(cancelled.find("owner-disabled"), std::string::npos) << cancelled;
  expect_ok("sleep 300");
  EXPECT_EQ(text(221), "ok " + escaped(chosen));

  answer_picker({"choose", long_folder});
  expect_ok("click 220");
  std::string long_answer = picker_answer();
  EXPECT_EQ(long_answer.rfind("ok ", 0), 0u) << long_answer;
  expect_ok("sleep 300");
  EXPECT_EQ(text(221), "ok " + escaped(chosen));

  settle_page();
  expect_ok("click 101");
  expect_ok("waittext 101 Finish");
  EXPECT_EQ(text(210), "ok Installed");
  expect_ok("click 101");
  expect_closed_with_zero();
  expect_installed(dir().path() + "/chosen", {{"", "chosen.txt", "picked", kSomeTime}});
  EXPECT_FALSE(fs::exists(dir().path() + "/default"));
}

TEST_F(FolderPicker, FixedDestinationKeepsBrowseDisabled) {
  run(browsing_package(dir().windows_path() + "\\fixed", 1));
  expect_ok("waittext 210 Where to?");
  settle_page();
  EXPECT_TRUE(visible(220));
  EXPECT_FALSE(enabled(220));
  EXPECT_EQ(ask("click 220"), "err disabled");
  EXPECT_EQ(text(221), "ok " + escaped(dir().windows_path() + "\\fixed"));
  expect_ok("close");
  expect_closed_with_zero();
}

}  // namespace
}  // namespace mivora::wine_test
