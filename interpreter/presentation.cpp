#include "interpreter/presentation.hpp"

namespace mivora {
namespace {

// The message of report formatted error; static, as nothing is allocated.
CountedBuffer<kMaxMessageLength> message_buffer;

constexpr Control kPageButtons[] = {Control::kNext, Control::kBack, Control::kCancel};
static_assert(sizeof kPageButtons / sizeof kPageButtons[0] == 3);

}  // namespace

void clear_page(ControlSurface& controls) {
  for (auto c = static_cast<int>(kFirstPageControl); c <= static_cast<int>(kLastPageControl); ++c)
    controls.hide(static_cast<Control>(c));
  for (Control button : kPageButtons) controls.enable(button);
}

ScriptEnd enter_finish_state(ControlSurface& controls, ScriptInput& input, CountedView closing_text,
                             std::uint32_t exit_code) {
  controls.set_text(Control::kText, closing_text);
  controls.show(Control::kText);
  controls.disable(Control::kBack);
  controls.disable(Control::kCancel);
  controls.set_text(Control::kNext, kFinishLabel);
  for (;;) {
    Taken taken = input.next_command();
    if (taken.closing) return ScriptEnd{ScriptEnd::Kind::kExitThread, 0};
    if (taken.entry == kCommandNext) return ScriptEnd{ScriptEnd::Kind::kEndScript, exit_code};
  }
}

ScriptEnd report_error(ControlSurface& controls, ScriptInput& input, CountedView message) {
  clear_page(controls);
  controls.set_text(Control::kText2, message);
  controls.show(Control::kText2);
  return enter_finish_state(controls, input, kErrorNotice, kExitInstallFailed);
}

ScriptEnd report_formatted_error(ControlSurface& controls, ScriptInput& input, CountedView format,
                                 std::initializer_list<FormatArg> args) {
  format_text(format, message_buffer, args);
  return report_error(controls, input, message_buffer);
}

}  // namespace mivora
