#pragma once
// The order rules and limits that a package must keep for the installer,
// checked command by command. The script compiler feeds it script lines,
// the package checker package offsets; both get the same messages.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace mivora::writer {

class PackageRules {
 public:
  // `where` is whatever the caller passed with the command.
  using Report = std::function<void(std::uint64_t where, const std::string& message)>;
  // How a place is named inside a message ("line 12", "offset 0x40").
  using Describe = std::function<std::string(std::uint64_t where)>;
  PackageRules(Report report, Describe describe) : report_(std::move(report)), describe_(std::move(describe)) {}

  // Every command, before its own check: nothing may follow "done", and any
  // command but "file" closes the open list.
  void command(std::uint64_t where, bool is_file);
  void page(std::uint64_t where, std::uint32_t flags);
  void dest(std::uint64_t where, std::string_view default_path, std::uint32_t flags);
  void list(std::uint64_t where, std::string_view directory);
  void file(std::uint64_t where, std::string_view name);
  void copy(std::uint64_t where);
  void done(std::uint64_t where);
  void end(std::uint64_t where);

 private:
  bool needs_group(std::uint64_t where, const char* command);
  void start_page_run(std::uint64_t where);

  Report report_;
  Describe describe_;
  bool seen_page_ = false;
  bool seen_done_ = false;
  std::uint32_t page_runs_ = 1;
  bool has_group_ = false;
  bool copied_ = false;   // the current group's copy
  bool any_copy_ = false;  // a copy of any group
  std::size_t copied_destination_length_ = 0;
  std::uint64_t group_start_ = 0;
  std::uint32_t lists_ = 0;
  std::uint32_t files_ = 0;
  bool in_list_ = false;
  std::size_t destination_length_ = 0;
  std::string directory_;
};

}  // namespace mivora::writer
