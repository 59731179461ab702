#include "tools/inspect/extract_plan.hpp"

#include "tools/script/code_page.hpp"
#include "tools/writer/windows_names.hpp"

namespace mivora::inspect {

std::string ExtractPlan::visible(std::string_view ansi) const {
  std::string out(ansi);
  for (char& c : out)
    if (!script::from_ansi(static_cast<std::uint8_t>(c), code_page_)) c = '_';
  return out;
}

// A name is free when no chosen file has it and, for a file, no chosen
// folder either; a folder may be shared by directories that differ in case.
std::string ExtractPlan::free_name(const std::string& wanted, bool as_folder) const {
  std::string name = wanted;
  for (int n = 2;; ++n) {
    std::string key = writer::name_key(name);
    if (!file_keys_.count(key) && (as_folder || !folder_keys_.count(key))) return name;
    name = wanted + "~" + std::to_string(n);
  }
}

std::string ExtractPlan::folder_for(std::string_view directory) {
  if (directory.empty()) return {};
  std::string key = writer::name_key(directory);
  auto known = folders_.find(key);
  if (known != folders_.end()) return known->second;
  std::size_t split = directory.rfind('\\');
  std::string parent = split == std::string_view::npos ? std::string() : folder_for(directory.substr(0, split));
  std::string last = visible(split == std::string_view::npos ? directory : directory.substr(split + 1));
  std::string chosen = free_name(parent.empty() ? last : parent + "\\" + last, true);
  folder_keys_.insert(writer::name_key(chosen));
  folders_.emplace(key, chosen);
  return chosen;
}

std::string ExtractPlan::path_for(std::string_view directory, std::string_view name) {
  std::string folder = folder_for(directory);
  std::string chosen = free_name((folder.empty() ? "" : folder + "\\") + visible(name), false);
  file_keys_.insert(writer::name_key(chosen));
  std::string utf8;
  for (char c : chosen)
    utf8 += c == '\\' ? std::string("/") : script::to_utf8(*script::from_ansi(static_cast<std::uint8_t>(c), code_page_));
  return utf8;
}

}  // namespace mivora::inspect
