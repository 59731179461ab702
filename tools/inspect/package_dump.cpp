#include "tools/inspect/package_dump.hpp"

#include <algorithm>
#include <fstream>
#include <set>
#include <stdexcept>

#include "package/command_list.hpp"
#include "tools/inspect/extract_plan.hpp"
#include "tools/script/code_page.hpp"
#include "tools/script/script_lexer.hpp"
#include "tools/script/flag_words.hpp"
#include "tools/script/iso_time.hpp"
#include "tools/script/script_text.hpp"
#include "tools/writer/shortcut_marks.hpp"
#include "tools/script/license_text.hpp"

namespace mivora::inspect {
namespace {

using namespace format;
namespace fs = std::filesystem;

std::string flags_text(std::uint32_t flags, std::span<const script::FlagWord> words) {
  std::string text;
  for (const script::FlagWord& w : words)
    if (flags & w.value) text += std::string(" ") + w.word;
  return text;
}

// Writes a file's contents from the package in pieces, letting each piece
// leave memory once it is written.
void extract(ByteView package, const WalkedCommand& file, const fs::path& to, const DumpOptions& options) {
  constexpr std::uint32_t kPiece = 8u << 20;
  fs::create_directories(to.parent_path());
  std::ofstream out(to, std::ios::binary);
  for (std::uint32_t done = 0; out && done < file.block.size;) {
    std::uint32_t piece = std::min(kPiece, file.block.size - done);
    std::uint32_t offset = file.block.contents_offset + done;
    out.write(reinterpret_cast<const char*>(package.data + offset), piece);
    if (options.release) options.release(offset, piece);
    done += piece;
  }
  out.close();
  if (!out) throw std::runtime_error("cannot write '" + to.string() + "'");
}

std::string time_text(FileTime t) {
  std::optional<std::string> iso = script::format_iso_time(t);
  if (!iso) throw std::runtime_error("a file time after the year 9999 cannot be written in a script");
  return *iso;
}

}  // namespace

std::string utf8_literal(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string script_literal(std::string_view ansi, std::uint32_t code_page) {
  std::string out = "\"";
  for (char c : ansi) {
    auto b = static_cast<std::uint8_t>(c);
    if (c == '"')
      out += "\\\"";
    else if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (b < 0x20 || b == 0x7F)
      out += script::byte_escape(b);
    else if (std::optional<char32_t> u = script::from_ansi(b, code_page))
      out += script::to_utf8(*u);
    else
      out += script::byte_escape(b);
  }
  return out + "\"";
}

// script_literal writes each stored "&" as one "&" and makes no other, so
// the marks pair up in the literal as they do in the stored text.
std::string shown_text_literal(std::string_view stored, std::uint32_t code_page) {
  return writer::with_marks_undoubled<char>(script_literal(stored, code_page), script::byte_escape('&'));
}

namespace {

// Writes the script lines of one package, command by command.
class Dumper {
 public:
  Dumper(ByteView package, const DumpOptions& options, const std::function<void(const std::string&)>& emit)
      : package_(package), options_(options), emit_(emit), plan_(options.code_page) {}

  void run() {
    emit_("# " + options_.package_name + ": " + std::to_string(options_.command_count) + " commands");
    if (!options_.extract_to)
      emit_("# file contents not extracted: 'mivora-pack dump FILE --extract DIR' writes them below DIR/" +
            std::string(kExtractedFilesFolder));
    for (const std::string& line : options_.preamble) emit_(line);
    WalkHooks hooks{[this](const WalkedCommand& c) { emit_(line(c)); },
                    [this] {
                      if (options_.release) options_.release(0, package_.size);
                    }};
    WalkSummary summary = walk_package(package_, hooks);
    if (!summary.ok()) throw std::runtime_error("the package changed while it was dumped");
  }

 private:
  // The script line of one command, by the kind of its arguments.
  std::string line(const WalkedCommand& c) {
    const std::string word = c.info->script_word != nullptr ? c.info->script_word : c.info->tag_name;
    switch (c.info->arguments) {
      case Arguments::kText: return word + " " + text_literal(c);
      case Arguments::kPageFlags: return word + flags_text(c.arguments[0], script::kPageFlagWords);
      case Arguments::kDestination: return word + " " + literal(c.text) + flags_text(c.arguments[1], script::kDestFlagWords);
      case Arguments::kListRecord: return list(c);
      case Arguments::kFileRecord: return file(c);
      case Arguments::kLicense: return license(word, c);
      case Arguments::kNone: return word;
    }
    return word;
  }

  std::string literal(const std::string& s) const { return script_literal(s, options_.code_page); }
  std::string text_literal(const WalkedCommand& c) const {
    if (!script::shows_in_static_control(c.info->command)) return literal(c.text);
    return shown_text_literal(c.text, options_.code_page);
  }
  std::string list(const WalkedCommand& c) {
    directory_ = c.text;
    return "list " + literal(c.text);
  }
  std::string file(const WalkedCommand& c) {
    std::string source = std::string(kExtractedFilesFolder) + "/" + plan_.path_for(directory_, c.text);
    if (options_.extract_to)
      extract(package_, c, *options_.extract_to / fs::path(std::u8string(source.begin(), source.end())), options_);
    return "  file " + literal(c.text) + " from " + utf8_literal(source) + " time " + time_text(c.file.time);
  }

  // The text goes beside the script as UTF-8, its CR LF kept, which builds
  // the same bytes again.
  std::string license(const std::string& word, const WalkedCommand& c) {
    std::string name = "license-" + std::to_string(++licenses_) + ".txt";
    if (options_.extract_to) {
      std::optional<std::string> utf8 = script::license_file_of(c.text, options_.code_page);
      if (!utf8)
        throw std::runtime_error("the license text at " + describe_offset(c.offset) +
                                 " holds a byte that code page " + std::to_string(options_.code_page) +
                                 " leaves undefined, which a license file cannot say");
      std::ofstream out(*options_.extract_to / name, std::ios::binary);
      out.write(utf8->data(), static_cast<std::streamsize>(utf8->size()));
      out.close();
      if (!out) throw std::runtime_error("cannot write '" + (*options_.extract_to / name).string() + "'");
    }
    return word + " " + utf8_literal(name);
  }

  ByteView package_;
  const DumpOptions& options_;
  const std::function<void(const std::string&)>& emit_;
  ExtractPlan plan_;
  std::string directory_;
  int licenses_ = 0;
};

}  // namespace

std::vector<std::string> extract_name_problems(ByteView package, const DumpOptions& options,
                                               std::size_t max_name_bytes) {
  ExtractPlan plan(options.code_page);
  std::string directory;
  std::set<std::string> reported;
  std::vector<std::string> problems;
  auto check = [&](const std::string& path) {
    std::size_t start = 0;
    for (std::size_t end = 0; end != std::string::npos; start = end + 1) {
      end = path.find('/', start);
      std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (name.size() <= max_name_bytes || !reported.insert(path.substr(0, end)).second) continue;
      problems.push_back("'" + path.substr(0, end) + "': the name '" + name + "' is " + std::to_string(name.size()) +
                         " bytes in UTF-8; the file system takes at most " + std::to_string(max_name_bytes));
    }
  };
  WalkHooks hooks{[&](const WalkedCommand& c) {
                    if (c.command() == Command::kList) directory = c.text;
                    if (c.command() == Command::kFile) check(plan.path_for(directory, c.text));
                  },
                  {}};
  if (!walk_package(package, hooks).ok()) throw std::runtime_error("the package changed while it was read");
  return problems;
}

void dump_package(ByteView package, const DumpOptions& options, const std::function<void(const std::string&)>& line) {
  Dumper(package, options, line).run();
}

std::string dump_package(ByteView package, const PackageWalk& walk, DumpOptions options) {
  options.command_count = walk.commands.size();
  std::string listing;
  dump_package(package, options, [&listing](const std::string& line) { listing += line + "\n"; });
  return listing;
}

}  // namespace mivora::inspect
