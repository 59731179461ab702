// `dest`: the default destination in the destination field, with the drive
// prefix and the lock against editing, and a new file group.
#include "interpreter/commands.hpp"

namespace mivora {
namespace {

using namespace format;

// The drive of the current directory ("D:"), or nothing when the current
// directory is not drive-qualified or cannot be read (empty).
void append_drive_prefix(FileSystem& files, CountedDest path) {
  CountedBuffer<kMaxCountedLength> current;
  files.current_directory(current);
  if (current.length < 2 || current.chars[1] != ':') return;
  append_string(path, CountedView{current.chars, 2});
}

}  // namespace

Step command_dest(Interpreter& script) {
  const CountedView default_string = script.read_string();
  const std::uint32_t flags = script.read_word();

  // Composed at full length: a path over the destination's 127 characters is
  // refused by `copy`, not cut here.
  CountedBuffer<kMaxCountedLength> default_path;
  if ((flags & kDestDrivePrefix) != 0) append_drive_prefix(script.files(), default_path);
  append_string(default_path, default_string);

  ControlSurface& controls = script.controls();
  if ((flags & kDestFixed) != 0) {
    controls.disable(Control::kBrowse);
    controls.disable(Control::kDestination);
  }
  controls.set_text(Control::kDestination, default_path);
  controls.show(Control::kDestination);
  controls.show(Control::kDestinationLabel);
  controls.show(Control::kBrowse);
  script.group().start();
  return Step::kContinue;
}

}  // namespace mivora
