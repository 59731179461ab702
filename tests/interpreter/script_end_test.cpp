// How the script ends: the close requests that end brings, clear page, and
// the error state's look.
#include "interpreter/script_input.hpp"
#include "installer_fixture.hpp"
#include "interpreter/presentation.hpp"

namespace mivora::testing {
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
    ScriptedWizard wizard;
    if (c.close_event_set) wizard.perform(UserAction::close());
    (void)close_window_for(wizard, ScriptEnd{c.kind, 0});
    EXPECT_EQ(wizard.close_requests(), c.close_requests);
    EXPECT_EQ(wizard.destroyed(), c.destroyed);
  }
}

TEST(ScriptEnding, ClearPageHidesThePageControlsInOrderThenEnablesTheButtons) {
  ScriptedWizard wizard;
  clear_page(wizard);
  clear_page(wizard);  // twice: the same state
  std::vector<std::string> expected;
  for (int id : kPageControlIds) expected.push_back("hide " + std::to_string(id));
  for (const char* button : {"enable 101", "enable 102", "enable 2"}) expected.push_back(button);
  EXPECT_EQ(std::vector<std::string>(wizard.log().begin(), wizard.log().begin() + 14), expected);
  EXPECT_EQ(wizard.control(222).text, "Destination:");  // texts stay
}

TEST(ScriptEnding, ErrorStateShowsTheNoticeOnTwoLinesAndTheMessage) {
  ScriptedWizard wizard;
  wizard.click(102).click(101);  // Back is greyed: its click is dropped
  ScriptInput input(wizard);
  ScriptEnd end = report_formatted_error(wizard, input, literal("Command not found: %X4"), {0x0000ABCDu});
  expect_error_state(wizard, end, "Command not found: 0000ABCD");
  EXPECT_EQ(wizard.calls_starting("user click 102 dropped").size(), 1u);
}

TEST(ScriptEnding, CloseRequestInTheFinishStateEndsTheThread) {
  ScriptedWizard wizard;
  wizard.then(UserAction::close());
  ScriptInput input(wizard);
  ScriptEnd end = enter_finish_state(wizard, input, literal("bye"));
  EXPECT_TRUE(is_exit_thread(end));
  expect_window_closed(wizard, end, 1);
}

}  // namespace
}  // namespace mivora::testing
