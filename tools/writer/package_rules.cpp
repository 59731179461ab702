#include "tools/writer/package_rules.hpp"

#include "package/format.hpp"
#include "tools/writer/windows_1252.hpp"
#include "tools/writer/windows_names.hpp"

namespace mivora::writer {

using namespace format;

namespace {

// A typed or picked destination may be as long as the field lets it be.
constexpr std::size_t kLongestPathForAnyDestination = kMaxPathLength - 1 - kMaxDestinationLength;

std::string joined(std::string_view directory, std::string_view name) {
  return directory.empty() ? std::string(name) : std::string(directory) + "\\" + std::string(name);
}

bool is_separator(char c) { return c == '\\' || c == '/'; }
bool has_own_drive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}
bool is_unc(std::string_view path) { return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]); }

// Whether the installer can make the default current wherever it runs:
// "C:\App", "\\server\share\App", or "\App" on the drive it runs from
// (with 'drive' or without). "App" and "C:App" depend on the folder that
// happens to be current, and the installer refuses them.
bool is_full_path(std::string_view path) {
  if (has_own_drive(path)) return path.size() >= 3 && is_separator(path[2]);
  return !path.empty() && is_separator(path[0]);
}

// The first "%NAME%" in `path`, which Windows would expand and the installer does not.
std::string_view environment_reference(std::string_view path) {
  std::size_t open = path.find('%');
  if (open == std::string_view::npos) return {};
  std::size_t close = path.find('%', open + 1);
  if (close == std::string_view::npos || close == open + 1) return {};
  return path.substr(open, close - open + 1);
}

}  // namespace

void PackageRules::command(std::uint64_t where, bool is_file) {
  if (seen_done_) report_(where, "nothing may follow 'done': the installer ends there");
  if (!is_file) in_list_ = false;
}

void PackageRules::page_text(std::uint64_t where, const char* word) {
  if (license_)
    report_(where, std::string("'") + word + "' and the 'license' at " + describe_(*license_) +
                       " are on one page, where the text would lie over the license: a license page has no texts");
  page_text_ = where;
  page_text_word_ = word;
}

void PackageRules::license(std::uint64_t where) {
  if (page_text_)
    report_(where, std::string("the 'license' and the '") + page_text_word_ + "' at " + describe_(*page_text_) +
                       " are on one page, where the text would lie over the license: a license page has no texts");
  license_ = where;
}

// Reported at the license when its page run ends with no page to wait on.
void PackageRules::license_without_page() {
  if (license_)
    report_(*license_, "a 'license' needs a 'page no-next' after it, before the next 'copy' or 'done': the user "
                       "must accept it before going on");
  license_.reset();
  page_text_.reset();
}

void PackageRules::start_page_run(std::uint64_t where) {
  if (++page_runs_ == kMaxPageRuns + 1)
    report_(where, "this is the 16th 'page' or 'copy', but 15 fit: the installer keeps 16 page runs, the one the "
                   "script starts in and one for each 'page' and 'copy'");
}

void PackageRules::page(std::uint64_t where, std::uint32_t flags) {
  if (!seen_page_ && !(flags & kPageNoBack))
    report_(where, "the first page must have no-back: there is no earlier page to go back to");
  // A license page leaves through "Accept", which enables Next.
  if ((flags & kPageNoBack) && (flags & kPageNoNext) && !license_ && warn_)
    warn_(where, "a page with no-back and no-next can be left only with Cancel, which ends the installer");
  seen_page_ = true;
  if (license_ && !(flags & kPageNoNext))
    report_(where, "the page of the 'license' at " + describe_(*license_) +
                       " needs no-next: without it Next is enabled while \"Decline\" is checked");
  license_.reset();
  page_text_.reset();
  start_page_run(where);
}

void PackageRules::dest(std::uint64_t where, std::string_view default_path, std::uint32_t flags, Tables tables) {
  if (has_group_ && lists_ > 0 && !copied_)
    report_(where, "the files listed after the 'dest' at " + describe_(group_start_) +
                       " are never copied: put a 'copy' before this 'dest'");
  close_group();
  std::size_t length = default_path.size() + ((flags & kDestDrivePrefix) ? 2 : 0);
  // Continuing after a copy, the default is that copy's destination.
  const bool continues = (flags & kDestSameDestination) != 0 && any_copy_;
  if (continues) {
    length = copied_destination_length_;
    typed_destination_ = typed_destination_ || (flags & kDestFixed) == 0;
  } else {
    if (length > kMaxDestinationLength)
      report_(where, "the default destination is " + std::to_string(length) +
                         " characters (a drive prefix counts 2); at most 127 fit");
    check_default_destination(where, default_path, flags);
    close_destination();
    start_destination();
    typed_destination_ = (flags & kDestFixed) == 0;
  }
  has_group_ = true;
  copied_ = false;
  group_start_ = where;
  tables_ = tables;
  in_list_ = false;
  destination_length_ = length;
}

