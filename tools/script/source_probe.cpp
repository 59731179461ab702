#include "tools/script/source_probe.hpp"

#include <cctype>
#include <cerrno>
#include <fstream>

namespace mivora::script {
namespace {

namespace fs = std::filesystem;

SourceEntry unusable(std::string problem) { return SourceEntry{SourceKind::kUnusable, 0, std::move(problem)}; }

// Why a link could not be followed.
std::string broken_link(const fs::path& link, std::error_code error) {
  if (error == std::errc::too_many_symbolic_link_levels)
    return "the link loops: following it never reaches a file or folder";
  std::error_code ignored;
  fs::path target = fs::read_symlink(link, ignored);
  if (error == std::errc::no_such_file_or_directory)
    return "the link points to '" + target.string() + "', which does not exist";
  return "the link to '" + target.string() + "' " + plain_reason(error);
}

std::string not_a_file(fs::file_type type) {
  switch (type) {
    case fs::file_type::fifo: return "is a named pipe, not a file";
    case fs::file_type::socket: return "is a socket, not a file";
    case fs::file_type::block:
    case fs::file_type::character: return "is a device, not a file";
    default: return "is not a file";
  }
}

SourceEntry readable_file(const fs::path& path) {
  std::error_code error;
  std::uint64_t size = fs::file_size(path, error);
  if (error) return unusable(plain_reason(error));
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return unusable(plain_reason(std::error_code(errno != 0 ? errno : EIO, std::generic_category())));
  return SourceEntry{SourceKind::kFile, size, {}};
}

}  // namespace

std::string plain_reason(std::error_code error) {
  if (error == std::errc::no_such_file_or_directory) return "not found";
  if (error == std::errc::not_a_directory) return "not found: a part of the path is a file, not a folder";
  if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
    return "cannot be read: permission denied";
  if (error == std::errc::too_many_symbolic_link_levels) return "the path loops through links";
  if (error == std::errc::filename_too_long) return "the path is too long for this system";
  std::string words = error.message();
  if (!words.empty()) words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
  return "cannot be read: " + words;
}

SourceEntry probe_source(const fs::path& path) {
  std::error_code error;
  fs::file_status link = fs::symlink_status(path, error);
  if (error) return unusable(plain_reason(error));
  fs::file_status target = fs::status(path, error);
  if (error) return unusable(fs::is_symlink(link) ? broken_link(path, error) : plain_reason(error));
  if (fs::is_directory(target)) return SourceEntry{SourceKind::kFolder, 0, {}};
  if (!fs::is_regular_file(target)) return unusable(not_a_file(target.type()));
  return readable_file(path);
}

}  // namespace mivora::script
