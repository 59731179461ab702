#include <iostream>
#include <memory>

#include "tools/inspect/identity_lines.hpp"
#include "tools/inspect/package_dump.hpp"
#include "tools/inspect/package_walk.hpp"
#include "tools/inspect/pe_checksum_check.hpp"
#include "tools/pack/name_limit.hpp"
#include "tools/pack/commands.hpp"
#include "tools/pack/output_file.hpp"
#include "tools/pack/package_input.hpp"
#include "tools/pack/stub_arch.hpp"
#include "tools/pack/terminal_text.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/installer_identity.hpp"
#include "tools/writer/pe_image.hpp"

namespace mivora::pack {

const char kDumpHelp[] =
    "usage: mivora-pack dump FILE [--extract DIR]\n"
    "\n"
    "Prints the package FILE (or the package inside the installer FILE) as a\n"
    "script that 'mivora-pack build' compiles to the same bytes. Every file\n"
    "line names its time and a source path below DIR/files. An installer's\n"
    "identity comes first: its icon, version texts, elevation and brand.\n"
    "\n"
    "  --extract DIR    a new or empty folder: each file's contents go below\n"
    "                   DIR/files, an installer's icon to DIR/icon.ico, and\n"
    "                   the script, once all are written, to\n"
    "                   DIR/package.mivora, ready to build again\n"
    "\n"
    "Exit codes: 0 dumped, 1 unreadable or malformed package, 2 wrong arguments\n"
    "(a DIR that is not empty).\n";

const char kCheckHelp[] =
    "usage: mivora-pack check FILE\n"
    "\n"
    "Checks the package FILE (or the package inside the installer FILE)\n"
    "against the format, its order rules and the installer's limits, and\n"
    "lists every problem with its package offset. An installer's PE checksum,\n"
    "which build writes, is verified too: a file changed after it was built\n"
    "(a damaged download) is not valid. A signature is named, not verified.\n"
    "\n"
    "Exit codes: 0 valid, 1 unreadable, malformed or changed, 2 wrong arguments.\n";

namespace {

namespace fs = std::filesystem;

// The dumped script, beside the folder of extracted files.
constexpr const char* kScriptName = "package.mivora";

struct InspectRequest {
  fs::path file;
  std::optional<fs::path> extract_to;
};

InspectRequest parse(const Arguments& arguments, bool allow_extract) {
  InspectRequest request;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (allow_extract && a == "--extract") {
      if (request.extract_to) throw UsageError("--extract is given twice");
      request.extract_to = utf8_path(option_value(arguments, i));
    } else if (!a.empty() && a[0] == '-')
      other_option(a);
    else if (request.file.empty())
      request.file = utf8_path(a);
    else
      throw UsageError("more than one file given");
  }
  if (request.file.empty()) throw UsageError("no file given");
  return request;
}

void print_problems(const fs::path& file, const inspect::WalkSummary& walk) {
  for (const inspect::PackageProblem& p : walk.problems)
    std::cerr << for_terminal(file.string() + ": " + inspect::describe_offset(p.offset) + ": " + p.message) << "\n";
  if (walk.problem_count > walk.problems.size())
    std::cerr << for_terminal(file.string()) << ": and " << walk.problem_count - walk.problems.size() << " more problems\n";
}

// Extracting goes into a new or empty folder only: nothing there is replaced.
void require_empty_folder(const fs::path& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) return;
  if (!fs::is_directory(folder, error))
    throw UsageError("--extract '" + folder.string() + "' is a file; extract into a new or empty folder");
  if (!fs::is_empty(folder, error))
    throw UsageError("--extract '" + folder.string() + "' is not empty; extract into a new or empty folder");
}

// The identity lines of an installer, its icon written beside the script
// when extracting; nothing for a bare package.
std::vector<std::string> identity_preamble(const InspectRequest& request, const PackageInput& input) {
  if (!input.from_installer) return {};
  writer::IdentityReadBack identity;
  try {
    identity = writer::read_identity(input.file.bytes());
  } catch (const writer::InputError& e) {
    throw std::runtime_error("'" + request.file.string() + "': " + e.what());
  }
  std::vector<std::string> lines;
  // The script says nothing of the stub: a build takes the default arch's.
  const StubArch* arch = arch_of_machine(input.machine);
  if (arch != nullptr && arch != &kDefaultArch)
    lines.push_back(std::string("# an installer for ") + arch->name + ": build it again with --arch " + arch->name);
  if (identity.icon_file && request.extract_to) {
    OutputFile icon(*request.extract_to / inspect::kExtractedIconName);
    icon.write(identity.icon_file->data(), identity.icon_file->size());
    icon.commit();
  } else if (identity.icon_file) {
    lines.push_back(std::string("# the icon not extracted either: --extract DIR writes it as DIR/") +
                    inspect::kExtractedIconName);
  }
  for (std::string& line : inspect::identity_lines(identity)) lines.push_back(std::move(line));
  return lines;
}

