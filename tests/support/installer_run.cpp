#include "tests/support/installer_run.hpp"

#include <cstdlib>
#include <filesystem>

#include "tools/writer/pe_image.hpp"
#include "tools/writer/pe_resources.hpp"
#include "wizard/control_ids.hpp"

namespace mivora::test {
namespace {

constexpr const char* kErrorNotice = "An error occurred. \\nClick 'Finish' to close.";

}  // namespace

std::string probe_id(Control c) { return std::to_string(control_id(c)); }

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

std::string post(std::uint32_t entry) { return "post " + std::to_string(entry); }

std::vector<std::uint8_t> stub_bytes() { return read_bytes(windows_build_file("mivora.exe")); }

std::string pack_arch() {
  return writer::pe::parse_image(stub_bytes()).machine == writer::pe::kMachineAmd64 ? "x86-64" : "x86";
}

void InstallerRun::SetUp() {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no DISPLAY: run under Xvfb (./run test does)";
  ASSERT_TRUE(std::filesystem::exists(windows_build_file("mivora.exe"))) << "no stub";
  ASSERT_TRUE(std::filesystem::exists(windows_build_file("tests/probe.exe")));
}

void InstallerRun::TearDown() {
  probe_.reset();
  installer_.reset();
}

void InstallerRun::write_setup(const PackageBuilder& package) {
  std::vector<std::uint8_t> setup;
  std::string error;
  ASSERT_TRUE(writer::replace_resource(stub_bytes(), writer::kRtRcdata, writer::kPackageResourceId, package.build(),
                                       setup, error))
      << error;
  write_bytes(dir() / "setup.exe", setup);
}

void InstallerRun::write_plain_stub() { write_bytes(dir() / "setup.exe", stub_bytes()); }

void InstallerRun::start(const std::vector<std::string>& prefix) {
  std::vector<std::string> argv = prefix;
  argv.insert(argv.end(), {wine_loader(), "setup.exe"});
  installer_ = std::make_unique<Child>(argv, dir().path(), false);
  probe_ = std::make_unique<Probe>(prefix);
  ASSERT_EQ(ask("find 20000"), "ok");
}

void InstallerRun::run(const PackageBuilder& package) {
  ASSERT_NO_FATAL_FAILURE(write_setup(package));
  ASSERT_NO_FATAL_FAILURE(start());
}

std::string InstallerRun::ask(const std::string& command, int timeout_ms) { return probe_->ask(command, timeout_ms); }

void InstallerRun::expect_ok(const std::string& command) { EXPECT_EQ(ask(command), "ok") << command; }

std::string InstallerRun::text(Control c) { return ask("text " + probe_id(c)); }

bool InstallerRun::visible(Control c) { return ask("visible " + probe_id(c)) == "ok 1"; }

bool InstallerRun::enabled(Control c) { return ask("enabled " + probe_id(c)) == "ok 1"; }

void InstallerRun::click(Control c) { expect_ok("click " + probe_id(c)); }

void InstallerRun::wait_text(Control c, const std::string& text) {
  expect_ok("waittext " + probe_id(c) + " " + text);
}

void InstallerRun::wait_state(Control c, const std::string& state) {
  expect_ok("waitstate " + probe_id(c) + " " + state);
}

// A click on a radio button changes Next only on a waiting page: `probe`
// is clicked until Next is `state`, then `undo` brings Next back.
void InstallerRun::click_until_page_waits(std::uint32_t probe, const std::string& state, std::uint32_t undo,
                                          const std::string& undone) {
  expect_ok("timeout 300");
  bool waiting = false;
  for (int attempt = 0; attempt < 30 && !waiting; ++attempt) {
    expect_ok(post(probe));
    waiting = ask("waitstate " + probe_id(Control::kNext) + " " + state) == "ok";
  }
  expect_ok("timeout 10000");
  ASSERT_TRUE(waiting) << "the page never waited for an answer";
  expect_ok(post(undo));
  wait_state(Control::kNext, undone);
}

void InstallerRun::settle_page() { click_until_page_waits(kCommandDecline, "disabled", kCommandAccept, "enabled"); }

void InstallerRun::wait_page(const std::string& text) {
  wait_text(Control::kText, text);
  settle_page();
}

// A license page starts declined: "Accept" enables Next once it waits.
void InstallerRun::settle_license_page() {
  wait_state(Control::kLicense, "visible");
  wait_state(Control::kNext, "disabled");
  click_until_page_waits(kCommandAccept, "enabled", kCommandDecline, "disabled");
}

void InstallerRun::finish(const std::string& closing) {
  wait_text(Control::kNext, "Finish");
  EXPECT_EQ(text(Control::kText), "ok " + closing);
  click(Control::kNext);
  expect_closed_with_zero();
}

int InstallerRun::exit_code() { return installer_->wait(kExitTimeoutMs); }

void InstallerRun::expect_closed_with(int code) {
  EXPECT_EQ(ask("gone"), "ok");
  EXPECT_EQ(exit_code(), code);
}

void InstallerRun::expect_error_state(const std::string& message) {
  SCOPED_TRACE(message);
  wait_text(Control::kNext, "Finish");
  EXPECT_EQ(text(Control::kText), std::string("ok ") + kErrorNotice);
  EXPECT_EQ(text(Control::kText2), "ok " + message);
  EXPECT_TRUE(visible(Control::kText));
  EXPECT_TRUE(visible(Control::kText2));
  EXPECT_TRUE(enabled(Control::kNext));
  EXPECT_FALSE(enabled(Control::kBack));
  EXPECT_FALSE(enabled(Control::kCancel));
  for (auto c = static_cast<int>(kFirstPageControl); c <= static_cast<int>(kLastPageControl); ++c) {
    const auto page_control = static_cast<Control>(c);
    if (page_control == Control::kText || page_control == Control::kText2) continue;
    EXPECT_FALSE(visible(page_control)) << probe_id(page_control);
  }
}

void InstallerRun::expect_error_state_then_finish(const std::string& message) {
  expect_error_state(message);
  click(Control::kNext);
  expect_closed_with(kFailedInstallUnderWine);
}

void InstallerRun::screenshot(const std::string& name) {
  const char* dir = std::getenv("MIVORA_SCREENSHOTS");
  if (dir == nullptr) return;
  std::filesystem::create_directories(dir);
  std::string command = "import -window root '" + std::string(dir) + "/" + name + ".png'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

void InstallerRun::start_over() {
  probe_.reset();
  installer_.reset();
  dir_ = std::make_unique<TempDir>();
}

}  // namespace mivora::test
