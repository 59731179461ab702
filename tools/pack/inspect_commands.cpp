#include <fstream>
#include <iostream>

#include "tools/inspect/package_dump.hpp"
#include "tools/inspect/package_walk.hpp"
#include "tools/pack/commands.hpp"
#include "tools/pack/package_input.hpp"

namespace mivora::pack {

const char kDumpHelp[] =
    "usage: mivora-pack dump FILE [--extract DIR]\n"
    "\n"
    "Prints the package FILE (or the package inside the installer FILE) as a\n"
    "script that 'mivora-pack build' compiles to the same bytes. Every file\n"
    "line names its time and a source path below DIR.\n"
    "\n"
    "  --extract DIR    writes each file's contents below DIR and the script\n"
    "                   as DIR/package.mivora, ready to build again\n"
    "\n"
    "Exit codes: 0 dumped, 1 unreadable or malformed package, 2 wrong arguments.\n";

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

struct InspectRequest {
  fs::path file;
  std::optional<fs::path> extract_to;
};

InspectRequest parse(const Arguments& arguments, bool allow_extract) {
  InspectRequest request;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (allow_extract && a == "--extract")
      request.extract_to = fs::path(option_value(arguments, i));
    else if (!a.empty() && a[0] == '-')
      throw UsageError("unknown option '" + a + "'");
    else if (request.file.empty())
      request.file = a;
    else
      throw UsageError("more than one file given");
  }
  if (request.file.empty()) throw UsageError("no file given");
  return request;
}

void print_problems(const fs::path& file, const inspect::PackageWalk& walk) {
  for (const inspect::PackageProblem& p : walk.problems)
    std::cerr << file.string() << ": " << inspect::describe_offset(p.offset) << ": " << p.message << "\n";
}

}  // namespace

int run_check(const Arguments& arguments, const ToolContext&) {
  InspectRequest request = parse(arguments, false);
  PackageInput input = read_package_input(request.file);
  inspect::PackageWalk walk = inspect::walk_package(input.view());
  if (!walk.ok()) {
    print_problems(request.file, walk);
    std::cout << request.file.string() << ": not a valid package (" << walk.problems.size() << " problem"
              << (walk.problems.size() == 1 ? "" : "s") << ")\n";
    return kExitBadInput;
  }
  std::cout << request.file.string() << ": valid package, " << input.size << " bytes, " << walk.commands.size()
            << " commands, " << walk.file_bytes << " bytes of files"
            << (input.from_installer ? " (in an installer)" : "") << "\n";
  return kExitOk;
}

int run_dump(const Arguments& arguments, const ToolContext&) {
  InspectRequest request = parse(arguments, true);
  PackageInput input = read_package_input(request.file);
  inspect::PackageWalk walk = inspect::walk_package(input.view());
  if (!walk.ok()) {
    print_problems(request.file, walk);
    std::cerr << "mivora-pack: cannot dump a malformed package\n";
    return kExitBadInput;
  }
  inspect::DumpOptions options;
  options.package_name = request.file.filename().string();
  options.extract_to = request.extract_to;
  // The folder is needed for the script even when there is no file to extract.
  if (request.extract_to) fs::create_directories(*request.extract_to);
  std::string listing = inspect::dump_package(input.view(), walk, options);
  if (request.extract_to) {
    std::ofstream script(*request.extract_to / "package.mivora", std::ios::binary);
    script << listing;
    if (!script) throw std::runtime_error("cannot write '" + (*request.extract_to / "package.mivora").string() + "'");
  }
  std::cout << listing;
  return kExitOk;
}

}  // namespace mivora::pack
