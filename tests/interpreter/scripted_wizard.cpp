#include "scripted_wizard.hpp"

#include "installer_fixture.hpp"
#include "wizard/control_ids.hpp"

namespace mivora::testing {
namespace {

constexpr int kMaxWaits = 100000;  // a script that never stops waiting is a fault

int index_of(int id) {
  for (int i = 0; i < kControlCount; ++i)
    if (kControlIds[i] == id) return i;
  ADD_FAILURE() << "no control with id " << id;
  return 0;
}

std::string id_text(Control c) { return std::to_string(control_id(c)); }

}  // namespace

ScriptedWizard::ScriptedWizard() {
  // As dialog template 100 makes them.
  controls_[index_of(101)] = {"Next >>", true, true};
  controls_[index_of(102)] = {"<< Back", true, false};
  controls_[index_of(2)] = {"Cancel", true, true};
  controls_[index_of(202)].text = "Accept";
  controls_[index_of(203)].text = "Decline";
  controls_[index_of(220)].text = "Browse...";
  controls_[index_of(222)].text = "Destination:";
  controls_[index_of(230)].text = "Progress:";
  controls_[index_of(211)].visible = true;
  controls_[0].visible = true;
}

ScriptedWizard& ScriptedWizard::then(UserAction action) {
  actions_.push_back(std::move(action));
  return *this;
}

const ControlState& ScriptedWizard::control(int id) const { return controls_[index_of(id)]; }

std::vector<std::string> ScriptedWizard::calls_starting(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& line : log_)
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  return found;
}

void ScriptedWizard::record(const std::string& line) {
  log_.push_back(line);
  if (on_call) on_call(line);
}

void ScriptedWizard::queue_command(std::uint32_t entry) {
  commands_.push(entry);
  events_[static_cast<int>(EventSlot::kCommand)] = true;
}

void ScriptedWizard::close_window() {
  bool& close_event = events_[static_cast<int>(EventSlot::kClose)];
  if (close_event)
    destroyed_ = true;
  else
    close_event = true;
}

void ScriptedWizard::perform(const UserAction& action) {
  switch (action.kind) {
    case UserAction::Kind::kClick: {
      const ControlState& button = control(static_cast<int>(action.value));
      // Disabled or hidden controls send nothing.
      if (!button.visible || !button.enabled) {
        log_.push_back("user click " + std::to_string(action.value) + " dropped");
        return;
      }
      log_.push_back("user click " + std::to_string(action.value));
      queue_command(action.value);
      return;
    }
    case UserAction::Kind::kCommandEntry:
      log_.push_back("user entry " + std::to_string(action.value));
      queue_command(action.value);
      return;
    case UserAction::Kind::kKey:
      log_.push_back("user key " + std::to_string(static_cast<std::int32_t>(action.value)));
      keys_.push(static_cast<std::int32_t>(action.value));
      events_[static_cast<int>(EventSlot::kKey)] = true;
      return;
    case UserAction::Kind::kClose:
      log_.push_back("user close");
      close_window();
      return;
    case UserAction::Kind::kType: {
      ControlState& field = state(Control::kDestination);
      if (!field.visible || !field.enabled) {
        log_.push_back("user type dropped");
        return;
      }
      log_.push_back("user type " + action.text);
      field.text = action.text;
      queue_command(kDestinationChanged);
      return;
    }
  }
}

bool ScriptedWizard::any_event() const {
  return events_[static_cast<int>(EventSlot::kClose)] || events_[static_cast<int>(EventSlot::kKey)] ||
         events_[static_cast<int>(EventSlot::kCommand)];
}

void ScriptedWizard::fill_handle_table() { record("fill"); }

void ScriptedWizard::set_text(Control control, CountedView text) {
  state(control).text = text_of(text);
  record("text " + id_text(control) + " " + text_of(text));
}

void ScriptedWizard::get_text(Control control, CountedDest text) {
  // GetWindowTextA into the 256-byte shared path buffer: 255 characters at most.
  std::string window_text = state(control).text.substr(0, 255);
  counted_copy(window_text.c_str(), text);
  record("get " + id_text(control));
}

void ScriptedWizard::set_flag(Control control, bool ControlState::*flag, bool value, const char* verb) {
  state(control).*flag = value;
  record(verb + (" " + id_text(control)));
}

void ScriptedWizard::show(Control control) { set_flag(control, &ControlState::visible, true, "show"); }
void ScriptedWizard::hide(Control control) { set_flag(control, &ControlState::visible, false, "hide"); }
void ScriptedWizard::enable(Control control) { set_flag(control, &ControlState::enabled, true, "enable"); }
void ScriptedWizard::disable(Control control) { set_flag(control, &ControlState::enabled, false, "disable"); }

bool ScriptedWizard::confirm_exit() {
  ++confirmations_shown_;
  record("confirm");
  if (confirm_answers_.empty()) {
    ADD_FAILURE() << "the exit confirmation was shown with no answer prepared";
    return false;
  }
  bool yes = confirm_answers_.front();
  confirm_answers_.pop_front();
  return yes;
}

bool ScriptedWizard::browse_for_folder(CountedDest folder) {
  record("browse");
  if (browse_answers_.empty()) {
    ADD_FAILURE() << "the folder picker was shown with no answer prepared";
    return false;
  }
  std::optional<std::string> chosen = browse_answers_.front();
  browse_answers_.pop_front();
  if (!chosen || chosen->size() > folder.capacity) return false;
  counted_copy(chosen->c_str(), folder);
  return true;
}

EventSlot ScriptedWizard::wait_for_events() {
  if (++waits_ > kMaxWaits) {
    ADD_FAILURE() << "the script keeps waiting without end";
    events_[static_cast<int>(EventSlot::kClose)] = true;
  }
  if (!any_event()) {
    if (actions_.empty()) {
      ADD_FAILURE() << "the script waits for the user, who has nothing left to do";
      events_[static_cast<int>(EventSlot::kClose)] = true;
    } else {
      UserAction next = actions_.front();
      actions_.pop_front();
      if (before_action) before_action(next);
      perform(next);
    }
  }
  for (EventSlot slot : {EventSlot::kClose, EventSlot::kKey, EventSlot::kCommand})
    if (events_[static_cast<int>(slot)]) return slot;
  return EventSlot::kIdle;
}

bool ScriptedWizard::event_set(EventSlot slot) { return events_[static_cast<int>(slot)]; }

std::uint32_t ScriptedWizard::take_command() {
  std::uint32_t entry = 0;
  commands_.pop(entry);
  if (commands_.empty()) events_[static_cast<int>(EventSlot::kCommand)] = false;
  return entry;
}

std::int32_t ScriptedWizard::take_key() {
  std::int32_t entry = 0;
  keys_.pop(entry);
  if (keys_.empty()) events_[static_cast<int>(EventSlot::kKey)] = false;
  return entry;
}

void ScriptedWizard::request_close() {
  ++close_requests_;
  record("close request");
  close_window();
}

}  // namespace mivora::testing
