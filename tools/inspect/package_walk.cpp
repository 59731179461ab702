#include "tools/inspect/package_walk.hpp"

#include <cstdio>

#include "package/command_list.hpp"
#include "tools/writer/package_rules.hpp"

namespace mivora::inspect {
namespace {

using namespace format;

struct HeadMessage {
  HeadProblem problem;
  const char* message;
};
constexpr HeadMessage kHeadMessages[] = {
    {HeadProblem::kEmpty, "the package is empty"},
    {HeadProblem::kBadMagic, "the package does not start with \"pack\""},
    {HeadProblem::kBadHeadTag, "the head record's tag is not \"head\""},
    {HeadProblem::kNoScript, "the head record's script offset is 0"},
    {HeadProblem::kNoStringTable, "the head record's string table offset is 0"},
    {HeadProblem::kBadVersion, "the format version is not 1"},
    {HeadProblem::kTruncated, "the package ends inside its head record"},
};

std::string tag_text(std::uint32_t tag) {
  char text[64];
  char chars[5] = {};
  for (int i = 0; i < 4; ++i) {
    auto c = static_cast<char>(tag >> (8 * i));
    chars[i] = c >= 0x20 && c < 0x7F ? c : '.';
  }
  std::snprintf(text, sizeof text, "%08X ('%s')", static_cast<unsigned>(tag), chars);
  return text;
}

// The command's first argument word is a string reference.
bool has_string_argument(Arguments arguments) {
  return arguments == Arguments::kText || arguments == Arguments::kDestination ||
         arguments == Arguments::kListRecord;
}

// Commands between two calls of the release hook: each may touch a page of
// strings and one of a data block, so this bounds what stays resident.
constexpr std::uint64_t kCommandsPerRelease = 2048;

class Walker {
 public:
  Walker(ByteView bytes, const WalkHooks& hooks)
      : view_(bytes),
        hooks_(hooks),
        rules_([this](std::uint64_t where, const std::string& m) { problem(static_cast<std::uint32_t>(where), m); },
               describe_offset) {}

  WalkSummary run() {
    HeadRecord head;
    HeadProblem hp = view_.check_head(head);
    if (hp != HeadProblem::kNone) {
      for (const HeadMessage& m : kHeadMessages)
        if (m.problem == hp) problem(0, m.message);
      return std::move(walk_);
    }
    head_ = head;
    if (head.script_offset % 4 != 0) problem(kScriptOffsetField, "the script offset is not a multiple of 4");
    if (head.string_table_offset % 4 != 0)
      problem(kStringTableOffsetField, "the string table offset is not a multiple of 4");
    if (!view_.word_at(head.string_table_offset).ok())
      problem(kStringTableOffsetField, "the string table lies outside the package");
    if (view_.bytes().size % 4 != 0) problem(view_.bytes().size, "the package length is not a multiple of 4");
    walk_script(head.script_offset);
    return std::move(walk_);
  }

 private:
  void problem(std::uint32_t offset, const std::string& message) {
    if (++walk_.problem_count <= WalkSummary::kMaxKeptProblems) walk_.problems.push_back({offset, message});
  }

  void walk_script(std::uint32_t at) {
    for (;;) {
      std::uint32_t tag = 0;
      if (!view_.word_at(at).get(tag)) {
        problem(at, "the script runs past the end of the package without an end marker");
        return;
      }
      if (tag == kEndMarker) {
        rules_.end(at);
        if (expected_files_ > 0)
          problem(at, "the last list expects " + std::to_string(expected_files_) + " more files");
        return;
      }
      const CommandInfo* info = find_command(tag);
      if (info == nullptr) {
        problem(at, "unknown command " + tag_text(tag) + ": the installer stops there");
        return;
      }
      if (info->command == Command::kGroup) {
        problem(at, "'grou' stops the installer with \"Not finished: 'group'\"");
        return;
      }
      WalkedCommand command{at, info, {}, {}, {}, {}};
      for (std::uint32_t i = 0; i < info->argument_words; ++i) {
        std::uint32_t word = 0;
        if (!view_.word_at(at + kWordSize * (1 + i)).get(word)) {
          problem(at, std::string("the '") + info->tag_name + "' command runs past the end of the package");
          return;
        }
        command.arguments.push_back(word);
      }
      if (!understand(command)) return;
      ++walk_.command_count;
      if (hooks_.command) hooks_.command(command);
      if (hooks_.release && walk_.command_count % kCommandsPerRelease == 0) hooks_.release();
      at += kWordSize * (1 + info->argument_words);
    }
  }

