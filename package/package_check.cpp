#include "package/package_check.hpp"

#include "package/command_list.hpp"

namespace mivora {
namespace {

using namespace format;

// Where the walk stands and what it may resolve strings against.
struct ScriptWalk {
  const PackageView& package;
  std::uint32_t string_table;
};

bool string_resolves(const ScriptWalk& walk, std::uint32_t reference) {
  return walk.package.string_at(walk.string_table, reference).ok();
}

// The argument words lie inside already; only what they point at is checked.
bool argument_is_string(const ScriptWalk& walk, std::uint32_t arguments) {
  return string_resolves(walk, walk.package.word_at(arguments).value_or(0));
}

bool list_is_sound(const ScriptWalk& walk, std::uint32_t arguments) {
  ListRecord list;
  return walk.package.list_record_at(arguments).get(list) && string_resolves(walk, list.directory_name);
}

bool file_is_sound(const ScriptWalk& walk, std::uint32_t arguments) {
  FileRecord file;
  DataBlock block;
  return walk.package.file_record_at(arguments).get(file) && walk.package.data_block(file).get(block) &&
         string_resolves(walk, block.name_reference);
}

// The text lies inside, ends with its one zero byte and holds no other:
// the edit control takes it straight from the package.
bool license_is_sound(const ScriptWalk& walk, std::uint32_t arguments) {
  const ByteView text = walk.package.slice(walk.package.word_at(arguments).value_or(0),
                                           walk.package.word_at(arguments + kWordSize).value_or(0));
  for (std::uint32_t i = 0; i < text.size; ++i)
    if (text.data[i] == 0) return i + 1 == text.size;
  return false;
}

bool arguments_sound(const ScriptWalk& walk, Arguments kind, std::uint32_t arguments) {
  switch (kind) {
    case Arguments::kNone:
    case Arguments::kPageFlags: return true;
    case Arguments::kText:
    case Arguments::kDestination: return argument_is_string(walk, arguments);
    case Arguments::kListRecord: return list_is_sound(walk, arguments);
    case Arguments::kFileRecord: return file_is_sound(walk, arguments);
    case Arguments::kLicense: return license_is_sound(walk, arguments);
  }
  return false;
}

bool script_is_sound(const ScriptWalk& walk, std::uint32_t at) {
  const ByteView bytes = walk.package.bytes();
  for (;;) {
    std::uint32_t tag = 0;
    if (!walk.package.word_at(at).get(tag)) return false;
    if (tag == kEndMarker || tag == kTagGroup) return true;
    const CommandInfo* command = find_command(tag);
    if (command == nullptr) return true;
    const std::uint32_t arguments = at + kWordSize;
    const std::uint32_t argument_bytes = command->argument_words * kWordSize;
    if (!bytes.contains(arguments, argument_bytes)) return false;
    if (!arguments_sound(walk, command->arguments, arguments)) return false;
    at = arguments + argument_bytes;
  }
}

}  // namespace

bool check_package(const PackageView& package, HeadRecord& head) {
  if (package.check_head(head) != HeadProblem::kNone) return false;
  return script_is_sound(ScriptWalk{package, head.string_table_offset}, head.script_offset);
}

}  // namespace mivora
