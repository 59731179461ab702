// `dest`: the default destination in the destination field, with the drive
// prefix, the lock against editing and the continuation of an earlier copy's
// destination, and a new file group.
#include "interpreter/commands.hpp"

namespace mivora {
namespace {

using namespace format;

constexpr CountedView kDestinationLabel = literal("Destination:");

// The drive of the current directory ("D:"), or nothing when the current
// directory is not drive-qualified or cannot be read (empty).
void append_drive_prefix(FileSystem& files, CountedDest path) {
  CountedBuffer<kMaxCountedLength> current;
  files.current_directory(current);
  if (current.length < 2 || current.chars[1] != ':') return;
  append_string(path, CountedView{current.chars, 2});
}

// Composed at full length: a path over the destination's 127 characters is
// refused by `copy`, not cut here.
void compose_default_path(Interpreter& script, CountedView default_string, std::uint32_t flags,
                          CountedDest path) {
  const CountedView copied = script.copied_destination();
  if ((flags & kDestSameDestination) != 0 && !copied.empty()) {
    append_string(path, copied);
    return;
  }
  if ((flags & kDestDrivePrefix) != 0) append_drive_prefix(script.files(), path);
  append_string(path, default_string);
}

// `copy` greyed the field and relabelled it "Current file:"; a destination
// page after it is one again.
void restore_destination_page(ControlSurface& controls, std::uint32_t flags) {
  controls.set_text(Control::kDestinationLabel, kDestinationLabel);
  if ((flags & kDestFixed) != 0) return;
  controls.enable(Control::kDestination);
  controls.enable(Control::kBrowse);
}

}  // namespace

Step command_dest(Interpreter& script) {
  const CountedView default_string = script.read_string();
  const std::uint32_t flags = script.read_word();
  CountedBuffer<kMaxCountedLength> default_path;
  compose_default_path(script, default_string, flags, default_path);

  ControlSurface& controls = script.controls();
  if (!script.copied_destination().empty()) restore_destination_page(controls, flags);
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
