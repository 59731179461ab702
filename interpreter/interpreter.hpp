#pragma once
// The package interpreter: the script routine that the script thread runs.
// It fills the control handle table, loads and checks the package, and runs
// the script page run by page run until the script ends, which it reports
// back instead of ending the thread itself.
#include "interpreter/script_input.hpp"
#include "interpreter/package_source.hpp"
#include "interpreter/file_system.hpp"
#include "interpreter/control_surface.hpp"

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
