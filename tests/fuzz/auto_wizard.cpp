#include "tests/fuzz/auto_wizard.hpp"

namespace mivora::fuzz {
namespace {

// Far more clicks than any package of a page position table's depth needs.
constexpr std::uint32_t kMaxUserActions = 4096;

}  // namespace

AutoWizard::AutoWizard() {
  for (Control c : {Control::kWindow, Control::kNext, Control::kBack, Control::kCancel, Control::kText2}) {
    visible_[index(c)] = true;
  }
  for (int i = 0; i < kControlCount; ++i) enabled_[i] = true;
  enabled_[index(Control::kBack)] = false;
}

void AutoWizard::set_text(Control control, CountedView text) {
  texts_[index(control)].assign(text.chars, text.length);
}

void AutoWizard::get_text(Control control, CountedDest text) {
  const std::string& s = texts_[index(control)];
  clear(text);
  append_string(text, CountedView{s.data(), static_cast<std::uint8_t>(s.size() > 255 ? 255 : s.size())});
}

void AutoWizard::act_as_user() {
  ++user_actions_;
  bool can_click_next = visible_[index(Control::kNext)] && enabled_[index(Control::kNext)];
  if (can_click_next && user_actions_ < kMaxUserActions) {
    commands_.push_back(101);
  } else {
    request_close();
  }
}

EventSlot AutoWizard::wait_for_events() {
  if (!close_set_ && commands_.empty()) act_as_user();
  if (close_set_) return EventSlot::kClose;
  return EventSlot::kCommand;
}

bool AutoWizard::event_set(EventSlot slot) {
  switch (slot) {
    case EventSlot::kClose: return close_set_;
    case EventSlot::kCommand: return !commands_.empty();
    default: return false;
  }
}

std::uint32_t AutoWizard::take_command() {
  if (commands_.empty()) return 0;
  std::uint32_t entry = commands_.front();
  commands_.pop_front();
  return entry;
}

void AutoWizard::request_close() {
  if (close_set_) destroyed_ = true;
  close_set_ = true;
}

}  // namespace mivora::fuzz
