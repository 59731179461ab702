#pragma once
// A script read whole, before it becomes a package: every command in order
// with the place it came from, lists holding their files. Keeping the script
// whole lets a group that overflows the installer's tables be split with
// the page runs of the entire script in view.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "package/command_list.hpp"
#include "support/file_time.hpp"

namespace mivora::script {

// Where a command came from: its line, and for what a 'files' tree adds,
// the source path of the folder or file ("app/docs/readme.txt").
struct Place {
  std::uint64_t line = 0;
  std::string source;
};

struct PlannedFile {
  std::string name;  // in the code page
  std::uint64_t size = 0;
  FileTime time{};
  std::filesystem::path source;
  std::uint32_t place = 0;
};

struct PlannedList {
  std::string directory;  // in the code page, '\'-separated
  std::vector<PlannedFile> files;
};

struct PlannedCommand {
  format::Command command;
  std::uint32_t place = 0;
  std::string text;         // the text argument or the default destination
  std::uint32_t flags = 0;  // page or destination flags
  PlannedList list;         // for 'list'; for a 'file' outside any list, that file alone
};

struct ScriptPlan {
  std::vector<Place> places;
  std::vector<PlannedCommand> commands;
};

}  // namespace mivora::script
