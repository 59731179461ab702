#pragma once
// Reads a package the way the installer will run it, command by command,
// and notes everything that breaks the format, its order rules or its
// limits. check reports the problems; dump turns the commands back into a
// script.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/command_list.hpp"
#include "package/package_view.hpp"

namespace mivora::inspect {

struct PackageProblem {
  std::uint32_t offset = 0;
  std::string message;
};

struct WalkedCommand {
  std::uint32_t offset = 0;  // of the tag
  const format::CommandInfo* info = nullptr;
  std::vector<std::uint32_t> arguments;
  std::string text;   // the string argument: caption, text, destination, list directory or file name;
                      // a license's text without its zero byte
  FileRecord file{};  // for "file"
  DataBlock block{};  // for "file"

  [[nodiscard]] format::Command command() const { return info->command; }
};

// What a walk found: the problems (the first kMaxKeptProblems of them) and
// counts, but not the commands, so that a package of any size is walked in
// bounded memory.
struct WalkSummary {
  static constexpr std::size_t kMaxKeptProblems = 100;
  std::vector<PackageProblem> problems;
  std::uint64_t problem_count = 0;
  std::uint64_t command_count = 0;
  std::uint64_t file_bytes = 0;
  [[nodiscard]] bool ok() const { return problem_count == 0; }
};

struct WalkHooks {
  // Each command whose arguments passed their checks, in script order.
  std::function<void(const WalkedCommand&)> command;
  // Called now and then: the package bytes read so far are no longer needed.
  std::function<void()> release;
};

[[nodiscard]] WalkSummary walk_package(ByteView package, const WalkHooks& hooks);

// The walk with every command kept, for packages small enough to hold.
struct PackageWalk {
  std::vector<WalkedCommand> commands;
  std::vector<PackageProblem> problems;
  std::uint64_t file_bytes = 0;
  [[nodiscard]] bool ok() const { return problems.empty(); }
};

[[nodiscard]] PackageWalk walk_package(ByteView package);

[[nodiscard]] std::string describe_offset(std::uint64_t offset);

}  // namespace mivora::inspect
