#include "tools/writer/package_rules.hpp"

#include "package/format.hpp"
#include "tools/writer/windows_names.hpp"

namespace mivora::writer {

using namespace format;

void PackageRules::command(std::uint64_t where, bool is_file) {
  if (seen_done_) report_(where, "nothing may follow 'done': the installer ends there");
  if (!is_file) in_list_ = false;
}

void PackageRules::start_page_run(std::uint64_t where) {
  if (++page_runs_ > kMaxPageRuns)
    report_(where, "more than 16 page runs: every 'page' and 'copy' starts one, and the installer keeps 16");
}

void PackageRules::page(std::uint64_t where, std::uint32_t flags) {
  if (!seen_page_ && !(flags & kPageNoBack))
    report_(where, "the first page must have no-back: there is no earlier page to go back to");
  seen_page_ = true;
  start_page_run(where);
}

void PackageRules::dest(std::uint64_t where, std::string_view default_path, std::uint32_t flags) {
  if (has_group_ && lists_ > 0 && !copied_)
    report_(where, "the files listed after the 'dest' at " + describe_(group_start_) +
                       " are never copied: put a 'copy' before this 'dest'");
  std::size_t length = default_path.size() + ((flags & kDestDrivePrefix) ? 2 : 0);
  // Continuing after a copy, the default is that copy's destination.
  if ((flags & kDestSameDestination) != 0 && any_copy_)
    length = copied_destination_length_;
  else if (length > kMaxDestinationLength)
    report_(where, "the default destination is " + std::to_string(length) +
                       " characters (a drive prefix counts 2); at most 127 fit");
  has_group_ = true;
  copied_ = false;
  group_start_ = where;
  lists_ = files_ = 0;
  in_list_ = false;
  destination_length_ = length;
}

bool PackageRules::needs_group(std::uint64_t where, const char* command) {
  if (!has_group_) {
    report_(where,
            std::string("'") + command + "' needs a 'dest' before it: the destination starts each group of files");
    return false;
  }
  if (copied_) {
    report_(where, std::string("'") + command + "' after 'copy' needs a new 'dest' first");
    return false;
  }
  return true;
}

void PackageRules::list(std::uint64_t where, std::string_view directory) {
  if (!needs_group(where, "list")) return;
  if (++lists_ > kMaxListsPerGroup)
    report_(where, "more than 32 lists after one 'dest': the installer's list table holds 32");
  std::string problem = directory_problem(directory);
  if (!problem.empty()) report_(where, problem);
  directory_ = std::string(directory);
  in_list_ = true;
}

void PackageRules::file(std::uint64_t where, std::string_view name) {
  if (!needs_group(where, "file")) return;
  if (!in_list_) {
    report_(where, "'file' must follow a 'list': the list says which directory receives it");
    return;
  }
  if (++files_ > kMaxFilesPerGroup)
    report_(where, "more than 128 files after one 'dest': the installer's file table holds 128");
  std::string problem = file_name_problem(name);
  if (!problem.empty()) report_(where, problem);
  // destination "\" [directory "\"] name
  std::size_t path = destination_length_ + 1 + (directory_.empty() ? 0 : directory_.size() + 1) + name.size();
  if (path > kMaxPathLength)
    report_(where, "the path of '" + std::string(name) + "' under the default destination is " + std::to_string(path) +
                       " characters; at most 255 fit");
}

void PackageRules::copy(std::uint64_t where) {
  if (!has_group_) report_(where, "'copy' needs a 'dest' before it: the destination starts each group of files");
  copied_ = true;
  any_copy_ = true;
  copied_destination_length_ = destination_length_;
  in_list_ = false;
  start_page_run(where);
}

void PackageRules::done(std::uint64_t where) {
  if (has_group_ && lists_ > 0 && !copied_)
    report_(where, "the files listed after the 'dest' at " + describe_(group_start_) +
                       " are never copied: put a 'copy' before 'done'");
  seen_done_ = true;
}

void PackageRules::end(std::uint64_t where) {
  if (!seen_done_) report_(where, "the script must end with 'done'");
}

}  // namespace mivora::writer
