#include "tools/script/script_compiler.hpp"

#include <algorithm>
#include <optional>
#include <sstream>
#include <string_view>

#include "package/command_list.hpp"
#include "tools/script/flag_words.hpp"
#include "tools/script/folder_tree.hpp"
#include "tools/script/group_split.hpp"
#include "tools/script/identity_commands.hpp"
#include "tools/script/iso_time.hpp"
#include "tools/script/license_text.hpp"
#include "tools/script/plan_layout.hpp"
#include "tools/script/script_arguments.hpp"
#include "tools/script/script_lexer.hpp"
#include "tools/script/script_plan.hpp"
#include "tools/script/script_text.hpp"
#include "tools/script/source_file.hpp"
#include "tools/script/source_probe.hpp"
#include "tools/script/text_fit.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/package_rules.hpp"
#include "tools/writer/whole_file.hpp"
#include "tools/writer/windows_1252.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;
using format::Command;

// A whole folder tree; a word of the script alone, not a package command.
constexpr const char* kFilesWord = "files";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kNoList = static_cast<std::size_t>(-1);

class Compiler {
 public:
  Compiler(std::string file_name, fs::path base, const CompileOptions& options)
      : file_name_(std::move(file_name)), base_(std::move(base)), options_(options), identity_(base_, options.code_page) {}

