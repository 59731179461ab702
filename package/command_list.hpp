#pragma once
// The script's commands, listed once. Every table that names commands is
// made from this list: the interpreter's dispatch, the load-time check, and
// the tools' compiler, walk, dump and package builder. A new command costs
// one line here and its handler in the interpreter.
#include <cstddef>
#include <cstdint>

#include "package/format.hpp"

namespace mivora::format {

// What a command's argument words hold.
enum class Arguments : std::uint8_t {
  kNone,         // none: `grou` stops the script before it would read any
  kText,         // a string reference
  kPageFlags,    // the page flags
  kDestination,  // a string reference (the default destination), the destination flags
  kListRecord,   // a list record
  kFileRecord,   // a file record
  kLicense,      // the package offset of a text in the data area, its length with its zero byte
};

[[nodiscard]] constexpr std::uint32_t argument_words(Arguments arguments) {
  switch (arguments) {
    case Arguments::kNone: return 0;
    case Arguments::kText: return 1;
    case Arguments::kPageFlags: return 1;
    case Arguments::kDestination: return 2;
    case Arguments::kListRecord: return kListRecordSize / kWordSize;
    case Arguments::kFileRecord: return kFileRecordSize / kWordSize;
    case Arguments::kLicense: return 2;
  }
  return 0;
}
static_assert(kListRecordSize % kWordSize == 0 && argument_words(Arguments::kListRecord) == 4);
static_assert(kFileRecordSize % kWordSize == 0 && argument_words(Arguments::kFileRecord) == 6);

// X(Id, tag, script word, arguments, interpreter handler), in the order the
// interpreter searches its table. `grou` has no script word: no script line
// makes it.
#define MIVORA_COMMANDS(X)                               \
  X(File, "file", "file", kFileRecord, command_file)    \
  X(List, "list", "list", kListRecord, command_list)    \
  X(Text, "text", "text", kText, command_text)          \
  X(Text2, "txt2", "text2", kText, command_text2)       \
  X(Page, "page", "page", kPageFlags, command_page)     \
  X(Group, "grou", nullptr, kNone, command_group)       \
  X(Dest, "dest", "dest", kDestination, command_dest)   \
  X(Copy, "copy", "copy", kText, command_copy)          \
  X(Done, "done", "done", kText, command_done)          \
  X(Name, "name", "name", kText, command_name)          \
  X(License, "lcns", "license", kLicense, command_license)

enum class Command : std::uint8_t {
#define MIVORA_COMMAND_ID(id, tag, word, arguments, handler) k##id,
  MIVORA_COMMANDS(MIVORA_COMMAND_ID)
#undef MIVORA_COMMAND_ID
};

#define MIVORA_COMMAND_TAG(id, tag, word, arguments, handler) inline constexpr std::uint32_t kTag##id = make_tag(tag);
MIVORA_COMMANDS(MIVORA_COMMAND_TAG)
#undef MIVORA_COMMAND_TAG
static_assert(kTagFile == 0x656C6966, "a tag's first character is its least significant byte");
static_assert(kTagLicense == 0x736E636C);

struct CommandInfo {
  Command command;
  std::uint32_t tag;
  const char* tag_name;     // the tag's four characters
  const char* script_word;  // nullptr when no script line makes the command
  Arguments arguments;
  std::uint32_t argument_words;
};

inline constexpr CommandInfo kCommands[] = {
#define MIVORA_COMMAND_INFO(id, tag, word, arguments, handler) \
  {Command::k##id, kTag##id, tag, word, Arguments::arguments, argument_words(Arguments::arguments)},
    MIVORA_COMMANDS(MIVORA_COMMAND_INFO)
#undef MIVORA_COMMAND_INFO
};
inline constexpr std::size_t kCommandCount = sizeof kCommands / sizeof kCommands[0];

[[nodiscard]] constexpr const CommandInfo& info_of(Command command) {
  return kCommands[static_cast<std::size_t>(command)];
}

// The command of a tag, or nullptr for a tag that is none (the end marker too).
[[nodiscard]] constexpr const CommandInfo* find_command(std::uint32_t tag) {
  for (const CommandInfo& info : kCommands)
    if (info.tag == tag) return &info;
  return nullptr;
}

}  // namespace mivora::format
