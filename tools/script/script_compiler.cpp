#include "tools/script/script_compiler.hpp"

#include <optional>
#include <sstream>

#include "package/command_list.hpp"
#include "tools/script/flag_words.hpp"
#include "tools/script/folder_tree.hpp"
#include "tools/script/iso_time.hpp"
#include "tools/script/script_lexer.hpp"
#include "tools/script/source_file.hpp"
#include "tools/writer/package_rules.hpp"
#include "tools/writer/whole_file.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;

// A whole folder tree; a word of the script alone, not a package command.
constexpr const char* kFilesWord = "files";

// A problem on the line being compiled; the line is abandoned.
struct LineError {
  std::string message;
};

// The arguments of one command, taken from left to right.
class Arguments {
 public:
  Arguments(const std::vector<Token>& tokens, std::string command) : tokens_(tokens), command_(std::move(command)) {}

  std::u32string string(const char* what) {
    if (at_end() || !tokens_[next_].quoted)
      throw LineError{"'" + command_ + "' expects " + what + " as a quoted string"};
    return tokens_[next_++].text;
  }
  bool keyword(const char* word) {
    if (at_end() || tokens_[next_].quoted || tokens_[next_].word != word) return false;
    ++next_;
    return true;
  }
  void expect_keyword(const char* word) {
    if (!keyword(word)) throw LineError{"'" + command_ + "' expects '" + word + "' here"};
  }
  std::string word(const char* what) {
    if (at_end() || tokens_[next_].quoted) throw LineError{"'" + command_ + "' expects " + what};
    return tokens_[next_++].word;
  }
  [[nodiscard]] bool at_end() const { return next_ >= tokens_.size(); }
  void finish() {
    if (!at_end()) throw LineError{"unexpected '" + describe(tokens_[next_]) + "' after '" + command_ + "'"};
  }

 private:
  static std::string describe(const Token& t) { return t.quoted ? "\"...\"" : t.word; }
  const std::vector<Token>& tokens_;
  std::size_t next_ = 0;
  std::string command_;
};

struct PendingFile {
  std::string name;
  std::uint64_t size;
  FileTime time;
  fs::path source;
};

struct PendingList {
  std::string directory;
  std::vector<PendingFile> files;
};