  CompileResult run(std::string_view text, writer::PackageBuilder& out) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
      ++line_;
      compile_line(line);
    }
    close_list();
    std::vector<GroupSplit> splits = plan_group_splits(plan_);
    report_groups_that_do_not_fit(splits);
    writer::PackageRules rules([this](std::uint64_t where, const std::string& m) { report(place_of(where), m); },
                               [this](std::uint64_t where) { return describe(place_of(where)); },
                               [this](std::uint64_t where, const std::string& m) { warn(place_of(where), m); });
    lay_out_plan(plan_, splits, rules, out);
    std::uint32_t end = place(line_ == 0 ? 1 : line_);
    rules.end(end);
    if (out.size() > options_.max_package_size && !size_reported_)
      report(end, "the package is " + std::to_string(out.size()) + " bytes; " + size_limit_text());
    finish_identity();
    return finish();
  }

 private:
  static std::uint32_t place_of(std::uint64_t where) { return static_cast<std::uint32_t>(where); }

  std::uint32_t place(std::uint64_t line, std::string source = {}) {
    plan_.places.push_back(Place{line, std::move(source)});
    return static_cast<std::uint32_t>(plan_.places.size() - 1);
  }
  std::uint32_t line_place() {
    if (!line_place_ || plan_.places[*line_place_].line != line_) line_place_ = place(line_);
    return *line_place_;
  }

  std::string prefix(std::uint32_t where) const {
    const Place& p = plan_.places[where];
    return file_name_ + ":" + std::to_string(p.line) + ": ";
  }
  static std::string source_part(const Place& p) { return p.source.empty() ? "" : p.source + ": "; }
  void report(std::uint32_t where, const std::string& message) {
    errors_.push_back({where, prefix(where) + source_part(plan_.places[where]) + message});
  }
  void warn(std::uint32_t where, const std::string& message) {
    result_.warnings.push_back(prefix(where) + "warning: " + source_part(plan_.places[where]) + message);
  }
  std::string describe(std::uint32_t where) const {
    const Place& p = plan_.places[where];
    return "line " + std::to_string(p.line) + (p.source.empty() ? "" : " (" + p.source + ")");
  }

  CompileResult finish() {
    std::stable_sort(errors_.begin(), errors_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& e : errors_) result_.errors.push_back(std::move(e.second));
    return std::move(result_);
  }

  void compile_line(const std::string& line) {
    LexedLine lexed = lex_line(line);
    std::string word;
    try {
      if (!lexed.error.empty()) throw LineError{lexed.error};
      if (lexed.tokens.empty()) return;
      const Token& first = lexed.tokens.front();
      if (first.quoted) throw LineError{"a line starts with a command, not a string"};
      word = first.word;
      std::vector<Token> rest(lexed.tokens.begin() + 1, lexed.tokens.end());
      Arguments arguments(rest, word);
      if (word == kFilesWord) {
        close_list();
        files(arguments);
        return;
      }
      if (std::optional<IdentityWord> identity_word = script::identity_word(word)) {
        close_list();
        identity_line(*identity_word, arguments);
        return;
      }
      for (const format::CommandInfo& info : format::kCommands)
        if (info.script_word != nullptr && word == info.script_word) {
          if (info.command != Command::kFile) close_list();
          compile_command(info, arguments);
          return;
        }
      throw LineError{"unknown command '" + word + "' (" + command_words() + ")"};
    } catch (const LineError& e) {
      report(line_place(), e.message);
      // The 'file' lines after a list that could not be read belong to no list.
      if (word == kFilesWord || word == "list") ignore_files_ = true;
    }
  }

  // Every word a line may start with, for the message about an unknown one.
  static std::string command_words() {
    std::string words;
    for (const format::CommandInfo& info : format::kCommands) {
      if (info.script_word == nullptr) continue;
      words += words.empty() ? "" : ", ";
      words += info.script_word;
      if (info.command == Command::kFile) words += std::string(", ") + kFilesWord;
    }
    for (const IdentityWordInfo& info : kIdentityWords) words += std::string(", ") + info.text;
    return words;
  }

  void identity_line(IdentityWord word, Arguments& a) {
    if (first_page_line_)
      throw LineError{"'" + std::string(text_of(word)) + "' says what the installer is and comes before the first "
                      "'page' (line " + std::to_string(*first_page_line_) + ")"};
    identity_.compile(word, a, line_);
    if (identity_.icon_source() && word == IdentityWord::kIcon) result_.source_files.push_back(*identity_.icon_source());
  }

  // The identity goes to an installer only; with `elevation user` the
  // default destinations must be folders the user may write to.
  void finish_identity() {
    if (!options_.installer_name) {
      if (std::optional<std::uint64_t> first = identity_.first_line())
        warn(place(*first), "the installer's identity (icon, version texts, elevation, brand) goes into an "
                            "installer only, and the output is a bare package (its name does not end in .exe)");
      return;
    }
    writer::InstallerIdentity identity = identity_.identity(*options_.installer_name);
    if (identity.version) {
      try {
        (void)writer::build_version_resource(*identity.version);
      } catch (const writer::InputError& e) {
        report(place(*identity_.last_version_line()), e.what());
        identity.version.reset();  // reported here, not again by the stub that would carry it
      }
    }
    if (identity.elevation == writer::Elevation::user) warn_of_protected_destinations();
    result_.identity = std::move(identity);
  }

  void warn_of_protected_destinations() {
    bool copied = false;
    for (const PlannedCommand& c : plan_.commands) {
      copied = copied || c.command == Command::kCopy;
      // After a copy, 'continue' takes the destination the user chose, not its string.
      if (c.command != Command::kDest || (copied && (c.flags & format::kDestSameDestination))) continue;
      if (std::optional<std::string> folder = folder_needing_elevation(c.text))
        warn(c.place, "the default destination lies under " + *folder +
                          ", where only an administrator may write, and 'elevation user' (line " +
                          std::to_string(*identity_.line_of(IdentityWord::kElevation)) +
                          ") runs the installer with the rights of whoever starts it: use 'elevation admin' or "
                          "'highest', or a folder the user owns");
    }
  }

  void compile_command(const format::CommandInfo& info, Arguments& a) {
    switch (info.arguments) {
      case format::Arguments::kText: return text_command(info, a);
      case format::Arguments::kPageFlags: return page(a);
      case format::Arguments::kDestination: return dest(a);
      case format::Arguments::kListRecord: return list(a);
      case format::Arguments::kFileRecord: return file(a);
      case format::Arguments::kLicense: return license(a);
      case format::Arguments::kNone: break;
    }
    throw LineError{std::string("'") + info.script_word + "' cannot be written in a script"};
  }

  PlannedCommand& add(Command command) {
    plan_.commands.push_back(PlannedCommand{command, line_place(), {}, 0, {}});
    return plan_.commands.back();
  }

  std::string ansi(const std::u32string& text) const { return package_string(text, options_.code_page); }

  // A command whose one argument is a text (name, text, text2, copy, done).
  void text_command(const format::CommandInfo& info, Arguments& a) {
    const std::u32string text = a.string("its text");
    std::string s =
        shows_in_static_control(info.command) ? static_control_string(text, options_.code_page) : ansi(text);
    a.finish();
    // What fits is counted in the characters a user sees: a doubled "&" shows once.
    if (std::optional<std::string> warning = text_fit_warning(info.command, ansi(text))) warn(line_place(), *warning);
    add(info.command).text = std::move(s);
  }

  // The license file's text, converted now; its problems name the file.
  void license(Arguments& a) {
    fs::path source = source_path(a.string("the license file"));
    a.finish();
    fs::path full = base_ / source;
    std::uint32_t where = place(line_, shown_path(source));
    SourceEntry entry = probe_source(full);
    if (entry.kind != SourceKind::kFile) {
      report(where, entry.kind == SourceKind::kFolder ? "is a folder, not a license file" : entry.problem);
      return;
    }
    result_.source_files.push_back(full);
    std::optional<std::vector<std::uint8_t>> bytes;
    if (entry.size < format::kMaxLicenseLength * 4) bytes = writer::read_whole_file(full);
    if (!bytes) {
      report(where, entry.size < format::kMaxLicenseLength * 4
                        ? std::string("cannot be read")
                        : "is " + std::to_string(entry.size) + " bytes; a license text holds at most 65535");
      return;
    }
    LicenseText text = license_text(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                                    options_.code_page);
    if (!text.problem.empty()) return report(where, text.problem);
    add(Command::kLicense).text = std::move(text.bytes);
  }

  void page(Arguments& a) {
    if (!first_page_line_) first_page_line_ = line_;
    std::uint32_t flags = 0;
    while (!a.at_end()) flags |= flag(a.word("a page flag"), kPageFlagWords);
    add(Command::kPage).flags = flags;
  }

  void dest(Arguments& a) {
    std::string path = ansi(a.string("the default destination"));
    std::uint32_t flags = 0;
    while (!a.at_end()) flags |= flag(a.word("a destination flag"), kDestFlagWords);
    PlannedCommand& c = add(Command::kDest);
    c.text = std::move(path);
    c.flags = flags;
  }

  static std::uint32_t flag(const std::string& word, std::span<const FlagWord> known) {
    std::string names;
    for (const FlagWord& f : known) {
      if (word == f.word) return f.value;
      names += names.empty() ? f.word : std::string(", ") + f.word;
    }
    throw LineError{"unknown flag '" + word + "' (" + names + ")"};
  }

  void list(Arguments& a) {
    std::string directory = ansi(a.string("the directory below the destination"));
    a.finish();
    open_list(line_place(), std::move(directory));
  }

  void open_list(std::uint32_t where, std::string directory) {
    plan_.commands.push_back(PlannedCommand{Command::kList, where, {}, 0, PlannedList{std::move(directory), {}}});
    open_list_ = plan_.commands.size() - 1;
  }
  void close_list() {
    open_list_ = kNoList;
    ignore_files_ = false;
  }

  std::optional<FileTime> time_argument(Arguments& a) {
    if (!a.keyword("time")) return std::nullopt;
    std::string text = a.word("a time like 2024-01-02T03:04:05Z");
    std::optional<FileTime> t = parse_iso_time(text);
    if (!t) throw LineError{"'" + text + "' is not a time like 2024-01-02T03:04:05Z (UTC, from the year 1601)"};
    return t;
  }

  void file(Arguments& a) {
    std::string name = ansi(a.string("the file's name"));
    a.expect_keyword("from");
    fs::path source = source_path(a.string("the source file"));
    std::optional<FileTime> time = time_argument(a);
    a.finish();
    fs::path full = base_ / source;
    std::uint32_t where = place(line_, shown_path(source));
    SourceEntry entry = probe_source(full);
    if (entry.kind == SourceKind::kFolder) report(where, "is a folder: use 'files' to copy a folder tree");
    if (entry.kind == SourceKind::kUnusable) report(where, entry.problem);
    bool usable = entry.kind == SourceKind::kFile;
    if (usable) result_.source_files.push_back(full);
    PlannedFile f{name, usable ? entry.size : 0, {}, usable ? full : fs::path(), line_place()};
    if (usable && !sized_and_timed(f, time, where)) return;
    if (open_list_ != kNoList) {
      plan_.commands[open_list_].list.files.push_back(std::move(f));
    } else if (!ignore_files_) {
      PlannedCommand& stray = add(Command::kFile);
      stray.list.files.push_back(std::move(f));
    }
  }

  // Checks the size against what a package holds and takes the file's time.
  bool sized_and_timed(PlannedFile& f, std::optional<FileTime> time, std::uint32_t where) {
    if (f.size > kMaxFileSize) {
      report(where, "is " + std::to_string(f.size) + " bytes; a package file holds at most 4294967295");
      return false;
    }
    content_bytes_ += format::kBlockContents + f.size + format::padding_after(static_cast<std::uint32_t>(f.size % 4));
    if (content_bytes_ > options_.max_package_size && !size_reported_) {
      size_reported_ = true;
      report(where, "with this file the package grows past the limit: " + size_limit_text());
    }
    if (time) {
      f.time = *time;
      return true;
    }
    try {
      f.time = modification_time(f.source);
    } catch (const fs::filesystem_error& e) {
      report(where, plain_reason(e.code()));
      return false;
    }
    if (options_.latest_source_time && f.time.ticks() > options_.latest_source_time->ticks())
      f.time = *options_.latest_source_time;
    return true;
  }

  std::string size_limit_text() const {
    std::uint64_t limit = options_.max_package_size;
    std::string amount =
        limit % (1 << 20) == 0 ? std::to_string(limit >> 20) + " MiB" : std::to_string(limit) + " bytes";
    return "a 32-bit installer maps its package whole and cannot load one larger than " + amount;
  }

  void files(Arguments& a) {
    std::string directory = ansi(a.string("the directory below the destination"));
    a.expect_keyword("from");
    fs::path source = source_path(a.string("the source folder"));
    std::optional<FileTime> time = time_argument(a);
    a.finish();
    fs::path full = base_ / source;
    SourceEntry root = probe_source(full);
    if (root.kind != SourceKind::kFolder) {
      report(place(line_, shown_path(source)),
             root.kind == SourceKind::kFile ? "is a file: use 'file' for a single file" : root.problem);
      ignore_files_ = true;
      return;
    }
    result_.source_folders.push_back(full);
    FolderTree tree = walk_folder_tree(full);
    for (const TreeProblem& p : tree.problems) report(place(line_, shown_path(source / p.relative)), p.reason);
    for (const TreeFolder& folder : tree.folders) tree_folder(directory, source, folder, time);
  }

  // One folder of a tree: its list, which stays open after the last folder
  // for the 'file' lines that may follow.
  void tree_folder(const std::string& directory, const fs::path& source, const TreeFolder& folder,
                   std::optional<FileTime> time) {
    std::uint32_t where = place(line_, shown_path(source / folder.relative));
    std::string target;
    try {
      // The script's directory is in the code page already; only the
      // folder names from the file system are UTF-8.
      std::string sub = ansi_of_utf8(folder.relative, options_.code_page);
      std::replace(sub.begin(), sub.end(), '/', '\\');
      target = directory.empty() ? sub : sub.empty() ? directory : directory + "\\" + sub;
      if (target.size() > format::kMaxPathLength)
        throw LineError{"the folder's path below the destination, '" + writer::shown_ansi(target) + "', is " +
                        std::to_string(target.size()) + " characters; a package string holds at most 255"};
    } catch (const LineError& e) {
      report(where, e.message);
      ignore_files_ = true;
      open_list_ = kNoList;
      return;
    }
    open_list(where, std::move(target));
    ignore_files_ = false;
    for (const TreeFile& f : folder.files) {
      std::uint32_t file_where = place(line_, shown_path(source / folder.relative / f.name));
      try {
        PlannedFile planned{within_string_limit(ansi_of_utf8(f.name, options_.code_page)), f.size, {}, f.source, file_where};
        if (sized_and_timed(planned, time, file_where))
          plan_.commands[open_list_].list.files.push_back(std::move(planned));
      } catch (const LineError& e) {
        report(file_where, e.message);
      }
    }
  }

  void report_groups_that_do_not_fit(const std::vector<GroupSplit>& splits) {
    for (const GroupSplit& g : splits) {
      if (g.fits) continue;
      report(plan_.commands[g.first_list_left_out].place,
             "the group of the 'dest' at " + describe(plan_.commands[g.dest].place) + " has " +
                 std::to_string(g.files) + " files in " + std::to_string(g.lists) + (g.lists == 1 ? " list" : " lists") +
                 ", more than one copy takes (" + std::to_string(format::kMaxFilesPerGroup) + " files, " +
                 std::to_string(format::kMaxListsPerGroup) + " lists); it goes on in the same destination with "
                 "one more 'copy' a part, and the page runs left allow " +
                 std::to_string(g.parts_allowed) + " part" + (g.parts_allowed == 1 ? "" : "s") + ", which hold " +
                 std::to_string(g.files_that_fit) + " of its files: leave files out, or use fewer 'page' and "
                 "'copy' lines");
    }
  }

  std::string file_name_;
  fs::path base_;
  CompileOptions options_;
  ScriptPlan plan_;
  CompileResult result_;
  std::vector<std::pair<std::uint32_t, std::string>> errors_;
  std::uint64_t line_ = 0;
  std::optional<std::uint32_t> line_place_;
  std::size_t open_list_ = kNoList;
  bool ignore_files_ = false;
  std::uint64_t content_bytes_ = 0;
  bool size_reported_ = false;
  IdentityCommands identity_;
  std::optional<std::uint64_t> first_page_line_;
};

}  // namespace

