#include "tests/support/fake_wizard.hpp"

#include "interpreter/interpreter.hpp"

namespace mivora::test {
namespace {

// A script that never stops waiting is a fault.
constexpr int kMaxWaits = 100000;
// Far more clicks than any package of a page position table's depth needs.
constexpr int kMaxAutomaticActions = 4096;

constexpr const char* kControlNames[] = {
    "Window",      "Next",        "Back",        "Cancel",           "Browse",
    "Accept",      "Decline",     "Text",        "Text2",            "Destination",
    "DestinationLabel", "License", "ProgressLabel", "ProgressText", "ProgressFrame"};
static_assert(sizeof kControlNames / sizeof kControlNames[0] == kControlCount);

std::string text_of(CountedView v) { return std::string(v.chars, v.length); }

// The package bytes as resource 42 would give them.
class BytesSource final : public PackageSource {
 public:
  BytesSource(ByteView bytes, FakeWizard& wizard) : bytes_(bytes), wizard_(wizard) {}
  ByteView locate() override {
    wizard_.record("locate");
    return bytes_;
  }

 private:
  ByteView bytes_;
  FakeWizard& wizard_;
};

}  // namespace

const char* control_name(Control c) { return kControlNames[static_cast<int>(c)]; }

FakeWizard::FakeWizard(User user) : user_(user) {
  // As dialog template 100 makes them.
  controls_[index(Control::kWindow)].visible = true;
  controls_[index(Control::kNext)] = {"Next >>", true, true};
  controls_[index(Control::kBack)] = {"<< Back", true, false};
  controls_[index(Control::kCancel)] = {"Cancel", true, true};
  controls_[index(Control::kAccept)].text = "Accept";
  controls_[index(Control::kDecline)].text = "Decline";
  controls_[index(Control::kBrowse)].text = "Browse...";
  controls_[index(Control::kDestinationLabel)].text = "Destination:";
  controls_[index(Control::kProgressLabel)].text = "Progress:";
  controls_[index(Control::kText2)].visible = true;
}

FakeWizard& FakeWizard::then(UserAction action) {
  actions_.push_back(std::move(action));
  return *this;
}

void FakeWizard::record(const std::string& line) {
  if (!keeps_history) return;
  log_.push_back(line);
  if (on_call) on_call(line);
}

void FakeWizard::note(const std::string& line) {
  if (keeps_history) log_.push_back(line);
}

void FakeWizard::problem(const std::string& what) { problems_.push_back(what); }

void FakeWizard::queue_command(std::uint32_t entry) {
  commands_.push(entry);
  event(EventSlot::kCommand) = true;
}

void FakeWizard::close_window() {
  if (event(EventSlot::kClose))
    destroyed_ = true;
  else
    event(EventSlot::kClose) = true;
}

void FakeWizard::perform(const UserAction& action) {
  switch (action.kind) {
    case UserAction::Kind::kClick: {
      const auto c = static_cast<Control>(action.value);
      // Disabled or hidden controls send nothing.
      const bool dropped = !control(c).visible || !control(c).enabled;
      if (keeps_history) log_.push_back(std::string("user click ") + control_name(c) + (dropped ? " dropped" : ""));
      if (dropped) {
        ++dropped_actions_;
        return;
      }
      // Auto radio buttons: the one clicked is checked, the other cleared.
      if (c == Control::kAccept || c == Control::kDecline) check_pair(c);
      queue_command(static_cast<std::uint32_t>(control_id(c)));
      return;
    }
    case UserAction::Kind::kCommandEntry:
      note("user entry " + std::to_string(action.value));
      queue_command(action.value);
      return;
    case UserAction::Kind::kKey:
      note("user key " + std::to_string(static_cast<std::int32_t>(action.value)));
      keys_.push(static_cast<std::int32_t>(action.value));
      event(EventSlot::kKey) = true;
      return;
    case UserAction::Kind::kClose:
      note("user close");
      close_window();
      return;
    case UserAction::Kind::kType: {
      ControlState& field = controls_[index(Control::kDestination)];
      if (!field.visible || !field.enabled) {
        ++dropped_actions_;
        note("user type dropped");
        return;
      }
      note("user type " + action.text);
      field.text = action.text;
      queue_command(kDestinationChanged);
      return;
    }
  }
}

void FakeWizard::act() {
  ++user_actions_;
  if (!actions_.empty()) {
    UserAction next = actions_.front();
    actions_.pop_front();
    if (before_action) before_action(next);
    perform(next);
    return;
  }
  if (user_ == User::kScripted) {
    problem("the script waits for the user, who has nothing left to do");
    event(EventSlot::kClose) = true;
    return;
  }
  const ControlState& next = control(Control::kNext);
  if (next.visible && next.enabled && user_actions_ < kMaxAutomaticActions)
    perform(UserAction::click(Control::kNext));
  else
    perform(UserAction::close());
}

void FakeWizard::fill_handle_table() { record("fill"); }

void FakeWizard::set_text(Control control, CountedView text) {
  controls_[index(control)].text = text_of(text);
  if (!keeps_history) return;
  texts_given_[index(control)].push_back(text_of(text));
  record(std::string("text ") + control_name(control) + " " + text_of(text));
}

void FakeWizard::get_text(Control control, CountedDest text) {
  // GetWindowTextA into the 256-byte shared path buffer: 255 characters at most.
  std::string window_text = controls_[index(control)].text.substr(0, 255);
  counted_copy(window_text.c_str(), text);
  if (keeps_history) record(std::string("get ") + control_name(control));
}

void FakeWizard::set_long_text(Control control, const char* text) {
  controls_[index(control)].text = text;
  if (!keeps_history) return;
  texts_given_[index(control)].push_back(text);
  record(std::string("long text ") + control_name(control) + " " + std::to_string(std::string(text).size()));
}

void FakeWizard::check_pair(Control control) {
  controls_[index(Control::kAccept)].checked = control == Control::kAccept;
  controls_[index(Control::kDecline)].checked = control == Control::kDecline;
}

void FakeWizard::set_checked(Control control, bool checked) {
  controls_[index(control)].checked = checked;
  if (keeps_history) record(std::string(checked ? "check " : "uncheck ") + control_name(control));
}

void FakeWizard::set_flag(Control control, bool ControlState::*flag, bool value, const char* verb) {
  controls_[index(control)].*flag = value;
  if (keeps_history) record(std::string(verb) + " " + control_name(control));
}

void FakeWizard::show(Control control) { set_flag(control, &ControlState::visible, true, "show"); }
void FakeWizard::hide(Control control) { set_flag(control, &ControlState::visible, false, "hide"); }
void FakeWizard::enable(Control control) { set_flag(control, &ControlState::enabled, true, "enable"); }
void FakeWizard::disable(Control control) { set_flag(control, &ControlState::enabled, false, "disable"); }

bool FakeWizard::confirm_exit() {
  ++confirmations_shown_;
  record("confirm");
  if (confirm_answers_.empty()) {
    if (user_ == User::kScripted) problem("the exit confirmation was shown with no answer prepared");
    return false;
  }
  bool yes = confirm_answers_.front();
  confirm_answers_.pop_front();
  return yes;
}

bool FakeWizard::browse_for_folder(CountedDest folder) {
  ++pickers_shown_;
  record("browse");
  if (browse_answers_.empty()) {
    if (user_ == User::kScripted) problem("the folder picker was shown with no answer prepared");
    return false;
  }
  std::optional<std::string> chosen = browse_answers_.front();
  browse_answers_.pop_front();
  if (!chosen || chosen->size() > folder.capacity) return false;
  counted_copy(chosen->c_str(), folder);
  return true;
}

EventSlot FakeWizard::wait_for_events(std::uint32_t milliseconds) {
  if (milliseconds == 0) return first_event_set();
  if (++waits_ > kMaxWaits) {
    if (waits_ == kMaxWaits + 1) problem("the script keeps waiting without end");
    event(EventSlot::kClose) = true;
  }
  if (first_event_set() == EventSlot::kIdle) act();
  return first_event_set();
}

bool FakeWizard::event_set(EventSlot slot) { return event(slot); }

EventSlot FakeWizard::first_event_set() {
  for (EventSlot slot : {EventSlot::kClose, EventSlot::kKey, EventSlot::kCommand})
    if (event(slot)) return slot;
  return EventSlot::kIdle;
}

std::uint32_t FakeWizard::take_command() {
  std::uint32_t entry = 0;
  commands_.pop(entry);
  if (commands_.empty()) event(EventSlot::kCommand) = false;
  return entry;
}

std::int32_t FakeWizard::take_key() {
  std::int32_t entry = 0;
  keys_.pop(entry);
  if (keys_.empty()) event(EventSlot::kKey) = false;
  return entry;
}

void FakeWizard::request_close() {
  ++close_requests_;
  record("close request");
  close_window();
}

ScriptEnd run_package_with(FakeWizard& wizard, FileSystem& files, ByteView package) {
  BytesSource source(package, wizard);
  ScriptInput input(wizard);
  ScriptEnvironment environment{source, wizard, input, files};
  return run_package(environment);
}

}  // namespace mivora::test
