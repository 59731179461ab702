#pragma once
// One installer run under Wine: a package put into a copy of the stub in a
// fresh folder, started beside a UI probe, and checked by what the window
// shows, the exit code and the files on disk. The fixture of every suite
// that drives the real mivora.exe.
// MIVORA_SCREENSHOTS=DIR saves a PNG of each page a test names.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "interpreter/controls.hpp"
#include "interpreter/script_input.hpp"
#include "tests/support/packages.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/wine_session.hpp"

namespace mivora::test {

inline constexpr int kExitTimeoutMs = 20000;
// A failed install's exit code as a process started by Wine ends: its low 8 bits.
inline constexpr int kFailedInstallUnderWine = static_cast<int>(kExitInstallFailed & 0xFF);
inline constexpr const char* kConfirmText = "Are you sure you want to exit the install package?";

// A text as the probe reads and writes it: LF as \n, a backslash doubled.
[[nodiscard]] std::string escaped(const std::string& text);
// A control's id as the probe takes it.
[[nodiscard]] std::string probe_id(Control c);
// "post ENTRY": a command entry queued as it is.
[[nodiscard]] std::string post(std::uint32_t entry);

[[nodiscard]] std::vector<std::uint8_t> stub_bytes();
// mivora-pack's --arch for the stub that runs under Wine: "x86" or "x86-64".
[[nodiscard]] std::string pack_arch();

class InstallerRun : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // setup.exe in the run's folder: the stub with `package` as resource 42.
  void write_setup(const PackageBuilder& package);
  void write_plain_stub();
  // Starts setup.exe (after `prefix`, e.g. setpriv) and a probe that has found its window.
  void start(const std::vector<std::string>& prefix = {});
  void run(const PackageBuilder& package);

  std::string ask(const std::string& command, int timeout_ms = 30000);
  void expect_ok(const std::string& command);
  // The probe's answer: "ok TEXT".
  std::string text(Control c);
  bool visible(Control c);
  bool enabled(Control c);
  // Clicks as a user would: only a visible, enabled button.
  void click(Control c);
  // `text` as the probe writes it (see escaped).
  void wait_text(Control c, const std::string& text);
  // "visible", "hidden", "enabled" or "disabled".
  void wait_state(Control c, const std::string& state);

  // Returns once the page waits for an answer: clicks made while a page is
  // still being built are dropped, so tests click only after this.
  void settle_page();
  void click_until_page_waits(std::uint32_t probe, const std::string& state, std::uint32_t undo,
                              const std::string& undone);
  // The same for a license page, whose flags grey Next: it returns once the
  // page waits, declined as it started.
  void settle_license_page();
  // Waits for the page that shows `text` in the page text, then for it to wait.
  void wait_page(const std::string& text);
  // The Finish state with `closing`: "Finish" ends the process with 0.
  void finish(const std::string& closing);
  int exit_code();
  // The window closes and the process ends with `code`.
  void expect_closed_with(int code);
  void expect_closed_with_zero() { expect_closed_with(0); }
  void expect_error_state(const std::string& message);
  // The error state, then "Finish": the process ends as a failed install.
  void expect_error_state_then_finish(const std::string& message);
  void screenshot(const std::string& name);

  [[nodiscard]] const TempDir& dir() const { return *dir_; }
  // Ends this run's processes; the next run starts in a new folder.
  void start_over();

  std::unique_ptr<TempDir> dir_ = std::make_unique<TempDir>();
  std::unique_ptr<Child> installer_;
  std::unique_ptr<Probe> probe_;
};

}  // namespace mivora::test
