#include "tests/fuzz/fuzz_harness.hpp"

#include "interpreter/interpreter.hpp"
#include "tests/fuzz/auto_wizard.hpp"
#include "tests/fuzz/sandbox_file_system.hpp"

namespace mivora::fuzz {
namespace {

class BytesSource final : public PackageSource {
 public:
  BytesSource(const std::uint8_t* data, std::size_t size)
      : bytes_{data, static_cast<std::uint32_t>(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size)} {}
  ByteView locate() override { return bytes_; }

 private:
  ByteView bytes_;
};

}  // namespace

RunOutcome run_package_bytes(const std::uint8_t* data, std::size_t size, const std::string& root) {
  static SandboxFileSystem files(root);
  files.reset();
  AutoWizard wizard;
  ScriptInput input(wizard);
  BytesSource source(data, size);
  ScriptEnvironment environment{source, wizard, input, files};
  ScriptEnd end = run_package(environment);
  (void)close_window_for(wizard, end);
  return RunOutcome{wizard.destroyed(), wizard.user_actions(), files.bytes_written()};
}

}  // namespace mivora::fuzz
