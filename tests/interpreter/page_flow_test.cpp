// Pages and their answers: the worked example, Next and Back, the page flags,
// Accept and Decline, Cancel, closing the window, and what is dropped.
#include "installer_fixture.hpp"

namespace mivora::test {
namespace {

using namespace format;
using Texts = std::vector<std::string>;

struct Buttons {
  bool next, back, cancel;
  bool operator==(const Buttons&) const = default;
};

Buttons buttons_of(const FakeWizard& wizard) {
  return {wizard.control(Control::kNext).enabled, wizard.control(Control::kBack).enabled,
          wizard.control(Control::kCancel).enabled};
}

std::ostream& operator<<(std::ostream& out, const Buttons& b) {
  return out << "next " << b.next << " back " << b.back << " cancel " << b.cancel;
}

TEST(PageFlow, WorkedExampleRunsThroughFinish) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.click(Control::kNext).click(Control::kNext);
  Buttons waiting{};
  wizard.before_action = [&](const UserAction&) {
    if (wizard.control(Control::kNext).text != "Finish") waiting = buttons_of(wizard);
  };
  ScriptEnd end = session.run(worked_example());

  EXPECT_EQ((Buttons{true, false, true}), waiting);
  EXPECT_EQ(wizard.texts_given(Control::kWindow), Texts{"Demo"});
  EXPECT_EQ(wizard.texts_given(Control::kText), (Texts{"Hello", "Bye"}));
  EXPECT_EQ(wizard.texts_given(Control::kNext), Texts{"Finish"});
  EXPECT_TRUE(wizard.texts_given(Control::kText2).empty());
  expect_finished(wizard, end, "Bye");
  EXPECT_EQ(wizard.confirmations_shown(), 0);
  expect_window_closed(wizard, end, 2);
}

TEST(PageFlow, NextThenBackRepeatsTheFirstPageRun) {
  Session session;
  session.wizard.click(Control::kNext)
      .click(Control::kBack)
      .click(Control::kNext)
      .click(Control::kNext)
      .click(Control::kNext);
  PackageBuilder b;
  b.name("Setup");
  b.text("first");
  b.page(kPageNoBack);
  b.text("second");
  b.page(0);
  b.done("end");
  ScriptEnd end = session.run(b);
  expect_finished(session.wizard, end, "end");
  EXPECT_EQ(session.wizard.texts_given(Control::kWindow), (Texts{"Setup", "Setup"}));
  EXPECT_EQ(session.wizard.texts_given(Control::kText), (Texts{"first", "second", "first", "second", "end"}));
}

TEST(PageFlow, BackWithNoEarlierPageRunIsIgnored) {
  Session session;
  session.wizard.click(Control::kBack).click(Control::kNext).click(Control::kNext);
  ScriptEnd end = session.run(one_page("first", 0, "end"));  // Back left enabled on the first page
  expect_finished(session.wizard, end, "end");
  EXPECT_EQ(session.wizard.texts_given(Control::kText), (Texts{"first", "end"}));
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
    FakeWizard& wizard = session.wizard;
    wizard.click(Control::kCancel);
    wizard.answer_confirmations({true});
    Buttons waiting{};
    wizard.before_action = [&](const UserAction&) { waiting = buttons_of(wizard); };
    EXPECT_TRUE(is_end_script(session.run(one_page("page", c.flags, "end"))));
    EXPECT_EQ(waiting, c.expected);
  }
}

TEST(PageFlow, AcceptAndDeclineSwitchNext) {
  Session session;
  FakeWizard& wizard = session.wizard;
  // Accept and Decline are never shown: their entries come as raw commands.
  wizard.then(UserAction::entry(kCommandDecline))
      .click(Control::kNext)
      .then(UserAction::entry(kCommandAccept))
      .click(Control::kNext)
      .click(Control::kNext);
  std::vector<bool> next_enabled;
  wizard.before_action = [&](const UserAction&) { next_enabled.push_back(wizard.control(Control::kNext).enabled); };
  ScriptEnd end = session.run(one_page("licence", kPageNoBack | kPageNoNext, "end"));
  expect_finished(wizard, end, "end");
  EXPECT_EQ(next_enabled, (std::vector<bool>{false, false, false, true, true}));
  EXPECT_EQ(wizard.dropped_actions(), 1);
}

// What the user sees of a license page while a page waits.
struct LicenseView {
  bool license, accept, accept_checked, decline, decline_checked, next;
  bool operator==(const LicenseView&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LicenseView& v) {
  return out << "license " << v.license << " accept " << v.accept << "/" << v.accept_checked << " decline "
             << v.decline << "/" << v.decline_checked << " next " << v.next;
}

TEST(PageFlow, LicensePageStartsDeclinedAndNextFollowsTheRadioButtons) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.click(Control::kNext)
      .click(Control::kNext)  // dropped: the page starts declined
      .click(Control::kAccept)
      .click(Control::kDecline)
      .click(Control::kAccept)
      .click(Control::kNext)
      .click(Control::kBack)
      .click(Control::kAccept)
      .click(Control::kNext)
      .click(Control::kNext)
      .click(Control::kNext);
  std::vector<LicenseView> seen;
  wizard.before_action = [&](const UserAction&) {
    auto c = [&](Control control) { return wizard.control(control); };
    seen.push_back({c(Control::kLicense).visible, c(Control::kAccept).visible, c(Control::kAccept).checked,
                    c(Control::kDecline).visible, c(Control::kDecline).checked, c(Control::kNext).enabled});
  };
  PackageBuilder b;
  b.text("Welcome");
  b.page(kPageNoBack);
  b.license("Terms\r\nMore terms");
  b.page(kPageNoNext);
  b.text("Ready");
  b.page(0);
  b.done("end");
  ScriptEnd end = session.run(b);
  expect_finished(wizard, end, "end");

