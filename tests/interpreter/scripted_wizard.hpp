#pragma once
// A simulated wizard window for running whole packages on the host. It keeps
// the state of every control as the script leaves it, the key and command
// queues with their events, and plays a list of user actions: whenever the
// script waits and no event is set, the next action happens, as if the user
// acted while the script waited. It records what the script did to it.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "interpreter/window_link.hpp"
#include "interpreter/control_surface.hpp"
#include "support/ring.hpp"

namespace mivora::testing {

// EN_CHANGE from the destination field, as the window queues it.
inline constexpr std::uint32_t kDestinationChanged = 0x03000000u | 221u;

struct UserAction {
  enum class Kind { kClick, kCommandEntry, kKey, kClose, kType };
  Kind kind;
  std::uint32_t value = 0;
  std::string text;

  static UserAction click(int id) { return {Kind::kClick, static_cast<std::uint32_t>(id), {}}; }
  // Queued as it is, whatever the controls look like (204, notifications).
  static UserAction entry(std::uint32_t e) { return {Kind::kCommandEntry, e, {}}; }
  static UserAction key(std::int32_t k) { return {Kind::kKey, static_cast<std::uint32_t>(k), {}}; }
  static UserAction close() { return {Kind::kClose, 0, {}}; }
  // Replaces the text of the destination field, which notifies the window.
  static UserAction type(std::string t) { return {Kind::kType, 0, std::move(t)}; }
};

struct ControlState {
  std::string text;
  bool visible = false;
  bool enabled = true;
};

class ScriptedWizard final : public ControlSurface, public WindowLink {
 public:
  ScriptedWizard();

  // The user's part, in order.
  ScriptedWizard& then(UserAction action);
  ScriptedWizard& click(int id) { return then(UserAction::click(id)); }
  void answer_confirmations(std::initializer_list<bool> answers) {
    confirm_answers_.insert(confirm_answers_.end(), answers);
  }
  void answer_browse(std::optional<std::string> folder) { browse_answers_.push_back(std::move(folder)); }
  // Acts at once, for actions made at a chosen moment (see on_call).
  void perform(const UserAction& action);
  // Called after each recorded call of the script, with its log line.
  std::function<void(const std::string& line)> on_call;
  // Called before each scripted action, while the script waits for it.
  std::function<void(const UserAction& action)> before_action;

  [[nodiscard]] const ControlState& control(int id) const;
  [[nodiscard]] const std::vector<std::string>& log() const { return log_; }
  // Log lines that begin with `prefix`, in order.
  [[nodiscard]] std::vector<std::string> calls_starting(const std::string& prefix) const;
  [[nodiscard]] int confirmations_shown() const { return confirmations_shown_; }
  [[nodiscard]] int close_requests() const { return close_requests_; }
  [[nodiscard]] bool destroyed() const { return destroyed_; }
  // Scripted actions, confirmation or picker answers not yet used.
  [[nodiscard]] bool answers_left() const {
    return !actions_.empty() || !confirm_answers_.empty() || !browse_answers_.empty();
  }
  void record(const std::string& line);

  // ControlSurface
  void fill_handle_table() override;
  void set_text(Control control, CountedView text) override;
  void get_text(Control control, CountedDest text) override;
  void show(Control control) override;
  void hide(Control control) override;
  void enable(Control control) override;
  void disable(Control control) override;
  bool confirm_exit() override;
  bool browse_for_folder(CountedDest folder) override;

  // WindowLink
  EventSlot wait_for_events() override;
  bool event_set(EventSlot slot) override;
  std::uint32_t take_command() override;
  std::int32_t take_key() override;
  void request_close() override;

 private:
  ControlState& state(Control control) { return controls_[static_cast<int>(control)]; }
  // Sets visible or enabled and records "<verb> <id>".
  void set_flag(Control control, bool ControlState::*flag, bool value, const char* verb);
  void queue_command(std::uint32_t entry);
  void close_window();
  bool any_event() const;

  ControlState controls_[kControlCount];
  Ring<std::uint32_t, 128> commands_;
  Ring<std::int32_t, 32> keys_;
  bool events_[4] = {};
  std::deque<UserAction> actions_;
  std::deque<bool> confirm_answers_;
  std::deque<std::optional<std::string>> browse_answers_;
  std::vector<std::string> log_;
  int confirmations_shown_ = 0;
  int close_requests_ = 0;
  int waits_ = 0;
  bool destroyed_ = false;
};

}  // namespace mivora::testing
