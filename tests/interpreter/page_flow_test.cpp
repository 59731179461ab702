// Pages and their answers: the worked example, Next and Back, the page flags,
// Accept and Decline, Cancel, closing the window, and what is dropped.
#include "interpreter/script_input.hpp"
#include "installer_fixture.hpp"

namespace mivora::testing {
namespace {

using namespace format;

struct Buttons {
  bool next, back, cancel;
  bool operator==(const Buttons&) const = default;
};

Buttons buttons_of(const ScriptedWizard& wizard) {
  return {wizard.control(101).enabled, wizard.control(102).enabled, wizard.control(2).enabled};
}

std::ostream& operator<<(std::ostream& out, const Buttons& b) {
  return out << "next " << b.next << " back " << b.back << " cancel " << b.cancel;
}

// A package with one page and its closing text.
writer::PackageBuilder one_page(const std::string& text, std::uint32_t flags, const std::string& closing) {
  writer::PackageBuilder b;
  b.text(text);
  b.page(flags);
  b.done(closing);
  return b;
}

TEST(PageFlow, WorkedExampleRunsThroughFinish) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  wizard.click(101).click(101);
  Buttons waiting{};
  wizard.before_action = [&](const UserAction&) {
    if (wizard.calls_starting("text 101 Finish").empty()) waiting = buttons_of(wizard);
  };
  writer::PackageBuilder b;
  b.name("Demo");
  b.text("Hello");
  b.page(kPageNoBack);
  b.done("Bye");
  ScriptEnd end = session.run(b);

  EXPECT_EQ((Buttons{true, false, true}), waiting);
  EXPECT_EQ(wizard.calls_starting("text "),
            (std::vector<std::string>{"text 0 Demo", "text 210 Hello", "text 210 Bye", "text 101 Finish"}));
  expect_finished(wizard, end, "Bye");
  EXPECT_EQ(wizard.confirmations_shown(), 0);
  expect_window_closed(wizard, end, 2);
}

TEST(PageFlow, NextThenBackRepeatsTheFirstPageRun) {
  Session session;
  session.wizard.click(101).click(102).click(101).click(101).click(101);
  writer::PackageBuilder b;
  b.name("Setup");
  b.text("first");
  b.page(kPageNoBack);
  b.text("second");
  b.page(0);
  b.done("end");
  ScriptEnd end = session.run(b);
  expect_finished(session.wizard, end, "end");
  EXPECT_EQ(session.wizard.calls_starting("text "),
            (std::vector<std::string>{"text 0 Setup", "text 210 first", "text 210 second", "text 0 Setup",
                                      "text 210 first", "text 210 second", "text 210 end", "text 101 Finish"}));
}

TEST(PageFlow, BackWithNoEarlierPageRunIsIgnored) {
  Session session;
  session.wizard.click(102).click(101).click(101);
  ScriptEnd end = session.run(one_page("first", 0, "end"));  // Back left enabled on the first page
  expect_finished(session.wizard, end, "end");
  EXPECT_EQ(session.wizard.calls_starting("text 210 first").size(), 1u);
}

TEST(PageFlow, PageFlagsSetTheButtonsWhileThePageWaits) {
  struct Case {
    std::uint32_t flags;
    Buttons expected;
  };
  const Case cases[] = {
      {0, {true, true, true}},         {1, {true, false, true}},  {2, {false, true, true}},
      {3, {false, false, true}},       {0xFFFFFFFCu, {true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    Session session;
    ScriptedWizard& wizard = session.wizard;
    wizard.click(2);
    wizard.answer_confirmations({true});
    Buttons waiting{};
    wizard.before_action = [&](const UserAction&) { waiting = buttons_of(wizard); };
    EXPECT_TRUE(is_end_script(session.run(one_page("page", c.flags, "end"))));
    EXPECT_EQ(waiting, c.expected);
  }
}

TEST(PageFlow, AcceptAndDeclineSwitchNext) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  // Accept and Decline are never shown: their entries come as raw commands.
  wizard.then(UserAction::entry(203)).click(101).then(UserAction::entry(202)).click(101).click(101);
  std::vector<bool> next_enabled;
  wizard.before_action = [&](const UserAction&) { next_enabled.push_back(wizard.control(101).enabled); };
  ScriptEnd end = session.run(one_page("licence", kPageNoBack | kPageNoNext, "end"));
  expect_finished(wizard, end, "end");
  EXPECT_EQ(next_enabled, (std::vector<bool>{false, false, false, true, true}));
  EXPECT_EQ(wizard.calls_starting("user click 101 dropped").size(), 1u);
}

TEST(PageFlow, Answer204StopsWithBrowseNotFinished) {
  Session session;
  session.wizard.then(UserAction::entry(204)).click(101);
  expect_error_state(session.wizard, session.run(one_page("page", 0, "never")), "Not finished: 'browse'");
}

TEST(PageFlow, ClicksMadeBeforeThePageAppearsAreDropped) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  wizard.on_call = [&](const std::string& line) {
    if (line == "text 210 building") wizard.perform(UserAction::click(101));
  };
  wizard.click(2).click(101).click(101);
  wizard.answer_confirmations({false});
  ScriptEnd end = session.run(one_page("building", kPageNoBack, "end"));
  expect_finished(wizard, end, "end");
  // Had the early Next been taken, the page would have gone before Cancel.
  EXPECT_EQ(wizard.confirmations_shown(), 1);
}

TEST(PageFlow, CancelAnsweredNoKeepsThePageThenYesEnds) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  wizard.click(2).click(2);
  wizard.answer_confirmations({false, true});
  std::vector<Buttons> waiting;
  wizard.before_action = [&](const UserAction&) { waiting.push_back(buttons_of(wizard)); };
  ScriptEnd end = session.run(one_page("page", kPageNoBack, "never"));
  EXPECT_TRUE(is_end_script(end));
  EXPECT_EQ(wizard.confirmations_shown(), 2);
  EXPECT_EQ(waiting, (std::vector<Buttons>{{true, false, true}, {true, false, true}}));
  EXPECT_TRUE(wizard.calls_starting("text 210 never").empty());
  expect_window_closed(wizard, end, 2);
}

