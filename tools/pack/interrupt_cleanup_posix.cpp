// The POSIX body: a handler of SIGINT, SIGTERM and SIGHUP that unlinks the
// armed file (unlink is async-signal-safe) and then dies of the signal.
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "tools/pack/interrupt_cleanup.hpp"

namespace mivora::pack {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
char g_path[4096];
volatile sig_atomic_t g_armed = 0;

extern "C" void remove_and_die(int signal_number) {
  if (g_armed) unlink(g_path);
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigaction(signal_number, &default_action, nullptr);
  raise(signal_number);
}

void install_handlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = remove_and_die;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  for (int s : kSignals) {
    struct sigaction previous {};
    sigaction(s, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN) sigaction(s, &action, nullptr);  // nohup and the like stay in force
  }
}

}  // namespace

void remove_on_interrupt(const std::filesystem::path& temporary) {
  const std::string& native = temporary.native();
  if (native.size() >= sizeof g_path) return;  // too long to keep: removed only by the writer's own unwinding
  g_armed = 0;
  std::memcpy(g_path, native.c_str(), native.size() + 1);
  install_handlers();
  g_armed = 1;
}

void disarm_interrupt_cleanup() { g_armed = 0; }

bool interrupt_requested() { return false; }

}  // namespace mivora::pack
