#include "installer_fixture.hpp"

namespace mivora::test {

Session::~Session() {
  EXPECT_FALSE(wizard.answers_left()) << "the script ended before the user was done";
  for (const std::string& problem : wizard.problems()) ADD_FAILURE() << problem;
}

ScriptEnd Session::run_bytes(std::vector<std::uint8_t> bytes) {
  package_bytes = std::move(bytes);
  return run_package_with(wizard, files, view_of(package_bytes));
}

bool is_end_script(const ScriptEnd& end) { return end.kind == ScriptEnd::Kind::kEndScript && end.code == 0; }

bool is_exit_thread(const ScriptEnd& end) { return end.kind == ScriptEnd::Kind::kExitThread; }

void expect_finished(const FakeWizard& wizard, const ScriptEnd& end, const std::string& closing_text,
                     std::uint32_t exit_code) {
  EXPECT_EQ(end.kind, ScriptEnd::Kind::kEndScript);
  EXPECT_EQ(end.code, exit_code);
  EXPECT_EQ(wizard.control(Control::kText).text, closing_text);
  EXPECT_TRUE(wizard.control(Control::kText).visible);
  EXPECT_EQ(wizard.control(Control::kNext).text, "Finish");
  EXPECT_TRUE(wizard.control(Control::kNext).enabled);
  EXPECT_FALSE(wizard.control(Control::kBack).enabled);
  EXPECT_FALSE(wizard.control(Control::kCancel).enabled);
}

void expect_error_state(const FakeWizard& wizard, const ScriptEnd& end, const std::string& message) {
  expect_finished(wizard, end, kErrorNotice, kExitInstallFailed);
  EXPECT_EQ(wizard.control(Control::kText2).text, message);
  for (auto c = static_cast<int>(kFirstPageControl); c <= static_cast<int>(kLastPageControl); ++c) {
    const auto page_control = static_cast<Control>(c);
    SCOPED_TRACE(control_name(page_control));
    EXPECT_EQ(wizard.control(page_control).visible, page_control == Control::kText || page_control == Control::kText2);
  }
}

void expect_window_closed(FakeWizard& wizard, const ScriptEnd& end, int close_requests) {
  EXPECT_EQ(close_window_for(wizard, end), 0u);
  EXPECT_EQ(wizard.close_requests(), close_requests);
  EXPECT_TRUE(wizard.destroyed());
}

}  // namespace mivora::test
