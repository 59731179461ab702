#include <algorithm>
#include <cctype>
#include <iostream>

#include "tools/pack/commands.hpp"
#include "tools/pack/output_conflict.hpp"
#include "tools/pack/output_file.hpp"
#include "tools/pack/source_date_epoch.hpp"
#include "tools/script/script_compiler.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/installer_identity.hpp"
#include "tools/writer/pe_resources.hpp"
#include "tools/writer/whole_file.hpp"

namespace mivora::pack {

const char kBuildHelp[] =
    "usage: mivora-pack build SCRIPT -o OUT [--stub PATH] [--codepage 1252]\n"
    "\n"
    "Compiles SCRIPT into an install package. With OUT ending in .exe the\n"
    "result is a complete installer: a copy of the stub (mivora.exe) with the\n"
    "package as its resource 42 and the identity the script gives (icon,\n"
    "version texts, elevation, brand); otherwise OUT is the bare package.\n"
    "\n"
    "  -o OUT           the file to write; it appears only when all went well,\n"
    "                   and never over the script, the stub or a source file,\n"
    "                   nor inside a folder that the package packs\n"
    "  --stub PATH      the installer stub (default: mivora.exe beside this tool,\n"
    "                   or in ../share/mivora/ from its folder, where an\n"
    "                   installation puts it)\n"
    "  --codepage N     the Windows ANSI code page of the texts (default 1252)\n"
    "\n"
    "SOURCE_DATE_EPOCH, when set to seconds since 1970, is the latest time a\n"
    "file takes from its source and the installer's PE time stamp: the same\n"
    "script and bytes then give the same installer on any machine.\n"
    "\n"
    "Exit codes: 0 written, 1 bad script, source or stub, 2 wrong arguments\n"
    "(an unknown code page, an OUT that would replace an input).\n";

namespace {

namespace fs = std::filesystem;

struct BuildRequest {
  fs::path script;
  fs::path output;
  fs::path stub;
  std::uint32_t code_page = script::kDefaultCodePage;
};

BuildRequest parse(const Arguments& arguments) {
  BuildRequest request;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "-o")
      request.output = utf8_path(option_value(arguments, i));
    else if (a == "--stub")
      request.stub = utf8_path(option_value(arguments, i));
    else if (a == "--codepage") {
      std::string value = option_value(arguments, i);
      if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 9)
        throw UsageError("--codepage takes a number, such as 1252");
      request.code_page = static_cast<std::uint32_t>(std::stoul(value));
      if (!script::is_supported_code_page(request.code_page))
        throw UsageError("code page " + value + " is not supported (supported: 1252)");
    } else if (!a.empty() && a[0] == '-')
      throw UsageError("unknown option '" + a + "'");
    else if (request.script.empty())
      request.script = utf8_path(a);
    else
      throw UsageError("more than one script given");
  }
  if (request.script.empty()) throw UsageError("no script given");
  if (request.output.empty()) throw UsageError("no output given (-o OUT)");
  return request;
}

bool wants_installer(const fs::path& output) {
  std::string extension = output.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".exe";
}

// --stub, else beside the tool, else where an installation puts it:
// PREFIX/bin/mivora-pack and PREFIX/share/mivora/mivora.exe.
fs::path find_stub(const BuildRequest& request, const ToolContext& context) {
  if (!request.stub.empty()) return request.stub;
  const fs::path places[] = {context.tool_folder / "mivora.exe",
                             context.tool_folder / ".." / "share" / "mivora" / "mivora.exe"};
  for (const fs::path& place : places) {
    std::error_code error;
    if (fs::is_regular_file(place, error)) return place.lexically_normal();
  }
  throw std::runtime_error("no installer stub (mivora.exe) beside mivora-pack in '" + context.tool_folder.string() +
                           "' or in its ../share/mivora: install Mivora whole, or name a stub with --stub PATH");
}

std::vector<std::uint8_t> read_stub(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> stub = writer::read_whole_file(path);
  if (!stub) throw std::runtime_error("cannot read the installer stub '" + path.string() + "'");
  return std::move(*stub);
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
  for (const std::string& w : compiled.warnings) std::cerr << w << "\n";
  for (const std::string& e : compiled.errors) std::cerr << e << "\n";

  Installer installer;
  bool stub_ok = true;
  if (wants_stub) {
    installer.stub_path = find_stub(request, context);
    installer.stub = read_stub(installer.stub_path);
    installer.identity = std::move(compiled.identity);
    std::string problem = stub_problem(installer.stub, installer.identity);
    if (!problem.empty())
      std::cerr << "mivora-pack build: stub '" << installer.stub_path.string() << "': " << problem << "\n";
    stub_ok = problem.empty();
  }
  std::string conflict = output_conflict(
      request.output, BuildInputs{request.script, installer.stub_path, compiled.source_files, compiled.source_folders});
  if (!conflict.empty()) {
    std::cerr << "mivora-pack build: -o '" << request.output.string() << "' cannot be written: " << conflict
              << "\nmivora-pack: nothing written\n";
    return kExitUsage;
  }
  if (!compiled.ok() || !stub_ok) {
    std::cerr << "mivora-pack: nothing written\n";
    return kExitBadInput;
  }
  write_output(request, installer, package, epoch);
  std::cout << request.output.string() << ": " << package.size() << " bytes of package"
            << (wants_stub ? " in the installer" : "") << "\n";
  return kExitOk;
}

}  // namespace mivora::pack