// What the installer makes of the default: a path it refuses, a drive in
// front of a drive, a variable it does not expand.
void PackageRules::check_default_destination(std::uint64_t where, std::string_view path, std::uint32_t flags) {
  const bool fixed = (flags & kDestFixed) != 0;
  const bool drive = (flags & kDestDrivePrefix) != 0;
  const std::string quoted = "'" + shown_ansi(path) + "'";
  if (drive && (has_own_drive(path) || is_unc(path)))
    report_(where, "the default destination " + quoted + (is_unc(path) ? " is a network path" : " has its own drive") +
                       ", and 'drive' puts the drive setup.exe runs from in front of it ('X:" + shown_ansi(path) +
                       "'): drop 'drive', or start the default with a single \\");
  else if (!is_full_path(path)) {
    const std::string what = path.empty() ? "the default destination is empty"
                                          : "the default destination " + quoted +
                                                " is not a full path (such as C:\\App, \\App or \\\\server\\share)";
    if (fixed)
      report_(where, what + ", and 'fixed' keeps the user from typing one: the installer stops with \"Could not "
                            "create file.\" before it writes anything");
    else if (warn_)
      warn_(where, what + ": the user must type a full path, or the installer stops with \"Could not create "
                          "file.\"");
  }
  std::string_view variable = environment_reference(path);
  if (!variable.empty() && warn_)
    warn_(where, "the installer does not expand " + std::string(variable) +
                     ": the default destination is taken literally, a folder named so");
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
  if (++lists_ == kMaxListsPerGroup + 1) first_list_too_many_ = where;
  std::string problem = directory_problem(directory);
  if (!problem.empty()) report_(where, problem);
  directory_ = std::string(directory);
  in_list_ = true;
  // The folder and every folder above it.
  for (std::size_t end = 0; problem.empty() && end < directory.size(); ++end) {
    end = directory.find('\\', end);
    if (end == std::string_view::npos) end = directory.size();
    std::string key = name_key(directory.substr(0, end));
    auto file = file_keys_.find(key);
    if (file != file_keys_.end())
      report_(where, "the folder '" + shown_ansi(directory.substr(0, end)) + "' is a file already, the one at " +
                         describe_(file->second));
    folder_keys_.emplace(key, where);
  }
}

void PackageRules::file(std::uint64_t where, std::string_view name) {
  if (!needs_group(where, "file")) return;
  if (!in_list_) {
    report_(where, "'file' must follow a 'list': the list says which directory receives it");
    return;
  }
  if (++files_ == kMaxFilesPerGroup + 1) first_file_too_many_ = where;
  std::string problem = file_name_problem(name);
  if (!problem.empty()) {
    report_(where, problem);
    return;
  }
  // destination "\" [directory "\"] name
  std::size_t path = destination_length_ + 1 + (directory_.empty() ? 0 : directory_.size() + 1) + name.size();
  if (path > kMaxPathLength)
    report_(where, "the path of '" + shown_ansi(name) + "' under the default destination is " + std::to_string(path) +
                       " characters; at most 255 fit");
  check_unique_path(where, name);
  check_room_for_typed_destination(where, name);
}

void PackageRules::check_unique_path(std::uint64_t where, std::string_view name) {
  std::string path = joined(directory_, name);
  std::string key = name_key(path);
  auto [first, added] = file_keys_.emplace(key, where);
  if (!added)
    report_(where, "'" + shown_ansi(path) + "' is the same file on Windows as the one at " + describe_(first->second) +
                       ": Windows compares names without regard to case, so one would replace the other");
  auto folder = folder_keys_.find(key);
  if (folder != folder_keys_.end())
    report_(where, "'" + shown_ansi(path) + "' is a folder already, made by the list at " + describe_(folder->second));
}

void PackageRules::check_room_for_typed_destination(std::uint64_t where, std::string_view name) {
  std::size_t length = (directory_.empty() ? 0 : directory_.size() + 1) + name.size();
  if (!typed_destination_ || length <= longest_path_) return;
  longest_path_ = length;
  longest_path_where_ = where;
  longest_path_name_ = joined(directory_, name);
}

void PackageRules::copy(std::uint64_t where) {
  if (!has_group_) report_(where, "'copy' needs a 'dest' before it: the destination starts each group of files");
  close_group();
  license_without_page();
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
  close_group();
  license_without_page();
  seen_done_ = true;
}

void PackageRules::end(std::uint64_t where) {
  close_group();
  license_without_page();
  close_destination();
  if (!seen_done_) report_(where, "the script must end with 'done'");
}

// One message a group for each table it overflows, at the first entry that
// does not fit.
void PackageRules::close_group() {
  const std::string most_files = std::to_string(kMaxFilesPerGroup);
  const std::string most_lists = std::to_string(kMaxListsPerGroup);
  if (tables_ == Tables::kCheck && files_ > kMaxFilesPerGroup)
    report_(first_file_too_many_,
            "the group of the 'dest' at " + describe_(group_start_) + " has " + std::to_string(files_) +
                " files, and the installer's file table holds " + most_files +
                ": end the group with a 'copy' after at most " + most_files +
                " files and go on with 'dest \"...\" continue fixed'");
  if (tables_ == Tables::kCheck && lists_ > kMaxListsPerGroup)
    report_(first_list_too_many_,
            "the group of the 'dest' at " + describe_(group_start_) + " has " + std::to_string(lists_) +
                " lists (a 'files' tree makes one a folder), and the installer's list table holds " + most_lists +
                ": end the group with a 'copy' after at most " + most_lists +
                " lists and go on with 'dest \"...\" continue fixed'");
  files_ = lists_ = 0;
}

void PackageRules::start_destination() {
  file_keys_.clear();
  folder_keys_.clear();
  longest_path_ = 0;
}

void PackageRules::close_destination() {
  if (!warn_ || longest_path_ <= kLongestPathForAnyDestination) return;
  std::size_t room = longest_path_ < kMaxPathLength - 1 ? kMaxPathLength - 1 - longest_path_ : 0;
  warn_(longest_path_where_, "the path '" + shown_ansi(longest_path_name_) + "' is " + std::to_string(longest_path_) +
                                 " characters below the destination, so a destination typed or picked at install "
                                 "time may have at most " +
                                 std::to_string(room) +
                                 " characters (the field takes 127); a longer one stops the copy with \"Could not "
                                 "create file.\"");
  longest_path_ = 0;
}

}  // namespace mivora::writer
