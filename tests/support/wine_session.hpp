#pragma once
// The Windows build as the host tests reach it: its files, and the UI probe
// (probe.exe) started under Wine, fed one command per line and answering
// one line each.
#include <string>
#include <vector>

#include "tests/support/processes.hpp"

namespace mivora::test {

// Path of a file of the Windows build whose programs run under Wine:
// MIVORA_WINDOWS_BUILD, set by ./run to build/win32 or, where this machine
// cannot run 32-bit code, to the x86-64 twin's build/win64.
[[nodiscard]] std::string windows_build_file(const std::string& relative);
// The Wine loader for that build: MIVORA_WINE, "wine" when unset.
[[nodiscard]] std::string wine_loader();

// A stub that ./run build makes: the i386 product and its x86-64 twin. The
// checks that read a stub without running it cover both, whichever build
// runs under Wine.
struct BuiltStub {
  const char* name;
  std::string path;
  const char* objdump;  // the binutils that read its target
};
[[nodiscard]] std::vector<BuiltStub> built_stubs();

class Probe {
 public:
  // `prefix` runs before wine, as for the installer (setpriv).
  explicit Probe(const std::vector<std::string>& prefix = {});
  ~Probe();
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  // Sends one command; its one answer line, or "err probe-silent".
  std::string ask(const std::string& command, int timeout_ms = 30000);
  // Sends every command before reading an answer, so that they reach the
  // window as fast as the probe can act; the answers in order.
  std::vector<std::string> ask_all(const std::vector<std::string>& commands, int timeout_ms = 30000);

 private:
  Child child_;
};

}  // namespace mivora::test
