// The Windows body: the console runs its control handler on a thread of its
// own while the writer goes on, and a file still open cannot be deleted, so
// the handler only raises a flag; the writer stops at its next chunk and
// removes the file as any failed build does.
#include <windows.h>

#include "tools/pack/interrupt_cleanup.hpp"

namespace mivora::pack {
namespace {

volatile LONG g_armed = 0;
volatile LONG g_interrupted = 0;

BOOL WINAPI ask_writer_to_stop(DWORD) {
  if (g_armed == 0) return FALSE;  // nothing half written: end as usual
  InterlockedExchange(&g_interrupted, 1);
  return TRUE;
}

}  // namespace

void remove_on_interrupt(const std::filesystem::path&) {
  static bool installed = false;
  if (!installed) installed = SetConsoleCtrlHandler(ask_writer_to_stop, TRUE) != 0;
  InterlockedExchange(&g_armed, 1);
}

void disarm_interrupt_cleanup() { InterlockedExchange(&g_armed, 0); }

bool interrupt_requested() { return g_interrupted != 0; }

}  // namespace mivora::pack
