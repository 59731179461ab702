// How the script ends: the close requests that end brings, clear page, and
// the error state's look.
#include "installer_fixture.hpp"
#include "interpreter/presentation.hpp"

namespace mivora::test {
namespace {

TEST(ScriptEnding, EndSendsOneCloseRequestWhenTheCloseEventIsSetAndTwoWhenNot) {
  struct Case {
    ScriptEnd::Kind kind;
    bool close_event_set;
    int close_requests;
    bool destroyed;
  };
  const Case cases[] = {
      {ScriptEnd::Kind::kEndScript, true, 1, true},
      {ScriptEnd::Kind::kEndScript, false, 2, true},
      {ScriptEnd::Kind::kExitThread, true, 1, true},
      // The window stays open until the user closes it.
      {ScriptEnd::Kind::kExitThread, false, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.kind)) + (c.close_event_set ? " set" : " not set"));
    FakeWizard wizard;
    if (c.close_event_set) wizard.perform(UserAction::close());
    (void)close_window_for(wizard, ScriptEnd{c.kind, 0});
    EXPECT_EQ(wizard.close_requests(), c.close_requests);
    EXPECT_EQ(wizard.destroyed(), c.destroyed);
  }
}

TEST(ScriptEnding, ClearPageHidesThePageControlsInOrderThenEnablesTheButtons) {
  FakeWizard wizard;
  clear_page(wizard);
  clear_page(wizard);  // twice: the same state
  std::vector<std::string> expected;
  for (const char* page_control : {"Browse", "Accept", "Decline", "Text", "Text2", "Destination",
                                   "DestinationLabel", "License", "ProgressLabel", "ProgressText", "ProgressFrame"})
    expected.push_back(std::string("hide ") + page_control);
  for (const char* button : {"enable Next", "enable Back", "enable Cancel"}) expected.push_back(button);
  std::vector<std::string> twice = expected;
  twice.insert(twice.end(), expected.begin(), expected.end());
  EXPECT_EQ(wizard.log(), twice);
  EXPECT_EQ(wizard.control(Control::kDestinationLabel).text, "Destination:");  // texts stay
}

TEST(ScriptEnding, ErrorStateShowsTheNoticeOnTwoLinesAndTheMessage) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.click(Control::kBack).click(Control::kNext);  // Back is greyed: its click is dropped
  ScriptInput input(wizard);
  ScriptEnd end = report_formatted_error(wizard, input, literal("Command not found: %X4"), {0x0000ABCDu});
  expect_error_state(wizard, end, "Command not found: 0000ABCD");
  EXPECT_EQ(wizard.dropped_actions(), 1);
}

TEST(ScriptEnding, CloseRequestInTheFinishStateEndsTheThread) {
  Session session;
  FakeWizard& wizard = session.wizard;
  wizard.then(UserAction::close());
  ScriptInput input(wizard);
  ScriptEnd end = enter_finish_state(wizard, input, literal("bye"));
  EXPECT_TRUE(is_exit_thread(end));
  expect_window_closed(wizard, end, 1);
}

}  // namespace
}  // namespace mivora::test