CompileResult compile_script(const std::string& text, const std::string& file_name, const fs::path& base,
                             const CompileOptions& options, writer::PackageBuilder& out) {
  if (!is_supported_code_page(options.code_page)) {
    CompileResult result;
    result.errors.push_back("code page " + std::to_string(options.code_page) + " is not supported (supported: 1252)");
    return result;
  }
  return Compiler(file_name, base, options).run(text, out);
}

CompileResult compile_script(const fs::path& script, const CompileOptions& options, writer::PackageBuilder& out) {
  std::error_code error;
  if (fs::is_directory(script, error)) return CompileResult{{script.string() + ": is a folder, not a script"}, {}, {}, {}, {}};
  std::optional<std::vector<std::uint8_t>> bytes = writer::read_whole_file(script);
  if (!bytes) {
    SourceEntry entry = probe_source(script);
    std::string reason = entry.kind == SourceKind::kUnusable ? entry.problem : "it changed while it was read";
    const std::string redundant = "cannot be read: ";
    if (reason.rfind(redundant, 0) == 0) reason.erase(0, redundant.size());
    return CompileResult{{script.string() + ": cannot read the script: " + reason}, {}, {}, {}, {}};
  }
  std::string text(bytes->begin(), bytes->end());
  return compile_script(text, script.string(), script.parent_path(), options, out);
}

}  // namespace mivora::script
