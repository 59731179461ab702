#pragma once
// A build that is interrupted (Ctrl-C, SIGTERM, a closed terminal) leaves no
// half-written output behind. While a file is written under its temporary
// name, that name is armed: an interrupt removes it before the process ends
// as the interrupt asks. Bodies: interrupt_cleanup_posix.cpp (a signal
// handler) and interrupt_cleanup_win32.cpp (a console control handler).
#include <filesystem>

namespace mivora::pack {

void remove_on_interrupt(const std::filesystem::path& temporary);
// The file was renamed or removed: an interrupt has nothing left to remove.
void disarm_interrupt_cleanup();
// True once an interrupt asked the writer to stop by itself (Windows, whose
// handler runs beside the writer and cannot remove a file still open).
[[nodiscard]] bool interrupt_requested();

}  // namespace mivora::pack
