#include <algorithm>
#include <cctype>
#include <iostream>

#include "tools/pack/commands.hpp"
#include "tools/pack/output_conflict.hpp"
#include "tools/pack/output_file.hpp"
#include "tools/pack/source_date_epoch.hpp"
#include "tools/pack/stub_arch.hpp"
#include "tools/pack/terminal_text.hpp"
#include "tools/script/script_compiler.hpp"
#include "tools/script/source_probe.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/installer_identity.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/pe_resources.hpp"
#include "tools/writer/whole_file.hpp"

namespace mivora::pack {

const char kBuildHelp[] =
    "usage: mivora-pack build SCRIPT -o OUT [--arch x86|x86-64] [--stub PATH]\n"
    "                         [--codepage 1252]\n"
    "\n"
    "Compiles SCRIPT into an install package. With OUT ending in .exe the\n"
    "result is a complete installer: a copy of the stub with the package as\n"
    "its resource 42 and the identity the script gives (icon, version texts,\n"
    "elevation, brand); otherwise OUT is the bare package.\n"
    "\n"
    "  -o OUT           the file to write; it appears only when all went well,\n"
    "                   and never over the script, the stub or a source file,\n"
    "                   nor inside a folder that the package packs\n"
    "  --arch ARCH      the installer's processor, which picks the stub:\n"
    "                   x86 (default) runs on every Windows, from mivora.exe;\n"
    "                   x86-64 also on one without 32-bit support, from\n"
    "                   mivora64.exe. The stub lies beside this tool, or in\n"
    "                   ../share/mivora/ from its folder, where an\n"
    "                   installation puts it\n"
    "  --stub PATH      any other installer stub; given with --arch, it must\n"
    "                   be a stub for that processor\n"
    "  --codepage N     the Windows ANSI code page of the texts (default 1252)\n"
    "\n"
    "SOURCE_DATE_EPOCH, when set to seconds since 1970, is the latest time a\n"
    "file takes from its source and the installer's PE time stamp: the same\n"
    "script and bytes then give the same installer on any machine.\n"
    "\n"
    "Exit codes: 0 written, 1 bad script, source or stub, 2 wrong arguments\n"
    "(an unknown code page or arch, an OUT that would replace an input, a\n"
    "--stub of another processor than --arch).\n";

namespace {

namespace fs = std::filesystem;

struct BuildRequest {
  fs::path script;
  fs::path output;
  fs::path stub;
  const StubArch* arch = nullptr;  // nullptr: --arch not given
  std::uint32_t code_page = script::kDefaultCodePage;
};

bool wants_installer(const fs::path& output) {
  std::string extension = output.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".exe";
}

BuildRequest parse(const Arguments& arguments) {
  BuildRequest request;
  std::string output, stub;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "-o")
      set_once(output, arguments, i);
    else if (a == "--stub")
      set_once(stub, arguments, i);
    else if (a == "--arch") {
      std::string value = option_value(arguments, i);
      if (request.arch != nullptr) throw UsageError("--arch is given twice");
      request.arch = arch_named(value);
      if (request.arch == nullptr) throw UsageError("--arch takes " + arch_names() + ", not '" + value + "'");
    } else if (a == "--codepage") {
      std::string value = option_value(arguments, i);
      if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 9)
        throw UsageError("--codepage takes a number, such as 1252");
      request.code_page = static_cast<std::uint32_t>(std::stoul(value));
      if (!script::is_supported_code_page(request.code_page))
        throw UsageError("code page " + value + " is not supported (supported: 1252)");
    } else if (!a.empty() && a[0] == '-')
      other_option(a);
    else if (request.script.empty())
      request.script = utf8_path(a);
    else
      throw UsageError("more than one script given");
  }
  if (request.script.empty()) throw UsageError("no script given");
  if (output.empty()) throw UsageError("no output given (-o OUT)");
  request.output = utf8_path(output);
  if (!stub.empty()) request.stub = utf8_path(stub);
  // A stub for a bare package says the caller expects an installer: a name
  // like "setup.ex" must not quietly give a package that no one can run.
  if (!request.stub.empty() && !wants_installer(request.output))
    throw UsageError("--stub makes an installer, and the output '" + output +
                     "' is a bare package (its name does not end in .exe)");
  return request;
}

// --stub, else the arch's stub beside the tool, else where an installation
// puts it: PREFIX/bin/mivora-pack and PREFIX/share/mivora/mivora.exe.
fs::path find_stub(const BuildRequest& request, const ToolContext& context) {
  if (!request.stub.empty()) return request.stub;
  const char* name = (request.arch ? *request.arch : kDefaultArch).stub_file;
  const fs::path places[] = {context.tool_folder / name, context.tool_folder / ".." / "share" / "mivora" / name};
  for (const fs::path& place : places) {
    std::error_code error;
    if (fs::is_regular_file(place, error)) return place.lexically_normal();
  }
  throw std::runtime_error("no installer stub (" + std::string(name) + ") beside mivora-pack in '" +
                           context.tool_folder.string() +
                           "' or in its ../share/mivora: install Mivora whole, or name a stub with --stub PATH");
}

std::vector<std::uint8_t> read_stub(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> stub = writer::read_whole_file(path);
  if (stub) return std::move(*stub);
  script::SourceEntry entry = script::probe_source(path);
  std::string reason = entry.kind == script::SourceKind::kFolder     ? "is a folder, not an installer stub"
                       : entry.kind == script::SourceKind::kUnusable ? entry.problem
                                                                     : "cannot be read: it changed while it was read";
  throw std::runtime_error("the installer stub '" + path.string() + "': " + reason);
}

std::string utf8_name(const fs::path& path) {
  std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
}

