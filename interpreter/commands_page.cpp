// Page flow: the caption, the page texts, the license, `page` with its
// answer table, `done` and the unfinished `grou`.
#include "interpreter/commands.hpp"
#include "interpreter/messages.hpp"
#include "interpreter/presentation.hpp"

namespace mivora {
namespace {

using namespace format;

Step set_text_of(Interpreter& script, Control control) {
  script.controls().set_text(control, script.read_string());
  return Step::kContinue;
}

Step show_text_in(Interpreter& script, Control control) {
  script.controls().set_text(control, script.read_string());
  script.controls().show(control);
  return Step::kContinue;
}

// Answers to a waiting page. kContinue keeps the page waiting.
Step answer_next(Interpreter& script) {
  script.advance_page();
  return Step::kEndPageRun;
}

// With no earlier page run there is nowhere to go: the page keeps waiting.
Step answer_back(Interpreter& script) { return script.go_back() ? Step::kEndPageRun : Step::kContinue; }

Step answer_cancel(Interpreter& script) { return script.ask_to_cancel(); }

Step answer_accept(Interpreter& script) {
  script.controls().enable(Control::kNext);
  return Step::kContinue;
}

Step answer_decline(Interpreter& script) {
  script.controls().disable(Control::kNext);
  return Step::kContinue;
}

Step answer_browse_unfinished(Interpreter& script) { return script.fail(messages::kBrowseNotFinished); }

// The chosen folder becomes the destination field's text, where `copy`
// takes the destination from; a cancelled picker changes nothing.
Step answer_browse(Interpreter& script) {
  CountedBuffer<kMaxDestinationLength> folder;
  if (script.controls().browse_for_folder(folder)) script.controls().set_text(Control::kDestination, folder);
  return Step::kContinue;
}

struct PageAnswer {
  std::uint32_t entry;
  Step (*act)(Interpreter&);
};

// Whole command entries; every other entry (notifications included) is ignored.
constexpr PageAnswer kPageAnswers[] = {
    {kCommandNext, answer_next},       {kCommandBack, answer_back},
    {kCommandCancel, answer_cancel},   {kCommandAccept, answer_accept},
    {kCommandDecline, answer_decline}, {kCommandBrowseUnfinished, answer_browse_unfinished},
    {kCommandBrowse, answer_browse},
};
static_assert(sizeof kPageAnswers / sizeof kPageAnswers[0] == 7);

Step answer_page(Interpreter& script, std::uint32_t entry) {
  for (const PageAnswer& answer : kPageAnswers)
    if (answer.entry == entry) return answer.act(script);
  return Step::kContinue;
}

Step wait_for_page_answer(Interpreter& script) {
  for (;;) {
    Taken taken = script.input().next_command();
    if (taken.closing) return script.end_on_close();
    Step step = answer_page(script, taken.entry);
    if (step != Step::kContinue) return step;
  }
}

}  // namespace

Step command_name(Interpreter& script) { return set_text_of(script, Control::kWindow); }

Step command_text(Interpreter& script) { return show_text_in(script, Control::kText); }

Step command_text2(Interpreter& script) { return show_text_in(script, Control::kText2); }

// The text goes to the edit straight from the package; the page starts
// declined, so a `page` after it waits with Next as its flags leave it
// until "Accept" is clicked. Back to the page declines again.
Step command_license(Interpreter& script) {
  const std::uint32_t offset = script.read_word();
  // Checked at load time: the text ends with its zero byte.
  const ByteView text = script.contents(offset, script.read_word());
  ControlSurface& controls = script.controls();
  controls.set_long_text(Control::kLicense, reinterpret_cast<const char*>(text.data));
  controls.show(Control::kLicense);
  controls.set_checked(Control::kAccept, false);
  controls.set_checked(Control::kDecline, true);
  controls.show(Control::kAccept);
  controls.show(Control::kDecline);
  return Step::kContinue;
}

Step command_page(Interpreter& script) {
  const std::uint32_t flags = script.read_word();
  if ((flags & kPageNoNext) != 0) script.controls().disable(Control::kNext);
  if ((flags & kPageNoBack) != 0) script.controls().disable(Control::kBack);
  // Clicks made while the page was being built are dropped.
  if (!script.input().discard_pending_commands()) return script.end_on_close();
  return wait_for_page_answer(script);
}

Step command_done(Interpreter& script) {
  const CountedView closing_text = script.read_string();
  return script.end_with(enter_finish_state(script.controls(), script.input(), closing_text));
}

Step command_group(Interpreter& script) { return script.fail(messages::kGroupNotFinished); }

}  // namespace mivora
