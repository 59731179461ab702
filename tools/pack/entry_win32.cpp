// Win32 entry of mivora-pack: the command line in UTF-16 (linked with
// -municode), turned into UTF-8, so that a path outside the ANSI code page
// reaches the tool whole.
#include <windows.h>

#include <string>
#include <vector>

#include "tools/pack/commands.hpp"

namespace {

std::string utf8_of(const wchar_t* wide) {
  int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating NUL the count included
  return utf8;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(utf8_of(argv[i]));
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  return mivora::pack::run_tool(argc, pointers.data());
}