// The installer's PE checksum against its bytes.
inspect::ChecksumCheck installer_checksum(const InspectRequest& request, const PackageInput& input) {
  try {
    return inspect::check_pe_checksum(
        input.file.bytes(), [&input](std::uint64_t offset, std::uint64_t size) { input.file.release(offset, size); });
  } catch (const writer::InputError& e) {
    throw std::runtime_error("'" + request.file.string() + "': " + e.what());
  }
}

// Every name the extraction would make fits the file system of the
// folder, or each one that does not is reported and nothing is written.
bool names_fit(const InspectRequest& request, const PackageInput& input, const inspect::DumpOptions& options) {
  std::size_t limit = longest_name(*request.extract_to, inspect::kMaxExtractedNameBytes);
  std::vector<std::string> problems = inspect::extract_name_problems(input.view(), options, limit);
  input.release_all();
  for (const std::string& p : problems)
    std::cerr << "mivora-pack dump: --extract " << request.extract_to->string() << ": " << p << "\n";
  if (!problems.empty()) std::cerr << "mivora-pack: nothing written\n";
  return problems.empty();
}

// The first lines of a dump: what gives the same bytes again. File times
// are in the script; an installer's PE time stamp is SOURCE_DATE_EPOCH's.
std::vector<std::string> rebuild_comments(const InspectRequest& request, const PackageInput& input) {
  std::string name = request.file.filename().string();
  if (!input.from_installer) return {"# the same bytes again: mivora-pack build package.mivora -o " + name};
  std::uint32_t stamp = 0;
  try {
    writer::pe::Image image = writer::pe::parse_image(input.file.bytes());
    stamp = writer::get_u32(input.file.bytes(), image.coff_offset + writer::pe::kCoffTimeDateStamp, "the COFF header");
  } catch (const writer::InputError& e) {
    throw std::runtime_error("'" + request.file.string() + "': " + e.what());
  }
  std::string build = "mivora-pack build package.mivora -o " + name;
  if (stamp == 0) return {"# the same bytes again from the same stub, with SOURCE_DATE_EPOCH unset: " + build};
  return {"# the same bytes again from the same stub: SOURCE_DATE_EPOCH=" + std::to_string(stamp) + " " + build};
}

inspect::WalkSummary checked_walk(const PackageInput& input) {
  return inspect::walk_package(input.view(), inspect::WalkHooks{{}, [&input] { input.release_all(); }});
}

}  // namespace

int run_check(const Arguments& arguments, const ToolContext&) {
  InspectRequest request = parse(arguments, false);
  PackageInput input = read_package_input(request.file);
  inspect::WalkSummary walk = checked_walk(input);
  if (!walk.ok()) {
    print_problems(request.file, walk);
    std::cout << for_terminal(request.file.string(), Stream::kOutput) << ": not a valid package (" << walk.problem_count << " problem"
              << (walk.problem_count == 1 ? "" : "s") << ")\n";
    return kExitBadInput;
  }
  std::optional<inspect::ChecksumCheck> checksum;
  if (input.from_installer) checksum = installer_checksum(request, input);
  const std::string file = for_terminal(request.file.string(), Stream::kOutput);
  if (checksum && checksum->state == inspect::ChecksumState::kWrong) {
    std::cerr << for_terminal(request.file.string()) << ": " << inspect::describe(*checksum) << "\n";
    std::cout << file << ": not a valid installer (changed after it was built)\n";
    return kExitBadInput;
  }
  std::cout << file << ": valid package, " << input.size << " bytes, " << walk.command_count << " commands, "
            << walk.file_bytes << " bytes of files"
            << (input.from_installer ? " (in an installer for " + machine_name(input.machine) + ")" : "") << "\n";
  if (checksum) std::cout << file << ": " << inspect::describe(*checksum) << "\n";
  return kExitOk;
}

int run_dump(const Arguments& arguments, const ToolContext&) {
  InspectRequest request = parse(arguments, true);
  if (request.extract_to) require_empty_folder(*request.extract_to);
  PackageInput input = read_package_input(request.file);
  inspect::WalkSummary walk = checked_walk(input);
  if (!walk.ok()) {
    print_problems(request.file, walk);
    std::cerr << "mivora-pack: cannot dump a malformed package\n";
    return kExitBadInput;
  }
  inspect::DumpOptions options;
  options.package_name = request.file.filename().string();
  options.command_count = walk.command_count;
  if (request.extract_to && !names_fit(request, input, options)) return kExitBadInput;
  // The folder is needed for the script even when there is no file to extract.
  if (request.extract_to) fs::create_directories(*request.extract_to);
  options.extract_to = request.extract_to;
  options.preamble = rebuild_comments(request, input);
  for (std::string& line : identity_preamble(request, input)) options.preamble.push_back(std::move(line));
  options.release = [&input](std::uint64_t offset, std::uint64_t size) { input.release(offset, size); };
  std::unique_ptr<OutputFile> script;
  if (request.extract_to) script = std::make_unique<OutputFile>(*request.extract_to / kScriptName);
  inspect::dump_package(input.view(), options, [&script](const std::string& line) {
    std::cout << line << "\n";  // a script, UTF-8 wherever it goes
    if (script) script->write((line + "\n").data(), line.size() + 1);
  });
  if (script) script->commit();
  return kExitOk;
}

}  // namespace mivora::pack
