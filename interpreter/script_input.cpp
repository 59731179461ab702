#include "interpreter/script_input.hpp"

namespace mivora {

bool ScriptInput::do_nothing() { return true; }
bool ScriptInput::end_thread() { return false; }

bool ScriptInput::drop_key() { return !next_key().closing; }

bool ScriptInput::run_wake_up_action(EventSlot slot) {
  using Action = bool (ScriptInput::*)();
  // Indexed by slot: idle, close, key. Fixed for the whole run. The script
  // waits only for commands, and a key is taken at once by the nested wait
  // of drop_key (its event stays set until that take), so a wake-up for the
  // command slot never needs an action: it is always the one waited for.
  static constexpr Action kWakeUpActions[] = {&ScriptInput::do_nothing, &ScriptInput::end_thread,
                                              &ScriptInput::drop_key};
  constexpr unsigned kActions = sizeof kWakeUpActions / sizeof kWakeUpActions[0];
  static_assert(kActions == 3);
  const auto index = static_cast<unsigned>(slot);
  return index < kActions ? (this->*kWakeUpActions[index])() : true;
}

bool ScriptInput::wait_for_event(EventSlot wanted) {
  for (;;) {
    EventSlot slot = link_.wait_for_events(kWakeUpMilliseconds);
    if (slot == wanted) return true;
    if (!run_wake_up_action(slot)) return false;
    if (link_.event_set(EventSlot::kClose)) return false;
  }
}

Taken ScriptInput::next_command() {
  if (!wait_for_event(EventSlot::kCommand)) return Taken{0, true};
  return Taken{link_.take_command(), false};
}

Taken ScriptInput::next_key() {
  if (!wait_for_event(EventSlot::kKey)) return Taken{0, true};
  return Taken{static_cast<std::uint32_t>(link_.take_key()), false};
}

bool ScriptInput::command_pending() { return link_.event_set(EventSlot::kCommand); }

bool ScriptInput::discard_pending_commands() {
  while (command_pending())
    if (next_command().closing) return false;
  return true;
}

std::uint32_t close_window_for(WindowLink& link, ScriptEnd end) {
  if (end.kind == ScriptEnd::Kind::kEndScript) {
    if (!link.event_set(EventSlot::kClose)) {
      link.request_close();  // sets the close event
      link.request_close();  // finds it set: the window is destroyed
      return 0;
    }
  }
  link.request_close();
  return end.code;
}

}  // namespace mivora