  bool resolve(std::uint32_t at, std::uint32_t reference, std::string& out) {
    CountedView s;
    if (!view_.string_at(head_.string_table_offset, reference).get(s)) {
      problem(at, "string reference " + std::to_string(reference) + " lies outside the package");
      return false;
    }
    out.assign(s.chars, s.length);
    return true;
  }

  // Checks one command's arguments and feeds the order rules; false stops the walk.
  bool understand(WalkedCommand& c) {
    const bool is_file = c.command() == Command::kFile;
    rules_.command(c.offset, is_file);
    if (has_string_argument(c.info->arguments) && !resolve(c.offset, c.arguments[0], c.text)) return false;
    if (expected_files_ > 0 && !is_file) {
      problem(c.offset, "a list expects " + std::to_string(expected_files_) + " more files before this command");
      expected_files_ = 0;
    }
    switch (c.command()) {
      case Command::kPage:
        rules_.page(c.offset, c.arguments[0]);
        return true;
      case Command::kDest:
        rules_.dest(c.offset, c.text, c.arguments[1]);
        return true;
      case Command::kCopy:
        rules_.copy(c.offset);
        return true;
      case Command::kDone:
        rules_.done(c.offset);
        return true;
      case Command::kList:
        rules_.list(c.offset, c.text);
        expected_files_ = field(c, kListFileCount);
        return true;
      case Command::kFile:
        return understand_file(c);
      case Command::kText:
      case Command::kText2:
        rules_.page_text(c.offset, c.info->script_word);
        return true;
      case Command::kLicense:
        return understand_license(c);
      default:
        return true;
    }
  }

  // An argument word by its offset in the record that follows the tag.
  static std::uint32_t field(const WalkedCommand& c, std::uint32_t record_offset) {
    return c.arguments[record_offset / kWordSize];
  }

  bool understand_file(WalkedCommand& c) {
    c.file = FileRecord{field(c, kFileDataOffset), field(c, kFileSize),
                        FileTime{field(c, kFileTimeLow), field(c, kFileTimeHigh)}};
    if (!view_.data_block(c.file).get(c.block)) {
      problem(c.offset, "the file's data block (offset " + std::to_string(c.file.data_offset) + ", " +
                            std::to_string(c.file.size) + " bytes) lies outside the package");
      return false;
    }
    if (c.file.data_offset % 4 != 0) problem(c.offset, "the file's data block is not at a multiple of 4");
    if (!resolve(c.offset, c.block.name_reference, c.text)) return false;
    if (expected_files_ == 0)
      problem(c.offset, "a file record that belongs to no list");
    else
      --expected_files_;
    rules_.file(c.offset, c.text);
    walk_.file_bytes += c.file.size;
    return true;
  }

  // As the installer takes it: inside, its last byte the only zero; and as
  // the writer lays it out: aligned, within the limit.
  bool understand_license(WalkedCommand& c) {
    const std::uint32_t offset = c.arguments[0];
    const std::uint32_t length = c.arguments[1];
    const ByteView text = view_.slice(offset, length);
    if (length == 0 || text.size != length) {
      problem(c.offset, "the license text (offset " + std::to_string(offset) + ", " + std::to_string(length) +
                            " bytes) lies outside the package");
      return false;
    }
    c.text.assign(reinterpret_cast<const char*>(text.data), length - 1);
    if (text.data[length - 1] != 0) problem(c.offset, "the license text does not end with a zero byte");
    if (c.text.find('\0') != std::string::npos) problem(c.offset, "the license text holds a zero byte before its end");
    if (offset % 4 != 0) problem(c.offset, "the license text is not at a multiple of 4");
    if (length > kMaxLicenseLength)
      problem(c.offset, "the license text is " + std::to_string(length) + " bytes with its zero byte; at most " +
                            std::to_string(kMaxLicenseLength) + " fit");
    rules_.license(c.offset);
    return true;
  }

  PackageView view_;
  const WalkHooks& hooks_;
  HeadRecord head_{};
  writer::PackageRules rules_;
  WalkSummary walk_;
  std::uint32_t expected_files_ = 0;
};

}  // namespace

std::string describe_offset(std::uint64_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "offset 0x%llX", static_cast<unsigned long long>(offset));
  return text;
}

WalkSummary walk_package(ByteView package, const WalkHooks& hooks) { return Walker(package, hooks).run(); }

PackageWalk walk_package(ByteView package) {
  PackageWalk walk;
  WalkHooks keep_all{[&walk](const WalkedCommand& c) { walk.commands.push_back(c); }, {}};
  WalkSummary summary = walk_package(package, keep_all);
  walk.problems = std::move(summary.problems);
  walk.file_bytes = summary.file_bytes;
  return walk;
}

}  // namespace mivora::inspect
