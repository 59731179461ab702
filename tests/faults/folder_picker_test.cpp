// "Browse..." under Wine: the folder picker opens owned by the wizard
// window, and folder_picker_answer.exe answers it as a user would.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/disk_checks.hpp"
#include "tests/support/installer_run.hpp"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;

class FolderPicker : public InstallerRun {
 protected:
  // Starts the answering program, which waits for the picker to appear.
  void answer_picker(const std::vector<std::string>& how) {
    std::vector<std::string> argv = {wine_loader(), windows_build_file("tests/folder_picker_answer.exe")};
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

  // "Browse..." and `path` chosen in the picker. Wine's picker now and then
  // will not select a folder it has just listed; the user then cancels and
  // browses again, as the test does, a few times at most.
  std::string browse_choosing(const std::string& path) {
    std::string answer;
    for (int attempt = 0; attempt < 3; ++attempt) {
      answer_picker({"choose", path});
      click(Control::kBrowse);
      answer = picker_answer();
      if (answer.rfind("ok ", 0) == 0) break;
      answer_picker({"cancel"});
      picker_answer();
    }
    return answer;
  }

  void TearDown() override {
    answerer_.reset();
    InstallerRun::TearDown();
  }

  std::unique_ptr<Child> answerer_;
};

const InstalledFile kChosenFile = {"", "chosen.txt", "picked", kSomeTime};

TEST_F(FolderPicker, ChosenFolderBecomesTheDestinationAndCancelOrATooLongOneChangeNothing) {
  const std::string chosen = dir().windows_path() + "\\chosen";
  fs::create_directories(dir() / "chosen");
  // A folder whose path passes the field's 127 characters.
  std::string long_relative = "long";
  // Each level named apart, so that the tree's selection names one folder.
  for (char level = 'a'; dir().windows_path().size() + 1 + long_relative.size() <= 127; ++level)
    long_relative += "/" + std::string(30, level);
  fs::create_directories(dir() / long_relative);
  std::string long_folder = long_relative;
  std::replace(long_folder.begin(), long_folder.end(), '/', '\\');
  long_folder = dir().windows_path() + "\\" + long_folder;
  const std::string default_destination = dir().windows_path() + "\\default";

  run(copying(default_destination, {kChosenFile}));
  wait_page("Where to?");

  std::string chose = browse_choosing(chosen);
  EXPECT_EQ(chose.rfind("ok ", 0), 0u) << chose;
  wait_text(Control::kDestination, escaped(chosen));

  answer_picker({"cancel"});
  click(Control::kBrowse);
  std::string cancelled = picker_answer();
  EXPECT_EQ(cancelled.rfind("ok ", 0), 0u) << cancelled;
  // The wizard stayed disabled under its picker, as under any owned dialog.
  EXPECT_NE(cancelled.find("owner-disabled"), std::string::npos) << cancelled;
  expect_ok("sleep 300");
  EXPECT_EQ(text(Control::kDestination), "ok " + escaped(chosen));

  std::string long_answer = browse_choosing(long_folder);
  EXPECT_EQ(long_answer.rfind("ok ", 0), 0u) << long_answer;
  expect_ok("sleep 300");
  EXPECT_EQ(text(Control::kDestination), "ok " + escaped(chosen));

  settle_page();
  click(Control::kNext);
  finish("Installed");
  expect_installed(dir() / "chosen", {kChosenFile});
  EXPECT_FALSE(fs::exists(dir() / "default"));
}

TEST_F(FolderPicker, FixedDestinationKeepsBrowseDisabled) {
  run(copying(dir().windows_path() + "\\fixed", {kChosenFile}, 1));
  wait_page("Where to?");
  EXPECT_TRUE(visible(Control::kBrowse));
  EXPECT_FALSE(enabled(Control::kBrowse));
  EXPECT_EQ(text(Control::kDestination), "ok " + escaped(dir().windows_path() + "\\fixed"));
  expect_ok("close");
  expect_closed_with_zero();
}

}  // namespace
}  // namespace mivora::test
