// `dest`: the default path with the drive prefix, the lock against editing,
// the field the user may type into or fill with the folder picker, and what
// `copy` takes from it.
#include <filesystem>

#include "installer_fixture.hpp"
#include "tests/support/disk_checks.hpp"

namespace mivora::test {
namespace {

using namespace format;
namespace fs = std::filesystem;

struct DestinationSeen {
  std::string text;
  bool field_shown, label_shown, browse_shown;
  bool field_enabled, browse_enabled;
  bool label_relabelled;
};

// Runs `dest` with the given current directory and cancels on its page.
DestinationSeen run_dest(const std::string& current_directory, const std::string& default_string,
                         std::uint32_t flags, std::vector<std::string>& file_calls) {
  Session session;
  session.files.current_directory_text = current_directory;
  session.wizard.click(Control::kCancel);
  session.wizard.answer_confirmations({true});
  DestinationSeen seen{};
  session.wizard.before_action = [&](const UserAction&) {
    const ControlState& field = session.wizard.control(Control::kDestination);
    const ControlState& browse = session.wizard.control(Control::kBrowse);
    seen = {field.text,    field.visible, session.wizard.control(Control::kDestinationLabel).visible,
            browse.visible, field.enabled, browse.enabled,
            !session.wizard.texts_given(Control::kDestinationLabel).empty()};
  };
  PackageBuilder b;
  b.text("Where to?");
  b.dest(default_string, flags);
  b.page(kPageNoBack);
  b.done("never");
  EXPECT_TRUE(is_end_script(session.run(b)));
  file_calls = session.files.calls;
  return seen;
}

TEST(Destination, DefaultPathFromFlagsAndCurrentDirectory) {
  struct Case {
    std::uint32_t flags;
    const char* current_directory;
    const char* default_string;
    const char* expected;
    bool locked;
  };
  const Case cases[] = {
      {0, "D:\\Setup", "\\Tools", "\\Tools", false},
      {1, "D:\\Setup", "\\Tools", "\\Tools", true},
      {2, "D:\\Setup", "\\Tools", "D:\\Tools", false},
      {3, "D:\\Setup", "\\Tools", "D:\\Tools", true},
      {2, "\\\\server\\share", "\\Tools", "\\Tools", false},
      {3, "\\\\server\\share", "\\Tools", "\\Tools", true},
      {2, "C:\\", "Apps", "C:Apps", false},  // no separator is added
      {2, "", "\\Tools", "\\Tools", false},   // a current directory that cannot be read
      {2, "D", "\\Tools", "\\Tools", false},
      {0xFFFFFFFCu | 2u, "E:\\", "\\X", "E:\\X", false},  // other bits ignored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.current_directory) + " flags " + std::to_string(c.flags));
    std::vector<std::string> file_calls;
    DestinationSeen seen = run_dest(c.current_directory, c.default_string, c.flags, file_calls);
    EXPECT_EQ(seen.text, c.expected);
    EXPECT_TRUE(seen.field_shown && seen.label_shown && seen.browse_shown);
    EXPECT_FALSE(seen.label_relabelled) << "with no copy before it, dest leaves the label's text alone";
    EXPECT_EQ(seen.field_enabled, !c.locked);
    EXPECT_EQ(seen.browse_enabled, !c.locked);
    // The current directory is asked only for the drive prefix.
    EXPECT_EQ(file_calls.size(), (c.flags & kDestDrivePrefix) != 0 ? 1u : 0u);
  }
}

TEST(Destination, ShowsFieldLabelAndBrowseInOrderAfterTheLock) {
  Session session;
  session.wizard.click(Control::kCancel);
  session.wizard.answer_confirmations({true});
  PackageBuilder b;
  b.dest("C:\\Apps", kDestFixed);
  b.page(kPageNoBack);
  (void)session.run(b);
  const std::vector<std::string>& log = session.wizard.log();
  auto at = std::find(log.begin(), log.end(), "disable Browse");
  ASSERT_NE(at, log.end());
  ASSERT_GE(log.end() - at, 6);
  EXPECT_EQ(std::vector<std::string>(at, at + 6),
            (std::vector<std::string>{"disable Browse", "disable Destination", "text Destination C:\\Apps",
                                      "show Destination", "show DestinationLabel", "show Browse"}));
}

class DestinationInstall : public Installer {
 protected:
  // dest, a second page, then the copy of one file.
  PackageBuilder package(std::uint32_t flags = 0) const {
    PackageBuilder b;
    b.text("Where to?");
    b.dest(target("Default"), flags);
    b.page(kPageNoBack);
    b.text("Ready");
    b.page(0);
    b.list("", 1);
    b.file("a.txt", "abc", FileTime{});
    b.copy("Copying");
    b.done("end");
    return b;
  }
  void click_next(int times) {
    for (int i = 0; i < times; ++i) wizard.click(Control::kNext);
  }
};

TEST_F(DestinationInstall, TypedTextIsWhereFilesLand) {
  wizard.then(UserAction::type(target("Typed")));
  click_next(3);
  expect_finished(wizard, run(package()), "end");
  EXPECT_EQ(read_text(target("Typed") + "/a.txt"), "abc");
  EXPECT_FALSE(fs::exists(target("Default")));
}

TEST_F(DestinationInstall, BrowseAnswerBecomesTheDestinationAndCancelChangesNothing) {
  wizard.click(Control::kBrowse).click(Control::kBrowse);
  click_next(3);
  wizard.answer_browse(std::nullopt);
  wizard.answer_browse(target("Picked"));
  std::vector<std::string> field;
  wizard.before_action = [&](const UserAction&) { field.push_back(wizard.control(Control::kDestination).text); };
  expect_finished(wizard, run(package()), "end");
  EXPECT_EQ(field[1], target("Default"));  // the cancelled picker left it
  EXPECT_EQ(field[2], target("Picked"));
  EXPECT_EQ(read_text(target("Picked") + "/a.txt"), "abc");
}

TEST_F(DestinationInstall, FixedDestinationCannotBeTypedOrBrowsed) {
  wizard.then(UserAction::type(target("Typed"))).click(Control::kBrowse);
  click_next(3);
  expect_finished(wizard, run(package(kDestFixed)), "end");
  EXPECT_EQ(wizard.dropped_actions(), 2);
  EXPECT_EQ(wizard.pickers_shown(), 0);
  EXPECT_EQ(read_text(target("Default") + "/a.txt"), "abc");
}

TEST_F(DestinationInstall, BackToTheDestinationPagePutsTheDefaultBack) {
  wizard.then(UserAction::type(target("Typed"))).click(Control::kNext).click(Control::kBack);
  click_next(3);
  std::vector<std::string> field;
  wizard.before_action = [&](const UserAction&) { field.push_back(wizard.control(Control::kDestination).text); };
  expect_finished(wizard, run(package()), "end");
  ASSERT_EQ(field.size(), 6u);
  EXPECT_EQ(field[3], target("Default"));
  EXPECT_EQ(read_text(target("Default") + "/a.txt"), "abc");
}

// What the second destination page showed, after the first group was copied.
struct SecondPage {
  std::string label;
  std::string field;
  bool field_enabled = false;
  bool browse_enabled = false;
};

TEST_F(DestinationInstall, DestAfterACopyIsADestinationPageAgain) {
  for (std::uint32_t flags : {0u, kDestFixed}) {
    SCOPED_TRACE(flags == 0 ? "free" : "fixed");
    Session run_of;
    const std::string root = target(flags == 0 ? "free" : "fixed");
    std::vector<InstalledFile> first = numbered_files(2, 16, "one"), second = numbered_files(2, 16, "two");
    PackageBuilder b = copy_then_destination(root + "-A", first, root + "-B", flags, second);
    FakeWizard& user = run_of.wizard;
    user.click(Control::kNext).then(UserAction::type(root + "-Typed")).click(Control::kNext).click(Control::kNext);
    SecondPage seen;
    user.before_action = [&](const UserAction& action) {
      if (action.kind != UserAction::Kind::kType) return;
      seen = {user.control(Control::kDestinationLabel).text, user.control(Control::kDestination).text,
              user.control(Control::kDestination).enabled, user.control(Control::kBrowse).enabled};
    };
    expect_finished(user, run_of.run(b), "Installed");
    EXPECT_EQ(seen.label, "Destination:");
    EXPECT_EQ(seen.field, root + "-B");
    EXPECT_EQ(seen.field_enabled, flags == 0);
    EXPECT_EQ(seen.browse_enabled, flags == 0);
    expect_installed(root + "-A", first);
    expect_installed(flags == 0 ? root + "-Typed" : root + "-B", second);
    EXPECT_EQ(fs::exists(root + "-B"), flags != 0);
  }
}

// A tree larger than one group's tables goes on in the folder the user
// typed: the later groups continue there, fixed, with no page between.
TEST_F(DestinationInstall, ContinueInstallsLaterGroupsWhereTheFirstWent) {
  const std::vector<std::vector<InstalledFile>> groups = {numbered_files(128, 16, "one"), numbered_files(128, 16, "two"),
                                                          numbered_files(128, 16, "three")};
  PackageBuilder b = continuing_groups(target("Default"), target("Unused"), groups);
  std::string first_default;
  wizard.then(UserAction::type(target("Typed"))).click(Control::kNext).click(Control::kNext);
  wizard.before_action = [&](const UserAction& action) {
    if (action.kind == UserAction::Kind::kType) first_default = wizard.control(Control::kDestination).text;
  };
  expect_finished(wizard, run(b), "Installed");
  EXPECT_EQ(first_default, target("Default")) << "before any copy, continue shows the default string";
  for (const auto& group : groups) expect_installed(target("Typed"), group);
  EXPECT_FALSE(fs::exists(target("Default")));
  EXPECT_FALSE(fs::exists(target("Unused")));
  EXPECT_EQ(wizard.control(Control::kDestinationLabel).text, "Current file:");
  EXPECT_EQ(wizard.texts_given(Control::kDestinationLabel),
            (std::vector<std::string>{"Current file:", "Destination:", "Current file:", "Destination:", "Current file:"}));
}

}  // namespace
}  // namespace mivora::test
