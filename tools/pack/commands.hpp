#pragma once
// The subcommands of mivora-pack and the exit codes scripts can rely on.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace mivora::pack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;  // a bad script, package, stub or source file
inline constexpr int kExitUsage = 2;     // wrong arguments

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "--help" or "-h" where an option may stand: the command's help, not an error.
struct HelpRequested {};

struct ToolContext {
  std::filesystem::path tool_folder;  // where the tool's own executable lies
};

// The arguments in UTF-8 on every system (Windows gives them as UTF-16).
using Arguments = std::vector<std::string>;

// Runs the tool on argv (UTF-8); the exit code.
int run_tool(int argc, char** argv);

// A path named by an argument: its UTF-8 taken as UTF-8 everywhere, never
// as the Windows ANSI code page.
[[nodiscard]] inline std::filesystem::path utf8_path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

int run_build(const Arguments& arguments, const ToolContext& context);
int run_dump(const Arguments& arguments, const ToolContext& context);
int run_check(const Arguments& arguments, const ToolContext& context);

extern const char kBuildHelp[];
extern const char kDumpHelp[];
extern const char kCheckHelp[];

// Takes the value after an option such as "-o", whatever it says; throws
// UsageError when missing.
std::string option_value(const Arguments& arguments, std::size_t& i);
// The value of an option that may come once: throws UsageError the second time.
void set_once(std::string& value, const Arguments& arguments, std::size_t& i);
// A help request in the place of a command: "help", "--help" or "-h".
bool is_help(const std::string& argument);
// A help request in the place of an option: "--help" or "-h". Throws
// HelpRequested for one, UsageError for any other word starting with '-'.
void other_option(const std::string& argument);

}  // namespace mivora::pack
