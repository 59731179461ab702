// mivora-pack: compiles install scripts into packages and installers, and
// reads them back. Its entry, which hands over the arguments in UTF-8, is
// entry_posix.cpp or entry_win32.cpp.
#include <exception>
#include <filesystem>
#include <iostream>

#include "tools/pack/commands.hpp"
#include "tools/pack/own_location.hpp"
#include "tools/pack/terminal_text.hpp"

namespace mivora::pack {
namespace {

struct Subcommand {
  const char* name;
  int (*run)(const Arguments&, const ToolContext&);
  const char* help;
  const char* summary;
};

constexpr Subcommand kSubcommands[] = {
    {"build", run_build, kBuildHelp, "compile a script into a package or an installer (.exe)"},
    {"dump", run_dump, kDumpHelp, "print a package or installer as a script"},
    {"check", run_check, kCheckHelp, "check a package or installer against the format"},
};

void print_usage(std::ostream& out) {
  out << "usage: mivora-pack COMMAND [ARGUMENTS]   (mivora-pack COMMAND --help for more)\n"
      << "       mivora-pack --version\n\n";
  for (const Subcommand& s : kSubcommands)
    out << "  " << s.name << std::string(8 - std::string(s.name).size(), ' ') << s.summary << "\n";
  out << "\nExit codes: 0 done, 1 bad input (script, package, stub, source), 2 wrong arguments.\n";
}

}  // namespace

int run_tool(int argc, char** argv) {
  Arguments arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    print_usage(std::cerr);
    return kExitUsage;
  }
  if (is_help(arguments[0])) {
    print_usage(std::cout);
    return kExitOk;
  }
  if (arguments[0] == "--version") {
    std::cout << "mivora-pack " << MIVORA_VERSION << "\n";
    return kExitOk;
  }
  for (const Subcommand& s : kSubcommands) {
    if (arguments[0] != s.name) continue;
    Arguments rest(arguments.begin() + 1, arguments.end());
    try {
      return s.run(rest, ToolContext{own_folder(argv[0])});
    } catch (const HelpRequested&) {
      std::cout << s.help;
      return kExitOk;
    } catch (const UsageError& e) {
      std::cerr << "mivora-pack " << s.name << ": " << for_terminal(e.what()) << "\n" << s.help;
      return kExitUsage;
    } catch (const std::exception& e) {
      std::cerr << "mivora-pack " << s.name << ": " << for_terminal(e.what()) << "\n";
      return kExitBadInput;
    }
  }
  std::cerr << "mivora-pack: unknown command '" << for_terminal(arguments[0]) << "'\n";
  print_usage(std::cerr);
  return kExitUsage;
}

std::string option_value(const Arguments& arguments, std::size_t& i) {
  if (i + 1 >= arguments.size()) throw UsageError(arguments[i] + " needs a value");
  return arguments[++i];
}

void set_once(std::string& value, const Arguments& arguments, std::size_t& i) {
  const std::string& option = arguments[i];
  std::string next = option_value(arguments, i);
  if (!value.empty()) throw UsageError(option + " is given twice ('" + value + "' and '" + next + "')");
  value = std::move(next);
}

bool is_help(const std::string& argument) { return argument == "--help" || argument == "-h" || argument == "help"; }

void other_option(const std::string& argument) {
  if (argument == "--help" || argument == "-h") throw HelpRequested{};
  throw UsageError("unknown option '" + argument + "'");
}

}  // namespace mivora::pack
