#include "package/package_check.hpp"

namespace mivora {
namespace {

using namespace format;

// Where the walk stands and what it may resolve strings against.
struct ScriptWalk {
  const PackageView& package;
  std::uint32_t string_table;
};

bool string_resolves(const ScriptWalk& walk, std::uint32_t reference) {
  return walk.package.string_at(walk.string_table, reference).ok;
}

bool argument_is_string(const ScriptWalk& walk, std::uint32_t arguments) {
  return string_resolves(walk, walk.package.word_at(arguments).value);
}

bool list_is_sound(const ScriptWalk& walk, std::uint32_t arguments) {
  Checked<ListRecord> list = walk.package.list_record_at(arguments);
  return list.ok && string_resolves(walk, list.value.directory_name);
}

bool file_is_sound(const ScriptWalk& walk, std::uint32_t arguments) {
  Checked<FileRecord> file = walk.package.file_record_at(arguments);
  if (!file.ok) return false;
  Checked<DataBlock> block = walk.package.data_block(file.value);
  return block.ok && string_resolves(walk, block.value.name_reference);
}

// What a command's arguments must satisfy, beyond lying in the package:
// records must resolve; every other command but `page` takes a string first.
bool arguments_sound(const ScriptWalk& walk, std::uint32_t tag, std::uint32_t arguments) {
  switch (tag) {
    case kTagFile:
      return file_is_sound(walk, arguments);
    case kTagList:
      return list_is_sound(walk, arguments);
    case kTagPage:
      return true;
    default:
      return argument_is_string(walk, arguments);
  }
}

bool script_is_sound(const ScriptWalk& walk, std::uint32_t at) {
  const ByteView bytes = walk.package.bytes();
  for (;;) {
    Checked<std::uint32_t> tag = walk.package.word_at(at);
    if (!tag.ok) return false;
    if (tag.value == kEndMarker || tag.value == kTagGroup) return true;
    const CommandShape* shape = find_command_shape(tag.value);
    if (shape == nullptr) return true;
    const std::uint32_t arguments = at + kWordSize;
    const std::uint32_t argument_bytes = shape->argument_words * kWordSize;
    if (!bytes.contains(arguments, argument_bytes)) return false;
    if (!arguments_sound(walk, tag.value, arguments)) return false;
    at = arguments + argument_bytes;
  }
}

}  // namespace

bool check_package(const PackageView& package, HeadRecord& head) {
  if (package.check_head(head) != HeadProblem::kNone) return false;
  return script_is_sound(ScriptWalk{package, head.string_table_offset}, head.script_offset);
}

}  // namespace mivora
