// `list` and `file` record the file group; `copy` installs it: the
// destination from field 221 and each list's directory, with every missing
// level above them, before any file is written; then each file written
// straight from the package in chunks with the percentage on screen, and one
// pending command looked at between files.
#include "interpreter/commands.hpp"
#include "interpreter/directory_levels.hpp"
#include "interpreter/messages.hpp"
#include "interpreter/presentation.hpp"

namespace mivora {
namespace {

using namespace format;

constexpr std::uint32_t kChunkSize = 65536;
constexpr CountedView kCurrentFileLabel = literal("Current file:");
constexpr CountedView kProgressFormat = literal("%U4%%");
constexpr std::uint8_t kProgressTextLength = 16;

constexpr Control kProgressDisplay[] = {Control::kProgressLabel, Control::kProgressText, Control::kProgressFrame};
static_assert(sizeof kProgressDisplay / sizeof kProgressDisplay[0] == 3);

// The working values of one `copy`.
struct Extraction {
  Interpreter& script;
  // Read from field 221 at up to 255 characters, so that a longer text than
  // the destination's 127 is seen and refused rather than cut; ends with "\"
  // once the destination is entered.
  CountedBuffer<kMaxCountedLength> destination{};
  CountedView directory{};  // the current list's directory name
  CountedBuffer<kMaxPathLength> path{};
};

// Lists may not take more files than were recorded.
bool lists_fit_recorded_files(Interpreter& script) {
  const FileGroup& group = script.group();
  std::uint64_t claimed = 0;
  for (std::uint32_t i = 0; i < group.list_count; ++i) claimed += script.list_record_at(group.lists[i]).file_count;
  return claimed <= group.file_count;
}

// An empty group has nothing left to copy: it shows 100%.
std::uint32_t percentage(const FileGroup& group) {
  if (group.total_size == 0) return 100;
  return static_cast<std::uint32_t>(group.bytes_copied * 100 / group.total_size);
}

// The text changes at most 101 times in a copy, however many chunks there
// are: a text the control already shows is not set again, which spares the
// window a repaint per chunk.
void show_progress(Interpreter& script, std::uint32_t bytes) {
  FileGroup& group = script.group();
  group.bytes_copied += bytes;
  std::uint32_t now = percentage(group);
  if (now == group.percentage_shown) return;
  group.percentage_shown = now;
  CountedBuffer<kProgressTextLength> text;
  format_text(kProgressFormat, text, {now});
  script.controls().set_text(Control::kProgressText, text);
}

// destination\directory\name, or false when it would pass 255 characters.
bool build_path(Extraction& extraction, CountedView name) {
  const CountedView directory = extraction.directory;
  std::size_t length = extraction.destination.length + name.length;
  if (!directory.empty()) length += directory.length + 1u;
  if (length > kMaxPathLength) return false;
  copy_string(extraction.destination, extraction.path);
  if (!directory.empty()) {
    append_string(extraction.path, directory);
    append_char(extraction.path, '\\');
  }
  append_string(extraction.path, name);
  return true;
}

// One write from the package bytes; a short count (a full disk) is a failure.
bool write_chunk(Interpreter& script, FileHandle file, std::uint32_t at, std::uint32_t length) {
  const ByteView chunk = script.contents(at, length);  // whole: the load-time check proved the block
  if (script.files().write(file, chunk.data, chunk.size) != length) return false;
  show_progress(script, length);
  return true;
}

// An empty file takes no write; the percentage it leaves is already shown.
bool write_contents(Interpreter& script, FileHandle file, const DataBlock& block) {
  std::uint32_t at = block.contents_offset;
  for (std::uint32_t remaining = block.size; remaining != 0;) {
    std::uint32_t length = remaining < kChunkSize ? remaining : kChunkSize;
    if (!write_chunk(script, file, at, length)) return false;
    at += length;
    remaining -= length;
  }
  return true;
}

Step extract_file(Extraction& extraction, std::uint32_t record_offset) {
  Interpreter& script = extraction.script;
  const FileRecord record = script.file_record_at(record_offset);
  const DataBlock block = script.data_block(record);
  if (!build_path(extraction, script.string_at(block.name_reference)))
    return script.fail(messages::kCouldNotCreateFile);

  script.controls().set_text(Control::kDestination, extraction.path);
  FileSystem& files = script.files();
  FileHandle file = files.open(kOpenCreateAlways, extraction.path);
  if (!file.valid()) return script.fail(messages::kCouldNotCreateFile);
  if (!write_contents(script, file, block)) {
    files.discard(file, extraction.path);  // no half-written file stays behind
    return script.fail(messages::kCouldNotWriteFile);
  }
  files.set_times(file, record.time);
  files.close(file);
  return Step::kContinue;
}

// One look at the events between two files, without waiting: a close
// request ends the copy here, and at most one command is taken (Cancel asks,
// anything else is dropped). The window queues only what the user did, so
// most looks find nothing.
Step look_at_pending_command(Interpreter& script) {
  ScriptInput& input = script.input();
  const EventSlot first = input.first_pending();
  if (first == EventSlot::kClose) return script.end_on_close();
  // A key outranks a command in the look; next_command drops keys on its way.
  if (first == EventSlot::kIdle || !input.command_pending()) return Step::kContinue;
  Taken taken = input.next_command();
  if (taken.closing) return script.end_on_close();
  if (taken.entry == kCommandCancel) return script.ask_to_cancel();
  return Step::kContinue;
}

Step copy_list(Extraction& extraction, std::uint32_t record_offset) {
  Interpreter& script = extraction.script;
  const ListRecord list = script.list_record_at(record_offset);
  extraction.directory = script.string_at(list.directory_name);
  FileGroup& group = script.group();
  for (std::uint32_t i = 0; i < list.file_count; ++i) {
    Step step = extract_file(extraction, group.files[group.file_count++]);
    if (step == Step::kContinue) step = look_at_pending_command(script);
    if (step != Step::kContinue) return step;
  }
  return Step::kContinue;
}

void show_copy_page(ControlSurface& controls) {
  controls.disable(Control::kDestination);
  controls.show(Control::kDestination);
  controls.set_text(Control::kDestinationLabel, kCurrentFileLabel);
  controls.show(Control::kDestinationLabel);
  for (Control c : kProgressDisplay) controls.show(c);
}

// Creates the destination, makes it current and ends it with "\". A
// destination that is empty or cannot be made current is refused before
// anything is written: the lists' directories would otherwise land in
// whatever folder was current (the installer's own) and an empty one would
// put every file at the root of the drive.
bool enter_destination(Extraction& extraction) {
  if (extraction.destination.length == 0 || extraction.destination.length > kMaxDestinationLength) return false;
  FileSystem& files = extraction.script.files();
  if (!make_directory_levels(files, extraction.destination)) return false;
  if (!files.change_directory(extraction.destination)) return false;
  extraction.script.remember_copied_destination(extraction.destination);
  append_char(extraction.destination, '\\');
  return true;
}

// Every list's directory, below the destination, which is the current
// directory: all of them before the first file, so that a level that cannot
// be made stops the copy with nothing written.
bool make_list_directories(Interpreter& script) {
  const FileGroup& group = script.group();
  for (std::uint32_t i = 0; i < group.list_count; ++i) {
    const CountedView directory = script.string_at(script.list_record_at(group.lists[i]).directory_name);
    if (!directory.empty() && !make_directory_levels(script.files(), directory)) return false;
  }
  return true;
}

}  // namespace

Step command_list(Interpreter& script) {
  const std::uint32_t record = script.script_pointer();
  script.skip_words(kListRecordSize / kWordSize);
  if (!script.group().record_list(record)) return script.fail(messages::kNoValidPackage);
  return Step::kContinue;
}

Step command_file(Interpreter& script) {
  const std::uint32_t record = script.script_pointer();
  script.skip_words(kFileRecordSize / kWordSize);
  if (!script.group().record_file(record, script.file_record_at(record).size))
    return script.fail(messages::kNoValidPackage);
  return Step::kContinue;
}

Step command_copy(Interpreter& script) {
  if (!lists_fit_recorded_files(script)) return script.fail(messages::kNoValidPackage);
  script.advance_page();
  ControlSurface& controls = script.controls();
  controls.set_text(Control::kText, script.read_string());
  controls.show(Control::kText);

  Extraction extraction{script};
  controls.get_text(Control::kDestination, extraction.destination);
  show_copy_page(controls);
  if (!enter_destination(extraction) || !make_list_directories(script))
    return script.fail(messages::kCouldNotCreateFile);

  FileGroup& group = script.group();
  group.file_count = 0;
  group.bytes_copied = 0;
  group.percentage_shown = FileGroup::kNothingShown;
  show_progress(script, 0);
  for (std::uint32_t i = 0; i < group.list_count; ++i) {
    Step step = copy_list(extraction, group.lists[i]);
    if (step != Step::kContinue) return step;
  }
  clear_page(controls);
  return Step::kEndPageRun;
}

}  // namespace mivora
