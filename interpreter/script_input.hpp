#pragma once
// The script thread's side of the handshake: waiting on the events with the
// wake-up actions, taking key and command entries, and the end of the script.
// Portable: the window is reached only through a WindowLink.
#include <cstdint>

#include "interpreter/window_link.hpp"

namespace mivora {

// An entry taken from a queue, or `closing` when the close event was seen
// first: the script must then end at once (exit script thread with code 0).
struct [[nodiscard]] Taken {
  std::uint32_t entry = 0;
  bool closing = false;
};

class ScriptInput {
 public:
  explicit ScriptInput(WindowLink& link) : link_(link) {}

  // Waits for the command event, then takes the oldest command entry
  // (0 when the queue was found empty).
  Taken next_command();
  // Waits for the key event, then takes the oldest key entry.
  Taken next_key();
  // The command event, tested without waiting.
  [[nodiscard]] bool command_pending();
  // The lowest slot whose event is set (close, key, command), tested
  // without waiting; kIdle when nothing waits.
  [[nodiscard]] EventSlot first_pending() { return link_.wait_for_events(0); }
  // Takes and drops every waiting command; false when the script must end.
  [[nodiscard]] bool discard_pending_commands();

 private:
  // Blocks until a wake-up reports `wanted`; false when the script must end.
  [[nodiscard]] bool wait_for_event(EventSlot wanted);
  // The action of a slot other than the one waited for; false to end.
  [[nodiscard]] bool run_wake_up_action(EventSlot slot);
  [[nodiscard]] bool do_nothing();
  [[nodiscard]] bool end_thread();
  [[nodiscard]] bool drop_key();

  WindowLink& link_;
};

// The process exit codes of the script's ends: a failure shown in the error
// state is ERROR_INSTALL_FAILURE, which deployment tools read as a failed
// install; every other end is a success.
inline constexpr std::uint32_t kExitSuccess = 0;
inline constexpr std::uint32_t kExitInstallFailed = 1603;

// How the script ended, for the script thread's body to carry out.
struct ScriptEnd {
  enum class Kind : std::uint8_t {
    kExitThread,  // the close event was seen: one close request
    kEndScript,   // Finish, error state, confirmed Cancel: the window is closed
  };
  Kind kind = Kind::kExitThread;
  std::uint32_t code = 0;
};

// Sends the close requests that end brings: one for kExitThread; for
// kEndScript one more first when the close event is not yet set, so that
// the window is always destroyed. Returns the thread's exit code.
std::uint32_t close_window_for(WindowLink& link, ScriptEnd end);

}  // namespace mivora