fs::path utf8_path(const std::u32string& text) {
  std::string utf8;
  for (char32_t c : text) utf8 += to_utf8(c);
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

class Compiler {
 public:
  Compiler(std::string file_name, fs::path base, const CompileOptions& options, writer::PackageBuilder& out)
      : file_name_(std::move(file_name)),
        base_(std::move(base)),
        options_(options),
        out_(out),
        rules_([this](std::uint64_t line, const std::string& m) { report(line, m); },
               [](std::uint64_t line) { return "line " + std::to_string(line); }) {}

  void run(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      ++line_;
      compile_line(line);
    }
    flush_list();
    rules_.end(line_ == 0 ? 1 : line_);
    if (out_.size() > options_.max_package_size && !size_reported_)
      report(line_, "the package is " + std::to_string(out_.size()) + " bytes; " + size_limit_text());
    if (!errors_.empty()) throw ScriptErrors(errors_);
  }

 private:
  void compile_line(const std::string& line) {
    LexedLine lexed = lex_line(line);
    try {
      if (!lexed.error.empty()) throw LineError{lexed.error};
      if (lexed.tokens.empty()) return;
      const Token& first = lexed.tokens.front();
      if (first.quoted) throw LineError{"a line starts with a command, not a string"};
      std::vector<Token> rest(lexed.tokens.begin() + 1, lexed.tokens.end());
      Arguments arguments(rest, first.word);
      if (first.word == kFilesWord) {
        flush_list();
        rules_.command(line_, false);
        files(arguments);
        return;
      }
      for (const format::CommandInfo& info : format::kCommands)
        if (info.script_word != nullptr && first.word == info.script_word) {
          bool is_file = info.command == format::Command::kFile;
          if (!is_file) flush_list();
          rules_.command(line_, is_file);
          compile_command(info, arguments);
          return;
        }
      throw LineError{"unknown command '" + first.word + "' (" + command_words() + ")"};
    } catch (const LineError& e) {
      report(line_, e.message);
    }
  }

  // Every word a line may start with, for the message about an unknown one.
  static std::string command_words() {
    std::string words;
    for (const format::CommandInfo& info : format::kCommands) {
      if (info.script_word == nullptr) continue;
      words += words.empty() ? "" : ", ";
      words += info.script_word;
      if (info.command == format::Command::kFile) words += std::string(", ") + kFilesWord;
    }
    return words;
  }

  void compile_command(const format::CommandInfo& info, Arguments& a) {
    switch (info.arguments) {
      case format::Arguments::kText: return text_command(info, a);
      case format::Arguments::kPageFlags: return page(a);
      case format::Arguments::kDestination: return dest(a);
      case format::Arguments::kListRecord: return list(a);
      case format::Arguments::kFileRecord: return file(a);
      case format::Arguments::kNone: break;
    }
    throw LineError{std::string("'") + info.script_word + "' cannot be written in a script"};
  }

  void report(std::uint64_t line, const std::string& message) {
    errors_.push_back(file_name_ + ":" + std::to_string(line) + ": " + message);
  }

  std::string ansi(const std::u32string& text) {
    std::string bytes;
    for (char32_t c : text) {
      std::optional<std::uint8_t> b = to_ansi(c, options_.code_page);
      if (!b)
        throw LineError{"character " + describe_character(c) + " has no equivalent in code page " +
                        std::to_string(options_.code_page)};
      bytes += static_cast<char>(*b);
    }
    return within_string_limit(std::move(bytes));
  }
  static std::string within_string_limit(std::string bytes) {
    if (bytes.size() > format::kMaxPathLength)
      throw LineError{"the text is " + std::to_string(bytes.size()) +
                      " characters; a package string holds at most 255"};
    return bytes;
  }
  std::string ansi_of_utf8(const std::string& utf8) {
    std::u32string decoded;
    if (!decode_utf8(utf8, decoded)) throw LineError{"the name '" + utf8 + "' is not valid UTF-8"};
    return ansi(decoded);
  }

  // A command whose one argument is a text (name, text, text2, copy, done).
  void text_command(const format::CommandInfo& info, Arguments& a) {
    std::string s = ansi(a.string("its text"));
    a.finish();
    if (info.command == format::Command::kCopy) rules_.copy(line_);
    if (info.command == format::Command::kDone) rules_.done(line_);
    out_.text_command(info.command, s);
  }

  void page(Arguments& a) {
    std::uint32_t flags = 0;
    while (!a.at_end()) flags |= flag(a.word("a page flag"), kPageFlagWords);
    rules_.page(line_, flags);
    out_.page(flags);
  }

  void dest(Arguments& a) {
    std::string path = ansi(a.string("the default destination"));
    std::uint32_t flags = 0;
    while (!a.at_end()) flags |= flag(a.word("a destination flag"), kDestFlagWords);
    rules_.dest(line_, path, flags);
    out_.dest(path, flags);
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
    rules_.list(line_, directory);
    pending_ = PendingList{directory, {}};
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
    fs::path source = utf8_path(a.string("the source file"));
    std::optional<FileTime> time = time_argument(a);
    a.finish();
    rules_.file(line_, name);
    if (!pending_) return;
    fs::path full = base_ / source;
    std::error_code error;
    fs::file_status status = fs::status(full, error);
    if (!fs::exists(status)) throw LineError{"source file '" + source.string() + "' not found"};
    if (fs::is_directory(status))
      throw LineError{"'" + source.string() + "' is a folder: use 'files' to copy a folder tree"};
    add_file(name, full, source.string(), time);
  }

  void add_file(const std::string& name, const fs::path& full, const std::string& shown, std::optional<FileTime> time) {
    std::uint64_t size = fs::file_size(full);
    if (size > kMaxFileSize)
      throw LineError{"'" + shown + "' is " + std::to_string(size) + " bytes; a package file holds at most 4294967295"};
    content_bytes_ += format::kBlockContents + size + format::padding_after(static_cast<std::uint32_t>(size % 4));
    if (content_bytes_ > options_.max_package_size && !size_reported_) {
      size_reported_ = true;
      report(line_, "with '" + shown + "' the package grows past the limit: " + size_limit_text());
    }
    pending_->files.push_back({name, size, time ? *time : modification_time(full), full});
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
    fs::path source = utf8_path(a.string("the source folder"));
    std::optional<FileTime> time = time_argument(a);
    a.finish();
    fs::path full = base_ / source;
    std::error_code error;
    if (!fs::is_directory(full, error)) throw LineError{"source folder '" + source.string() + "' not found"};
    for (const TreeFolder& folder : walk_folder_tree(full)) {
      // The script's directory is in the code page already; only the
      // folder names from the file system are UTF-8.
      std::string sub = ansi_of_utf8(folder.relative);
      for (char& c : sub)
        if (c == '/') c = '\\';
      std::string target =
          within_string_limit(directory.empty() ? sub : sub.empty() ? directory : directory + "\\" + sub);
      // Each folder's list goes out when the next one starts; the last stays
      // open, as after 'list', for the 'file' lines that may follow.
      flush_list();
      rules_.list(line_, target);
      pending_ = PendingList{target, {}};
      for (const TreeFile& f : folder.files) {
        std::string name = ansi_of_utf8(f.name);
        rules_.file(line_, name);
        std::string shown = (source / folder.relative / f.name).lexically_normal().string();
        add_file(name, f.source, shown, time);
      }
    }
  }

  void flush_list() {
    if (!pending_) return;
    out_.list(pending_->directory, static_cast<std::uint32_t>(pending_->files.size()));
    for (const PendingFile& f : pending_->files)
      out_.file(f.name, static_cast<std::uint32_t>(f.size), f.time, stream_file(f.source, f.size));
    pending_.reset();
  }

  std::string file_name_;
  fs::path base_;
  CompileOptions options_;
  writer::PackageBuilder& out_;
  writer::PackageRules rules_;
  std::uint64_t line_ = 0;
  std::optional<PendingList> pending_;
  std::uint64_t content_bytes_ = 0;
  bool size_reported_ = false;
  std::vector<std::string> errors_;
};

}  // namespace

void compile_script_text(const std::string& text, const std::string& file_name, const std::filesystem::path& base,
                         const CompileOptions& options, writer::PackageBuilder& out) {
  if (!is_supported_code_page(options.code_page))
    throw ScriptErrors({"code page " + std::to_string(options.code_page) + " is not supported (supported: 1252)"});
  Compiler(file_name, base, options, out).run(text);
}

void compile_script_file(const std::filesystem::path& script, const CompileOptions& options,
                         writer::PackageBuilder& out) {
  std::optional<std::vector<std::uint8_t>> bytes = writer::read_whole_file(script);
  if (!bytes) throw ScriptErrors({script.string() + ": cannot read the script"});
  std::string text(bytes->begin(), bytes->end());
  compile_script_text(text, script.string(), script.parent_path(), options, out);
}

}  // namespace mivora::script