  const LicenseView welcome{false, false, false, false, false, true};
  const LicenseView declined{true, true, false, true, true, false};
  const LicenseView accepted{true, true, true, true, false, true};
  const LicenseView ready{false, false, true, false, false, true};  // clear page hides, checks stay
  EXPECT_EQ(seen, (std::vector<LicenseView>{welcome, declined, declined, accepted, declined, accepted, ready,
                                            declined, accepted, ready, ready}));
  EXPECT_EQ(wizard.dropped_actions(), 1);
  EXPECT_EQ(wizard.texts_given(Control::kLicense), (Texts{"Terms\r\nMore terms", "Terms\r\nMore terms"}));
}

TEST(PageFlow, Answer204StopsWithBrowseNotFinished) {
  Session session;
  session.wizard.then(UserAction::entry(kCommandBrowseUnfinished)).click(Control::kNext);
  expect_error_state(session.wizard, session.run(one_page("page", 0, "never")), "Not finished: 'browse'");
}

TEST(PageFlow, ClicksMadeBeforeThePageAppearsAreDropped) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.on_call = [&](const std::string& line) {
    if (line == "text Text building") wizard.perform(UserAction::click(Control::kNext));
  };
  wizard.click(Control::kCancel).click(Control::kNext).click(Control::kNext);
  wizard.answer_confirmations({false});
  ScriptEnd end = session.run(one_page("building", kPageNoBack, "end"));
  expect_finished(wizard, end, "end");
  // Had the early Next been taken, the page would have gone before Cancel.
  EXPECT_EQ(wizard.confirmations_shown(), 1);
}

TEST(PageFlow, CancelAnsweredNoKeepsThePageThenYesEnds) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.click(Control::kCancel).click(Control::kCancel);
  wizard.answer_confirmations({false, true});
  std::vector<Buttons> waiting;
  wizard.before_action = [&](const UserAction&) { waiting.push_back(buttons_of(wizard)); };
  ScriptEnd end = session.run(one_page("page", kPageNoBack, "never"));
  EXPECT_TRUE(is_end_script(end));
  EXPECT_EQ(wizard.confirmations_shown(), 2);
  EXPECT_EQ(waiting, (std::vector<Buttons>{{true, false, true}, {true, false, true}}));
  EXPECT_EQ(wizard.texts_given(Control::kText), Texts{"page"});
  expect_window_closed(wizard, end, 2);
}

TEST(PageFlow, CloseRequestWhilePageWaitsEndsWithoutConfirmation) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.then(UserAction::close());
  ScriptEnd end = session.run(one_page("page", 0, "never"));
  EXPECT_TRUE(is_exit_thread(end));
  EXPECT_EQ(wizard.confirmations_shown(), 0);
  expect_window_closed(wizard, end, 1);
}

TEST(PageFlow, KeysNotificationsAndUnknownEntriesAreIgnoredWhileWaiting) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.then(UserAction::key('a'))
      .then(UserAction::key(-13))
      .then(UserAction::entry(kDestinationChanged))
      .then(UserAction::entry(0x00010000u | kCommandNext))  // Next with a notification code
      .then(UserAction::entry(kCommandBrowse))              // Browse... with no picker wanted: see Destination
      .click(Control::kNext)
      .click(Control::kNext);
  wizard.answer_browse(std::nullopt);
  ScriptEnd end = session.run(one_page("page", kPageNoBack, "end"));
  expect_finished(wizard, end, "end");
  EXPECT_EQ(wizard.confirmations_shown(), 0);
}

TEST(PageFlow, FinishIsTheOnlyAnswerInTheFinishState) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.then(UserAction::entry(kCommandBack))
      .then(UserAction::entry(kCommandCancel))
      .then(UserAction::entry(kCommandBrowseUnfinished))
      .click(Control::kNext);
  PackageBuilder b;
  b.done("closing");
  ScriptEnd end = session.run(b);
  expect_finished(wizard, end, "closing");
  EXPECT_EQ(wizard.confirmations_shown(), 0);
  EXPECT_TRUE(wizard.texts_given(Control::kText2).empty());
}

TEST(PageFlow, SeventeenthPageRunStopsWithTooManyPages) {
  // Each page and the closing text start a run: 16 pages make 17 runs.
  for (int count : {15, 16}) {
    SCOPED_TRACE(count);
    Session session;
    for (int i = 0; i <= count; ++i) session.wizard.click(Control::kNext);
    ScriptEnd end = session.run(pages(count));
    if (count == 15)
      expect_finished(session.wizard, end, "end");
    else
      expect_error_state(session.wizard, end, "Too many pages.");
  }
}

}  // namespace
}  // namespace mivora::test
