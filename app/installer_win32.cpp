// Win32 body of the process: entry point, start-up, message loop, fatal error box, script thread.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "app/file_guard_win32.hpp"
#include "app/package_source_win32.hpp"
#include "interpreter/interpreter.hpp"
#include "interpreter/script_input.hpp"
#include "support/path_buffer.hpp"
#include "wizard/wizard_window.hpp"

namespace mivora {
namespace {

// The process exit code: that of the script's end through "Finish" or a
// confirmed Cancel, stored by the script thread before its close requests
// destroy the window; 0 when the window was closed from outside.
constinit std::atomic<std::uint32_t> g_exit_code{kExitSuccess};

// Ends the process with the last-error value, naming the step that failed.
[[noreturn]] void fatal_error(StartStep step) {
  DWORD error = GetLastError();
  // wvsprintfA reads each argument from a slot the size of a pointer: 4
  // bytes on i386, 8 on x86-64, where 32-bit slots put the step code
  // outside the list.
  LONG_PTR arguments[2] = {static_cast<LONG_PTR>(error), static_cast<LONG_PTR>(step)};
  wvsprintfA(shared_path_buffer, "Error = %ld from %ld", reinterpret_cast<va_list>(arguments));
  MessageBoxA(nullptr, shared_path_buffer, "Error", MB_OK);
  ExitProcess(error);
}

// DLLs are then looked up in the system directory only, never beside the
// installer (often a download folder). Older systems lack the call.
void restrict_dll_search() {
  FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  auto* restrict_search = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(reinterpret_cast<void (*)()>(found));
  if (restrict_search != nullptr) restrict_search(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The script thread: the package interpreter with the Win32 seams, then
// the close requests that its end brings.
DWORD WINAPI script_thread_start(void*) {
  ScriptInput input(wizard_link());
  GuardedFileSystem files;
  ScriptEnvironment environment{resource_package_source(), wizard_controls(), input, files};
  ScriptEnd end = run_package(environment);
  if (end.kind == ScriptEnd::Kind::kEndScript) g_exit_code.store(end.code);
  ExitThread(close_window_for(wizard_link(), end));
}

[[noreturn]] void start_installer() {
  restrict_dll_search();
  WindowOpened opened = open_wizard_window();
  if (!opened.ok) fatal_error(opened.failed_step);
  create_wizard_events();
  DWORD thread_id = 0;
  HANDLE script_thread =
      CreateThread(nullptr, 0, script_thread_start, nullptr, 0, &thread_id);

  // No IsDialogMessageA: Tab, Enter and Escape reach the window as keys.
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  exit_process_between_files(script_thread, g_exit_code.load());
}

}  // namespace
}  // namespace mivora

// The process entry point (linked with -e): no C runtime, no arguments read.
extern "C" [[noreturn]] void mivora_start() { mivora::start_installer(); }
