#include "app/file_guard_win32.hpp"

namespace mivora {
namespace {

constexpr DWORD kGuardPollMilliseconds = 10;

constinit CRITICAL_SECTION g_file_guard = {};

}  // namespace

void create_file_guard() { InitializeCriticalSection(&g_file_guard); }

// Entered before the open: creating a file empties an existing one, so an
// end between the open and the first write would lose it too.
FileHandle GuardedFileSystem::open(std::uint32_t mode, CountedView name) {
  EnterCriticalSection(&g_file_guard);
  FileHandle file = FileSystem::open(mode, name);
  if (!file.valid()) LeaveCriticalSection(&g_file_guard);
  return file;
}

void GuardedFileSystem::close(FileHandle file) {
  FileSystem::close(file);
  LeaveCriticalSection(&g_file_guard);
}

void exit_process_between_files(UINT code) {
  while (TryEnterCriticalSection(&g_file_guard) == FALSE) {
    // A request the script thread sent to the window in its last moments
    // would otherwise wait for this thread forever.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kGuardPollMilliseconds, QS_SENDMESSAGE);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  }
  ExitProcess(code);
}

}  // namespace mivora
