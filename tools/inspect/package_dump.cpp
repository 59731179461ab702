#include "tools/inspect/package_dump.hpp"

#include <cstdio>
#include <fstream>
#include <set>
#include <stdexcept>

#include "package/command_list.hpp"
#include "tools/script/code_page.hpp"
#include "tools/script/flag_words.hpp"
#include "tools/script/iso_time.hpp"

namespace mivora::inspect {
namespace {

using namespace format;
namespace fs = std::filesystem;

std::string hex_byte(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", b);
  return text;
}

std::string utf8_of_ansi(std::string_view ansi, std::uint32_t code_page) {
  std::string out;
  for (char c : ansi) {
    auto b = static_cast<std::uint8_t>(c);
    std::optional<char32_t> u = script::from_ansi(b, code_page);
    out += u ? script::to_utf8(*u) : "_";
  }
  return out;
}

std::string flags_text(std::uint32_t flags, std::span<const script::FlagWord> words) {
  std::string text;
  for (const script::FlagWord& w : words)
    if (flags & w.value) text += std::string(" ") + w.word;
  return text;
}

// Chooses a source path for each extracted file, unique within the dump.
class ExtractPlan {
 public:
  std::string path_for(const std::string& directory, const std::string& name, std::uint32_t code_page) {
    std::string path;
    for (char c : directory) path += c == '\\' ? '/' : c;
    if (!path.empty()) path += '/';
    path = utf8_of_ansi(path, code_page) + utf8_of_ansi(name, code_page);
    std::string unique = path;
    for (int n = 2; !used_.insert(unique).second; ++n) unique = path + "~" + std::to_string(n);
    return unique;
  }

 private:
  std::set<std::string> used_;
};

void extract(ByteView package, const WalkedCommand& file, const fs::path& to) {
  fs::create_directories(to.parent_path());
  std::ofstream out(to, std::ios::binary);
  out.write(reinterpret_cast<const char*>(package.data + file.block.contents_offset), file.block.size);
  if (!out) throw std::runtime_error("cannot write '" + to.string() + "'");
}

std::string time_text(FileTime t) {
  std::optional<std::string> iso = script::format_iso_time(t);
  if (!iso) throw std::runtime_error("a file time after the year 9999 cannot be written in a script");
  return *iso;
}

// A path is UTF-8 already: only quotes and backslashes need escapes.
std::string path_literal(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

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
      out += hex_byte(b);
    else if (std::optional<char32_t> u = script::from_ansi(b, code_page))
      out += script::to_utf8(*u);
    else
      out += hex_byte(b);
  }
  return out + "\"";
}

namespace {

// Writes the script lines of one package, command by command.
class Dumper {
 public:
  Dumper(ByteView package, const DumpOptions& options) : package_(package), options_(options) {}

  std::string run(const PackageWalk& walk) {
    out_ = "# " + options_.package_name + ": " + std::to_string(walk.commands.size()) + " commands\n";
    if (!options_.extract_to)
      out_ += "# file contents not extracted: 'mivora-pack dump FILE --extract DIR' writes them below DIR\n";
    for (const WalkedCommand& c : walk.commands) out_ += line(c) + "\n";
    return std::move(out_);
  }

 private:
  // The script line of one command, by the kind of its arguments.
  std::string line(const WalkedCommand& c) {
    const std::string word = c.info->script_word != nullptr ? c.info->script_word : c.info->tag_name;
    switch (c.info->arguments) {
      case Arguments::kText: return word + " " + literal(c.text);
      case Arguments::kPageFlags: return word + flags_text(c.arguments[0], script::kPageFlagWords);
      case Arguments::kDestination: return word + " " + literal(c.text) + flags_text(c.arguments[1], script::kDestFlagWords);
      case Arguments::kListRecord: return list(c);
      case Arguments::kFileRecord: return file(c);
      case Arguments::kNone: return word;
    }
    return word;
  }

  std::string literal(const std::string& s) const { return script_literal(s, options_.code_page); }
  std::string list(const WalkedCommand& c) {
    directory_ = c.text;
    return "list " + literal(c.text);
  }
  std::string file(const WalkedCommand& c) {
    std::string source = plan_.path_for(directory_, c.text, options_.code_page);
    if (options_.extract_to)
      extract(package_, c, *options_.extract_to / fs::path(std::u8string(source.begin(), source.end())));
    return "  file " + literal(c.text) + " from " + path_literal(source) + " time " + time_text(c.file.time);
  }

  ByteView package_;
  const DumpOptions& options_;
  ExtractPlan plan_;
  std::string directory_;
  std::string out_;
};

}  // namespace

std::string dump_package(ByteView package, const PackageWalk& walk, const DumpOptions& options) {
  return Dumper(package, options).run(walk);
}

}  // namespace mivora::inspect
