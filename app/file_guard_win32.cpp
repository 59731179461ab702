#include "app/file_guard_win32.hpp"

#include <atomic>

namespace mivora {
namespace {

constexpr DWORD kPollMilliseconds = 10;

// Each side sets its own flag before it reads the other's (both sequentially
// consistent): either the script thread sees that the process is ending, or
// the main thread sees the open file and waits for its close.
constinit std::atomic<bool> g_file_open{false};
constinit std::atomic<bool> g_process_ending{false};

static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

// Marked before the open: creating a file empties an existing one, so an
// end between the open and the first write would lose it too.
FileHandle GuardedFileSystem::open(std::uint32_t mode, CountedView name) {
  g_file_open.store(true);
  if (g_process_ending.load()) ExitThread(0);  // begin nothing once the window is gone
  FileHandle file = open_file(mode, name);
  if (!file.valid()) g_file_open.store(false);
  return file;
}

void GuardedFileSystem::close(FileHandle file) {
  close_file(file);
  g_file_open.store(false);
}

void GuardedFileSystem::discard(FileHandle file, CountedView name) {
  close_file(file);
  delete_file(name);
  g_file_open.store(false);
}

void exit_process_between_files(HANDLE script_thread, UINT code) {
  g_process_ending.store(true);
  // Requests the script thread sends now meet a destroyed window and return
  // at once, so it can finish its file while this thread waits. A thread
  // that has ended (also one that ended in open, with the mark still set)
  // ends the wait.
  while (g_file_open.load() && WaitForSingleObject(script_thread, kPollMilliseconds) == WAIT_TIMEOUT) {
  }
  ExitProcess(code);
}

}  // namespace mivora
