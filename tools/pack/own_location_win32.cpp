// Win32 body of the tool's own location: the module's file name.
#include <windows.h>

#include <vector>

#include "tools/pack/own_location.hpp"

namespace mivora::pack {

std::filesystem::path own_folder(const char* argv0) {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return std::filesystem::path(argv0 == nullptr ? "" : argv0).parent_path();
    if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length)).parent_path();
    name.resize(name.size() * 2);  // the name was cut: ask again with more room
  }
}

}  // namespace mivora::pack
