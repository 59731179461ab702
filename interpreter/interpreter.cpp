#include "interpreter/interpreter.hpp"

#include "interpreter/commands.hpp"
#include "interpreter/interpreter_state.hpp"
#include "interpreter/messages.hpp"
#include "package/package_check.hpp"
#include "interpreter/presentation.hpp"

namespace mivora {
namespace {

using namespace format;

struct CommandEntry {
  std::uint32_t tag;
  Step (*handler)(Interpreter&);
};

// Searched in order; the end entry (the zero word) comes last.
constexpr CommandEntry kCommandTable[] = {
#define MIVORA_DISPATCH(id, tag, word, arguments, handler) {kTag##id, handler},
    MIVORA_COMMANDS(MIVORA_DISPATCH)
#undef MIVORA_DISPATCH
    {kEndMarker, command_end},
};
static_assert(sizeof kCommandTable / sizeof kCommandTable[0] == kCommandCount + 1);

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
  std::uint32_t tag = read_word();
  for (const CommandEntry& command : kCommandTable)
    if (command.tag == tag) return command.handler(*this);
  return fail_formatted(messages::kCommandNotFound, {tag});
}

std::uint32_t Interpreter::read_word() {
  std::uint32_t word = package_.word_at(script_pointer_).value_or(kEndMarker);
  script_pointer_ += kWordSize;
  return word;
}

CountedView Interpreter::read_string() { return string_at(read_word()); }

CountedView Interpreter::string_at(std::uint32_t reference) const {
  return package_.string_at(string_table_, reference).value_or(CountedView{});
}

ListRecord Interpreter::list_record_at(std::uint32_t offset) const {
  return package_.list_record_at(offset).value_or(ListRecord{});
}

FileRecord Interpreter::file_record_at(std::uint32_t offset) const {
  return package_.file_record_at(offset).value_or(FileRecord{});
}

DataBlock Interpreter::data_block(const FileRecord& file) const {
  return package_.data_block(file).value_or(DataBlock{});
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
