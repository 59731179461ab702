// The source files' times on Windows: read as the FILETIME itself, exactly.
#include <windows.h>

#include <system_error>

#include "tools/script/source_file.hpp"

namespace mivora::script {

FileTime modification_time(const std::filesystem::path& path) {
  // FILE_FLAG_BACKUP_SEMANTICS lets the same call open a folder.
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw std::filesystem::filesystem_error("cannot read the time of", path,
                                            std::error_code(static_cast<int>(GetLastError()), std::system_category()));
  FILETIME written{};
  BOOL ok = GetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  if (!ok)
    throw std::filesystem::filesystem_error("cannot read the time of", path,
                                            std::error_code(static_cast<int>(GetLastError()), std::system_category()));
  return FileTime{written.dwLowDateTime, written.dwHighDateTime};
}

}  // namespace mivora::script
