#pragma once
// The interpreter of one run of the script: where the script pointer stands,
// the string table, the page counter with its position table, the file group
// and, once the script has ended, how it ended. One is made per run_package
// call, on the script thread's stack; nothing is allocated.
//
// Ending the script unwinds: every operation that can end it returns
// Step::kEndScript after storing the ScriptEnd, and every caller passes that
// straight up to run_package.
#include <cstdint>
#include <initializer_list>

#include "interpreter/file_group.hpp"
#include "interpreter/interpreter.hpp"
#include "package/package_view.hpp"
#include "support/format_text.hpp"

namespace mivora {

// What a command handler (or a step inside one) leaves the interpreter to do.
enum class Step : std::uint8_t {
  kContinue,    // go on with the next command of this page run
  kEndPageRun,  // the page run is over: a new one starts at the script pointer
  kEndScript,   // the script has ended; the end is stored in the interpreter
};

class Interpreter {
 public:
  explicit Interpreter(ScriptEnvironment& environment) : environment_(environment) {}

  // Fills the control handle table, loads the package and runs page runs
  // until the script ends.
  [[nodiscard]] ScriptEnd run();

  // Reads of the package. The load-time check has proved that every command
  // the script can reach, with its arguments, records, data blocks and
  // strings, lies inside the package, so these reads cannot fail; should one
  // ever miss, it gives the end marker, the empty string or an empty record,
  // never a byte outside the package.

  // The word at the script pointer; the pointer moves past it.
  [[nodiscard]] std::uint32_t read_word();
  // The counted string designated by the word at the script pointer.
  [[nodiscard]] CountedView read_string();
  // A string reference met inside a record (a list's directory, a file's name).
  [[nodiscard]] CountedView string_at(std::uint32_t reference) const;
  [[nodiscard]] ListRecord list_record_at(std::uint32_t offset) const;
  [[nodiscard]] FileRecord file_record_at(std::uint32_t offset) const;
  [[nodiscard]] DataBlock data_block(const FileRecord& file) const;
  // `length` content bytes from `offset`.
  [[nodiscard]] ByteView contents(std::uint32_t offset, std::uint32_t length) const {
    return package_.slice(offset, length);
  }
  [[nodiscard]] std::uint32_t script_pointer() const { return script_pointer_; }
  void skip_words(std::uint32_t count) { script_pointer_ += count * format::kWordSize; }

  void advance_page() { ++page_counter_; }
  // Back to the start of the previous page run; false when there is none.
  [[nodiscard]] bool go_back();
  void finish_script() { script_finished_ = true; }

  // The exit confirmation; Yes ends the script with code 0, No continues.
  [[nodiscard]] Step ask_to_cancel();
  // The close event was seen while waiting: the script ends at once.
  [[nodiscard]] Step end_on_close();
  [[nodiscard]] Step end_with(ScriptEnd end);
  // The error state with a fixed message.
  [[nodiscard]] Step fail(CountedView message);
  [[nodiscard]] Step fail_formatted(CountedView format, std::initializer_list<FormatArg> args);

  [[nodiscard]] ControlSurface& controls() { return environment_.controls; }
  [[nodiscard]] ScriptInput& input() { return environment_.input; }
  [[nodiscard]] FileSystem& files() { return environment_.files; }
  [[nodiscard]] FileGroup& group() { return group_; }
  // The destination the last `copy` installed to, as read from field 221;
  // empty until a copy has entered one.
  [[nodiscard]] CountedView copied_destination() const { return copied_destination_; }
  void remember_copied_destination(CountedView destination) { copy_string(destination, copied_destination_); }

 private:
  [[nodiscard]] bool load_package();
  [[nodiscard]] Step run_page();
  [[nodiscard]] Step dispatch_command();

  ScriptEnvironment& environment_;
  PackageView package_{};
  std::uint32_t script_pointer_ = 0;
  std::uint32_t string_table_ = 0;
  std::int32_t page_counter_ = 0;
  std::uint32_t page_positions_[format::kMaxPageRuns] = {};
  bool script_finished_ = false;
  FileGroup group_{};
  CountedBuffer<format::kMaxDestinationLength> copied_destination_{};
  ScriptEnd end_{};
};

}  // namespace mivora
