#pragma once
// The order rules and limits that a package must keep for the installer,
// checked command by command. The script compiler feeds it script lines,
// the package checker package offsets; both get the same messages.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace mivora::writer {

class PackageRules {
 public:
  // `where` is whatever the caller passed with the command.
  using Report = std::function<void(std::uint64_t where, const std::string& message)>;
  // How a place is named inside a message ("line 12", "offset 0x40").
  using Describe = std::function<std::string(std::uint64_t where)>;
  // Problems go to `report`; what only may go wrong at install time to `warn`.
  PackageRules(Report report, Describe describe, Report warn = {})
      : report_(std::move(report)), describe_(std::move(describe)), warn_(std::move(warn)) {}

  // Whether the group's file and list tables are checked: a caller that has
  // already reported a group's size turns the check off for it.
  enum class Tables : std::uint8_t { kCheck, kReportedElsewhere };

  // Every command, before its own check: nothing may follow "done", and any
  // command but "file" closes the open list.
  void command(std::uint64_t where, bool is_file);
  void page(std::uint64_t where, std::uint32_t flags);
  // `text` and `text2` lie inside the license's edit: a page run with a
  // `license` holds neither. `word` names the command in messages.
  void page_text(std::uint64_t where, const char* word);
  void license(std::uint64_t where);
  void dest(std::uint64_t where, std::string_view default_path, std::uint32_t flags, Tables tables = Tables::kCheck);
  void list(std::uint64_t where, std::string_view directory);
  void file(std::uint64_t where, std::string_view name);
  void copy(std::uint64_t where);
  void done(std::uint64_t where);
  void end(std::uint64_t where);

 private:
  bool needs_group(std::uint64_t where, const char* command);
  void check_default_destination(std::uint64_t where, std::string_view path, std::uint32_t flags);
  void start_page_run(std::uint64_t where);
  void license_without_page();
  void close_group();
  void start_destination();
  void close_destination();
  void check_unique_path(std::uint64_t where, std::string_view name);
  void check_room_for_typed_destination(std::uint64_t where, std::string_view name);

  Report report_;
  Describe describe_;
  Report warn_;
  bool seen_page_ = false;
  bool seen_done_ = false;
  std::uint32_t page_runs_ = 1;
  // The current page run's `text` and `license`, where they stand.
  std::optional<std::uint64_t> page_text_;
  const char* page_text_word_ = "";
  std::optional<std::uint64_t> license_;
  bool has_group_ = false;
  bool copied_ = false;   // the current group's copy
  bool any_copy_ = false;  // a copy of any group
  std::size_t copied_destination_length_ = 0;
  std::uint64_t group_start_ = 0;

  // The current group's tables.
  Tables tables_ = Tables::kCheck;
  std::uint32_t lists_ = 0;
  std::uint32_t files_ = 0;
  std::uint64_t first_list_too_many_ = 0;
  std::uint64_t first_file_too_many_ = 0;
  bool in_list_ = false;
  std::size_t destination_length_ = 0;
  std::string directory_;

  // Everything installed into one destination (a `dest` and the groups that
  // continue it): the names in use by name_key, where each came from.
  std::map<std::string, std::uint64_t> file_keys_;
  std::map<std::string, std::uint64_t> folder_keys_;
  // Whether the user may type or pick this destination, and its longest path below it.
  bool typed_destination_ = false;
  std::size_t longest_path_ = 0;
  std::uint64_t longest_path_where_ = 0;
  std::string longest_path_name_;
};

}  // namespace mivora::writer
