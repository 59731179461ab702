#pragma once
// The script thread's link to the wizard window: the four events and the
// requests it sends. The Win32 body waits with WaitForMultipleObjects and
// sends with SendMessageA; tests use a simulated window.
#include <cstdint>

namespace mivora {

// Four manual-reset events; a wait reports the lowest signalled slot.
enum class EventSlot : std::uint8_t {
  kIdle = 0,     // never set: a wake-up for nothing (the 1000 ms timeout)
  kClose = 1,    // set by the first close request, never reset
  kKey = 2,      // key entries may be waiting
  kCommand = 3,  // command entries may be waiting
};

inline constexpr std::uint32_t kWakeUpMilliseconds = 1000;

class WindowLink {
 public:
  // The lowest slot whose event is set, waiting up to `milliseconds` for
  // one (kWakeUpMilliseconds in a wait, 0 for a look); a timeout or a failed
  // wait is kIdle.
  virtual EventSlot wait_for_events(std::uint32_t milliseconds) = 0;
  // Tests one event without waiting.
  virtual bool event_set(EventSlot slot) = 0;
  // The take-command request (0x594): the oldest command entry, or 0.
  virtual std::uint32_t take_command() = 0;
  // The take-key request (0x593): the oldest key entry, or 0.
  virtual std::int32_t take_key() = 0;
  // WM_CLOSE: the first sets the close event, a later one destroys the window.
  virtual void request_close() = 0;

 protected:
  ~WindowLink() = default;
};

}  // namespace mivora
