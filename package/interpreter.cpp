#include "package/interpreter.hpp"

#include "package/commands.hpp"
#include "package/interpreter_state.hpp"
#include "package/messages.hpp"
#include "package/package_check.hpp"
#include "wizard/presentation.hpp"

namespace mivora {
namespace {

using namespace format;

struct CommandEntry {
  std::uint32_t tag;
  Step (*handler)(Interpreter&);
};

// Searched in order; the end entry (the zero word) comes last.
constexpr CommandEntry kCommandTable[] = {
    {kTagFile, command_file},   {kTagList, command_list},   {kTagText, command_text},
    {kTagText2, command_text2}, {kTagPage, command_page},   {kTagGroup, command_group},
    {kTagDest, command_dest},   {kTagCopy, command_copy},   {kTagDone, command_done},
    {kTagName, command_name},   {kEndMarker, command_end},
};
static_assert(sizeof kCommandTable / sizeof kCommandTable[0] == 11);

}  // namespace

Step command_end(Interpreter& script) {
  script.finish_script();
  return Step::kEndPageRun;
}

ScriptEnd run_package(ScriptEnvironment& environment) {
  Interpreter interpreter(environment);
  return interpreter.run();
}

ScriptEnd Interpreter::run() {
  controls().fill_handle_table();
  if (!load_package()) return report_error(controls(), input(), messages::kNoValidPackage);
  for (;;) {
    if (run_page() == Step::kEndScript) return end_;
    if (script_finished_) {
      clear_page(controls());
      return enter_finish_state(controls(), input(), messages::kDone);
    }
  }
}

bool Interpreter::load_package() {
  package_ = PackageView(environment_.package.locate());
  HeadRecord head;
  if (!check_package(package_, head)) return false;
  script_pointer_ = head.script_offset;
  string_table_ = head.string_table_offset;
  return true;
}

Step Interpreter::run_page() {
  clear_page(controls());
  if (page_counter_ >= static_cast<std::int32_t>(kMaxPageRuns)) return fail(messages::kTooManyPages);
  page_positions_[page_counter_] = script_pointer_;
  for (;;) {
    Step step = dispatch_command();
    if (step != Step::kContinue) return step;
  }
}

Step Interpreter::dispatch_command() {
  Checked<std::uint32_t> tag = read_word();
  if (!tag.ok) return fail(messages::kNoValidPackage);
  for (const CommandEntry& command : kCommandTable)
    if (command.tag == tag.value) return command.handler(*this);
  return fail_formatted(messages::kCommandNotFound, {tag.value});
}

Checked<std::uint32_t> Interpreter::read_word() {
  Checked<std::uint32_t> word = package_.word_at(script_pointer_);
  script_pointer_ += kWordSize;
  return word;
}

Checked<CountedView> Interpreter::read_string() {
  Checked<std::uint32_t> reference = read_word();
  Checked<CountedView> text = reference.ok ? string_at(reference.value) : Checked<CountedView>::fail();
  if (!text.ok) (void)fail(messages::kNoValidPackage);
  return text;
}

Checked<CountedView> Interpreter::string_at(std::uint32_t reference) const {
  return package_.string_at(string_table_, reference);
}

bool Interpreter::go_back() {
  if (page_counter_ == 0) return false;
  --page_counter_;
  script_pointer_ = page_positions_[page_counter_];
  return true;
}

Step Interpreter::ask_to_cancel() {
  if (!controls().confirm_exit()) return Step::kContinue;
  return end_with(ScriptEnd{ScriptEnd::Kind::kEndScript, 0});
}

Step Interpreter::end_on_close() { return end_with(ScriptEnd{ScriptEnd::Kind::kExitThread, 0}); }

Step Interpreter::end_with(ScriptEnd end) {
  end_ = end;
  return Step::kEndScript;
}

Step Interpreter::fail(CountedView message) { return end_with(report_error(controls(), input(), message)); }

Step Interpreter::fail_formatted(CountedView format, std::initializer_list<FormatArg> args) {
  return end_with(report_formatted_error(controls(), input(), format, args));
}

}  // namespace mivora