// The stub with the identity and no package, made and thrown away before
// anything is written: what the stub cannot take is reported with the
// script's problems. Returns the reason, or nothing.
std::string stub_problem(std::span<const std::uint8_t> stub, const writer::InstallerIdentity& identity) {
  try {
    writer::VectorSink trial;
    writer::embed_package_with_identity(stub, identity, 0, {}, trial);
  } catch (const writer::InputError& e) {
    return e.what();
  }
  return {};
}

// The output's name alone says whether it is an installer: a stub that is
// empty or broken is refused by the embedding, never taken as "no stub".
struct Installer {
  fs::path stub_path;  // empty for a bare package
  std::vector<std::uint8_t> stub;
  writer::InstallerIdentity identity;
};

void write_output(const BuildRequest& request, const Installer& installer, const writer::PackageBuilder& package,
                  std::optional<std::uint32_t> time_stamp) {
  OutputFile out(request.output);
  if (installer.stub_path.empty()) {
    package.write(out);
  } else {
    try {
      writer::embed_package_with_identity(
          installer.stub, installer.identity, package.size(),
          [&package](writer::ByteSink& sink) { package.write(sink); }, out, time_stamp);
    } catch (const writer::InputError& e) {
      throw std::runtime_error("stub '" + installer.stub_path.string() + "': " + e.what());
    }
  }
  out.commit();
}

// The processor the stub must be for: the one --arch names, or the default
// when the stub is found by its name; a stub named with --stub alone may be
// for any.
const StubArch* expected_arch(const BuildRequest& request) {
  if (request.arch != nullptr) return request.arch;
  return request.stub.empty() ? &kDefaultArch : nullptr;
}

// The processor the stub is for when it is not `arch`, or nothing. A stub
// that is no executable is left to the embedding, which says why.
std::string other_machine(std::span<const std::uint8_t> stub, const StubArch* arch) {
  if (arch == nullptr) return {};
  std::uint16_t machine = 0;
  try {
    machine = writer::pe::parse_image(stub).machine;
  } catch (const writer::InputError&) {
    return {};
  }
  return machine == arch->machine ? std::string() : machine_name(machine);
}

// What the stub cannot do, reported with the script's problems (exit 1),
// and where it disagrees with the arch (exit 2). A stub named with --stub is
// what the user asked for, and so is --arch; a stub found by its name is one
// put in the wrong place.
struct StubReview {
  std::vector<std::string> problems;
  std::string conflict;
};

StubReview review_stub(const BuildRequest& request, const Installer& installer) {
  StubReview review;
  std::string problem = stub_problem(installer.stub, installer.identity);
  if (!problem.empty()) review.problems.push_back(problem);
  const StubArch* arch = expected_arch(request);
  std::string machine = other_machine(installer.stub, arch);
  if (machine.empty()) return review;
  if (!request.stub.empty())
    review.conflict = "--stub '" + request.stub.string() + "' is for " + machine + ", but --arch says " + arch->name;
  else
    review.problems.push_back("the stub is for " + machine + ", not for " + arch->name);
  return review;
}

}  // namespace

int run_build(const Arguments& arguments, const ToolContext& context) {
  BuildRequest request = parse(arguments);
  std::optional<std::uint32_t> epoch = source_date_epoch();
  script::CompileOptions options;
  options.code_page = request.code_page;
  if (epoch) options.latest_source_time = to_file_time(UnixTime{*epoch, 0});
  bool wants_stub = wants_installer(request.output);
  if (wants_stub) options.installer_name = utf8_name(request.output);
  writer::PackageBuilder package;
  script::CompileResult compiled = script::compile_script(request.script, options, package);
  for (const std::string& w : compiled.warnings) std::cerr << for_terminal(w) << "\n";
  for (const std::string& e : compiled.errors) std::cerr << for_terminal(e) << "\n";

  Installer installer;
  bool stub_ok = true;
  std::vector<std::string> conflicts;  // between the arguments: exit 2
  if (wants_stub) {
    try {
      installer.stub_path = find_stub(request, context);
      installer.stub = read_stub(installer.stub_path);
      installer.identity = std::move(compiled.identity);
      StubReview review = review_stub(request, installer);
      for (const std::string& problem : review.problems)
        std::cerr << for_terminal("mivora-pack build: stub '" + installer.stub_path.string() + "': " + problem) << "\n";
      stub_ok = review.problems.empty();
      if (!review.conflict.empty()) conflicts.push_back(review.conflict);
    } catch (const std::runtime_error& e) {
      std::cerr << "mivora-pack build: " << for_terminal(e.what()) << "\n";
      stub_ok = false;
    }
  }
  std::string conflict = output_conflict(
      request.output, BuildInputs{request.script, installer.stub_path, compiled.source_files, compiled.source_folders});
  if (!conflict.empty())
    conflicts.push_back("-o '" + request.output.string() + "' cannot be written: " + conflict);
  if (!conflicts.empty()) {
    for (const std::string& c : conflicts) std::cerr << for_terminal("mivora-pack build: " + c) << "\n";
    std::cerr << "mivora-pack: nothing written\n";
    return kExitUsage;
  }
  if (!compiled.ok() || !stub_ok) {
    std::cerr << "mivora-pack: nothing written\n";
    return kExitBadInput;
  }
  try {
    write_output(request, installer, package, epoch);
  } catch (const std::runtime_error& e) {
    std::cerr << "mivora-pack build: " << for_terminal(e.what()) << "\nmivora-pack: nothing written\n";
    return kExitBadInput;
  }
  std::cout << for_terminal(request.output.string(), Stream::kOutput) << ": " << package.size() << " bytes of package"
            << (wants_stub ? " in the installer" : "") << "\n";
  return kExitOk;
}

}  // namespace mivora::pack