TEST(PageFlow, CloseRequestWhilePageWaitsEndsWithoutConfirmation) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  wizard.then(UserAction::close());
  ScriptEnd end = session.run(one_page("page", 0, "never"));
  EXPECT_TRUE(is_exit_thread(end));
  EXPECT_EQ(wizard.confirmations_shown(), 0);
  expect_window_closed(wizard, end, 1);
}

TEST(PageFlow, KeysNotificationsAndUnknownEntriesAreIgnoredWhileWaiting) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  wizard.then(UserAction::key('a'))
      .then(UserAction::key(-13))
      .then(UserAction::entry(kDestinationChanged))
      .then(UserAction::entry(0x00010000u | 101u))  // 101 with a notification code
      .then(UserAction::entry(220))                  // Browse... with no picker wanted: see Destination
      .click(101)
      .click(101);
  wizard.answer_browse(std::nullopt);
  ScriptEnd end = session.run(one_page("page", kPageNoBack, "end"));
  expect_finished(wizard, end, "end");
  EXPECT_EQ(wizard.confirmations_shown(), 0);
}

TEST(PageFlow, FinishIsTheOnlyAnswerInTheFinishState) {
  Session session;
  ScriptedWizard& wizard = session.wizard;
  wizard.then(UserAction::entry(102)).then(UserAction::entry(2)).then(UserAction::entry(204)).click(101);
  writer::PackageBuilder b;
  b.done("closing");
  ScriptEnd end = session.run(b);
  expect_finished(wizard, end, "closing");
  EXPECT_EQ(wizard.confirmations_shown(), 0);
  EXPECT_TRUE(wizard.calls_starting("text 211").empty());
}

TEST(PageFlow, SeventeenthPageRunStopsWithTooManyPages) {
  for (int pages : {15, 16}) {
    SCOPED_TRACE(pages);
    Session session;
    writer::PackageBuilder b;
    for (int i = 0; i < pages; ++i) {
      b.text("page " + std::to_string(i));
      b.page(0);
      session.wizard.click(101);
    }
    b.done("end");
    session.wizard.click(101);
    ScriptEnd end = session.run(b);
    if (pages == 15)
      expect_finished(session.wizard, end, "end");
    else
      expect_error_state(session.wizard, end, "Too many pages.");
  }
}

}  // namespace
}  // namespace mivora::testing
