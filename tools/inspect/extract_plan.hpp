#pragma once
// Chooses a source path for each file of a dump: unique as Windows and
// macOS compare names (without regard to case), and never a file where
// another path needs a folder or the other way round, so that every file
// can be extracted wherever the dump is written and built back from there.
// A path that is taken gets "~2", "~3", ... after its name.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace mivora::inspect {

class ExtractPlan {
 public:
  explicit ExtractPlan(std::uint32_t code_page) : code_page_(code_page) {}

  // The path, UTF-8 and '/'-separated, of the file `name` of the list
  // directory `directory` (both in the code page, '\'-separated).
  [[nodiscard]] std::string path_for(std::string_view directory, std::string_view name);

 private:
  // The bytes a file system will see: those the code page leaves undefined become '_'.
  [[nodiscard]] std::string visible(std::string_view ansi) const;
  [[nodiscard]] std::string folder_for(std::string_view directory);
  [[nodiscard]] std::string free_name(const std::string& wanted, bool as_folder) const;

  std::uint32_t code_page_;
  std::map<std::string, std::string> folders_;  // package directory (by name_key) -> its chosen folder
  std::set<std::string> file_keys_;
  std::set<std::string> folder_keys_;
};

}  // namespace mivora::inspect
