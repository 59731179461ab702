#pragma once
// A wizard that needs no script: it clicks "Next >>" (or "Finish") whenever
// the script waits and the button can be clicked, answers No to every
// confirmation, picks no folder, and closes the window when nothing else can
// be done. With it any package runs to its end without a person.
#include <cstdint>
#include <deque>
#include <string>

#include "interpreter/window_link.hpp"
#include "interpreter/control_surface.hpp"

namespace mivora::fuzz {

class AutoWizard final : public ControlSurface, public WindowLink {
 public:
  AutoWizard();

  void fill_handle_table() override {}
  void set_text(Control control, CountedView text) override;
  void get_text(Control control, CountedDest text) override;
  void show(Control control) override { visible_[index(control)] = true; }
  void hide(Control control) override { visible_[index(control)] = false; }
  void enable(Control control) override { enabled_[index(control)] = true; }
  void disable(Control control) override { enabled_[index(control)] = false; }
  bool confirm_exit() override { return false; }
  bool browse_for_folder(CountedDest) override { return false; }

  EventSlot wait_for_events() override;
  bool event_set(EventSlot slot) override;
  std::uint32_t take_command() override;
  std::int32_t take_key() override { return 0; }
  void request_close() override;

  [[nodiscard]] bool destroyed() const { return destroyed_; }
  [[nodiscard]] std::uint32_t user_actions() const { return user_actions_; }

 private:
  static int index(Control c) { return static_cast<int>(c); }
  void act_as_user();

  std::string texts_[kControlCount];
  bool visible_[kControlCount] = {};
  bool enabled_[kControlCount] = {};
  std::deque<std::uint32_t> commands_;
  bool close_set_ = false;
  bool destroyed_ = false;
  std::uint32_t user_actions_ = 0;
};

}  // namespace mivora::fuzz
