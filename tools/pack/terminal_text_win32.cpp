// Win32 body of the terminal's encoding: a console's output code page, and
// UTF-8 for a pipe or a file, as every other text of the tool is.
#include <windows.h>

#include "tools/pack/terminal_text.hpp"

namespace mivora::pack {

std::string for_terminal(std::string_view utf8, Stream stream) {
  HANDLE handle = GetStdHandle(stream == Stream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  UINT code_page = GetConsoleOutputCP();
  if (!GetConsoleMode(handle, &mode) || code_page == CP_UTF8 || utf8.empty()) return std::string(utf8);
  int length = static_cast<int>(utf8.size());
  int wide_length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wide_length);
  // Characters the console's code page lacks become its default character, '?'.
  int narrow_length = WideCharToMultiByte(code_page, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(narrow_length), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), wide_length, narrow.data(), narrow_length, nullptr, nullptr);
  return narrow;
}

}  // namespace mivora::pack
