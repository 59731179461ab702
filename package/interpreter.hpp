#pragma once
// The package interpreter: the script routine that the script thread runs.
// It fills the control handle table, loads and checks the package, and runs
// the script page run by page run until the script ends, which it reports
// back instead of ending the thread itself.
#include "app/script_input.hpp"
#include "package/package_source.hpp"
#include "support/file_system.hpp"
#include "wizard/control_surface.hpp"

namespace mivora {

struct ScriptEnvironment {
  PackageSource& package;
  ControlSurface& controls;
  ScriptInput& input;
  FileSystem& files;
};

// Runs the whole script. Returns how it ended; the caller sends the close
// requests (close_window_for) and ends the thread.
[[nodiscard]] ScriptEnd run_package(ScriptEnvironment& environment);

}  // namespace mivora
