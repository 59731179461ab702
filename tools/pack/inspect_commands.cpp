#include <iostream>
#include <memory>

#include "tools/inspect/identity_lines.hpp"
#include "tools/inspect/package_dump.hpp"
#include "tools/inspect/package_walk.hpp"
#include "tools/pack/commands.hpp"
#include "tools/pack/output_file.hpp"
#include "tools/pack/package_input.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/installer_identity.hpp"

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
    "lists every problem with its package offset.\n"
    "\n"
    "Exit codes: 0 valid, 1 unreadable or malformed package, 2 wrong arguments.\n";

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
    if (allow_extract && a == "--extract")
      request.extract_to = utf8_path(option_value(arguments, i));
    else if (!a.empty() && a[0] == '-')
      throw UsageError("unknown option '" + a + "'");
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
    std::cerr << file.string() << ": " << inspect::describe_offset(p.offset) << ": " << p.message << "\n";
  if (walk.problem_count > walk.problems.size())
    std::cerr << file.string() << ": and " << walk.problem_count - walk.problems.size() << " more problems\n";
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
    std::cout << request.file.string() << ": not a valid package (" << walk.problem_count << " problem"
              << (walk.problem_count == 1 ? "" : "s") << ")\n";
    return kExitBadInput;
  }
  std::cout << request.file.string() << ": valid package, " << input.size << " bytes, " << walk.command_count
            << " commands, " << walk.file_bytes << " bytes of files"
            << (input.from_installer ? " (in an installer)" : "") << "\n";
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
  // The folder is needed for the script even when there is no file to extract.
  if (request.extract_to) fs::create_directories(*request.extract_to);
  inspect::DumpOptions options;
  options.package_name = request.file.filename().string();
  options.command_count = walk.command_count;
  options.extract_to = request.extract_to;
  options.preamble = identity_preamble(request, input);
  options.release = [&input](std::uint64_t offset, std::uint64_t size) { input.release(offset, size); };
  std::unique_ptr<OutputFile> script;
  if (request.extract_to) script = std::make_unique<OutputFile>(*request.extract_to / kScriptName);
  inspect::dump_package(input.view(), options, [&script](const std::string& line) {
    std::cout << line << "\n";
    if (script) script->write((line + "\n").data(), line.size() + 1);
  });
  if (script) script->commit();
  return kExitOk;
}

}  // namespace mivora::pack
