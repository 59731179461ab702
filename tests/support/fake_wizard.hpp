#pragma once
// The wizard window without Windows, for running whole packages on the host:
// the state of every control as the script leaves it, the command and key
// queues on the window's own ring with their events, the two-step close, and
// a user. The user either plays a list of actions, one whenever the script
// waits with no event set, or clicks "Next >>" by itself until it cannot and
// then closes the window (the fuzzer's user). The window keeps what the
// script did: each text a control was given and, for tests of order, a log
// of every call.
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "interpreter/control_surface.hpp"
#include "interpreter/script_input.hpp"
#include "interpreter/window_link.hpp"
#include "support/byte_view.hpp"
#include "support/ring.hpp"
#include "wizard/control_ids.hpp"

namespace mivora {
class FileSystem;
}

namespace mivora::test {

// EN_CHANGE from the destination field, as the window queues it.
inline constexpr std::uint32_t kDestinationChanged = 0x03000000u | control_id(Control::kDestination);

// The control's name in the log: "Next", "ProgressText", ...
[[nodiscard]] const char* control_name(Control c);

struct UserAction {
  enum class Kind { kClick, kCommandEntry, kKey, kClose, kType };
  Kind kind;
  std::uint32_t value = 0;
  std::string text;

  // Queues the control's id when it is visible and enabled; else nothing.
  static UserAction click(Control c) { return {Kind::kClick, static_cast<std::uint32_t>(c), {}}; }
  // Queued as it is, whatever the controls look like (notifications, 204).
  static UserAction entry(std::uint32_t e) { return {Kind::kCommandEntry, e, {}}; }
  static UserAction key(std::int32_t k) { return {Kind::kKey, static_cast<std::uint32_t>(k), {}}; }
  // The close box: the first sets the close event, the second destroys the window.
  static UserAction close() { return {Kind::kClose, 0, {}}; }
  // Replaces the text of the destination field, which notifies the window.
  static UserAction type(std::string t) { return {Kind::kType, 0, std::move(t)}; }
};

struct ControlState {
  std::string text;
  bool visible = false;
  bool enabled = true;
  bool checked = false;  // radio buttons
};

class FakeWizard final : public ControlSurface, public WindowLink {
 public:
  enum class User {
    kScripted,    // plays its actions and prepared answers; running out is a fault
    kClicksNext,  // clicks Next while it can, answers No, picks no folder, then closes
  };
  explicit FakeWizard(User user = User::kScripted);

  // The user's part, in order.
  FakeWizard& then(UserAction action);
  FakeWizard& click(Control c) { return then(UserAction::click(c)); }
  void answer_confirmations(std::initializer_list<bool> answers) {
    confirm_answers_.insert(confirm_answers_.end(), answers);
  }
  void answer_browse(std::optional<std::string> folder) { browse_answers_.push_back(std::move(folder)); }
  // Acts at once, for actions made at a chosen moment (see on_call).
  void perform(const UserAction& action);
  // Called after each call of the script, with its log line.
  std::function<void(const std::string& line)> on_call;
  // Called before each scripted action, while the script waits for it.
  std::function<void(const UserAction& action)> before_action;
  // False: only the controls' state is kept, no texts given and no log,
  // which spares a fuzzer the strings of every call.
  bool keeps_history = true;

  [[nodiscard]] const ControlState& control(Control c) const { return controls_[index(c)]; }
  // Every text the script gave the control, in order.
  [[nodiscard]] const std::vector<std::string>& texts_given(Control c) const { return texts_given_[index(c)]; }
  // "fill", "locate", "text Window Demo", "hide Browse", "user click Next dropped", ...
  [[nodiscard]] const std::vector<std::string>& log() const { return log_; }
  [[nodiscard]] int confirmations_shown() const { return confirmations_shown_; }
  [[nodiscard]] int pickers_shown() const { return pickers_shown_; }
  [[nodiscard]] int close_requests() const { return close_requests_; }
  // Clicks on hidden or greyed controls, and typing into a locked field.
  [[nodiscard]] int dropped_actions() const { return dropped_actions_; }
  [[nodiscard]] bool destroyed() const { return destroyed_; }
  // Scripted actions, confirmation or picker answers not yet used.
  [[nodiscard]] bool answers_left() const {
    return !actions_.empty() || !confirm_answers_.empty() || !browse_answers_.empty();
  }
  // What the script did that no user could answer: waiting with nothing
  // left for the user to do, waiting without end, a question with no
  // answer prepared.
  [[nodiscard]] const std::vector<std::string>& problems() const { return problems_; }
  void record(const std::string& line);

  // ControlSurface
  void fill_handle_table() override;
  void set_text(Control control, CountedView text) override;
  void get_text(Control control, CountedDest text) override;
  void set_long_text(Control control, const char* text) override;
  void set_checked(Control control, bool checked) override;
  void show(Control control) override;
  void hide(Control control) override;
  void enable(Control control) override;
  void disable(Control control) override;
  bool confirm_exit() override;
  bool browse_for_folder(CountedDest folder) override;

  // WindowLink
  // A wait of 0 ms is a look: the user does nothing meanwhile.
  EventSlot wait_for_events(std::uint32_t milliseconds) override;
  bool event_set(EventSlot slot) override;
  std::uint32_t take_command() override;
  std::int32_t take_key() override;
  void request_close() override;

 private:
  static int index(Control c) { return static_cast<int>(c); }
  bool& event(EventSlot slot) { return events_[static_cast<int>(slot)]; }
  EventSlot first_event_set();
  // Sets visible or enabled and records "<verb> <name>".
  void set_flag(Control control, bool ControlState::*flag, bool value, const char* verb);
  void queue_command(std::uint32_t entry);
  void close_window();
  // Checks "Accept" or "Decline" and clears the other.
  void check_pair(Control control);
  // A line of the user's part in the log.
  void note(const std::string& line);
  void problem(const std::string& what);
  // The next thing the user does while the script waits with no event set.
  void act();

  User user_;
  ControlState controls_[kControlCount];
  std::vector<std::string> texts_given_[kControlCount];
  Ring<std::uint32_t, 128> commands_;
  Ring<std::int32_t, 32> keys_;
  bool events_[4] = {};
  std::deque<UserAction> actions_;
  std::deque<bool> confirm_answers_;
  std::deque<std::optional<std::string>> browse_answers_;
  std::vector<std::string> log_;
  std::vector<std::string> problems_;
  int confirmations_shown_ = 0;
  int pickers_shown_ = 0;
  int close_requests_ = 0;
  int dropped_actions_ = 0;
  int waits_ = 0;
  int user_actions_ = 0;
  bool destroyed_ = false;
};

// Runs `package` through the interpreter with `wizard` as the window and
// `files` as the file system, as the script thread would; the package is
// looked at through a source that records "locate" in the wizard's log.
[[nodiscard]] ScriptEnd run_package_with(FakeWizard& wizard, FileSystem& files, ByteView package);

}  // namespace mivora::test
