#include "tests/fuzz/fuzz_harness.hpp"

#include "tests/fuzz/sandbox_file_system.hpp"
#include "tests/support/fake_wizard.hpp"

namespace mivora::test {

RunOutcome run_package_bytes(const std::uint8_t* data, std::size_t size, const std::string& root) {
  static SandboxFileSystem files(root);
  files.reset();
  FakeWizard wizard(FakeWizard::User::kClicksNext);
  wizard.keeps_history = false;
  ByteView package{data, static_cast<std::uint32_t>(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size)};
  ScriptEnd end = run_package_with(wizard, files, package);
  (void)close_window_for(wizard, end);
  return RunOutcome{wizard.destroyed(), !wizard.problems().empty(), files.bytes_written()};
}

}  // namespace mivora::test
